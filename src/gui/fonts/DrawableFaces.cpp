#include "gui/fonts/DrawableFaces.h"

#include "core/fonts/miFont.h"

#include <QFontDatabase>
#include <QSet>

namespace DrawableFaces {
namespace {

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

} // namespace DrawableFaces
