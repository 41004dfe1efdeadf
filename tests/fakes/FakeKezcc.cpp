// A scripted stand-in for kezcc, for tests: it reads the request from the clipboard like the real
// one, and the name of the source file it is given says how to answer. Words in the file name:
//   reply<N>    reply with result code N (e.g. reply12, reply-7); a negative code carries "x"
//   noreply     put the request back unchanged (its result code stays -1)
//   untouched   read the request and leave without touching the clipboard
//   wipe        empty the clipboard and leave
//   short       reply with an object of 100 bytes instead of a whole record
//   negcount    reply with code -5 and a message whose count is negative
//   echo        write the request record, byte for byte, into the output file; reply 0
//   sleep<N>    sleep N milliseconds first, then carry on as the other words say
//   hang        never end: shrug off SIGTERM (noting it in the log below) and sleep for ever
//   exit<N>     end with exit code N after replying
//   remark      convert, replying 0 with the remark "Ошибок разметки: 2"
// With none of the reply words it writes a small RTF file to the output path and replies 0.
// When KEZ_FAKE_LOG names a file, each run appends its source path to it (one UTF-8 line), and a
// hung one "pid <N>" and, for each SIGTERM it shrugs off, "SIGTERM".
#include "protocol/ExternalDataLayout.h"
#include "core/runner/PascalString.h"

#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

using namespace platform;
using namespace ExternalData;

std::optional<int> numberAfter(const QString& aName, const QString& aWord)
{
    const QRegularExpression pattern(QRegularExpression::escape(aWord) + QStringLiteral("(-?\\d+)"));
    const auto match = pattern.match(aName);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

bool openClipboard(Clipboard& aClipboard)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (aClipboard.open(0))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool place(Clipboard& aClipboard, ClipFormat aFormat, const QByteArray& aBytes)
{
    GlobalMemory& memory = service<GlobalMemory>();
    const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, std::size_t(aBytes.size()));
    void* target = handle ? memory.lock(handle) : nullptr;
    if (!target)
        return false;
    std::memcpy(target, aBytes.constData(), std::size_t(aBytes.size()));
    memory.unlock(handle);
    aClipboard.empty();
    if (aClipboard.setData(aFormat, handle))
        return true;
    memory.free(handle);
    return false;
}

QString pathAt(const QByteArray& aRecord, qint32 aOffset)
{
    const auto* field = reinterpret_cast<const uchar*>(aRecord.constData()) + aOffset;
    if (!IsWellFormedCountedString(field, kPathCapacity))
        return {};
    return miKezConverterRunner::LoadPascalStringToString(field, kPathCapacity);
}

int gLogFd = -1;

extern "C" void noteEndRequest(int)
{
    static const char kLine[] = "SIGTERM\n";
    [[maybe_unused]] const ssize_t written = ::write(gLogFd, kLine, sizeof kLine - 1);
}

// A converter that does not end, not even when asked to.
[[noreturn]] void hang(const QByteArray& aLog)
{
    gLogFd = aLog.isEmpty() ? -1 : ::open(aLog.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    struct sigaction action {};
    action.sa_handler = noteEndRequest;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    const QByteArray line = "pid " + QByteArray::number(qint64(::getpid())) + '\n';
    [[maybe_unused]] const ssize_t written = ::write(gLogFd, line.constData(), size_t(line.size()));
    while (true)
        ::pause();
}

bool writeFile(const QString& aPath, const QByteArray& aBytes)
{
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(aBytes) == aBytes.size();
}

} // namespace

int main()
{
    Clipboard& clipboard = service<Clipboard>();
    const ClipFormat format = clipboard.registerFormat(ConverterCodes::kFormatName);
    if (format == 0 || !openClipboard(clipboard))
        return 2;
    QByteArray request;
    if (const HGlobal handle = clipboard.getData(format)) {
        GlobalMemory& memory = service<GlobalMemory>();
        const std::size_t size = memory.size(handle);
        if (const void* bytes = size ? memory.lock(handle) : nullptr) {
            request = QByteArray(static_cast<const char*>(bytes), qsizetype(size));
            memory.unlock(handle);
        }
    }
    clipboard.close();
    if (request.size() < kRecordSize)
        return 2;

    const QString source = pathAt(request, Offset::SourcePath);
    const QString output = pathAt(request, Offset::OutputPath);
    const QString name = source.mid(qMax(source.lastIndexOf(QLatin1Char('/')), source.lastIndexOf(QLatin1Char('\\'))) + 1);
    if (const QByteArray log = qgetenv("KEZ_FAKE_LOG"); !log.isEmpty()) {
        QFile file(QString::fromLocal8Bit(log));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(source.toUtf8() + '\n');
    }

    if (name.contains(QStringLiteral("hang")))
        hang(qgetenv("KEZ_FAKE_LOG"));
    if (const auto pause = numberAfter(name, QStringLiteral("sleep")))
        std::this_thread::sleep_for(std::chrono::milliseconds(*pause));
    const int exitCode = numberAfter(name, QStringLiteral("exit")).value_or(0);
    if (name.contains(QStringLiteral("untouched")))
        return exitCode;

    QByteArray reply = request.left(kRecordSize);
    auto* record = reinterpret_cast<uchar*>(reply.data());
    const auto answer = [&](qint32 aCode, const QString& aMessage) {
        WriteInt32(record, Offset::ResultCode, aCode);
        std::memset(record + Offset::ResultMessage, 0, kMessageCapacity);
        miKezConverterRunner::SaveStringToPascalString(record + Offset::ResultMessage, aMessage, kMessageCapacity);
    };

    if (name.contains(QStringLiteral("wipe"))) {
        if (openClipboard(clipboard)) {
            clipboard.empty();
            clipboard.close();
        }
        return exitCode;
    }
    if (name.contains(QStringLiteral("noreply"))) {
        // Unchanged: the result code is still the -1 the program put there.
    } else if (name.contains(QStringLiteral("short"))) {
        answer(0, {});
        reply.truncate(100);
    } else if (name.contains(QStringLiteral("negcount"))) {
        answer(-5, {});
        WriteInt32(record, Offset::ResultMessage, -3);
    } else if (name.contains(QStringLiteral("echo"))) {
        if (writeFile(output, request))
            answer(0, {});
        else
            answer(-5, QStringLiteral("Не удалось записать выходной файл."));
    } else if (name.contains(QStringLiteral("remark"))) {
        if (writeFile(output, QByteArrayLiteral("{\\rtf1\\ansi fake\\par}\n")))
            answer(0, QStringLiteral("Ошибок разметки: 2"));
        else
            answer(-5, QStringLiteral("Не удалось записать выходной файл."));
    } else if (const auto code = numberAfter(name, QStringLiteral("reply"))) {
        answer(*code, *code < 0 ? QStringLiteral("x") : QString());
    } else if (writeFile(output, QByteArrayLiteral("{\\rtf1\\ansi fake\\par}\n"))) {
        answer(0, {});
    } else {
        answer(-5, QStringLiteral("Не удалось записать выходной файл."));
    }

    if (!openClipboard(clipboard))
        return 2;
    place(clipboard, format, reply);
    clipboard.close();
    return exitCode;
}
