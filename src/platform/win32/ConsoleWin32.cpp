#include "platform/Console.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"
#include "platform/win32/WideText.h"

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

class ListWin32 final : public Console::List {
public:
    ListWin32(HANDLE aHandle, bool aOwned) : mHandle(aHandle), mOwned(aOwned) {}
    ~ListWin32() override
    {
        if (mOwned)
            CloseHandle(mHandle);
    }
    ListWin32(const ListWin32&) = delete;
    ListWin32& operator=(const ListWin32&) = delete;

    bool receive(std::string& aBuffer, std::string& aWhy) override
    {
        char chunk[65536];
        DWORD got = 0;
        if (!ReadFile(mHandle, chunk, sizeof chunk, &got, nullptr)) {
            const DWORD error = GetLastError();
            // The writer of a pipe has closed it: the list's end.
            if (error != ERROR_BROKEN_PIPE)
                aWhy = systemErrorText(int(error));
            return false;
        }
        aBuffer.append(chunk, got);
        return got > 0;
    }

private:
    HANDLE mHandle;
    bool mOwned;
};

class ConsoleWin32 final : public Console {
public:
    void guardStandardStreams() override
    {
        for (const DWORD stream : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            const HANDLE handle = GetStdHandle(stream);
            if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
                continue;
            const HANDLE null = CreateFileW(L"NUL", stream == STD_INPUT_HANDLE ? GENERIC_READ : GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (null != INVALID_HANDLE_VALUE)
                SetStdHandle(stream, null);
        }
    }

    // A write to a closed pipe fails there anyway.
    void ignoreBrokenPipes() override {}

    std::unique_ptr<List> openList(const std::string& aPath, std::string& aWhy) override
    {
        if (aPath == "-")
            return std::make_unique<ListWin32>(handleOf(Stream::Input), false);
        const std::wstring path = win32::widen(aPath);
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            aWhy = "Это папка";
            return nullptr;
        }
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            aWhy = systemErrorText(int(GetLastError()));
            return nullptr;
        }
        return std::make_unique<ListWin32>(file, true);
    }

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
