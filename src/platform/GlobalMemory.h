#pragma once
#include <cstddef>
#include <cstdint>

// Movable global memory, shaped after GlobalAlloc, GlobalLock, GlobalUnlock, GlobalFree and
// GlobalSize. On POSIX an object lives in this process only; it reaches another process by being
// placed on the clipboard, which copies its bytes.
namespace platform {

using HGlobal = std::uintptr_t;     // an HGLOBAL, 0 = none

namespace GlobalFlags {
inline constexpr std::uint32_t Moveable = 0x0002;   // GMEM_MOVEABLE
inline constexpr std::uint32_t ZeroInit = 0x0040;   // GMEM_ZEROINIT
} // namespace GlobalFlags

class GlobalMemory {
public:
    virtual ~GlobalMemory() = default;

    // A new object of exactly `bytes` bytes, or 0 when it cannot be had.
    virtual HGlobal alloc(std::uint32_t flags, std::size_t bytes) = 0;

    // The object's first byte, valid until the matching unlock; null for an unknown handle or an
    // object of no bytes. Locks nest.
    virtual void* lock(HGlobal handle) = 0;

    // As GlobalUnlock: true while the object stays locked, false once it is unlocked (or unknown).
    virtual bool unlock(HGlobal handle) = 0;

    // As GlobalFree: 0 on success, the handle itself when it is not a live object. A locked
    // object is freed too.
    virtual HGlobal free(HGlobal handle) = 0;

    // The object's size in bytes, 0 for an unknown handle. Never smaller than what was asked for;
    // on Windows it may be a little larger.
    virtual std::size_t size(HGlobal handle) = 0;
};

} // namespace platform
