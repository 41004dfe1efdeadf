#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// The standard streams of a console program and the process that started it: what kezconv and
// its workers need of the operating system to talk to each other through pipes.
class Console {
public:
    enum class Stream { Input, Output, Error };

    // A list of paths being read, as it arrives: the standard input or a file.
    class List {
    public:
        virtual ~List() = default;
        // Appends to aBuffer what has arrived, waiting for it. False at the end of the list, and
        // also when it cannot be read: then aWhy (UTF-8) says why.
        virtual bool receive(std::string& aBuffer, std::string& aWhy) = 0;
    };

    virtual ~Console() = default;

    // Opens the null device in place of any of the standard input, output and error that is
    // closed, so that nothing opened later takes that place and gets what is meant for the stream.
    virtual void guardStandardStreams() = 0;

    // A write to a pipe whose reader has gone fails (and says so) instead of ending the process.
    virtual void ignoreBrokenPipes() = 0;

    // The list at aPath (its bytes as given), or the standard input for "-"; none, with aWhy
    // (UTF-8), when it cannot be opened or is no file to read (a folder).
    virtual std::unique_ptr<List> openList(const std::string& aPath, std::string& aWhy) = 0;

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
