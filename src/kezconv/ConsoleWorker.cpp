#include "kezconv/ConsoleWorker.h"
#include "kezconv/FileConverter.h"
#include "kezconv/WorkerChannel.h"
#include "platform/EndRequests.h"
#include "platform/Services.h"

#include <QDir>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>

#include <poll.h>
#include <unistd.h>

namespace {

std::atomic<bool> gEndAsked{false};
// kezconv, which started this worker. A worker whose kezconv has gone (killed) ends its converter
// and cleans up like one asked to end.
pid_t gKezconv = 0;

bool endAsked() { return gEndAsked || ::getppid() != gKezconv; }

// Adds what the standard input holds to aBuffer: waiting for it when aWait, else only what has
// arrived already. False at the end of the input.
bool receive(QByteArray& aBuffer, bool aWait)
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&input, 1, aWait ? -1 : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        if (ready == 0)
            return true;
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        aBuffer.append(chunk, got);
        return true;
    }
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
    platform::service<platform::EndRequests>().listen([] { gEndAsked = true; });
    FileConverter converter(endAsked);
    // kezconv sends the next file while this one is converted, so that it begins the moment this
    // one ends; a withdrawal takes back those not begun. Whatever has arrived is read before a
    // file begins, so a withdrawal sent meanwhile is heeded.
    int status = 0;
    QByteArray received;
    std::deque<WorkerChannel::Request> queued;
    bool inputOpen = true;
    while (status == 0) {
        inputOpen = receive(received, queued.empty());
        while (std::optional<WorkerChannel::Request> request = WorkerChannel::TakeRequest(received)) {
            if (!request->withdraw) {
                queued.push_back(std::move(*request));
                continue;
            }
            for (size_t i = 0; i < queued.size() && status == 0; ++i)
                if (!writeAll(WorkerChannel::Frame(WorkerChannel::Reply{false, true, {}})))
                    status = 1;
            queued.clear();
        }
        // Nothing more once kezconv has gone.
        if (!inputOpen || status != 0)
            break;
        if (queued.empty())
            continue;
        const WorkerChannel::Request next = std::move(queued.front());
        queued.pop_front();
        if (!writeAll(WorkerChannel::Frame(converter.Convert(next))))
            status = 1;
    }
    removeOwnRuntimeFolder();
    return status;
}
