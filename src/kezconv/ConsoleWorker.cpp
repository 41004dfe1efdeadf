#include "kezconv/ConsoleWorker.h"
#include "core/run/BatchRun.h"
#include "core/run/EndHeedingWaiter.h"
#include "kezconv/WorkerChannel.h"
#include "platform/Console.h"
#include "platform/EndRequests.h"
#include "platform/Services.h"

#include <QDir>

#include <atomic>
#include <cstring>
#include <deque>


namespace {

std::atomic<bool> gEndAsked{false};
// kezconv, which started this worker. A worker whose kezconv has gone (killed) ends its converter
// and cleans up like one asked to end.
std::uint32_t gKezconv = 0;

bool endAsked() { return gEndAsked || platform::service<platform::Console>().parentId() != gKezconv; }

bool receive(QByteArray& aBuffer, bool aWait)
{
    std::string arrived;
    const bool open = platform::service<platform::Console>().receive(arrived, aWait);
    aBuffer.append(arrived.data(), qsizetype(arrived.size()));
    return open;
}

bool writeAll(const QByteArray& aBytes)
{
    return platform::service<platform::Console>().writeAll(std::string_view(aBytes.constData(), size_t(aBytes.size())));
}

// kezconv gives each worker a private runtime folder of this name and removes it once the
// worker has ended; a worker whose kezconv has gone removes its own.
void removeOwnRuntimeFolder()
{
    const QDir folder(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (platform::service<platform::Console>().parentId() != gKezconv && folder.dirName().startsWith(QLatin1String(WorkerChannel::kWorkerFolderPrefix)) &&
        folder.dirName().size() == qsizetype(std::strlen(WorkerChannel::kWorkerFolderPrefix)) + 6)
        QDir(folder).removeRecursively();
}

} // namespace

int RunWorker()
{
    gKezconv = platform::service<platform::Console>().parentId();
    platform::service<platform::EndRequests>().listen([] { gEndAsked = true; });
    BatchRun converter(BatchRun::ReadOnce(), std::make_unique<EndHeedingWaiter>(endAsked));
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
        const BatchRun::Result result = converter.Convert(next.source, next.output);
        if (!writeAll(WorkerChannel::Frame(WorkerChannel::Reply{result.converted, false, result.message})))
            status = 1;
    }
    removeOwnRuntimeFolder();
    return status;
}
