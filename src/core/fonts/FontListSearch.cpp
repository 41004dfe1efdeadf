#include "core/fonts/FontListSearch.h"

#include "core/fonts/miCommon.h"

FaceSearchResult SearchFaceNames(const QStringList& aItems, const QString& aText)
{
    const QString wanted = aText.toLower();
    QStringList lowered;
    lowered.reserve(aItems.size());
    for (const QString& item : aItems)
        lowered << item.toLower();
    for (int i = 0; i < lowered.size(); ++i)
        if (lowered.at(i) == wanted)
            return {i, i};

    // k only grows, so a later item wins only with a longer common prefix.
    int best = -1;
    qsizetype k = 1;
    for (int i = 0; i < lowered.size(); ++i) {
        const QString& item = lowered.at(i);
        while (k <= item.size() && k <= wanted.size() && item.at(k - 1) == wanted.at(k - 1)
               && QStringView(item).left(k) == QStringView(wanted).left(k)) {
            best = i;
            ++k;
        }
    }
    return {-1, best};
}

int SearchSizeItems(const QStringList& aItems, double aValue)
{
    for (int i = 0; i < aItems.size(); ++i)
        if (miCommon::GetDoubleOrDefault(aItems.at(i), 0) == aValue)
            return i;
    return -1;
}
