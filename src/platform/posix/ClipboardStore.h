#pragma once

// The per-user folder of the clipboard store, shared by the clipboard and the hand-over lock:
// $XDG_RUNTIME_DIR/KezConverter/clipboard, or below $XDG_CACHE_HOME (default ~/.cache) when
// there is no runtime folder. Opened once per location, without following links, owned by this
// user and private.
namespace platform::posix {

struct ClipboardStore {
    int folder = -1; // owned by the store; -1 when no private folder can be had (errno says why)
    // Whether it outlives the login session. The runtime folder does not (it is emptied at
    // logout, and normally lives in memory), so syncing its files to disk would buy nothing.
    bool durable = false;
};

// Looked up on every call, so that a changed environment (a test's private folder) is honoured;
// the folder is opened again only when its location changed or it was removed. Callable from any
// thread: the look-up runs under the store's own lock. Opening it again closes the folder an earlier
// call returned, so a caller holds on to it only while the location stays as it is.
ClipboardStore clipboardStore();

} // namespace platform::posix
