#pragma once
#include <QStringList>

// Where a typed face name leads in the face list.
struct FaceSearchResult {
    int Selected = -1; // the item equal to the text without regard to case, or -1
    int Top = -1; // the item to scroll to the top, or -1 to leave the list where it is
};

// The exact pass first; without a match, the first item sharing the longest common prefix (at
// least one character, compared lower-cased) goes to the top, unselected.
FaceSearchResult SearchFaceNames(const QStringList& aItems, const QString& aText);

// The first item whose number equals the value, or -1.
int SearchSizeItems(const QStringList& aItems, double aValue);
