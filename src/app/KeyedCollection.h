#pragma once
#include <QHash>
#include <QString>

#include <list>

// Strings in insertion order, each under a key that compares without regard to letter case
// (Unicode case folding). Adding a key that is already present is refused.
class KeyedCollection {
public:
    static QString KeyOf(const QString& aText) { return aText.toCaseFolded(); }

    bool Contains(const QString& aKey) const { return mIndex.contains(KeyOf(aKey)); }

    // False (and nothing changes) when the key is already present.
    bool Add(const QString& aValue, const QString& aKey)
    {
        const QString key = KeyOf(aKey);
        if (mIndex.contains(key))
            return false;
        mItems.push_back(aValue);
        mIndex.insert(key, std::prev(mItems.end()));
        return true;
    }
    bool Add(const QString& aValue) { return Add(aValue, aValue); }

    bool Remove(const QString& aKey)
    {
        const auto found = mIndex.find(KeyOf(aKey));
        if (found == mIndex.end())
            return false;
        mItems.erase(found.value());
        mIndex.erase(found);
        return true;
    }

    qsizetype Count() const { return qsizetype(mItems.size()); }
    bool IsEmpty() const { return mItems.empty(); }
    const QString& First() const { return mItems.front(); }
    void Clear()
    {
        mItems.clear();
        mIndex.clear();
    }

    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

private:
    std::list<QString> mItems;
    QHash<QString, std::list<QString>::iterator> mIndex;
};
