#pragma once
#include <thread>

namespace platform {

// Reads the system's font configuration on a thread of its own while the program starts, so that
// the first window's text finds it ready. finish() waits for it: call it before the toolkit first
// asks for a font, which would otherwise read the configuration a second time meanwhile. Where
// the system keeps its fonts ready anyway (Windows), nothing is started.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp() { finish(); }
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void finish()
    {
        if (mThread.joinable())
            mThread.join();
    }

private:
    std::thread mThread;
};

} // namespace platform
