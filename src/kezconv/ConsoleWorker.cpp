#include "kezconv/ConsoleWorker.h"
#include "app/BatchRun.h"
#include "app/ConversionOptions.h"
#include "errors/mErrorHandling.h"
#include "kezconv/WorkerChannel.h"
#include "options/TLuKezOptions.h"
#include "platform/EndRequests.h"
#include "platform/Services.h"
#include "runner/miKezConverterRunner.h"

#include <QDir>
#include <QElapsedTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <unistd.h>

namespace {

std::atomic<bool> gEndAsked{false};
// kezconv, which started this worker. A worker whose kezconv has gone (killed) ends its converter
// and cleans up like one asked to end.
pid_t gKezconv = 0;

bool endAsked() { return gEndAsked || ::getppid() != gKezconv; }

// Reads exactly aCount bytes; false at the end of the input.
bool readExactly(char* aData, size_t aCount)
{
    while (aCount > 0) {
        const ssize_t got = ::read(STDIN_FILENO, aData, aCount);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        aData += got;
        aCount -= size_t(got);
    }
    return true;
}

bool writeAll(const QByteArray& aBytes)
{
    const char* data = aBytes.constData();
    size_t left = size_t(aBytes.size());
    while (left > 0) {
        const ssize_t put = ::write(STDOUT_FILENO, data, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        left -= size_t(put);
    }
    return true;
}

std::optional<WorkerChannel::Request> nextRequest()
{
    QByteArray buffer(4, '\0');
    if (!readExactly(buffer.data(), 4))
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    buffer.resize(4 + qsizetype(length));
    if (!readExactly(buffer.data() + 4, length))
        return std::nullopt;
    return WorkerChannel::TakeRequest(buffer);
}

// Waits for the converter in short steps, so that a request to end is seen while it works.
void waitHeedingEndRequests(const std::function<bool(std::uint32_t)>& aWaitFor)
{
    using miKezConverterRunner::EndHow;
    constexpr std::uint32_t kStepMs = 50;
    QElapsedTimer ending;
    bool endedNow = false;
    while (!aWaitFor(kStepMs)) {
        if (!endAsked())
            continue;
        if (!ending.isValid()) {
            if (miKezConverterRunner::EndRunningConverter(EndHow::Politely))
                ending.start();
        } else if (!endedNow && ending.elapsed() >= BatchRun::kEndGraceMs) {
            endedNow = miKezConverterRunner::EndRunningConverter(EndHow::Now);
        }
    }
}

WorkerChannel::Reply convert(TLuKezOptions& aOptions, const WorkerChannel::Request& aRequest)
{
    WorkerChannel::Reply reply;
    try {
        qint32 code = 0;
        reply.converted =
            miKezConverterRunner::RunConverter(aOptions, aRequest.source, aRequest.output, 0, code, reply.message,
                                               waitHeedingEndRequests);
    } catch (...) {
        reply.converted = false;
        reply.message = mErrorHandling::CurrentFailure().description();
    }
    return reply;
}

// kezconv gives each worker a private runtime folder of this name and removes it once the
// worker has ended; a worker whose kezconv has gone removes its own.
void removeOwnRuntimeFolder()
{
    const QDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (::getppid() != gKezconv && folder.dirName().startsWith(QLatin1String(WorkerChannel::kWorkerFolderPrefix)) &&
        folder.dirName().size() == qsizetype(std::strlen(WorkerChannel::kWorkerFolderPrefix)) + 6)
        QDir(folder).removeRecursively();
}

} // namespace

int RunWorker()
{
    gKezconv = ::getppid();
    // kezconv reads the replies; when it has gone, a write fails instead of ending the worker.
    std::signal(SIGPIPE, SIG_IGN);
    platform::service<platform::EndRequests>().listen([] { gEndAsked = true; });
    std::unique_ptr<TLuKezOptions> options;
    try {
        options = miKezConverterMain::ReadKezOptions();
    } catch (...) {
        return 1;
    }
    int status = 0;
    while (const std::optional<WorkerChannel::Request> request = nextRequest())
        if (!writeAll(WorkerChannel::Frame(convert(*options, *request)))) {
            status = 1;
            break;
        }
    removeOwnRuntimeFolder();
    return status;
}
