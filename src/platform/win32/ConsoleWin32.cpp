#include "platform/Console.h"
#include "platform/Services.h"

#include <windows.h>
#include <tlhelp32.h>

namespace platform {
namespace {

HANDLE handleOf(Console::Stream aStream)
{
    switch (aStream) {
    case Console::Stream::Input: return GetStdHandle(STD_INPUT_HANDLE);
    case Console::Stream::Output: return GetStdHandle(STD_OUTPUT_HANDLE);
    case Console::Stream::Error: return GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

DWORD startingProcessId()
{
    DWORD parent = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            parent = entry.th32ParentProcessID;
            break;
        }
    CloseHandle(snapshot);
    return parent;
}

class ConsoleWin32 final : public Console {
public:
    bool isTerminal(Stream aStream) override { return GetFileType(handleOf(aStream)) == FILE_TYPE_CHAR; }

    bool receive(std::string& aBuffer, bool aWait) override
    {
        const HANDLE input = handleOf(Stream::Input);
        DWORD available = 0;
        if (!aWait && GetFileType(input) == FILE_TYPE_PIPE) {
            if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr))
                return false;
            if (available == 0)
                return true;
        }
        char chunk[4096];
        DWORD got = 0;
        if (!ReadFile(input, chunk, sizeof chunk, &got, nullptr) || got == 0)
            return false;
        aBuffer.append(chunk, got);
        return true;
    }

    bool writeAll(std::string_view aBytes) override
    {
        const HANDLE output = handleOf(Stream::Output);
        while (!aBytes.empty()) {
            DWORD put = 0;
            if (!WriteFile(output, aBytes.data(), DWORD(aBytes.size()), &put, nullptr) || put == 0)
                return false;
            aBytes.remove_prefix(put);
        }
        return true;
    }

    // Windows keeps a parent's identifier after it has ended: an ended parent reads as 0.
    std::uint32_t parentId() override
    {
        static const DWORD parent = startingProcessId();
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, parent);
        if (!process)
            return 0;
        const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        CloseHandle(process);
        return running ? parent : 0;
    }

    // A Windows console's Ctrl+C reaches a process group chosen when the child is created.
    void leaveTerminalGroup() override {}
};

} // namespace

template <>
Console& defaultService<Console>()
{
    static ConsoleWin32 console;
    return console;
}

} // namespace platform
