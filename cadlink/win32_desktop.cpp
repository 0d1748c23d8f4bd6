// The real desktop: the CAD link's seam forwarded to user32, gdi32 and the code-page functions.
#include "cadlink/win32_desktop.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "common/win32_raii.h"
#include "common/win32_text.h"

namespace vermiq {
namespace {

HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// Enumeration callbacks run inside user32's frames: an exception must not cross them. It is
// kept here and rethrown once the enumeration has returned.
struct EnumContext {
    const Desktop::EnumCallback& callback;
    std::exception_ptr failure;
};

BOOL CALLBACK EnumProc(HWND window, LPARAM context) {
    auto* ctx = reinterpret_cast<EnumContext*>(context);
    try {
        return ctx->callback(Handle(window)) ? TRUE : FALSE;
    } catch (...) {
        ctx->failure = std::current_exception();
        return FALSE;
    }
}

// GlobalLock / GlobalUnlock.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    ~GlobalLockScope() { if (data_) GlobalUnlock(memory_); }
    const unsigned char* data() const { return static_cast<const unsigned char*>(data_); }
    unsigned char* data() { return static_cast<unsigned char*>(data_); }
private:
    HGLOBAL memory_;
    void* data_;
};

// A global-memory block on its way to SetClipboardData, freed unless the clipboard took it.
class GlobalBlock {
public:
    GlobalBlock(const void* bytes, std::size_t size)
        : memory_(GlobalAlloc(GMEM_MOVEABLE, size == 0 ? 1 : size)) {
        if (!memory_) return;
        GlobalLockScope lock(memory_);
        if (!lock.data()) return;
        if (size) std::memcpy(lock.data(), bytes, size);
        else lock.data()[0] = 0;
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    ~GlobalBlock() { if (memory_) GlobalFree(memory_); }
    // True when the clipboard now owns the block.
    bool HandTo(UINT format) {
        if (!memory_ || !SetClipboardData(format, memory_)) return false;
        memory_ = nullptr;
        return true;
    }
private:
    HGLOBAL memory_;
};

// Formats whose data are GDI objects or are owned and drawn by the program that put them
// there: no global memory to copy. The system makes CF_BITMAP again from CF_DIB.
bool IsHandleFormat(UINT format) {
    switch (format) {
    case CF_BITMAP: case CF_METAFILEPICT: case CF_PALETTE: case CF_ENHMETAFILE:
    case CF_OWNERDISPLAY: case CF_DSPBITMAP: case CF_DSPMETAFILEPICT: case CF_DSPENHMETAFILE:
        return true;
    default:
        return (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
               (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
    }
}

class Win32Clipboard final : public Desktop::Clipboard {
public:
    // A clipboard viewer may hold the clipboard for a moment after each change; only a
    // clipboard that stays held through all attempts counts as unavailable.
    Win32Clipboard(HWND owner, int attempts) {
        for (int attempt = 0; attempt < attempts; ++attempt) {
            if (attempt > 0) ::Sleep(10);
            if (::OpenClipboard(owner)) return;
        }
        throw ClipboardError();
    }
    Win32Clipboard(const Win32Clipboard&) = delete;
    Win32Clipboard& operator=(const Win32Clipboard&) = delete;
    ~Win32Clipboard() override { CloseClipboard(); }

    void Empty() override {
        if (!EmptyClipboard()) throw ClipboardError();
    }

    std::string Text() override {
        HANDLE data = GetClipboardData(CF_TEXT);
        if (!data) return {};
        GlobalLockScope lock(data);
        if (!lock.data()) throw ClipboardError();
        const char* text = reinterpret_cast<const char*>(lock.data());
        return std::string(text, std::find(text, text + GlobalSize(data), '\0'));
    }

    void SetText(std::string_view text) override {
        Empty();
        std::string bytes(text);
        GlobalBlock block(bytes.c_str(), bytes.size() + 1);
        if (!block.HandTo(CF_TEXT)) throw ClipboardError();
    }

    void SetUnicodeText(std::u16string_view text) override {
        Empty();
        std::u16string units(text);
        GlobalBlock block(units.c_str(), (units.size() + 1) * sizeof(char16_t));
        if (!block.HandTo(CF_UNICODETEXT)) throw ClipboardError();
    }

    ClipboardSnapshot Save() override {
        ClipboardSnapshot snapshot;
        for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
            if (IsHandleFormat(format)) continue;
            HANDLE data = GetClipboardData(format);
            if (!data) continue;  // the owner could not render it
            GlobalLockScope lock(data);
            if (!lock.data()) continue;
            const auto* bytes = lock.data();
            snapshot.formats.push_back({format, {bytes, bytes + GlobalSize(data)}});
        }
        return snapshot;
    }

    void Restore(const ClipboardSnapshot& snapshot) override {
        Empty();
        for (const auto& format : snapshot.formats) {
            // A format the system refuses (one it synthesises itself, say) is left to it.
            GlobalBlock block(format.bytes.data(), format.bytes.size());
            block.HandTo(format.id);
        }
    }
};

} // namespace

Win32Desktop::Win32Desktop()
    : clipboardOwner_(Handle(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                             nullptr, GetModuleHandleW(nullptr), nullptr))) {}

Win32Desktop::~Win32Desktop() {
    if (clipboardOwner_) DestroyWindow(Hwnd(clipboardOwner_));
}

void Win32Desktop::EnumTopLevelWindows(const EnumCallback& callback) {
    EnumContext context{callback, nullptr};
    ::EnumWindows(EnumProc, reinterpret_cast<LPARAM>(&context));
    if (context.failure) std::rethrow_exception(context.failure);
}

void Win32Desktop::EnumChildWindows(WindowHandle parent, const EnumCallback& callback) {
    EnumContext context{callback, nullptr};
    ::EnumChildWindows(Hwnd(parent), EnumProc, reinterpret_cast<LPARAM>(&context));
    if (context.failure) std::rethrow_exception(context.failure);
}

std::string Win32Desktop::WindowTitle(WindowHandle window) {
    char buffer[256] = {};
    int n = GetWindowTextA(Hwnd(window), buffer, 255);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string Win32Desktop::WindowClass(WindowHandle window) {
    char buffer[256] = {};
    int n = GetClassNameA(Hwnd(window), buffer, 255);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::uint32_t Win32Desktop::WindowProcessId(WindowHandle window) {
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(Hwnd(window), &pid)) return 0;
    return pid;
}

bool Win32Desktop::IsWindow(WindowHandle window) {
    return window != 0 && ::IsWindow(Hwnd(window));
}

bool Win32Desktop::IsWindowUnicode(WindowHandle window) {
    return ::IsWindowUnicode(Hwnd(window)) != FALSE;
}

namespace {
// A message to another process's window that does not wait for ever: a hung CAD must not freeze
// the dialog. A window that has gone answers 0, as SendMessage would; one that is there but
// silent throws. A window that the system takes for hung fails at once. A message that timed
// out is dropped (Wine removes it from the queue), so nothing arrives later out of turn.
LRESULT SendWaitingAtMost(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode) {
    DWORD_PTR result = 0;
    const UINT timeout = static_cast<UINT>(Desktop::AnswerTimeoutMs);
    const UINT flags = SMTO_ABORTIFHUNG;
    const LRESULT sent = unicode ? SendMessageTimeoutW(window, message, wParam, lParam, flags, timeout, &result)
                                 : SendMessageTimeoutA(window, message, wParam, lParam, flags, timeout, &result);
    if (sent == 0) {
        if (::IsWindow(window)) throw WindowNotAnswering();
        return 0;
    }
    return static_cast<LRESULT>(result);
}
} // namespace

bool Win32Desktop::SetForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(Hwnd(window)) != FALSE;
}

void Win32Desktop::SendCopyData(WindowHandle window, std::uintptr_t dwData, const void* data,
                                std::uint32_t cbData) {
    COPYDATASTRUCT record{};
    record.dwData = static_cast<ULONG_PTR>(dwData);
    record.cbData = cbData;
    record.lpData = const_cast<void*>(data);
    SendWaitingAtMost(Hwnd(window), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), true);
}

void Win32Desktop::PostNull(WindowHandle window) { PostMessageW(Hwnd(window), WM_NULL, 0, 0); }

// The text messages go in the window's own kind. Asked in the other kind, the system converts:
// an ANSI WM_GETTEXTLENGTH to a Unicode window is answered by a WM_GETTEXT of the system's own
// (under Wine), which no time-out bounds.
long Win32Desktop::GetTextLength(WindowHandle window) {
    if (!IsWindow(window)) return 0;
    const HWND hwnd = Hwnd(window);
    return static_cast<long>(SendWaitingAtMost(hwnd, WM_GETTEXTLENGTH, 0, 0, ::IsWindowUnicode(hwnd) != FALSE));
}

std::string Win32Desktop::GetText(WindowHandle window, long capacity) {
    if (capacity <= 0 || !IsWindow(window)) return {};
    const HWND hwnd = Hwnd(window);
    std::string text;
    if (::IsWindowUnicode(hwnd)) {
        std::wstring buffer(static_cast<std::size_t>(capacity), L'\0');
        SendWaitingAtMost(hwnd, WM_GETTEXT, static_cast<WPARAM>(capacity), reinterpret_cast<LPARAM>(buffer.data()),
                          true);
        text = win32::Narrow(buffer.c_str());
    } else {
        text.assign(static_cast<std::size_t>(capacity), '\0');
        SendWaitingAtMost(hwnd, WM_GETTEXT, static_cast<WPARAM>(capacity), reinterpret_cast<LPARAM>(text.data()),
                          false);
        text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    }
    // As many bytes as the capacity holds, its terminating zero counted.
    if (text.size() >= static_cast<std::size_t>(capacity)) text.resize(static_cast<std::size_t>(capacity - 1));
    return text;
}

void Win32Desktop::SendCommand(WindowHandle window, unsigned id) {
    SendWaitingAtMost(Hwnd(window), WM_COMMAND, static_cast<WPARAM>(id), 0, true);
}

std::unique_ptr<Desktop::Clipboard> Win32Desktop::OpenClipboard() {
    return std::make_unique<Win32Clipboard>(Hwnd(clipboardOwner_), 10);
}

std::unique_ptr<Desktop::Clipboard> Win32Desktop::OpenClipboardAtOnce() {
    return std::make_unique<Win32Clipboard>(Hwnd(clipboardOwner_), 1);
}

std::uint32_t Win32Desktop::ClipboardSequenceNumber() { return GetClipboardSequenceNumber(); }

bool Win32Desktop::LocaleEqual(std::string_view a, std::string_view b) {
    return CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::u16string Win32Desktop::AnsiToWide(std::string_view text) {
    const std::wstring wide = win32::Widen(text);
    return std::u16string(wide.begin(), wide.end());
}

std::string Win32Desktop::WideToAnsi(std::u16string_view text) {
    const std::wstring wide(text.begin(), text.end());
    return win32::Narrow(wide);
}

void Win32Desktop::PaintText(WindowHandle window, std::string_view text, std::uint32_t background,
                             std::uint32_t foreground) {
    if (!IsWindow(window)) return;
    RECT rect{};
    if (!GetWindowRect(Hwnd(window), &rect)) return;
    win32::WindowDC dc(Hwnd(window));
    if (!dc) return;
    const int length = static_cast<int>(text.size());
    SIZE extent{};
    GetTextExtentPoint32A(dc.get(), text.data(), length, &extent);
    SetBkColor(dc.get(), static_cast<COLORREF>(background));
    SetTextColor(dc.get(), static_cast<COLORREF>(foreground));
    TextOutA(dc.get(), 0, (rect.bottom - rect.top) - extent.cy, text.data(), length);
}

} // namespace vermiq
