// The one seam between the CAD link and the operating system's windows, clipboard and code page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vermiq {

// A window of any process; 0 is "no window". Wide enough for an HWND.
using WindowHandle = std::uintptr_t;

// Everything the CAD link asks of the desktop. Win32Desktop forwards each call to the Win32
// function of the same meaning; the simulated desktop of the tests hosts the stand-in CAD
// session in-process, so the same link code runs natively against it.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Enumeration: the callback answers true to continue, false to stop.
    using EnumCallback = std::function<bool(WindowHandle)>;
    // EnumWindows: the top-level windows, front to back.
    virtual void EnumTopLevelWindows(const EnumCallback& callback) = 0;
    // EnumChildWindows: every descendant; a parent of 0 means the desktop, whose "children"
    // are the top-level windows.
    virtual void EnumChildWindows(WindowHandle parent, const EnumCallback& callback) = 0;

    // GetWindowTextA / GetClassNameA with a 256-byte buffer: at most 255 code-page bytes.
    virtual std::string WindowTitle(WindowHandle window) = 0;
    virtual std::string WindowClass(WindowHandle window) = 0;
    // GetWindowThreadProcessId; 0 for no window.
    virtual std::uint32_t WindowProcessId(WindowHandle window) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual bool IsWindowUnicode(WindowHandle window) = 0;
    virtual bool SetForegroundWindow(WindowHandle window) = 0;

    // SendMessage(WM_COPYDATA) with wParam 0 and a COPYDATASTRUCT of these three fields.
    virtual void SendCopyData(WindowHandle window, std::uintptr_t dwData, const void* data,
                              std::uint32_t cbData) = 0;
    // PostMessage(WM_NULL, 0, 0).
    virtual void PostNull(WindowHandle window) = 0;
    // SendMessage(WM_GETTEXTLENGTH); 0 for a window that has gone.
    virtual long GetTextLength(WindowHandle window) = 0;
    // SendMessage(WM_GETTEXT) into a buffer of `capacity` bytes; the bytes up to the first NUL.
    virtual std::string GetText(WindowHandle window, long capacity) = 0;
    // SendMessage(WM_COMMAND, id, 0).
    virtual void SendCommand(WindowHandle window, unsigned id) = 0;

    // The clipboard. Each call throws ClipboardError when the clipboard cannot be used (another
    // program holds it open, say); callers turn that into a silent abort.
    class Clipboard {
    public:
        virtual ~Clipboard() = default;
        virtual void Empty() = 0;
        // CF_TEXT: code-page bytes up to the first NUL; empty when there is no text.
        virtual std::string Text() = 0;
        virtual void SetText(std::string_view text) = 0;
        // Everything the clipboard holds, in a form that Restore puts back unchanged.
        class Snapshot {
        public:
            virtual ~Snapshot() = default;
        };
        virtual std::unique_ptr<Snapshot> Save() = 0;
        virtual void Restore(const Snapshot& snapshot) = 0;
    };
    // Opens the clipboard for the lifetime of the returned object (OpenClipboard/CloseClipboard).
    virtual std::unique_ptr<Clipboard> OpenClipboard() = 0;

    // CompareStringA with the user default locale and no flags: true when equal.
    virtual bool LocaleEqual(std::string_view a, std::string_view b) = 0;
    // The system ANSI code page (932 on the target systems) to and from UTF-16.
    virtual std::u16string AnsiToWide(std::string_view text) = 0;
    virtual std::string WideToAnsi(std::u16string_view text) = 0;

    // Height of the window's rectangle on the screen (GetWindowRect); nullopt-like -1 when the
    // window cannot be measured.
    virtual int WindowHeight(WindowHandle window) = 0;
    // GetDC, GetTextExtentPoint32A, SetBkColor, SetTextColor, TextOutA at (0, windowHeight -
    // textHeight), ReleaseDC: a prompt drawn once onto another process's window.
    virtual void PaintText(WindowHandle window, std::string_view text, std::uint32_t background,
                           std::uint32_t foreground) = 0;
};

// Thrown by Desktop::Clipboard when the clipboard cannot be opened or used.
struct ClipboardError {};

// Waiting for the CAD: the caller's message processing between polls, and the sleep. The
// application's host sleeps for real and pumps its dialog; tests advance a virtual clock.
class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void Sleep(int milliseconds) = 0;
    // Lets the tool's own pending messages be processed. May throw to end a run early (the
    // dialog was closed during the run).
    virtual void ProcessMessages() = 0;
};

} // namespace vermiq
