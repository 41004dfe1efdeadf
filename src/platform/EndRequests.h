#pragma once
#include <functional>

namespace platform {

// Requests from outside to end the program: on POSIX SIGTERM, SIGHUP and SIGINT (a logout, the
// terminal it was started from closing or its Ctrl+C, `kill`); on Windows the console's close, log-off and shut-down
// events. The program answers them with a normal close, so that it saves what it must.
class EndRequests {
public:
    virtual ~EndRequests() = default;

    // From now on every request calls aHandler, on a thread of the service's own (never inside a
    // signal handler), instead of ending the program at once. A second call replaces the handler;
    // it returns only once a call of the old one in progress has ended, so that whatever the old
    // handler reaches may go right after (listen({}) before tearing it down). The handler must
    // not call listen itself. False when the requests cannot be caught.
    virtual bool listen(std::function<void()> aHandler) = 0;
};

} // namespace platform
