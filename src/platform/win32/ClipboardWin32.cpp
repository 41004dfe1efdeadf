#include "platform/Clipboard.h"
#include "platform/Services.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

using win32::widen;

// SetClipboardData fails when the clipboard was opened without an owner and then emptied, so a
// caller without a window of its own borrows a hidden, message-only one while the clipboard is open.
HWND createOwnerWindow()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const wchar_t* const className = L"KezConverterClipboardOwner";
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);   // fails harmlessly when already registered
    return CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

class Win32Clipboard final : public Clipboard {
public:
    ClipFormat registerFormat(const std::string& name) override
    {
        const std::wstring wide = widen(name);
        if (wide.empty())
            return 0;
        return ClipFormat(RegisterClipboardFormatW(wide.c_str()));
    }

    bool open(WindowHandle owner) override
    {
        HWND window = reinterpret_cast<HWND>(owner);
        if (!window)
            window = mBorrowed = mBorrowed ? mBorrowed : createOwnerWindow();
        if (OpenClipboard(window))
            return true;
        releaseBorrowed();
        return false;
    }

    bool empty() override { return EmptyClipboard() != FALSE; }

    bool setData(ClipFormat format, HGlobal data) override
    {
        if (format == 0 || data == 0)
            return false;
        return SetClipboardData(UINT(format), reinterpret_cast<HANDLE>(data)) != nullptr;
    }

    HGlobal getData(ClipFormat format) override
    {
        if (format == 0)
            return 0;
        return reinterpret_cast<HGlobal>(GetClipboardData(UINT(format)));
    }

    bool close() override
    {
        const bool closed = CloseClipboard() != FALSE;
        // The borrowed window must not stay the owner: the next process to empty the clipboard
        // (the converter) sends it WM_DESTROYCLIPBOARD and waits while this thread, blocked on
        // that very process, pumps no messages. The data stay on the clipboard without it.
        releaseBorrowed();
        return closed;
    }

private:
    void releaseBorrowed()
    {
        if (mBorrowed)
            DestroyWindow(mBorrowed);
        mBorrowed = nullptr;
    }

    HWND mBorrowed = nullptr;
};

} // namespace

template <>
Clipboard& defaultService<Clipboard>()
{
    static Win32Clipboard instance;
    return instance;
}

} // namespace platform
