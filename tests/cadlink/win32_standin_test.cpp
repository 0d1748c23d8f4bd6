// The CAD link on the real desktop: Win32Desktop against StandinCad.exe, started as a separate
// process in each of its window layouts, with real window messages and the real clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cadlink/cad_link.h"
#include "cadlink/silent_abort.h"
#include "cadlink/win32_desktop.h"
#include "common/win32_text.h"
#include "tests/cadlink/win32_test_support.h"
#include "tests/support/win32_process.h"

namespace vermiq {
namespace {

namespace fs = std::filesystem;
using test::PumpingWaiter;

#ifdef VERMIQ_STANDIN_EXE
constexpr const char* kStandinExe = VERMIQ_STANDIN_EXE;
#else
constexpr const char* kStandinExe = "";
#endif

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A read-only value long enough to be wrapped over three history lines by --wrap 60, while the
// point pick's "X = …" line stays whole.
const std::string kFolder =
    "C:\\Users\\taro\\AppData\\Roaming\\Tallomir\\" + std::string(100, 'd') + "\\";

struct Layout {
    const char* name;
    const char* arguments;
    const char* inputTitle;
    const char* historyTitle;
    bool unicode;
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

// One StandinCad.exe process with its input files and evidence in `folder`; terminated if the
// test ends before it has closed.
class StandinProcess {
public:
    StandinProcess(const std::string& arguments, const fs::path& folder,
                   const std::string& scenario = "wait 600\nclick 120.5,45.25\n")
        : folder_(folder), process_(test::WindowsPath(kStandinExe), Arguments(arguments, folder, scenario)) {}

    bool Started() const { return process_.Started(); }
    DWORD ProcessId() const { return process_.Pid(); }
    fs::path LogPath() const { return folder_ / "received.log"; }
    fs::path StatePath() const { return folder_ / "state.txt"; }

    // True when the process ends of its own accord after WM_CLOSE to its main frame.
    bool Close(HWND mainFrame) {
        PostMessageW(mainFrame, WM_CLOSE, 0, 0);
        return process_.Exited(10000);
    }

private:
    static std::wstring Arguments(const std::string& layout, const fs::path& folder, const std::string& scenario) {
        fs::create_directories(folder);
        std::ofstream(folder / "scenario.txt") << scenario;
        std::ofstream(folder / "drawing.txt") << "LINE 0,0 100,0\nCIRCLE 50,50 10\n";
        const std::string options = layout + " --wrap 60 --readonly DWGPREFIX=" + kFolder;
        auto file = [&](const char* option, const char* name) {
            return L" " + std::wstring(option, option + std::strlen(option)) + L" \"" +
                   test::WindowsPath((folder / name).string()) + L"\"";
        };
        return std::wstring(options.begin(), options.end()) + file("--drawing", "drawing.txt") +
               file("--scenario", "scenario.txt") + file("--log", "received.log") +
               file("--state", "state.txt");
    }

    fs::path folder_;
    test::ChildProcess process_;
};

class AgainstStandin : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        if (!*kStandinExe || !fs::exists(kStandinExe)) GTEST_SKIP() << "StandinCad.exe not built";
    }
};

// The clipboard as the user left it: Unicode text, put there by a window of this test.
class UserClipboard {
public:
    UserClipboard()
        : owner_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr)) {}
    ~UserClipboard() { DestroyWindow(owner_); }
    UserClipboard(const UserClipboard&) = delete;
    UserClipboard& operator=(const UserClipboard&) = delete;

    bool Put(const std::wstring& text) {
        if (!OpenClipboard(owner_)) return false;
        EmptyClipboard();
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        bool ok = false;
        if (memory) {
            std::memcpy(GlobalLock(memory), text.c_str(), bytes);
            GlobalUnlock(memory);
            ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            if (!ok) GlobalFree(memory);
        }
        CloseClipboard();
        return ok;
    }
    std::wstring Get() {
        if (!OpenClipboard(owner_)) return L"<clipboard held>";
        std::wstring text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = chars;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        return text;
    }

private:
    HWND owner_;
};

TEST_P(AgainstStandin, DiscoveryChannelHistoryQueryPickAndClipboard) {
    const Layout& layout = GetParam();
    const fs::path folder = fs::temp_directory_path() / ("vermiq_cadlink_" + std::string(layout.name));
    fs::remove_all(folder);
    StandinProcess cad(layout.arguments, folder);
    ASSERT_TRUE(cad.Started()) << "StandinCad.exe did not start";

    Win32Desktop desktop;
    PumpingWaiter waiter;
    CadLink link(desktop, waiter);

    // The stand-in creates its main frame first and shows it once all its windows are there,
    // as a CAD that has finished starting would be.
    ASSERT_TRUE(test::WaitUntil([&] {
        return link.IsCadAvailable() && link.Windows().CadProcessId == cad.ProcessId() &&
               IsWindowVisible(reinterpret_cast<HWND>(link.Windows().CadMainWindow));
    })) << "the stand-in's main frame did not appear";
    ASSERT_TRUE(link.BringCadToFront());

    const WindowHandle input = link.LocateCommandInputPane();
    const WindowHandle history = link.LocateCommandHistoryPane();
    ASSERT_NE(input, 0u);
    ASSERT_NE(history, 0u);
    EXPECT_EQ(desktop.WindowTitle(input), layout.inputTitle);
    EXPECT_EQ(desktop.WindowTitle(history), layout.historyTitle);
    EXPECT_EQ(desktop.WindowProcessId(input), cad.ProcessId());
    EXPECT_EQ(desktop.WindowProcessId(history), cad.ProcessId());
    EXPECT_EQ(desktop.IsWindowUnicode(link.Windows().CadMainWindow), layout.unicode);
    EXPECT_NE(link.LocateCadTextWindow(), 0u);
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");

    // Commands arrive as sent, also one longer than 255 units with Japanese in it.
    const std::string longText = "C:\\" + std::string(300, 'w') + "\\作業フォルダ";
    ASSERT_TRUE(link.SendCadCommand(desktop.AnsiToWide("\x03" + longText + "\x03")));

    UserClipboard clipboard;
    const std::wstring userText = win32::Widen("利用者のテキスト 123");
    ASSERT_TRUE(clipboard.Put(userText));

    std::string x, y;
    ASSERT_TRUE(link.PickPoint(history, "辺長値を描画したい位置をクリック", x, y));
    EXPECT_EQ(x, "120.5000");
    EXPECT_EQ(y, "45.2500");
    EXPECT_EQ(clipboard.Get(), userText);
    EXPECT_EQ(link.QueryCadVariable("LASTPOINT"), "120.5000,45.2500,0.0000");

    // A read-only value is answered in the history, wrapped over three lines.
    EXPECT_EQ(link.QueryCadVariable("DWGPREFIX"), kFolder);
    EXPECT_EQ(clipboard.Get(), userText);

    const std::string historyText = link.ReadCommandHistory();
    EXPECT_NE(historyText.find("X = "), std::string::npos);
    EXPECT_FALSE(link.LastHistoryLine().empty());
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    EXPECT_EQ(clipboard.Get(), userText);

    const HWND frame = reinterpret_cast<HWND>(link.Windows().CadMainWindow);
    EXPECT_TRUE(cad.Close(frame)) << "the stand-in did not close on WM_CLOSE";
    EXPECT_FALSE(link.IsCadAvailable());

    // The stand-in logs each text as received, one per line, with ^C for code 3 and ^M for 13.
    const std::string log = ReadFile(cad.LogPath());
    const std::string expected = "^C" + longText + "^C\n"
                                 "^CFILEDIA 0^M\n"
                                 "^CID \n"
                                 "'SETVAR LASTPOINT^M\n"
                                 "^C\n"
                                 "^CFILEDIA 1^M\n"
                                 "'SETVAR LASTPOINT^M\n"
                                 "^C\n"
                                 "'SETVAR DWGPREFIX^M\n";
    EXPECT_EQ(log, expected);
    const std::string state = ReadFile(cad.StatePath());
    EXPECT_NE(state.find("VAR FILEDIA 1"), std::string::npos) << state;
}

// A CAD whose window thread stops for 12 s answers no message: the link gives up within 10 s,
// the dialog's thread never waits longer than one message's time-out at once, and a command left
// for the CAD reaches it, once, when it answers again.
TEST(AgainstAHungStandin, GivesUpWithinTenSecondsAndTheLeftCommandArrivesOnceItAnswers) {
    if (!*kStandinExe || !fs::exists(kStandinExe)) GTEST_SKIP() << "StandinCad.exe not built";
    const fs::path folder = fs::temp_directory_path() / "vermiq_cadlink_hung";
    fs::remove_all(folder);
    StandinProcess cad("--layout docked", folder, "wait 500\nhang 12000\n");
    ASSERT_TRUE(cad.Started());
    Win32Desktop desktop;
    PumpingWaiter waiter;
    CadLink link(desktop, waiter);
    // Its main frame comes first, its command line a moment later.
    ASSERT_TRUE(test::WaitUntil([&] { return link.ReadCommandInput() == "コマンド: "; }));
    // Into SELECT, where the scenario's hang waits for its request.
    ASSERT_TRUE(link.SendCadCommand(u"\x03SELECT SI\r"));
    Sleep(1500);
    const ULONGLONG start = GetTickCount64();
    EXPECT_THROW(link.ReadCommandInput(), CadNotAnswering);
    EXPECT_THROW(link.SendCadCommand(u"ID "), CadNotAnswering);
    link.LeaveCommand(u"\x03" u"FILEDIA 1\r");
    EXPECT_TRUE(link.LeftCommandPending());
    EXPECT_LT(GetTickCount64() - start, 10000u);
    ASSERT_TRUE(test::WaitUntil([&] { return !link.RetryLeftCommand(); }, 20000));
    EXPECT_EQ(ReadFile(cad.LogPath()), "^CSELECT SI^M\n^CFILEDIA 1^M\n");
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    EXPECT_TRUE(cad.Close(reinterpret_cast<HWND>(link.Windows().CadMainWindow)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, AgainstStandin,
    ::testing::Values(
        Layout{"docked", "--layout docked", "Headlands", "MountTam", true},
        Layout{"docked_ansi", "--layout docked --panes inputoutput --ansi", "input", "output", false},
        Layout{"floating", "--layout floating", "Headlands", "MountTam", true},
        Layout{"textwindow", "--layout textwindow --panes inputoutput", "input", "output", true},
        Layout{"commandwindow", "--layout commandwindow --ansi", "Headlands", "MountTam", false},
        Layout{"draftsight", "--layout draftsight", "Headlands", "MountTam", true}),
    [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vermiq
