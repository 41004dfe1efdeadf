#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace {

using win32::narrow;
using win32::widen;

std::string describe(DWORD error) { return systemErrorText(int(error)); }

HANDLE toNative(ProcessHandle handle) { return reinterpret_cast<HANDLE>(handle); }

class Win32Process final : public Process {
public:
    StartResult start(const std::string& commandLine) override
    {
        StartResult result;
        std::wstring line = widen(commandLine);
        // CreateProcessW may write into the command line.
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(L'\0');

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info{};
        // A console converter must not flash a console window either. Suspended until it is in
        // its job, so that nothing it starts can escape the job.
        if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                            nullptr, nullptr, &startup, &info)) {
            const DWORD error = GetLastError();
            result.error = int(error ? error : ERROR_FILE_NOT_FOUND);
            result.description = describe(DWORD(result.error));
            return result;
        }
        // Without a job (one that cannot be made or joined) it is ended alone.
        HANDLE job = CreateJobObjectW(nullptr, nullptr);
        if (job && !AssignProcessToJobObject(job, info.hProcess)) {
            CloseHandle(job);
            job = nullptr;
        }
        ResumeThread(info.hThread);
        CloseHandle(info.hThread);
        const std::lock_guard guard(mMutex);
        // Kept until the caller opens the process, so that a child that ends at once cannot
        // have its id reused or become impossible to open.
        mStarted[std::uint32_t(info.dwProcessId)] = info.hProcess;
        if (const auto earlier = mJobs.find(std::uint32_t(info.dwProcessId)); earlier != mJobs.end()) {
            CloseHandle(earlier->second);
            mJobs.erase(earlier);
        }
        if (job)
            mJobs[std::uint32_t(info.dwProcessId)] = job;
        result.processId = std::uint32_t(info.dwProcessId);
        return result;
    }

    ProcessHandle open(std::uint32_t access, std::uint32_t processId) override
    {
        const std::lock_guard guard(mMutex);
        HANDLE opened = nullptr;
        const auto started = mStarted.find(processId);
        if (started == mStarted.end()) {
            opened = OpenProcess(DWORD(access), FALSE, DWORD(processId));
        } else {
            // Kept until an open succeeds: a caller refused one set of rights may ask for fewer.
            if (!DuplicateHandle(GetCurrentProcess(), started->second, GetCurrentProcess(), &opened, DWORD(access),
                                 FALSE, 0))
                return 0;
            CloseHandle(started->second);
            mStarted.erase(started);
        }
        if (opened)
            mOpened[opened] = Opened{processId, access};
        return reinterpret_cast<ProcessHandle>(opened);
    }

    bool setPriorityClass(ProcessHandle process, std::uint32_t priorityClass) override
    {
        return process && SetPriorityClass(toNative(process), DWORD(priorityClass)) != FALSE;
    }

    std::uint32_t priorityClass(ProcessHandle process) override
    {
        return process ? std::uint32_t(GetPriorityClass(toNative(process))) : 0;
    }

    std::uint32_t wait(ProcessHandle process, std::uint32_t timeoutMs) override
    {
        if (!process)
            return kWaitFailed;
        return std::uint32_t(WaitForSingleObject(toNative(process), DWORD(timeoutMs)));
    }

    bool exitCode(ProcessHandle process, std::uint32_t& code) override
    {
        DWORD value = 0;
        if (!process || !GetExitCodeProcess(toNative(process), &value))
            return false;
        code = std::uint32_t(value);
        return true;
    }

    // A process without a window has no polite way to be asked.
    bool requestEnd(ProcessHandle) override { return false; }

    bool terminate(ProcessHandle process, std::uint32_t exitCode) override
    {
        // An ended process cannot be ended again; say so the same way on every system.
        if (!process || WaitForSingleObject(toNative(process), 0) == WAIT_OBJECT_0)
            return false;
        // The job ends with the process everything it started; the right to end the process is
        // asked for first, as TerminateProcess would.
        if (HANDLE job = jobOf(process)) {
            if (!mayTerminate(process))
                return false;
            if (TerminateJobObject(job, UINT(exitCode)))
                return true;
        }
        return TerminateProcess(toNative(process), UINT(exitCode)) != FALSE;
    }

    bool close(ProcessHandle process) override
    {
        if (!process)
            return false;
        {
            const std::lock_guard guard(mMutex);
            const auto opened = mOpened.find(toNative(process));
            if (opened != mOpened.end()) {
                const std::uint32_t processId = opened->second.processId;
                mOpened.erase(opened);
                // The last handle to it goes: its job is no longer reachable.
                bool another = false;
                for (const auto& [handle, other] : mOpened)
                    another = another || other.processId == processId;
                if (const auto job = mJobs.find(processId); !another && job != mJobs.end()) {
                    CloseHandle(job->second);
                    mJobs.erase(job);
                }
            }
        }
        return CloseHandle(toNative(process)) != FALSE;
    }

private:
    HANDLE jobOf(ProcessHandle process)
    {
        const std::lock_guard guard(mMutex);
        const auto opened = mOpened.find(toNative(process));
        if (opened == mOpened.end())
            return nullptr;
        const auto job = mJobs.find(opened->second.processId);
        return job == mJobs.end() ? nullptr : job->second;
    }

    // The job is no handle's own: the handle must have been given the right to end the process.
    bool mayTerminate(ProcessHandle process)
    {
        const std::lock_guard guard(mMutex);
        const auto opened = mOpened.find(toNative(process));
        return opened != mOpened.end() && (opened->second.access & ProcessAccess::Terminate) != 0;
    }

    struct Opened {
        std::uint32_t processId;
        std::uint32_t access;
    };

    std::mutex mMutex;
    std::map<std::uint32_t, HANDLE> mStarted;
    std::map<HANDLE, Opened> mOpened;    // handles given out
    std::map<std::uint32_t, HANDLE> mJobs;      // the job of each process started here
};

} // namespace

template <>
Process& defaultService<Process>()
{
    static Win32Process instance;
    return instance;
}

} // namespace platform
