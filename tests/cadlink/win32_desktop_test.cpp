// Win32Desktop against real windows of a small fake CAD that runs on its own thread: the
// conversions, WM_COPYDATA in both forms, the locale comparison and the clipboard are the
// platform's own here, not a simulation.
#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cadlink/cad_link.h"
#include "cadlink/silent_abort.h"
#include "cadlink/win32_desktop.h"
#include "common/win32_text.h"
#include "tests/cadlink/win32_test_support.h"

namespace vermiq {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr wchar_t kFrameClass[] = L"Afx:00400000:8:00010011:00000000:0FAKE001";
constexpr char kAnsiFrameClass[] = "Afx:00400000:8:00010011:00000000:0FAKE002";
constexpr wchar_t kPlainClass[] = L"VermiqFakeCadPlain";
constexpr wchar_t kTextWindowClass[] = L"VermiqFakeCadText";

struct Received {
    ULONG_PTR dwData;
    DWORD cbData;
    Bytes bytes;
};

// The fake CAD: a Unicode or ANSI main frame with the two panes docked in it, a text window
// titled "コマンド ウィンドウ" that copies its history to the clipboard on menu command 32781, and
// a window titled "コマンド ウィンドウ" with more after it, which must never be taken.
class FakeCad {
public:
    explicit FakeCad(bool unicodeFrame) : unicode_(unicodeFrame) {
        thread_ = std::thread([this] { Run(); });
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return started_; });
    }
    ~FakeCad() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    FakeCad(const FakeCad&) = delete;
    FakeCad& operator=(const FakeCad&) = delete;

    HWND frame = nullptr, input = nullptr, history = nullptr, textWindow = nullptr,
         longerTitle = nullptr, prompt = nullptr;
    std::string historyText = "コマンド: ID\r\n点を指定: X = 1.0000  Y = 2.0000  Z = 0.0000\r\n";

    std::vector<Received> received() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

private:
    static FakeCad* self_;

    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COPYDATA) {
            const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const auto* data = static_cast<const unsigned char*>(record->lpData);
            std::lock_guard<std::mutex> lock(self_->mutex_);
            self_->received_.push_back({record->dwData, record->cbData,
                                        Bytes(data, data + record->cbData)});
            return TRUE;
        }
        return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    }

    static LRESULT CALLBACK TextWindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
        if (message == WM_COMMAND && LOWORD(wParam) == 32781) {
            if (OpenClipboard(window)) {
                EmptyClipboard();
                const std::string& text = self_->historyText;
                HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
                std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
                GlobalUnlock(memory);
                if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
                CloseClipboard();
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void Run() {
        self_ = this;
        threadId_ = GetCurrentThreadId();
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        wc.hInstance = instance;
        wc.lpfnWndProc = FrameProc;
        wc.lpszClassName = kFrameClass;
        RegisterClassW(&wc);
        WNDCLASSA ac{};
        ac.hInstance = instance;
        ac.lpfnWndProc = FrameProc;
        ac.lpszClassName = kAnsiFrameClass;
        RegisterClassA(&ac);
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = kPlainClass;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        RegisterClassW(&wc);
        wc.lpfnWndProc = TextWindowProc;
        wc.lpszClassName = kTextWindowClass;
        RegisterClassW(&wc);

        if (unicode_)
            frame = CreateWindowExW(0, kFrameClass, L"AutoCAD LT - [fake.dwg]",
                                    WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                    nullptr, instance, nullptr);
        else
            frame = CreateWindowExA(0, kAnsiFrameClass, "AutoCAD LT - [fake.dwg]",
                                    WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                    nullptr, instance, nullptr);
        HWND bar = CreateWindowExW(0, kPlainClass, L"", WS_CHILD | WS_VISIBLE, 0, 200, 400, 60,
                                   frame, nullptr, instance, nullptr);
        history = CreateWindowExW(0, kPlainClass, L"MountTam", WS_CHILD | WS_VISIBLE, 0, 0, 400,
                                  40, bar, nullptr, instance, nullptr);
        input = CreateWindowExW(0, kPlainClass, L"Headlands", WS_CHILD | WS_VISIBLE, 0, 40, 400,
                                20, bar, nullptr, instance, nullptr);
        textWindow = CreateWindowExW(0, kTextWindowClass, win32::Widen("コマンド ウィンドウ").c_str(),
                                     WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, instance,
                                     nullptr);
        // Created later, so enumerated earlier.
        longerTitle = CreateWindowExW(0, kPlainClass, win32::Widen("コマンド ウィンドウ 2").c_str(),
                                      WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, instance,
                                      nullptr);
        prompt = CreateWindowExW(0, kPlainClass, win32::Widen("コマンド: ").c_str(), WS_OVERLAPPED,
                                 0, 0, 100, 100, nullptr, nullptr, instance, nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            started_ = true;
        }
        ready_.notify_all();

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        for (HWND w : {prompt, textWindow, longerTitle, frame}) DestroyWindow(w);
        UnregisterClassW(kFrameClass, instance);
        UnregisterClassA(kAnsiFrameClass, instance);
        UnregisterClassW(kPlainClass, instance);
        UnregisterClassW(kTextWindowClass, instance);
    }

    bool unicode_;
    std::thread thread_;
    DWORD threadId_ = 0;
    std::mutex mutex_;
    std::condition_variable ready_;
    bool started_ = false;
    std::vector<Received> received_;
};

FakeCad* FakeCad::self_ = nullptr;

WindowHandle H(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// Holds the clipboard open from another thread, as another program would.
class ClipboardHolder {
public:
    ClipboardHolder() {
        thread_ = std::thread([this] {
            HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
            bool opened = OpenClipboard(owner) != FALSE;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                held_ = opened;
                state_ = 1;
            }
            changed_.notify_all();
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return state_ == 2; });
            if (opened) CloseClipboard();
            DestroyWindow(owner);
        });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return state_ == 1; });
    }
    ~ClipboardHolder() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            state_ = 2;
        }
        changed_.notify_all();
        thread_.join();
    }
    bool held() const { return held_; }

private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int state_ = 0;
    bool held_ = false;
};

struct Win32DesktopTest : ::testing::Test {
    Win32Desktop desktop;
    test::PumpingWaiter waiter;
};

TEST_F(Win32DesktopTest, CopyDataInBothFormsCrossesAsSent) {
    for (bool unicode : {true, false}) {
        FakeCad cad(unicode);
        CadLink link(desktop, waiter);
        ASSERT_EQ(link.LocateCadMainWindow(), H(cad.frame));
        EXPECT_EQ(link.Windows().CadProcessId, GetCurrentProcessId());
        EXPECT_EQ(desktop.IsWindowUnicode(H(cad.frame)), unicode);

        const std::u16string longCommand = u"\x03" + std::u16string(300, u'w') + u"作業";
        ASSERT_TRUE(link.SendCadCommand(u"\x03"));
        ASSERT_TRUE(link.SendCadCommand(longCommand));
        ASSERT_TRUE(link.SendCadCommandInForm(std::u16string(255, u'a'), true));
        const auto received = cad.received();
        ASSERT_EQ(received.size(), 3u);
        for (const Received& r : received) EXPECT_EQ(r.dwData, 1u);
        EXPECT_EQ(received[0].cbData, unicode ? 4u : 2u);
        EXPECT_EQ(received[0].bytes, unicode ? (Bytes{3, 0, 0, 0}) : (Bytes{3, 0}));
        const std::string cp932 = "\x03" + std::string(300, 'w') + "作業";
        if (unicode) {
            EXPECT_EQ(received[1].cbData, (longCommand.size() + 1) * 2);
            EXPECT_EQ(std::memcmp(received[1].bytes.data(), longCommand.data(), longCommand.size() * 2), 0);
        } else {
            EXPECT_EQ(received[1].bytes, Bytes(cp932.c_str(), cp932.c_str() + cp932.size() + 1));
        }
        EXPECT_EQ(received[2].cbData, 512u);
    }
}

TEST_F(Win32DesktopTest, DiscoveryTextAndLocaleComparison) {
    FakeCad cad(true);
    CadLink link(desktop, waiter);
    ASSERT_TRUE(link.IsCadAvailable());
    EXPECT_EQ(link.LocateCommandInputPane(), H(cad.input));
    EXPECT_EQ(link.LocateCommandHistoryPane(), H(cad.history));
    // The exact title, not the longer one, whichever comes first.
    EXPECT_EQ(link.LocateCadTextWindow(), H(cad.textWindow));
    EXPECT_EQ(desktop.WindowTitle(H(cad.textWindow)), "コマンド ウィンドウ");
    EXPECT_EQ(link.ReadWindowText(H(cad.prompt)), "コマンド: ");
    EXPECT_EQ(link.ReadWindowText(0), "");
    EXPECT_TRUE(desktop.LocaleEqual("AutoCAD ", "AutoCAD "));
    EXPECT_FALSE(desktop.LocaleEqual("autocad ", "AutoCAD "));
    EXPECT_EQ(desktop.AnsiToWide("コマンド"), u"コマンド");
    // What code page 932 cannot hold becomes its default character, also where the system has
    // a look-alike for it (best fit): no "\\" for the yen sign, no "e" for "é".
    for (const char16_t* text : {u"\u0E01", u"\u00A5", u"\u00E9", u"\u00C0", u"\u2009"})
        EXPECT_EQ(desktop.WideToAnsi(text), "?") << static_cast<unsigned>(text[0]);
    // The command channel sends the same.
    ASSERT_TRUE(link.SendCadCommandInForm(u"C:\u00A5x", false));
    ASSERT_FALSE(cad.received().empty());
    EXPECT_EQ(cad.received().back().bytes, (Bytes{'C', ':', '?', 'x', 0}));
}

TEST_F(Win32DesktopTest, HistoryReadGivesTheUserTheirClipboardBack) {
    FakeCad cad(true);
    CadLink link(desktop, waiter);
    ASSERT_TRUE(link.IsCadAvailable());

    const UINT custom = RegisterClipboardFormatW(L"VermiqTestFormat");
    const std::wstring userText = win32::Widen("利用者の文字列");
    const Bytes customBytes = {1, 0, 2, 0, 255, 7};
    {
        auto clipboard = desktop.OpenClipboard();
        ClipboardSnapshot user;
        const auto* text = reinterpret_cast<const unsigned char*>(userText.c_str());
        user.formats.push_back({CF_UNICODETEXT, Bytes(text, text + (userText.size() + 1) * 2)});
        user.formats.push_back({custom, customBytes});
        clipboard->Restore(user);
    }
    EXPECT_EQ(link.ReadCommandHistory(), cad.historyText);
    EXPECT_EQ(link.LastHistoryLine(), "点を指定: X = 1.0000  Y = 2.0000  Z = 0.0000");

    auto clipboard = desktop.OpenClipboard();
    const ClipboardSnapshot after = clipboard->Save();
    bool sawText = false, sawCustom = false;
    for (const auto& format : after.formats) {
        if (format.id == CF_UNICODETEXT) {
            sawText = true;
            EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(format.bytes.data())), userText);
        }
        if (format.id == custom) {
            sawCustom = true;
            EXPECT_EQ(Bytes(format.bytes.begin(), format.bytes.begin() + 6), customBytes);
        }
    }
    EXPECT_TRUE(sawText);
    EXPECT_TRUE(sawCustom);
    EXPECT_EQ(clipboard->Text(), "利用者の文字列");  // CF_TEXT as the system derives it
}

TEST_F(Win32DesktopTest, ClipboardHeldElsewhereEndsTheReadAfterItsRetries) {
    FakeCad cad(true);
    CadLink link(desktop, waiter);
    ASSERT_TRUE(link.IsCadAvailable());
    desktop.OpenClipboard()->SetText("keep");
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.held());
        EXPECT_THROW(link.ReadCommandHistory(), HistoryUnavailable);
    }
    EXPECT_EQ(desktop.OpenClipboard()->Text(), "keep");
    // A table goes on as Unicode text; the system derives the code-page text from it.
    desktop.OpenClipboard()->SetUnicodeText(u"画層\t本数\r\n表\t2\r\n");
    EXPECT_EQ(desktop.OpenClipboard()->Text(), "画層\t本数\r\n表\t2\r\n");
}

TEST_F(Win32DesktopTest, PromptIsPaintedAtTheBottomOfThePane) {
    FakeCad cad(true);
    CadLink link(desktop, waiter);
    ASSERT_TRUE(link.IsCadAvailable());
    // Only this test shows the fake CAD: a shown window costs Wine seconds to take down.
    ShowWindow(cad.frame, SW_SHOWNOACTIVATE);
    UpdateWindow(cad.frame);
    link.PaintPrompt(link.LocateCommandHistoryPane(), "要素を選択ください");
    HDC dc = GetDC(cad.history);
    const COLORREF bottomLeft = GetPixel(dc, 1, 38);
    const COLORREF topRight = GetPixel(dc, 398, 1);
    ReleaseDC(cad.history, dc);
    if (bottomLeft == CLR_INVALID) GTEST_SKIP() << "the pane is not on a display";
    EXPECT_NE(topRight, RGB(255, 127, 127));
    // Some pixel of the prompt's first line of text has the prompt background.
    dc = GetDC(cad.history);
    bool found = false;
    for (int x = 0; x < 60 && !found; ++x)
        for (int y = 20; y < 40 && !found; ++y) found = GetPixel(dc, x, y) == RGB(255, 127, 127);
    ReleaseDC(cad.history, dc);
    EXPECT_TRUE(found);
}

TEST_F(Win32DesktopTest, ExceptionInAnEnumerationCallbackReachesTheCaller) {
    FakeCad cad(true);
    int visited = 0;
    EXPECT_THROW(desktop.EnumTopLevelWindows([&](WindowHandle) -> bool {
        ++visited;
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(visited, 1);
    EXPECT_THROW(desktop.EnumChildWindows(H(cad.frame),
                                          [](WindowHandle) -> bool { throw std::logic_error("x"); }),
                 std::logic_error);
}

} // namespace
} // namespace vermiq
