#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

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

TEST_F(GlobalMemoryContract, NewObjectHasTheAskedSizeAndOnlyZeroBytes)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 7656);
    ASSERT_NE(handle, 0u);
    EXPECT_GE(memory.size(handle), 7656u);
    const auto* bytes = static_cast<const std::uint8_t*>(memory.lock(handle));
    ASSERT_NE(bytes, nullptr);
    std::size_t nonZero = 0;
    for (std::size_t i = 0; i < 7656; ++i)
        nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    memory.unlock(handle);
    EXPECT_EQ(memory.free(handle), 0u);
}

TEST_F(GlobalMemoryContract, BytesWrittenUnderALockAreThereAtTheNextLock)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 64);
    auto* bytes = static_cast<std::uint8_t*>(memory.lock(handle));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 64; ++i)
        bytes[i] = std::uint8_t(i * 3 + 1);
    memory.unlock(handle);

    const auto* again = static_cast<const std::uint8_t*>(memory.lock(handle));
    ASSERT_NE(again, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(again[i], std::uint8_t(i * 3 + 1)) << "byte " << i;
    memory.unlock(handle);
    memory.free(handle);
}

TEST_F(GlobalMemoryContract, LocksNestAndTheLastUnlockSaysUnlocked)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 16);
    ASSERT_NE(memory.lock(handle), nullptr);
    ASSERT_NE(memory.lock(handle), nullptr);
    EXPECT_TRUE(memory.unlock(handle));
    EXPECT_FALSE(memory.unlock(handle));
    memory.free(handle);
}

TEST_F(GlobalMemoryContract, ObjectOfNoBytesCannotBeLocked)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 0);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(memory.lock(handle), nullptr);
    EXPECT_EQ(memory.free(handle), 0u);
}

TEST_F(GlobalMemoryContract, TwoObjectsAreIndependent)
{
    const HGlobal first = memory.alloc(kMovableZeroed, 8);
    const HGlobal second = memory.alloc(kMovableZeroed, 8);
    ASSERT_NE(first, second);
    std::memset(memory.lock(first), 0x5A, 8);
    memory.unlock(first);
    const auto* bytes = static_cast<const std::uint8_t*>(memory.lock(second));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[7], 0);
    memory.unlock(second);
    memory.free(first);
    memory.free(second);
}

#ifndef _WIN32
// On Windows a freed or invented handle is undefined territory; here it must fail cleanly.
TEST_F(GlobalMemoryContract, FreedHandleIsDeadAndFreeingItAgainFails)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 32);
    ASSERT_EQ(memory.free(handle), 0u);
    EXPECT_EQ(memory.lock(handle), nullptr);
    EXPECT_EQ(memory.size(handle), 0u);
    EXPECT_FALSE(memory.unlock(handle));
    EXPECT_EQ(memory.free(handle), handle);
}

TEST_F(GlobalMemoryContract, SizeIsExactlyWhatWasAsked)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 100);
    EXPECT_EQ(memory.size(handle), 100u);
    memory.free(handle);
}

TEST_F(GlobalMemoryContract, LockedObjectCanBeFreed)
{
    const HGlobal handle = memory.alloc(kMovableZeroed, 8);
    ASSERT_NE(memory.lock(handle), nullptr);
    EXPECT_EQ(memory.free(handle), 0u);
    EXPECT_EQ(memory.size(handle), 0u);
}

TEST_F(GlobalMemoryContract, NullHandleIsRefusedEverywhere)
{
    EXPECT_EQ(memory.lock(0), nullptr);
    EXPECT_EQ(memory.size(0), 0u);
    EXPECT_FALSE(memory.unlock(0));
}
#endif
