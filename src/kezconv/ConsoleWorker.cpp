#include "kezconv/ConsoleWorker.h"
#include "app/BatchRun.h"
#include "app/ConversionOptions.h"
#include "errors/mErrorHandling.h"
#include "kezconv/WorkerChannel.h"
#include "options/TLuKezOptions.h"
#include "platform/EndRequests.h"
#include "platform/Services.h"
#include "runner/miKezConverterRunner.h"

#include <QElapsedTimer>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace {

std::atomic<bool> gEndAsked{false};

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
        if (!gEndAsked)
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

} // namespace

int RunWorker()
{
    // kezconv reads the replies; when it has gone, a write fails instead of ending the worker.
    std::signal(SIGPIPE, SIG_IGN);
    platform::service<platform::EndRequests>().listen([] { gEndAsked = true; });
    std::unique_ptr<TLuKezOptions> options;
    try {
        options = miKezConverterMain::ReadKezOptions();
    } catch (...) {
        return 1;
    }
    while (const std::optional<WorkerChannel::Request> request = nextRequest())
        if (!writeAll(WorkerChannel::Frame(convert(*options, *request))))
            return 1;
    return 0;
}
