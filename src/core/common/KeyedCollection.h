#pragma once
#include <QString>

#include <cstdint>
#include <type_traits>
#include <vector>

// Values in insertion order, each under a string key. Keys compare without regard to letter case
// (Unicode simple case folding, as QString::toCaseFolded) unless the collection is made
// case-sensitive. Adding a key that is already present is refused.
//
// Built for lists of a hundred thousand paths: the entries lie in one array in the order of
// adding (a removed one is only marked, and the marks are swept out now and then), and the index
// is an open-addressing table of key hashes. Keys are folded on the fly, character by character,
// so neither a lookup nor an add allocates a folded copy.
template <typename T>
class KeyedCollectionOf {
    struct Entry {
        T value;
        QString key;
        bool removed = false;
    };

public:
    explicit KeyedCollectionOf(Qt::CaseSensitivity aCase = Qt::CaseInsensitive) : mCase(aCase) {}

    Qt::CaseSensitivity CaseSensitivity() const { return mCase; }

    // Whether two keys are one key under this collection's rule.
    bool SameKey(const QString& aFirst, const QString& aSecond) const { return sameKey(aFirst, aSecond); }

    bool Contains(const QString& aKey) const { return findSlot(aKey, hashOf(aKey)) != kNone; }

    // False (and nothing changes) when the key is already present.
    bool Add(const T& aValue, const QString& aKey)
    {
        const quint64 hash = hashOf(aKey);
        if (findSlot(aKey, hash) != kNone)
            return false;
        // Every entry since the last rebuild holds a slot, removed or not.
        if ((mEntries.size() + 1) * 2 > mSlots.size())
            rebuild(size_t(mCount) + 1);
        mEntries.push_back(Entry{aValue, aKey});
        place(hash, quint32(mEntries.size() - 1));
        ++mCount;
        return true;
    }
    // A string that is its own key.
    bool Add(const QString& aValue)
        requires std::is_same_v<T, QString>
    {
        return Add(aValue, aValue);
    }

    bool Remove(const QString& aKey)
    {
        const size_t slot = findSlot(aKey, hashOf(aKey));
        if (slot == kNone)
            return false;
        Slot& found = mSlots[slot];
        mEntries[found.index].removed = true;
        mEntries[found.index].value = T{};
        mEntries[found.index].key = QString();
        found.state = Slot::Removed;
        --mCount;
        while (mHead < mEntries.size() && mEntries[mHead].removed)
            ++mHead;
        if (mCount == 0)
            Clear();
        else if ((mEntries.size() - size_t(mCount)) * 2 > mEntries.size())
            rebuild(size_t(mCount)); // more marks than entries: sweep them out
        return true;
    }

    // Room for aCount entries in all, so that a long run of adds does not rebuild the index
    // again and again.
    void Reserve(qsizetype aCount)
    {
        if (size_t(aCount) * 2 > mSlots.size())
            rebuild(size_t(aCount));
        mEntries.reserve(mEntries.size() - size_t(mCount) + size_t(aCount));
    }

    qsizetype Count() const { return mCount; }
    bool IsEmpty() const { return mCount == 0; }
    const T& First() const { return mEntries[mHead].value; }
    void Clear()
    {
        mEntries.clear();
        mSlots.clear();
        mHead = 0;
        mCount = 0;
    }

    class const_iterator {
    public:
        const T& operator*() const { return mAt->value; }
        const T* operator->() const { return &mAt->value; }
        const_iterator& operator++()
        {
            ++mAt;
            skipRemoved();
            return *this;
        }
        bool operator==(const const_iterator& aOther) const { return mAt == aOther.mAt; }
        bool operator!=(const const_iterator& aOther) const { return mAt != aOther.mAt; }

    private:
        friend class KeyedCollectionOf;
        using Base = typename std::vector<Entry>::const_iterator;
        const_iterator(Base aAt, Base aEnd) : mAt(aAt), mEnd(aEnd) { skipRemoved(); }
        void skipRemoved()
        {
            while (mAt != mEnd && mAt->removed)
                ++mAt;
        }
        Base mAt;
        Base mEnd;
    };

    const_iterator begin() const { return const_iterator(mEntries.begin() + qsizetype(mHead), mEntries.end()); }
    const_iterator end() const { return const_iterator(mEntries.end(), mEntries.end()); }

private:
    struct Slot {
        enum State : quint8 { Empty, Used, Removed };
        quint32 tag = 0; // the upper half of the key's hash
        quint32 index = 0;
        State state = Empty;
    };

    static constexpr size_t kNone = size_t(-1);

    // The next character of a text, case-folded, as a whole code point.
    char32_t nextFolded(const QChar*& aAt, const QChar* aEnd) const
    {
        char32_t code = aAt->unicode();
        ++aAt;
        if (mCase == Qt::CaseSensitive)
            return code;
        if (code < 0x80)
            return (code >= 'A' && code <= 'Z') ? code + ('a' - 'A') : code;
        if (QChar::isHighSurrogate(code) && aAt != aEnd && aAt->isLowSurrogate()) {
            code = QChar::surrogateToUcs4(char16_t(code), aAt->unicode());
            ++aAt;
        }
        return QChar::toCaseFolded(code);
    }

    quint64 hashOf(const QString& aKey) const
    {
        quint64 hash = 0xCBF29CE484222325ull;
        const QChar* at = aKey.constData();
        const QChar* const end = at + aKey.size();
        while (at != end)
            hash = (hash ^ nextFolded(at, end)) * 0x100000001B3ull;
        return hash ^ (hash >> 29);
    }

    bool sameKey(const QString& aFirst, const QString& aSecond) const
    {
        const QChar* first = aFirst.constData();
        const QChar* const firstEnd = first + aFirst.size();
        const QChar* second = aSecond.constData();
        const QChar* const secondEnd = second + aSecond.size();
        while (first != firstEnd && second != secondEnd)
            if (nextFolded(first, firstEnd) != nextFolded(second, secondEnd))
                return false;
        return first == firstEnd && second == secondEnd;
    }

    size_t findSlot(const QString& aKey, quint64 aHash) const
    {
        if (mSlots.empty())
            return kNone;
        const size_t mask = mSlots.size() - 1;
        const quint32 tag = quint32(aHash >> 32);
        for (size_t i = size_t(aHash) & mask;; i = (i + 1) & mask) {
            const Slot& slot = mSlots[i];
            if (slot.state == Slot::Empty)
                return kNone;
            if (slot.state == Slot::Used && slot.tag == tag && sameKey(mEntries[slot.index].key, aKey))
                return i;
        }
    }

    void place(quint64 aHash, quint32 aIndex)
    {
        const size_t mask = mSlots.size() - 1;
        size_t i = size_t(aHash) & mask;
        while (mSlots[i].state != Slot::Empty)
            i = (i + 1) & mask;
        mSlots[i] = Slot{quint32(aHash >> 32), aIndex, Slot::Used};
    }

    // Sweeps out removed entries and builds the index afresh, with room for aCount entries.
    // At most half the slots are ever taken, so every probe ends soon at an empty one.
    void rebuild(size_t aCount)
    {
        std::vector<Entry> live;
        live.reserve(qMax(aCount, size_t(mCount)));
        for (size_t i = mHead; i < mEntries.size(); ++i)
            if (!mEntries[i].removed)
                live.push_back(std::move(mEntries[i]));
        mEntries.swap(live);
        mHead = 0;
        size_t size = 16;
        while (size < qMax(aCount, mEntries.size()) * 2 + 2)
            size *= 2;
        mSlots.assign(size, Slot{});
        for (size_t i = 0; i < mEntries.size(); ++i)
            place(hashOf(mEntries[i].key), quint32(i));
    }

    std::vector<Entry> mEntries;
    std::vector<Slot> mSlots;
    size_t mHead = 0;
    qsizetype mCount = 0;
    Qt::CaseSensitivity mCase;
};

using KeyedCollection = KeyedCollectionOf<QString>;
