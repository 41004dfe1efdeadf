#include "kezconv/PathListReader.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

struct PathListReader::Shared {
    std::mutex mutex;
    std::condition_variable roomMade;
    std::deque<std::string> paths;
    bool ended = false;
    bool abandoned = false;
    QString failure;
    std::function<void()> arrived;

    // Waits for room; false once nobody takes paths any more.
    bool Put(std::string&& aPath)
    {
        std::unique_lock lock(mutex);
        roomMade.wait(lock, [this] { return abandoned || paths.size() < kBacklog; });
        if (abandoned)
            return false;
        const bool wasEmpty = paths.empty();
        paths.push_back(std::move(aPath));
        if (wasEmpty)
            arrived();
        return true;
    }

    void End(const std::string& aWhy, const QString& aList)
    {
        const std::lock_guard lock(mutex);
        ended = true;
        if (!aWhy.empty())
            failure = Unreadable(aList, QString::fromStdString(aWhy));
        if (!abandoned)
            arrived();
    }

    static void ReadAll(const std::shared_ptr<Shared>& aShared, std::vector<List> aLists, bool aNulSeparated);
};

void PathListReader::Shared::ReadAll(const std::shared_ptr<Shared>& aShared, std::vector<List> aLists,
                                     bool aNulSeparated)
{
    const char separator = aNulSeparated ? '\0' : '\n';
    std::string why;
    for (const List& list : aLists) {
        std::string buffer;
        bool more = true;
        while (more) {
            more = list.list->receive(buffer, why);
            if (!why.empty()) {
                aShared->End(why, list.name);
                return;
            }
            std::size_t from = 0;
            for (;;) {
                std::size_t end = buffer.find(separator, from);
                if (end == std::string::npos) {
                    if (more)
                        break;
                    end = buffer.size(); // the last path may lack its line end
                }
                std::string path = buffer.substr(from, end - from);
                // A CR before the line end belongs to the line end (lists written on Windows).
                if (!aNulSeparated && !path.empty() && path.back() == '\r')
                    path.pop_back();
                if (!path.empty() && !aShared->Put(std::move(path)))
                    return;
                from = end + 1;
                if (from >= buffer.size())
                    break;
            }
            buffer.erase(0, std::min(from, buffer.size()));
        }
    }
    aShared->End({}, {});
}

QString PathListReader::Unreadable(const QString& aList, const QString& aWhy)
{
    return QStringLiteral("не удалось прочитать список файлов %1: %2.").arg(aList, aWhy);
}

PathListReader::PathListReader(std::vector<List> aLists, bool aNulSeparated, std::function<void()> aArrived)
    : mShared(std::make_shared<Shared>())
{
    mShared->arrived = std::move(aArrived);
    std::thread(&Shared::ReadAll, mShared, std::move(aLists), aNulSeparated).detach();
}

PathListReader::~PathListReader()
{
    const std::lock_guard lock(mShared->mutex);
    mShared->abandoned = true;
    mShared->roomMade.notify_all();
}

PathListReader::Taken PathListReader::Take(std::size_t aMost)
{
    Taken taken;
    const std::lock_guard lock(mShared->mutex);
    while (!mShared->paths.empty() && taken.paths.size() < aMost) {
        taken.paths.push_back(std::move(mShared->paths.front()));
        mShared->paths.pop_front();
    }
    if (!taken.paths.empty())
        mShared->roomMade.notify_all();
    taken.ended = mShared->ended && mShared->paths.empty();
    taken.failure = taken.ended ? mShared->failure : QString();
    return taken;
}
