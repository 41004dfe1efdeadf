#include "core/run/CommandLinePaths.h"
#include "platform/FileNameCodec.h"
#include "platform/SystemErrorText.h"

#include <QDir>

#include <filesystem>
#include <system_error>

namespace CommandLineFiles {
namespace {

QString decoded(std::string_view aBytes) { return QString::fromStdU16String(platform::decodeFileName(aBytes)); }

// The current folder as a path; empty when it cannot be had (relative paths then stay relative).
QString currentFolder()
{
    std::error_code failure;
    const std::string current = std::filesystem::current_path(failure).native();
    return failure ? QString() : decoded(current);
}

} // namespace

QString PathOf(std::string_view aBytes)
{
    const QString path = decoded(aBytes);
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    const QString current = currentFolder();
    return QDir::cleanPath(current.isEmpty() ? path : current + QLatin1Char('/') + path);
}

QStringList PathsOf(int aArgc, const char* const* aArgv)
{
    QStringList paths;
    for (int i = 1; i < aArgc; ++i)
        paths.append(PathOf(aArgv[i]));
    return paths;
}

int WhyMissing(const QString& aPath)
{
    std::error_code failure;
    const auto status = std::filesystem::status(platform::encodeFileName(aPath.toStdU16String()), failure);
    if (std::filesystem::exists(status))
        return 0;
    return failure ? failure.value() : int(std::errc::no_such_file_or_directory);
}

QString NotAddedMessage(const QString& aPath, int aWhy)
{
    return NotAddedMessage(aPath, QString::fromStdString(platform::systemErrorText(aWhy)));
}

QString NotAddedMessage(const QString& aPath, const QString& aReason)
{
    return QStringLiteral("Не удалось добавить в список: ") + aPath + QStringLiteral("\r\n") + aReason;
}

} // namespace CommandLineFiles
