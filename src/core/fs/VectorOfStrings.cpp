#include "core/fs/VectorOfStrings.h"
#include "core/errors/mErrorHandling.h"

#include <limits>

namespace {
constexpr qint32 kInitialCapacity = 16;
constexpr qint32 kMaxCount = std::numeric_limits<qint32>::max();
} // namespace

void VectorOfStrings::CheckIndex(qint32 aIndex) const
{
    if (mCapacity <= 0 || aIndex < 0 || aIndex > mCapacity)
        mErrorHandling::RaiseError(KezErrorNumber::SubscriptOutOfRange,
                                   QStringLiteral("Индекс %1 за пределами списка строк (ёмкость %2).")
                                       .arg(aIndex)
                                       .arg(mCapacity));
}

const QString& VectorOfStrings::Items(qint32 aIndex) const
{
    CheckIndex(aIndex);
    return mItems[aIndex];
}

void VectorOfStrings::SetItems(qint32 aIndex, const QString& aValue)
{
    CheckIndex(aIndex);
    mItems[aIndex] = aValue;
}

void VectorOfStrings::GrowByOne()
{
    if (mCount == kMaxCount)
        mErrorHandling::RaiseError(KezErrorNumber::Overflow, QStringLiteral("Список строк переполнен."));
    if (mCount >= mCapacity) {
        if (mCapacity <= 0) {
            mItems = QList<QString>(kInitialCapacity + 1);
            mCapacity = kInitialCapacity;
        } else {
            // Checked before anything changes, so a failed growth leaves the vector as it was.
            if (mCapacity > kMaxCount / 2)
                mErrorHandling::RaiseError(KezErrorNumber::Overflow,
                                           QStringLiteral("Ёмкость списка строк превысила допустимую."));
            const qint32 capacity = mCapacity * 2;
            mItems.resize(qsizetype(capacity) + 1);
            mCapacity = capacity;
        }
    }
    ++mCount;
}

void VectorOfStrings::Add(const QString& aValue)
{
    GrowByOne();
    mItems[mCount - 1] = aValue;
}

void VectorOfStrings::Insert(qint32 aInsertBeforeIndex, const QString& aValue)
{
    const qint32 index = aInsertBeforeIndex < 0 ? 0 : aInsertBeforeIndex;
    if (index > mCount) {
        Add(aValue);
        return;
    }
    GrowByOne();
    for (qint32 i = mCount - 2; i >= index; --i)
        mItems[i + 1] = std::move(mItems[i]);
    mItems[index] = aValue;
}

void VectorOfStrings::Clear()
{
    mCount = 0;
    mCapacity = kInitialCapacity;
    mItems = QList<QString>(kInitialCapacity + 1);
}

void VectorOfStrings::BeEmpty() { mCount = 0; }

QString VectorOfStrings::MakeCompareKey(const QString& aValue)
{
    // Only U+0020 counts as a blank here, unlike QString::trimmed.
    qsizetype first = 0;
    qsizetype last = aValue.size();
    while (first < last && aValue.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && aValue.at(last - 1) == QLatin1Char(' '))
        --last;
    return aValue.mid(first, last - first).toLower();
}

qint32 VectorOfStrings::IndexOf(const QString& aValue, bool aCompareAsKeys) const
{
    if (aCompareAsKeys) {
        const QString key = MakeCompareKey(aValue);
        for (qint32 i = 0; i < mCount; ++i)
            if (MakeCompareKey(mItems[i]) == key)
                return i;
    } else {
        for (qint32 i = 0; i < mCount; ++i)
            if (mItems[i] == aValue)
                return i;
    }
    return -1;
}
