#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace platform;

namespace {

constexpr std::uint32_t kMovableZeroed = GlobalFlags::Moveable | GlobalFlags::ZeroInit;

class GlobalMemoryContract : public ::testing::Test {
protected:
    GlobalMemory& memory = service<GlobalMemory>();
};

} // namespace

TEST_F(GlobalMemoryContract, NewObjectsAreZeroedIndependentAndKeepWhatWasWrittenUnderALock)
{
    const HGlobal first = memory.alloc(kMovableZeroed, 7656);
    const HGlobal second = memory.alloc(kMovableZeroed, 7656);
    ASSERT_TRUE(first && second && first != second);
    EXPECT_GE(memory.size(first), 7656u);
    auto* bytes = static_cast<std::uint8_t*>(memory.lock(first));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::count(bytes, bytes + 7656, 0), 7656);
    for (int i = 0; i < 7656; ++i)
        bytes[i] = std::uint8_t(i * 3 + 1);
    memory.unlock(first);

    const auto* again = static_cast<const std::uint8_t*>(memory.lock(first));
    const auto* other = static_cast<const std::uint8_t*>(memory.lock(second));
    ASSERT_TRUE(again && other);
    for (int i = 0; i < 7656; ++i)
        ASSERT_EQ(again[i], std::uint8_t(i * 3 + 1)) << "byte " << i;
    EXPECT_EQ(std::count(other, other + 7656, 0), 7656);
    memory.unlock(first);
    memory.unlock(second);
    EXPECT_EQ(memory.free(first), 0u);
    EXPECT_EQ(memory.free(second), 0u);
}

TEST_F(GlobalMemoryContract, LocksNestAndAnObjectOfNoBytesCannotBeLocked)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 16);
    ASSERT_NE(memory.lock(handle), nullptr);
    ASSERT_NE(memory.lock(handle), nullptr);
    EXPECT_TRUE(memory.unlock(handle));
    EXPECT_FALSE(memory.unlock(handle)) << "the last unlock says unlocked";
    memory.free(handle);

    const HGlobal empty = memory.alloc(kMovableZeroed, 0);
    ASSERT_NE(empty, 0u);
    EXPECT_EQ(memory.lock(empty), nullptr);
    EXPECT_EQ(memory.free(empty), 0u);
}

#ifndef _WIN32
// On Windows a freed or invented handle is undefined territory; here it must fail cleanly.
TEST_F(GlobalMemoryContract, SizeIsExactAndDeadOrNullHandlesAreRefused)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 100);
    EXPECT_EQ(memory.size(handle), 100u);
    ASSERT_NE(memory.lock(handle), nullptr);
    ASSERT_EQ(memory.free(handle), 0u) << "a locked object can be freed";
    for (const HGlobal dead : {handle, HGlobal(0)}) {
        EXPECT_EQ(memory.lock(dead), nullptr);
        EXPECT_EQ(memory.size(dead), 0u);
        EXPECT_FALSE(memory.unlock(dead));
    }
    EXPECT_EQ(memory.free(handle), handle);
}
#endif
