#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The standard streams of a console program and the process that started it: what kezconv and
// its workers need of the operating system to talk to each other through pipes.
class Console {
public:
    enum class Stream { Input, Output, Error };

    virtual ~Console() = default;

    // Whether the stream is a terminal (a person watches it) rather than a file or a pipe.
    virtual bool isTerminal(Stream aStream) = 0;

    // Appends what the standard input holds to aBuffer: waiting for it when aWait, else only
    // what has arrived already. False at the end of the input or when it cannot be read.
    virtual bool receive(std::string& aBuffer, bool aWait) = 0;

    // Writes all of aBytes to the standard output; false when it could not.
    virtual bool writeAll(std::string_view aBytes) = 0;

    // The identifier of the process that started this one; another once that one has ended.
    virtual std::uint32_t parentId() = 0;

    // Takes the calling process out of its terminal's group (a session of its own), so that the
    // terminal's Ctrl+C no longer reaches it; meant for a child between its start and its program,
    // where only this one system call is made. Nothing where consoles have no such groups.
    virtual void leaveTerminalGroup() = 0;
};

} // namespace platform
