#include "core/fonts/miFont.h"

#include "core/errors/mErrorHandling.h"
#include "platform/FontEnumeration.h"
#include "platform/Services.h"

#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

using mErrorHandling::TopLevel;

namespace miFont {
namespace {

constexpr const char* kModule = "miFont";

QString faceOf(const std::string& aName)
{
    QString face = QString::fromUtf8(aName);
    if (face.size() > kMaxFaceLength) {
        qsizetype length = kMaxFaceLength;
        if (face.at(length - 1).isHighSurrogate())
            --length; // never half a character
        face.truncate(length);
    }
    return face;
}

// The families taken so far, by case-folded face: later entries of a family add their files.
using FamilyByFace = QHash<QString, std::shared_ptr<TInstalledFont>>;

// One entry of the enumeration into the working catalogue; false when it adds no family.
bool addEntry(InstalledFontCollection& aList, FamilyByFace& aFamilies, const platform::EnumeratedFont& aEntry)
{
    if (!aEntry.trueType)
        return false;
    const QString face = faceOf(aEntry.face);
    if (face.isEmpty())
        return false;
    const QString file = QString::fromUtf8(aEntry.file);
    if (const auto known = aFamilies.constFind(face.toCaseFolded()); known != aFamilies.constEnd()) {
        if (!file.isEmpty() && !(*known)->Files.contains(file))
            (*known)->Files << file;
        return false;
    }
    auto font = std::make_shared<TInstalledFont>();
    font->Face = face;
    font->UniCover0 = aEntry.signature.unicodeSubsets[0];
    font->UniCover1 = aEntry.signature.unicodeSubsets[1];
    font->UniCover2 = aEntry.signature.unicodeSubsets[2];
    font->UniCover3 = aEntry.signature.unicodeSubsets[3];
    font->CpCover0 = aEntry.signature.codePages[0];
    font->CpCover1 = aEntry.signature.codePages[1];
    if (!file.isEmpty())
        font->Files << file;
    if (!aList.Add(font, face))
        return false;
    aFamilies.insert(face.toCaseFolded(), font);
    return true;
}

bool codeUnitsLess(const QString& aFirst, const QString& aSecond)
{
    return std::lexicographical_compare(aFirst.utf16(), aFirst.utf16() + aFirst.size(), aSecond.utf16(),
                                        aSecond.utf16() + aSecond.size());
}

} // namespace

std::unique_ptr<InstalledFontCollection> GetInstalledFonts()
{
    return TopLevel(kModule, "GetInstalledFonts", [&]() -> std::unique_ptr<InstalledFontCollection> {
        const std::vector<platform::EnumeratedFont> entries = platform::service<platform::FontEnumeration>().enumerate();
        InstalledFontCollection working(Qt::CaseInsensitive);
        working.Reserve(qsizetype(entries.size()));
        FamilyByFace families;
        for (const platform::EnumeratedFont& entry : entries) {
            try {
                addEntry(working, families, entry);
            } catch (...) {
                // An entry that cannot be taken is skipped; the others still count.
            }
        }
        return SortFontList(working);
    });
}

std::unique_ptr<InstalledFontCollection> SortFontList(const InstalledFontCollection& aList)
{
    return TopLevel(kModule, "SortFontList", [&]() -> std::unique_ptr<InstalledFontCollection> {
        std::vector<std::pair<QString, TInstalledFontRef>> named;
        named.reserve(size_t(aList.Count()));
        for (const TInstalledFontRef& font : aList)
            named.emplace_back(font->Face.toLower(), font);
        std::stable_sort(named.begin(), named.end(),
                         [](const auto& aFirst, const auto& aSecond) { return codeUnitsLess(aFirst.first, aSecond.first); });
        auto sorted = std::make_unique<InstalledFontCollection>(Qt::CaseInsensitive);
        sorted->Reserve(qsizetype(named.size()));
        for (auto& [name, font] : named)
            sorted->Add(font, font->Face);
        return sorted;
    });
}

} // namespace miFont
