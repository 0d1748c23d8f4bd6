// The one seam between the CAD link and the operating system's windows, clipboard and code page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vermiq {

// A window of any process; 0 is "no window". Wide enough for an HWND.
using WindowHandle = std::uintptr_t;

// Thrown by Desktop::Clipboard when the clipboard cannot be opened or used. The CAD link turns
// it into a silent abort; it never reaches the user.
class ClipboardError : public std::runtime_error {
public:
    ClipboardError() : std::runtime_error("clipboard unavailable") {}
};

// Thrown by a call that sends a message to another process's window when that window has not
// answered within Desktop::AnswerTimeoutMs: its thread is hung or busy beyond that. The message
// is not delivered, also not later (a WM_COPYDATA so left must be sent again).
class WindowNotAnswering : public std::runtime_error {
public:
    WindowNotAnswering() : std::runtime_error("window not answering") {}
};

// What the clipboard held, format by format, as raw bytes of global memory, so that it can be
// put back unchanged after the tool has borrowed the clipboard.
struct ClipboardSnapshot {
    struct Format {
        unsigned id = 0;                   // CF_TEXT, CF_UNICODETEXT, a registered format ...
        std::vector<unsigned char> bytes;  // the whole global-memory block
    };
    std::vector<Format> formats;
};

// Everything the CAD link asks of the desktop. Win32Desktop forwards each call to the Win32
// function of the same meaning; the simulated desktop of the tests hosts the stand-in CAD
// session in-process, so the same link code runs natively against it.
//
// Calls on a handle that names no window (0, or a window that has gone) answer as Win32 does:
// empty text, 0, false, and nothing sent.
class Desktop {
public:
    virtual ~Desktop() = default;

    // How long a message sent to another process's window is waited for before the call throws
    // WindowNotAnswering (SendMessageTimeout). A window that the system already takes for hung
    // (no message taken for 5 s) fails reads at once.
    static constexpr int AnswerTimeoutMs = 1500;

    // Enumeration: the callback answers true to continue, false to stop. An exception thrown by
    // the callback ends the enumeration and is rethrown to the caller of Enum*, never through
    // the platform's own callback frames.
    using EnumCallback = std::function<bool(WindowHandle)>;
    // EnumWindows: the top-level windows, front to back.
    virtual void EnumTopLevelWindows(const EnumCallback& callback) = 0;
    // EnumChildWindows: every descendant, children of children included; a parent of 0 means
    // the desktop, and then the top-level windows are visited (as EnumWindows would).
    virtual void EnumChildWindows(WindowHandle parent, const EnumCallback& callback) = 0;

    // GetWindowTextA / GetClassNameA with a 256-byte buffer and 255 as capacity: at most 255
    // code-page bytes.
    virtual std::string WindowTitle(WindowHandle window) = 0;
    virtual std::string WindowClass(WindowHandle window) = 0;
    // GetWindowThreadProcessId; 0 for no window.
    virtual std::uint32_t WindowProcessId(WindowHandle window) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual bool IsWindowUnicode(WindowHandle window) = 0;
    virtual bool SetForegroundWindow(WindowHandle window) = 0;

    // SendMessage(WM_COPYDATA) with wParam 0 and a COPYDATASTRUCT of these three fields; the
    // platform copies cbData bytes from data into the receiving process. The answer is unused.
    // This and the three sends after PostNull throw WindowNotAnswering (see above).
    virtual void SendCopyData(WindowHandle window, std::uintptr_t dwData, const void* data,
                              std::uint32_t cbData) = 0;
    // PostMessage(WM_NULL, 0, 0).
    virtual void PostNull(WindowHandle window) = 0;
    // SendMessageA(WM_GETTEXTLENGTH); 0 for a window that has gone.
    virtual long GetTextLength(WindowHandle window) = 0;
    // SendMessageA(WM_GETTEXT) with wParam `capacity` into a buffer of `capacity` bytes; the
    // bytes up to the first NUL, in the ANSI code page.
    virtual std::string GetText(WindowHandle window, long capacity) = 0;
    // SendMessage(WM_COMMAND, id, 0).
    virtual void SendCommand(WindowHandle window, unsigned id) = 0;

    // The clipboard, open for the lifetime of this object (OpenClipboard .. CloseClipboard).
    // Every member throws ClipboardError when the platform refuses.
    class Clipboard {
    public:
        virtual ~Clipboard() = default;
        virtual void Empty() = 0;
        // CF_TEXT: code-page bytes up to the first NUL; empty when there is no text.
        virtual std::string Text() = 0;
        // Empties the clipboard and puts `text` on it as CF_TEXT.
        virtual void SetText(std::string_view text) = 0;
        // Empties the clipboard and puts `text` on it as CF_UNICODETEXT, which every program
        // that pastes text reads whatever its code page; the system offers CF_TEXT from it.
        virtual void SetUnicodeText(std::u16string_view text) = 0;
        // Every format the clipboard holds that can be copied as bytes.
        virtual ClipboardSnapshot Save() = 0;
        // Empties the clipboard and puts the saved formats back.
        virtual void Restore(const ClipboardSnapshot& snapshot) = 0;
    };
    // Throws ClipboardError when another program holds the clipboard open. Another process
    // cannot use the clipboard while the returned object lives, so it must not be kept across
    // a message that asks the CAD to fill the clipboard.
    virtual std::unique_ptr<Clipboard> OpenClipboard() = 0;
    // As OpenClipboard, but a single attempt that never waits: for retries from the dialog's
    // own time, which must not stall it.
    virtual std::unique_ptr<Clipboard> OpenClipboardAtOnce() { return OpenClipboard(); }
    // GetClipboardSequenceNumber: changes whenever anyone changes the clipboard's contents.
    virtual std::uint32_t ClipboardSequenceNumber() = 0;

    // CompareStringA with the user default locale, no flags and both lengths as given: true
    // when the platform says "equal".
    virtual bool LocaleEqual(std::string_view a, std::string_view b) = 0;
    // The system ANSI code page (932 on the target systems) to and from UTF-16. Characters the
    // code page cannot hold become its default character.
    virtual std::u16string AnsiToWide(std::string_view text) = 0;
    virtual std::string WideToAnsi(std::u16string_view text) = 0;

    // Draws `text` once onto the window through its device context: GetWindowRect for the
    // height h, GetDC, GetTextExtentPoint32A for the text height th, SetBkColor, SetTextColor,
    // TextOutA at (0, h - th), ReleaseDC. Colours are COLORREF values (0x00BBGGRR). Nothing is
    // drawn for a handle that names no window: GetDC(0) would be the whole screen.
    virtual void PaintText(WindowHandle window, std::string_view text, std::uint32_t background,
                           std::uint32_t foreground) = 0;
};

// Waiting for the CAD: the caller's message processing between polls, and the sleep. The
// application's host sleeps for real and pumps its dialog; tests advance a virtual clock.
class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void Sleep(int milliseconds) = 0;
    // Lets the tool's own pending messages be processed. May throw to end a run early (the
    // dialog was closed during the run); the CAD link lets that propagate.
    virtual void ProcessMessages() = 0;
    // A clock in milliseconds (any origin) on which Sleep passes, for waits bounded in time
    // whatever each step of them costs.
    virtual std::int64_t Milliseconds() = 0;
};

} // namespace vermiq
