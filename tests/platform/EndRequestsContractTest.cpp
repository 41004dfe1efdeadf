#include "platform/EndRequests.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#endif

using namespace platform;

TEST(EndRequestsContract, ListeningSucceedsAndASecondHandlerReplacesTheFirst)
{
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    EndRequests& requests = service<EndRequests>();
    EXPECT_TRUE(requests.listen([&] { ++first; }));
    EXPECT_TRUE(requests.listen([&] { ++second; }));
#ifndef _WIN32
    // Each signal reaches the handler, and the program lives on.
    for (const int signal : {SIGTERM, SIGHUP}) {
        const int before = second;
        ASSERT_EQ(::raise(signal), 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (second == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(second, before + 1) << signal;
    }
    EXPECT_EQ(first, 0);
#endif
    requests.listen({});
}
