// The real desktop: the CAD link's seam forwarded to user32, gdi32 and the code-page functions.
#pragma once

#include "cadlink/desktop.h"

namespace vermiq {

// Create and use on the user-interface thread. It owns one hidden message-only window, the
// clipboard owner that SetClipboardData needs.
class Win32Desktop final : public Desktop {
public:
    Win32Desktop();
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    void EnumTopLevelWindows(const EnumCallback& callback) override;
    void EnumChildWindows(WindowHandle parent, const EnumCallback& callback) override;
    std::string WindowTitle(WindowHandle window) override;
    std::string WindowClass(WindowHandle window) override;
    std::uint32_t WindowProcessId(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override;
    bool IsWindowUnicode(WindowHandle window) override;
    bool SetForegroundWindow(WindowHandle window) override;
    void SendCopyData(WindowHandle window, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override;
    void PostNull(WindowHandle window) override;
    long GetTextLength(WindowHandle window) override;
    std::string GetText(WindowHandle window, long capacity) override;
    void SendCommand(WindowHandle window, unsigned id) override;
    std::unique_ptr<Clipboard> OpenClipboard() override;
    std::unique_ptr<Clipboard> OpenClipboardAtOnce() override;
    std::uint32_t ClipboardSequenceNumber() override;
    bool LocaleEqual(std::string_view a, std::string_view b) override;
    std::u16string AnsiToWide(std::string_view text) override;
    std::string WideToAnsi(std::u16string_view text) override;
    void PaintText(WindowHandle window, std::string_view text, std::uint32_t background,
                   std::uint32_t foreground) override;

private:
    std::uintptr_t clipboardOwner_ = 0;  // HWND
};

} // namespace vermiq
