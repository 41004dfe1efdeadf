#pragma once
#include "core/common/KeyedCollection.h"

#include <QString>
#include <QStringList>

#include <memory>

// The kinds of text a font may have to show.
enum FontClass : qint32 {
    fcAny = 0,
    fcUcs = 1,
    fcERoos = 2,
    fcRoos = 3,
    fcCyrillicCodePage = 4,
    fcCyrillicUnicode = 5,
    fcGreekCodePage = 6,
    fcGreekExtended = 7,
    fcLatin = 8,
};

// One installed font family: its face name and font signature.
class TInstalledFont {
public:
    QString Face;
    quint32 UniCover0 = 0; // Unicode subsets 0-31
    quint32 UniCover1 = 0;
    quint32 UniCover2 = 0;
    quint32 UniCover3 = 0;
    quint32 CpCover0 = 0; // code pages 0-31
    quint32 CpCover1 = 0;
    QStringList Files; // the font files of the family's faces, where the system names them

    // Whether the family suits the class (FontClass); any other value suits nothing. Classes
    // 1-3 look only at the name, classes 4-8 only at the coverage.
    bool IsAppropriateFor(qint32 aFontClass) const;
};

// The catalogue: families in order, keyed by face without regard to letter case. Catalogues made
// from one another share their families.
using TInstalledFontRef = std::shared_ptr<const TInstalledFont>;
using InstalledFontCollection = KeyedCollectionOf<TInstalledFontRef>;
