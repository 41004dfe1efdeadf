#include "platform/EndRequests.h"
#include "platform/Services.h"

#include <windows.h>

#include <mutex>

namespace platform {
namespace {

std::mutex gMutex;
std::function<void()> gHandler;

// Windows calls this on a thread of its own. A window's end of session reaches the program
// through its own messages; these are the console's.
BOOL WINAPI onConsoleEvent(DWORD aEvent)
{
    if (aEvent != CTRL_CLOSE_EVENT && aEvent != CTRL_LOGOFF_EVENT && aEvent != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    // Called under the lock: listen cannot replace the handler while a call is in flight.
    std::lock_guard guard(gMutex);
    if (!gHandler)
        return FALSE;
    gHandler();
    return TRUE;
}

class Win32EndRequests final : public EndRequests {
public:
    bool listen(std::function<void()> aHandler) override
    {
        std::lock_guard guard(gMutex);
        gHandler = std::move(aHandler);
        if (mListening)
            return true;
        mListening = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != FALSE;
        return mListening;
    }

private:
    bool mListening = false;
};

} // namespace

template <>
EndRequests& defaultService<EndRequests>()
{
    static Win32EndRequests instance;
    return instance;
}

} // namespace platform
