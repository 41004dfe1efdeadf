#include "core/runner/miKezConverterRunner.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/TLuKezOptions.h"
#include "platform/ExecutableSearch.h"
#include "platform/HandOverLock.h"
#include "platform/Services.h"

#include <cstring>

using mErrorHandling::PassOn;

namespace miKezConverterRunner {
namespace {

constexpr const char* kModule = "miKezConverterRunner";

platform::ClipFormat gExternalCBFormat = 0;

QString PathTooLongMessage(bool aSource)
{
    return (aSource ? QStringLiteral("Путь к исходному файлу длиннее %1 символов; такой путь нельзя передать конвертеру.")
                    : QStringLiteral("Путь к выходному файлу длиннее %1 символов; такой путь нельзя передать конвертеру."))
        .arg(ExternalData::kMaxPathUnits);
}

// The reply is copied while the clipboard is still open, so that nobody can empty it between
// fetching the object and reading it. Returns 1 on success, 0 when there is no object, -1 when
// the object cannot be read.
int ReadReplyFromClipboard(ExternalRecord& aRecord)
{
    platform::Clipboard& clipboard = platform::service<platform::Clipboard>();
    const platform::ClipFormat format = GetExternalCBFormat();
    if (format == 0 || !clipboard.open(0))
        return 0;
    int outcome = 0;
    if (const platform::HGlobal handle = clipboard.getData(format))
        outcome = LoadExternalFromHGlobal(handle, aRecord) ? 1 : -1;
    clipboard.close();
    return outcome;
}

} // namespace

bool RunConverter(TLuKezOptions& aOptions, const QString& aSourceFile, const QString& aOutputFile, quintptr aOwner,
                  qint32& aResultCode, QString& aMessage, const ConverterWaiter& aWaiter,
                  const QString& aCommandLine, QString* aRemark)
{
    return PassOn(kModule, "RunConverter", [&] {
        if (aSourceFile.size() > ExternalData::kMaxPathUnits || aOutputFile.size() > ExternalData::kMaxPathUnits) {
            aResultCode = kPathTooLong;
            aMessage = PathTooLongMessage(aSourceFile.size() > ExternalData::kMaxPathUnits);
            return false;
        }

        // Place, start, wait and read as one turn per user: another instance's request or reply
        // cannot come in between. A turn the caller already took (waiting for it with its events
        // flowing) is this one, given back at the end. Without a turn nothing is placed.
        const platform::HandOverGuard turn(platform::service<platform::HandOverLock>());
        if (!turn.held()) {
            aResultCode = ConverterCodes::kClipboardPlaceFailed;
            aMessage = QStringLiteral("Ошибка помещения параметров в буфер обмена.");
            return false;
        }
        const platform::HGlobal handle = MakeExternalHGlobalObject(aOptions, aSourceFile, aOutputFile);
        if (handle == 0) {
            aResultCode = ConverterCodes::kGlobalAllocFailed;
            aMessage = QStringLiteral("Ошибка выделения Global-памяти.");
            return false;
        }
        if (!CopyHGlobalToClipboard(handle, aOwner)) {
            platform::service<platform::GlobalMemory>().free(handle);
            aResultCode = ConverterCodes::kClipboardPlaceFailed;
            aMessage = QStringLiteral("Ошибка помещения параметров в буфер обмена.");
            return false;
        }

        // A failure to start is expected here and becomes a result, not a report.
        bool launchFailed = false;
        bool ended = false;
        QString launchFailure;
        try {
            ExecuteShellCommand(aCommandLine, aWaiter, &ended);
        } catch (...) {
            launchFailed = true;
            launchFailure = mErrorHandling::CurrentFailure().description();
        }
        if (launchFailed) {
            aResultCode = ConverterCodes::kLaunchFailed;
            aMessage = QStringLiteral("Ошибка запуска %1: ").arg(QString::fromUtf8(platform::converterFileName())) + launchFailure;
            return false;
        }

        // Whatever an ended converter left on the clipboard is no reply.
        if (ended) {
            aResultCode = ExternalData::kNotConfirmed;
            aMessage = QStringLiteral("Нет подтверждения, что конвертер отработал.");
            return false;
        }

        ExternalRecord record{};
        const int read = ReadReplyFromClipboard(record);
        if (read == 0) {
            aResultCode = ConverterCodes::kReplyUnreadable;
            aMessage = QStringLiteral("Ошибка получения результатов конвертации из буфера обмена.");
            return false;
        }
        if (read < 0) {
            aResultCode = ConverterCodes::kReplyUnreadable;
            aMessage = QStringLiteral("Ошибка получения результатов конвертации.");
            return false;
        }

        aResultCode = ExternalData::ReadInt32(record.data(), ExternalData::Offset::ResultCode);
        if (aResultCode == ExternalData::kNotConfirmed) {
            aMessage = QStringLiteral("Нет подтверждения, что конвертер отработал.");
            return false;
        }
        const QString message = LoadPascalStringToString(record.data() + ExternalData::Offset::ResultMessage,
                                                         ExternalData::kMessageCapacity);
        if (aResultCode < ExternalData::kNotConfirmed) {
            aMessage = message;
            return false;
        }
        // What the converter noticed on the way (mark-up errors, bytes replaced).
        if (aRemark)
            *aRemark = message;
        return true;
    });
}

void SplitToPathFilebaseAndFileExt(const QString& aFull, QString& aFolder, QString& aBase, QString& aExt,
                                   QChar aSeparator)
{
    PassOn(kModule, "SplitToPathFilebaseAndFileExt", [&] {
        const qsizetype separator = aFull.lastIndexOf(aSeparator);
        aFolder = separator < 0 ? QString() : aFull.left(separator + 1);
        const QString name = separator < 0 ? aFull : aFull.mid(separator + 1);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        // A dot at the very start names a hidden file, not an extension.
        if (dot >= 1) {
            aBase = name.left(dot);
            aExt = name.mid(dot + 1);
        } else {
            aBase = name;
            aExt.clear();
        }
    });
}

platform::HGlobal MakeExternalHGlobalObject(TLuKezOptions& aOptions, const QString& aSourceFile,
                                            const QString& aOutputFile)
{
    return PassOn(kModule, "MakeExternalHGlobalObject", [&]() -> platform::HGlobal {
        ExternalRecord record{};
        SaveAllToExternal(record.data(), aOptions, aSourceFile, aOutputFile);

        platform::GlobalMemory& memory = platform::service<platform::GlobalMemory>();
        const platform::HGlobal handle =
            memory.alloc(platform::GlobalFlags::Moveable | platform::GlobalFlags::ZeroInit, record.size());
        if (handle == 0)
            return 0;
        void* target = memory.lock(handle);
        if (!target) {
            memory.free(handle);
            return 0;
        }
        std::memcpy(target, record.data(), record.size());
        memory.unlock(handle);
        return handle;
    });
}

bool CopyHGlobalToClipboard(platform::HGlobal aHandle, quintptr aOwner)
{
    return PassOn(kModule, "CopyHGlobalToClipboard", [&] {
        // Without a format there is nothing to place: leave the user's clipboard as it is.
        const platform::ClipFormat format = GetExternalCBFormat();
        if (format == 0)
            return false;
        platform::Clipboard& clipboard = platform::service<platform::Clipboard>();
        if (!clipboard.open(aOwner))
            return false;
        clipboard.empty();
        const bool placed = clipboard.setData(format, aHandle);
        clipboard.close();
        return placed;
    });
}

platform::HGlobal PasteHGlobalFromClipboard()
{
    return PassOn(kModule, "PasteHGlobalFromClipboard", []() -> platform::HGlobal {
        const platform::ClipFormat format = GetExternalCBFormat();
        platform::Clipboard& clipboard = platform::service<platform::Clipboard>();
        if (format == 0 || !clipboard.open(0))
            return 0;
        const platform::HGlobal handle = clipboard.getData(format);
        clipboard.close();
        return handle;
    });
}

bool LoadExternalFromHGlobal(platform::HGlobal aHandle, ExternalRecord& aRecord)
{
    return PassOn(kModule, "LoadExternalFromHGlobal", [&] {
        aRecord.fill(0);
        platform::GlobalMemory& memory = platform::service<platform::GlobalMemory>();
        // A short object is a damaged reply; reading a whole record from it would run past its end.
        if (aHandle == 0 || memory.size(aHandle) < aRecord.size())
            return false;
        const void* source = memory.lock(aHandle);
        if (!source)
            return false;
        std::memcpy(aRecord.data(), source, aRecord.size());
        memory.unlock(aHandle);
        return true;
    });
}

qint32 ExecuteShellCommand(const QString& aCommandLine, const ConverterWaiter& aWaiter, bool* aWasEnded)
{
    return PassOn(kModule, "ExecuteShellCommand", [&]() -> qint32 {
        if (aWasEnded)
            *aWasEnded = false;
        ConverterProcess converter;
        converter.Start(aCommandLine);
        if (aWaiter)
            aWaiter(converter);
        else
            converter.WaitFor(platform::kInfinite);
        if (aWasEnded)
            *aWasEnded = converter.WasEnded();
        return converter.Finish();
    });
}

platform::ClipFormat GetExternalCBFormat()
{
    return PassOn(kModule, "GetExternalCBFormat", [] {
        if (gExternalCBFormat == 0)
            gExternalCBFormat = platform::service<platform::Clipboard>().registerFormat(kExternalFormatName);
        return gExternalCBFormat;
    });
}

void ForgetExternalCBFormat() { gExternalCBFormat = 0; }

} // namespace miKezConverterRunner
