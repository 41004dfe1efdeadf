#pragma once
#include <QList>
#include <QString>

// A growable array of strings with amortised appends. The folder scan uses it as its queue of
// folders still to be listed. The storage always has one slot more than the capacity, and the
// capacity runs 16, 32, 64, ... from the first Add or Insert on.
// Failures (an index outside the storage, a count past the 32-bit range) are raised to the caller.
class VectorOfStrings {
public:
    qint32 Count() const { return mCount; }
    qint32 Capacity() const { return mCapacity; }

    // Any index inside the storage is accepted; slots at or above Count hold empty or stale strings.
    const QString& Items(qint32 aIndex) const;
    void SetItems(qint32 aIndex, const QString& aValue);

    void Add(const QString& aValue);
    // The value gets index aInsertBeforeIndex; a negative index counts as 0, one past the end appends.
    void Insert(qint32 aInsertBeforeIndex, const QString& aValue);
    // Back to the initial 16 empty slots.
    void Clear();
    // Count becomes 0; storage, capacity and the old strings stay.
    void BeEmpty();
    // First index whose item equals aValue (exactly, or as keys: blanks trimmed, lower case); −1 if none.
    qint32 IndexOf(const QString& aValue, bool aCompareAsKeys) const;

private:
    friend struct VectorOfStringsTestAccess;

    void GrowByOne();
    void CheckIndex(qint32 aIndex) const;
    static QString MakeCompareKey(const QString& aValue);

    QList<QString> mItems;
    qint32 mCount = 0;
    qint32 mCapacity = 0;
};
