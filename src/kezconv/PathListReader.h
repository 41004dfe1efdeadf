#pragma once
#include "platform/Console.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The paths of the lists kezconv is given, read in order on a thread of their own as they arrive,
// so that converting begins while a slow producer (find on a large tree) is still writing. At
// most kBacklog paths wait read and not taken: a list of millions costs no more memory than a
// short one, and a producer far ahead of the conversions waits on its pipe.
class PathListReader {
public:
    static constexpr std::size_t kBacklog = 4096;

    struct Taken {
        std::vector<std::string> paths; // in the lists' order, empty entries passed over
        bool ended = false;             // every list has been read to its end
        QString failure;                // why a list could not be read further (then ended)
    };

    struct List {
        QString name; // as the messages show it
        std::unique_ptr<platform::Console::List> list;
    };

    // aArrived is called, from the reading thread, when paths arrive while none were waiting, and
    // at the end; it must only hand the news over (a queued call) to whoever takes them.
    PathListReader(std::vector<List> aLists, bool aNulSeparated,
                   std::function<void()> aArrived);
    // A producer that never ends cannot be waited for: the thread is left to the process's end.
    ~PathListReader();
    PathListReader(const PathListReader&) = delete;
    PathListReader& operator=(const PathListReader&) = delete;

    // Why the list named aList could not be read.
    static QString Unreadable(const QString& aList, const QString& aWhy);

    // Up to aMost of the paths read so far.
    Taken Take(std::size_t aMost);

private:
    struct Shared;
    std::shared_ptr<Shared> mShared;
};
