// What the Windows tests that start programs share: a child process that never outlives its
// test, finding its windows, waiting, a person's click, and paths handed over from the Linux
// side.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace vermiq::test {

// ctest hands over Linux paths; under Wine the root of that file system is drive Z:.
inline std::wstring WindowsPath(const std::string& path) {
    std::wstring result;
    if (!path.empty() && path[0] == '/') result = L"Z:";
    for (char c : path) result += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return result;
}

// Polls `done` every 20 ms until it holds or `timeoutMs` passes; true when it held. (Win32
// timing: <chrono> does not compile with a code-page-932 execution character set.)
inline bool WaitUntil(const std::function<bool()>& done, ULONGLONG timeoutMs = 10000) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

// A person's click at a point of the screen: a move, a press and a release of the left button
// through the system's input queue.
inline void ClickScreen(POINT p) {
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = static_cast<LONG>((p.x * 65535.0 + screenW / 2) / (screenW - 1));
        i.mi.dy = static_cast<LONG>((p.y * 65535.0 + screenH / 2) / (screenH - 1));
        i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    input[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    input[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, input, sizeof(INPUT));
}

// A visible top-level window of the process with that class; null when there is none.
inline HWND TopLevelWindowOf(DWORD pid, const wchar_t* windowClass) {
    struct Search {
        DWORD pid;
        const wchar_t* windowClass;
        HWND found;
    } search{pid, windowClass, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            wchar_t cls[256] = {};
            GetClassNameW(hwnd, cls, 256);
            if (owner == s->pid && IsWindowVisible(hwnd) && wcscmp(cls, s->windowClass) == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

// A program started for a test; terminated if the test ends before the program does.
class ChildProcess {
public:
    ChildProcess(const std::wstring& exe, const std::wstring& arguments = L"") {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
        started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &si, &pi_) != FALSE;
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 9);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Pid() const { return pi_.dwProcessId; }
    HWND WaitForWindow(const wchar_t* windowClass) const {
        HWND found = nullptr;
        WaitUntil([&] { return (found = TopLevelWindowOf(pi_.dwProcessId, windowClass)) != nullptr; });
        return found;
    }
    bool Exited(DWORD milliseconds = 10000) const {
        return WaitForSingleObject(pi_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_{};
};

} // namespace vermiq::test
