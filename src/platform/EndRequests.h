#pragma once
#include <functional>

namespace platform {

// Requests from outside to end the program: on POSIX SIGTERM and SIGHUP (a logout, the terminal
// it was started from closing, `kill`); on Windows the console's close, log-off and shut-down
// events. The program answers them with a normal close, so that it saves what it must.
class EndRequests {
public:
    virtual ~EndRequests() = default;

    // From now on every request calls aHandler, on a thread of the service's own (never inside a
    // signal handler), instead of ending the program at once. A second call replaces the handler.
    // False when the requests cannot be caught.
    virtual bool listen(std::function<void()> aHandler) = 0;
};

} // namespace platform
