#include "platform/EndRequests.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
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
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
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

#ifndef _WIN32
// Whoever removes the handler may tear down what it reaches right after: a call in flight ends
// first. (Under the sanitizers a call running on would touch freed memory.)
TEST(EndRequestsContract, RemovingTheHandlerWaitsForACallInFlight)
{
    EndRequests& requests = service<EndRequests>();
    struct Target {
        int calls = 0;
    };
    auto target = std::make_unique<Target>();
    std::atomic<bool> entered{false};
    std::atomic<bool> left{false};
    ASSERT_TRUE(requests.listen([&entered, &left, reached = target.get()] {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ++reached->calls;
        left = true;
    }));
    ASSERT_EQ(::raise(SIGTERM), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!entered && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(entered);
    requests.listen({});
    EXPECT_TRUE(left) << "the handler was still running when its removal returned";
    target.reset();
    // A request after the removal reaches nothing.
    ASSERT_EQ(::raise(SIGTERM), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
#endif
