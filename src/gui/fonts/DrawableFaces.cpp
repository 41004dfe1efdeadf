#include "gui/fonts/DrawableFaces.h"

#include "core/fonts/miFont.h"

#include <QFontDatabase>
#include <QHash>
#include <QRawFont>
#include <QSet>

namespace DrawableFaces {
namespace {

// The first file of each face of the last catalogue registered, by the face case-folded.
QHash<QString, QString>& FaceFiles()
{
    static QHash<QString, QString> files;
    return files;
}

QSet<QString> QtFamilies()
{
    QSet<QString> families;
    for (const QString& family : QFontDatabase::families())
        families.insert(family.toCaseFolded());
    return families;
}

} // namespace

void Register(const InstalledFontCollection& aCatalogue)
{
    // Files already offered to Qt: a family Qt files under another name (its typographic
    // family, say) stays unknown by its face, and its files are not added again.
    static QSet<QString> added;
    const QSet<QString> known = QtFamilies();
    for (const TInstalledFontRef& font : aCatalogue)
        if (!font->Files.isEmpty())
            FaceFiles().insert(font->Face.toCaseFolded(), font->Files.first());
    for (const TInstalledFontRef& font : aCatalogue) {
        if (known.contains(font->Face.toCaseFolded()))
            continue;
        for (const QString& file : font->Files)
            if (!added.contains(file)) {
                added.insert(file);
                QFontDatabase::addApplicationFont(file);
            }
    }
}

void RegisterFaces(const QStringList& aFaces)
{
    const QSet<QString> known = QtFamilies();
    for (const QString& face : aFaces)
        if (!face.isEmpty() && !known.contains(face.toCaseFolded())) {
            if (const auto catalogue = miFont::GetInstalledFonts())
                Register(*catalogue);
            return;
        }
}

void ApplyFace(QFont& aFont, const QString& aFace, bool aBold, bool aItalic)
{
    aFont.setFamily(aFace);
    aFont.setStyleName(QString());
    if (aFace.isEmpty() || QtFamilies().contains(aFace.toCaseFolded()))
        return;
    const QString file = FaceFiles().value(aFace.toCaseFolded());
    if (file.isEmpty())
        return;
    const QRawFont face(file, 12.0);
    if (!face.isValid() || !QtFamilies().contains(face.familyName().toCaseFolded()))
        return;
    aFont.setFamily(face.familyName());
    if (!aBold && !aItalic)
        aFont.setStyleName(face.styleName());
}

} // namespace DrawableFaces
