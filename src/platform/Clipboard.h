#pragma once
#include "platform/GlobalMemory.h"

#include <cstdint>
#include <string>

// The clipboard, shaped after RegisterClipboardFormat, OpenClipboard, EmptyClipboard,
// SetClipboardData, GetClipboardData and CloseClipboard. On POSIX it is a per-user store shared
// by the program and the converter; it never touches the desktop's own clipboard.
namespace platform {

using ClipFormat = std::uint32_t;   // 0 = none
using WindowHandle = std::uintptr_t;

inline constexpr ClipFormat kFirstRegisteredFormat = 0xC000;

class Clipboard {
public:
    virtual ~Clipboard() = default;

    // The identifier of a named format, from 0xC000 on; the same name (compared case-insensitively)
    // gives the same identifier in every process. 0 on failure. The name is UTF-8.
    virtual ClipFormat registerFormat(const std::string& name) = 0;

    // Takes the clipboard for this process until close. Fails at once (no waiting) while another
    // process has it open. On Windows a null owner is replaced by a hidden window of our own, as
    // data can only be placed for an owner.
    virtual bool open(WindowHandle owner) = 0;

    // Discards every format on the clipboard. Needs the clipboard open.
    virtual bool empty() = 0;

    // Places the object under the format, replacing what was there. On success the clipboard owns
    // the object and the caller must not use or free it; on failure it stays the caller's.
    // Needs the clipboard open.
    virtual bool setData(ClipFormat format, HGlobal data) = 0;

    // The object held under the format, or 0. It belongs to the clipboard: read it, never free it.
    // It stays valid until this process empties the clipboard or fetches the format again after a
    // change. Needs the clipboard open.
    virtual HGlobal getData(ClipFormat format) = 0;

    // Releases the clipboard; false when this process did not have it open.
    virtual bool close() = 0;
};

} // namespace platform
