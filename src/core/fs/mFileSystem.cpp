#include "core/fs/mFileSystem.h"
#include "core/errors/KezError.h"
#include "core/errors/mErrorHandling.h"
#include "core/fs/VectorOfStrings.h"
#include "platform/ExecutableSearch.h"
#include "platform/Services.h"

#include <set>
#include <string_view>
#include <unordered_set>
#include <vector>

using mErrorHandling::PassOn;

namespace mFileSystem {
namespace {

constexpr const char* kModule = "mFileSystem";

bool isAscii(std::u16string_view aText)
{
    for (const char16_t c : aText)
        if (c >= 0x80)
            return false;
    return true;
}

char asciiLower(char16_t c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : char(c); }

QString toQString(std::u16string_view aText) { return QString::fromUtf16(aText.data(), qsizetype(aText.size())); }

// "*" any run, "?" exactly one element; the sequences are already folded to one letter case.
template <class Name, class Mask, class Fold>
bool wildcardMatch(const Name& aName, qsizetype aNameLength, const Mask& aMask, qsizetype aMaskLength, Fold aFold)
{
    qsizetype n = 0;
    qsizetype m = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < aNameLength) {
        if (m < aMaskLength && aMask[m] == '*') {
            star = m++;
            resume = n;
        } else if (m < aMaskLength && (aMask[m] == '?' || aMask[m] == aFold(aName[n]))) {
            ++m;
            ++n;
        } else if (star >= 0) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < aMaskLength && aMask[m] == '*')
        ++m;
    return m == aMaskLength;
}

class CompiledMask {
public:
    explicit CompiledMask(const QString& aMask)
        : mFolded(aMask.toCaseFolded().toUcs4())
    {
        bool ascii = true;
        for (const QChar c : aMask)
            ascii = ascii && c.unicode() < 0x80;
        mAscii = ascii;
        if (ascii)
            for (const QChar c : aMask)
                mAsciiLower.push_back(asciiLower(char(c.unicode())));
    }

    bool Matches(std::u16string_view aName) const
    {
        if (mAscii && isAscii(aName))
            return wildcardMatch(aName, qsizetype(aName.size()), mAsciiLower, qsizetype(mAsciiLower.size()),
                                 asciiLower);
        return Matches(toQString(aName));
    }

    bool Matches(const QString& aName) const
    {
        // Whole characters, so that "?" takes one letter however it is encoded.
        const QList<uint> name = aName.toCaseFolded().toUcs4();
        return wildcardMatch(name, name.size(), mFolded, mFolded.size(), [](uint c) { return c; });
    }

private:
    QList<uint> mFolded;
    std::string mAsciiLower;
    bool mAscii = false;
};

[[noreturn]] void raiseFolderError(const QString& aFolder, const platform::FindFailure& aFailure)
{
    const QString reason = QString::fromStdString(aFailure.description);
    if (aFailure.accessDenied)
        mErrorHandling::RaiseError(KezErrorNumber::PermissionDenied,
                                   QStringLiteral("Нет доступа к папке \"%1\": %2.").arg(aFolder, reason));
    mErrorHandling::RaiseError(KezErrorNumber::PathFileAccessError,
                               QStringLiteral("Не удалось прочитать папку \"%1\": %2.").arg(aFolder, reason));
}

// False when the folder does not exist (or is no folder); when it cannot be read, fails or, given
// aUnreadable, notes it there and gives false.
bool readFolder(const QString& aFolder, platform::FolderListing& aListing, QList<UnreadableFolder>* aUnreadable)
{
    platform::FindFailure failure;
    switch (platform::findFirst(aFolder.toStdU16String(), platform::FindInfo::Basic, aListing, failure)) {
    case platform::FindStatus::Found:
        return true;
    case platform::FindStatus::NoFolder:
        return false;
    case platform::FindStatus::Failed:
        break;
    }
    if (!aUnreadable)
        raiseFolderError(aFolder, failure);
    aUnreadable->append({aFolder, QString::fromStdString(failure.description)});
    return false;
}

bool passesAttributes(quint32 aEntry, quint32 aWanted)
{
    if ((aEntry & Attribute::Hidden) && !(aWanted & Attribute::Hidden))
        return false;
    if ((aEntry & Attribute::System) && !(aWanted & Attribute::System))
        return false;
    if ((aEntry & Attribute::Directory) && !(aWanted & Attribute::Directory))
        return false;
    return true;
}

// Below this many paths in one folder, a question per path costs less than listing the folder.
constexpr qsizetype kPathsWorthAListing = 32;

qsizetype nameStart(const QString& aPath, QChar aSeparator)
{
    qsizetype at = aPath.lastIndexOf(aSeparator);
    if (aSeparator != QLatin1Char('/'))
        at = qMax(at, aPath.lastIndexOf(QLatin1Char('/')));
    return at + 1;
}

} // namespace

QString PathMerge(const QString& aFolder, const QString& aName, QChar aSeparator)
{
    return PassOn(kModule, "PathMerge", [&] {
        if (aFolder.isEmpty())
            return aName;
        if (!aName.startsWith(aSeparator) && !aFolder.endsWith(aSeparator))
            return aFolder + aSeparator + aName;
        return aFolder + aName;
    });
}

QString PathMerge(const QString& aFolder, const QString& aName)
{
    return PathMerge(aFolder, aName, QLatin1Char(platform::pathSeparator()));
}

Qt::CaseSensitivity FileNameCase() { return platform::fileNamesIgnoreCase() ? Qt::CaseInsensitive : Qt::CaseSensitive; }

bool IsFolderName(const QString& aPath)
{
    return PassOn(kModule, "IsFolderName", [&] { return platform::isFolderName(aPath.toStdU16String()); });
}

QList<bool> AreFolderNames(const QStringList& aPaths)
{
    return PassOn(kModule, "AreFolderNames", [&] {
        QList<bool> folders(aPaths.size(), false);
        const QChar separator = QLatin1Char(platform::pathSeparator());
        // Runs of paths in one folder, as a file manager's drop gives them.
        qsizetype runStart = 0;
        while (runStart < aPaths.size()) {
            const qsizetype cut = nameStart(aPaths[runStart], separator);
            const QStringView parent = QStringView(aPaths[runStart]).left(cut);
            qsizetype runEnd = runStart + 1;
            while (runEnd < aPaths.size() && nameStart(aPaths[runEnd], separator) == cut &&
                   QStringView(aPaths[runEnd]).left(cut) == parent)
                ++runEnd;

            // A listing names every entry of the folder, links followed: a name it does not show
            // as a folder is none, whether a file, something else or nothing at all.
            platform::FolderListing listing;
            platform::FindFailure failure;
            // Where names are compared without regard to case, a listing's spelling may differ.
            const bool listed = runEnd - runStart >= kPathsWorthAListing && cut > 0 && !platform::fileNamesIgnoreCase() &&
                                platform::service<platform::FolderSearch>().list(
                                    parent.toString().toStdU16String(), platform::FindInfo::Basic,
                                    platform::FindScope::FoldersOnly, listing, failure) == platform::FindStatus::Found;
            std::unordered_set<std::u16string_view> subfolders;
            for (std::size_t i = 0; i < listing.count(); ++i)
                subfolders.insert(listing.name(i));
            for (qsizetype i = runStart; i < runEnd; ++i) {
                const QString& path = aPaths[i];
                if (!listed)
                    folders[i] = platform::isFolderName(path.toStdU16String());
                else if (!subfolders.empty())
                    folders[i] = subfolders.contains(std::u16string_view(
                        reinterpret_cast<const char16_t*>(path.constData()) + cut, std::size_t(path.size() - cut)));
            }
            runStart = runEnd;
        }
        return folders;
    });
}

bool MatchesMask(const QString& aName, const QString& aMask) { return CompiledMask(aMask).Matches(aName); }

QStringList CollectFileNamesInFolder(const QString& aFolder, const QString& aMasks, bool aRecursive,
                                     quint32 aAttributes, QList<UnreadableFolder>* aUnreadable)
{
    return PassOn(kModule, "CollectFileNamesInFolder", [&] {
        QStringList result;
        std::vector<CompiledMask> masks;
        for (const QString& mask : aMasks.split(QLatin1Char(';')))
            masks.emplace_back(mask);

        VectorOfStrings queue;
        queue.Add(aFolder);
        // A link back up the tree must not send the scan round for ever.
        std::set<platform::FolderIdentity> visited;
        platform::FolderListing listing;

        for (qint32 next = 0; next < queue.Count(); ++next) {
            const QString folder = queue.Items(next);
            if (!readFolder(folder, listing, aUnreadable))
                continue;
            if (listing.identity() != platform::FolderIdentity{} && !visited.insert(listing.identity()).second)
                continue;

            for (const CompiledMask& mask : masks)
                for (std::size_t i = 0; i < listing.count(); ++i)
                    if (passesAttributes(listing.attributes(i), aAttributes) && mask.Matches(listing.name(i)))
                        result.append(PathMerge(folder, toQString(listing.name(i))));

            if (!aRecursive)
                continue;
            // Folder discovery uses the directory attribute alone: hidden and system folders stay closed.
            for (std::size_t i = 0; i < listing.count(); ++i) {
                const quint32 attributes = listing.attributes(i);
                if ((attributes & Attribute::Directory) && !(attributes & (Attribute::Hidden | Attribute::System)))
                    queue.Add(PathMerge(folder, toQString(listing.name(i))));
            }
        }
        return result;
    });
}

} // namespace mFileSystem
