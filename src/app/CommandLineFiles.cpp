#include "app/CommandLineFiles.h"
#include "app/BrowserForm.h"
#include "errors/mErrorHandling.h"
#include "platform/FileNameCodec.h"
#include "platform/SystemErrorText.h"

#include <QDir>

#include <filesystem>
#include <system_error>

using mErrorHandling::TopLevel;

namespace CommandLineFiles {
namespace {

constexpr const char* kModule = "CommandLineFiles";

QString decoded(std::string_view aBytes) { return QString::fromStdU16String(platform::decodeFileName(aBytes)); }

// 0 when the path names an existing file or folder (links followed), else the system's reason.
int whyMissing(const QString& aPath)
{
    std::error_code failure;
    const auto status = std::filesystem::status(platform::encodeFileName(aPath.toStdU16String()), failure);
    if (std::filesystem::exists(status))
        return 0;
    return failure ? failure.value() : int(std::errc::no_such_file_or_directory);
}

} // namespace

QStringList PathsOf(int aArgc, const char* const* aArgv)
{
    QStringList paths;
    if (aArgc < 2)
        return paths;
    std::error_code failure;
    const std::string current = std::filesystem::current_path(failure).native();
    for (int i = 1; i < aArgc; ++i) {
        const QString path = decoded(aArgv[i]);
        paths.append(path.startsWith(QLatin1Char('/')) || failure
                         ? QDir::cleanPath(path)
                         : QDir::cleanPath(decoded(current) + QLatin1Char('/') + path));
    }
    return paths;
}

void Open(BrowserForm& aForm, const QStringList& aPaths)
{
    TopLevel(kModule, "Open", [&] {
        QStringList existing;
        for (const QString& path : aPaths) {
            if (const int why = whyMissing(path))
                aForm.AddMessage(QStringLiteral("Не удалось добавить в список: ") + path + QStringLiteral("\r\n") +
                                 QString::fromStdString(platform::systemErrorText(why)));
            else
                existing.append(path);
        }
        if (!existing.isEmpty())
            aForm.AddDroppedPaths(existing);
    });
}

} // namespace CommandLineFiles
