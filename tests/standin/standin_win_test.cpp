// StandinCad.exe seen from another process, as the tool sees a CAD: found by its windows'
// titles and classes, driven with WM_COPYDATA, read back through its input pane and its text
// window's history copy, and judged by its log, its DXF file and its state file.
#include "common/win32_raii.h"
#include "common/win32_text.h"
#include "tests/support/win32_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vermiq::win32::KernelHandle;
using vermiq::win32::Narrow;
using vermiq::win32::Widen;

constexpr char kIdle[] = "コマンド: ";

// The build passes Linux paths; Wine sees the Linux root as drive Z:.
std::string WinePath(std::string path) {
    if (!path.empty() && path.front() == '/') {
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::string OutDir() { return WinePath(STANDIN_TEST_OUT); }
std::string DataFile(const std::string& name) { return WinePath(std::string(VERMIQ_TEST_DATA) + "/standin/" + name); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Title(HWND w) {
    char buffer[256] = {};
    GetWindowTextA(w, buffer, 255);
    return buffer;
}

std::string ClassOf(HWND w) {
    char buffer[256] = {};
    GetClassNameA(w, buffer, 255);
    return buffer;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
bool Contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

// One running StandinCad.exe and its windows, found as the tool finds a CAD's.
class Standin {
public:
    explicit Standin(const std::string& arguments) {
        std::string exe = WinePath(STANDIN_EXE);
        std::wstring command = Widen("\"" + exe + "\" " + arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            ADD_FAILURE() << "cannot start " << exe;
            return;
        }
        process_ = std::make_unique<KernelHandle>(pi.hProcess);
        KernelHandle thread(pi.hThread);
        processId_ = pi.dwProcessId;
        for (int i = 0; i < 400 && !main_; ++i) {
            if (WaitForSingleObject(process_->get(), 0) == WAIT_OBJECT_0) break;
            EnumWindows(MatchMain, reinterpret_cast<LPARAM>(this));
            if (!main_) Sleep(50);
        }
        // The main frame exists before its panes and the other windows; the stand-in shows it
        // once all of them are there.
        for (int i = 0; i < 400 && main_ && !IsWindowVisible(main_); ++i) Sleep(25);
    }

    ~Standin() {
        if (!process_) return;
        if (main_ && IsWindow(main_)) PostMessageW(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_->get(), 5000) != WAIT_OBJECT_0) TerminateProcess(process_->get(), 1);
    }

    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processId_; }

    // The panes: children of the main frame, else of the floating command line, else of the
    // text window.
    bool FindPanes() {
        EnumChildWindows(main_, MatchPane, reinterpret_cast<LPARAM>(this));
        if (!input_) {
            EnumWindows(MatchFloating, reinterpret_cast<LPARAM>(this));
            if (floating_) EnumChildWindows(floating_, MatchPane, reinterpret_cast<LPARAM>(this));
        }
        if (!input_ && FindTextWindow()) EnumChildWindows(text_, MatchPane, reinterpret_cast<LPARAM>(this));
        return input_ && history_;
    }
    HWND Input() const { return input_; }
    HWND History() const { return history_; }
    HWND Floating() const { return floating_; }
    bool PanesIn(HWND parent) const { return input_ && GetParent(input_) == parent; }

    bool FindTextWindow() {
        text_ = nullptr;
        EnumWindows(MatchText, reinterpret_cast<LPARAM>(this));
        return text_ != nullptr;
    }
    HWND Text() const { return text_; }

    // WM_COPYDATA with dwData 1 in the form the main frame's character set asks for.
    void Send(const std::string& command) { SendInForm(command, IsWindowUnicode(main_) != 0); }

    void SendInForm(const std::string& command, bool unicode, ULONG_PTR dwData = 1) {
        if (dwData == 1) sent_.push_back(command);
        COPYDATASTRUCT data{};
        data.dwData = dwData;
        std::wstring wide;
        if (unicode) {
            wide = Widen(command);
            data.cbData = static_cast<DWORD>((wide.size() + 1) * 2);
            data.lpData = wide.data();
        } else {
            data.cbData = static_cast<DWORD>(command.size() + 1);
            data.lpData = const_cast<char*>(command.c_str());
        }
        SendMessageW(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        PostMessageW(main_, WM_NULL, 0, 0);
    }
    const std::vector<std::string>& Sent() const { return sent_; }

    std::string ReadInput() const {
        LRESULT n = SendMessageA(input_, WM_GETTEXTLENGTH, 0, 0);
        if (n <= 0) return {};
        std::string buffer(static_cast<size_t>(n + 1) * 2, '\0');
        SendMessageA(input_, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
        return buffer.c_str();
    }

    std::string ReadHistory() {
        if (!FindTextWindow()) return {};
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        SendMessageW(text_, WM_COMMAND, 32781, 0);
        std::string text;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                if (const char* p = static_cast<const char*>(GlobalLock(data))) {
                    text = p;
                    GlobalUnlock(data);
                }
            }
            EmptyClipboard();
            CloseClipboard();
        }
        return text;
    }

    std::string LastHistoryLine() {
        std::vector<std::string> lines = Lines(ReadHistory());
        for (size_t i = lines.size(); i-- > 0;)
            if (!lines[i].empty()) return lines[i];
        return {};
    }

    // Polls the input pane as the tool does, until it is idle or `answer` says stop.
    bool WaitIdle(int timeoutMs = 15000) {
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            if (ReadInput() == kIdle) return true;
            Sleep(50);
        }
        return false;
    }

private:
    static bool OwnProcess(HWND w, const Standin* self) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        return pid == self->processId_;
    }

    static BOOL CALLBACK MatchMain(HWND w, LPARAM lp) {
        auto* self = reinterpret_cast<Standin*>(lp);
        if (!OwnProcess(w, self)) return TRUE;
        std::string title = Title(w), cls = ClassOf(w);
        bool cad = (StartsWith(title, "AutoCAD ") || StartsWith(title, "Autodesk ") || StartsWith(title, "ACAD")) &&
                   StartsWith(cls, "Afx:") && Contains(cls, ":8:");
        bool draftSight = StartsWith(title, "DraftSight") && Contains(cls, "QPopup");
        if (!cad && !draftSight) return TRUE;
        self->main_ = w;
        return FALSE;
    }

    static BOOL CALLBACK MatchFloating(HWND w, LPARAM lp) {
        auto* self = reinterpret_cast<Standin*>(lp);
        std::string cls = ClassOf(w);
        if (!OwnProcess(w, self) || !Contains(Title(w), "コマンド ライン") || !StartsWith(cls, "Afx:") ||
            !Contains(cls, ":8:"))
            return TRUE;
        self->floating_ = w;
        return FALSE;
    }

    static BOOL CALLBACK MatchText(HWND w, LPARAM lp) {
        auto* self = reinterpret_cast<Standin*>(lp);
        std::string title = Title(w), cls = ClassOf(w);
        bool text = StartsWith(title, "AutoCAD ") && StartsWith(cls, "Afx:") && Contains(cls, ":b:") &&
                    Contains(title, "テキスト ウィンドウ");
        if ((!text && title != "コマンド ウィンドウ") || !OwnProcess(w, self)) return TRUE;
        self->text_ = w;
        return FALSE;
    }

    static BOOL CALLBACK MatchPane(HWND w, LPARAM lp) {
        auto* self = reinterpret_cast<Standin*>(lp);
        std::string title = Title(w);
        if (title == "Headlands" || title == "input") self->input_ = w;
        if (title == "MountTam" || title == "output") self->history_ = w;
        return !(self->input_ && self->history_);
    }

    std::unique_ptr<KernelHandle> process_;
    DWORD processId_ = 0;
    HWND main_ = nullptr, floating_ = nullptr, text_ = nullptr, input_ = nullptr, history_ = nullptr;
    std::vector<std::string> sent_;
};

std::string Escaped(const std::string& command) {
    std::string out;
    for (char c : command) out += c == '\x03' ? std::string("^C") : c == '\r' ? std::string("^M") : std::string(1, c);
    return out;
}

struct Layout {
    const char* name;
    const char* options;
};

// One pass of a run, exactly as the tool sends it, in every window layout.
class WholePass : public ::testing::TestWithParam<Layout> {};

TEST_P(WholePass, ExportsPicksAndLabels) {
    const Layout& layout = GetParam();
    std::string out = OutDir();
    CreateDirectoryA(out.c_str(), nullptr);
    std::string base = out + "\\pass_" + layout.name;
    std::string dxf = base + ".dxf", log = base + ".log", state = base + ".state";
    DeleteFileA(dxf.c_str());
    Standin cad(std::string(layout.options) + " --drawing \"" + DataFile("pass.drawing") + "\" --scenario \"" +
                DataFile("pass_line.scenario") + "\" --log \"" + log + "\" --state \"" + state + "\"");
    ASSERT_TRUE(cad.Main()) << "no main frame found";
    ASSERT_TRUE(cad.FindPanes()) << "no command line panes found";
    ASSERT_TRUE(cad.FindTextWindow()) << "no text window found";
    // Another process reads a pane's creation title, but its text is the prompt.
    EXPECT_TRUE(Title(cad.Input()) == "Headlands" || Title(cad.Input()) == "input");
    EXPECT_EQ(cad.ReadInput(), kIdle);

    // C1, C2 and the selection.
    cad.Send("\x03" "FILEDIA 0 ");
    cad.Send("\x03" "SELECT SI\r");
    EXPECT_EQ(cad.ReadInput(), "オブジェクトを選択: ");
    ASSERT_TRUE(cad.WaitIdle()) << cad.ReadInput();
    EXPECT_FALSE(Contains(cad.LastHistoryLine(), "キャンセル"));

    // C3, and C4 for each question.
    cad.Send("DXFOUT \"" + dxf + "\"\rVER 2000 OBJ PREV \r16 ");
    int questions = 0;
    for (int polls = 0; polls < 300; ++polls) {
        std::string input = cad.ReadInput();
        if (Contains(input, "書き出しますか")) cad.Send("Y\r"), ++questions;
        if (Contains(input, "置き換えますか")) cad.Send("Y\r"), ++questions;
        if (input == kIdle || input.empty()) break;
        Sleep(50);
    }
    EXPECT_EQ(questions, Contains(layout.options, "--ask-export") ? 1 : 0);
    cad.Send("FILEDIA 1 "); // C5
    std::string exported = ReadFile(dxf);
    ASSERT_FALSE(exported.empty()) << "no DXF file " << dxf;
    EXPECT_TRUE(Contains(exported, "AC1015"));
    EXPECT_TRUE(Contains(exported, "\r\n  0\r\nLINE\r\n"));
    EXPECT_TRUE(Contains(exported, " 11\r\n410.5000000000000000\r\n 21\r\n170.2500000000000000\r\n"));
    EXPECT_FALSE(Contains(exported, "\r\nARC\r\n"));
    // For the independent reader that checks this file after the test.
    std::ofstream(base + ".expect", std::ios::binary) << "16\nLINE 10,20 410.5,170.25\n";

    // C6, then the point pick with its LASTPOINT query.
    cad.Send("\x03" "FILEDIA 0\r");
    cad.Send("\x03" "FILEDIA 0\r");
    cad.Send("\x03" "ID ");
    EXPECT_EQ(cad.ReadInput(), "点を指定: ");
    ASSERT_TRUE(cad.WaitIdle());
    std::string last = cad.LastHistoryLine();
    EXPECT_TRUE(Contains(last, "X") && !Contains(last, "キャンセル")) << last;
    cad.Send("'SETVAR LASTPOINT\r");
    std::string prompt = cad.ReadInput();
    size_t open = prompt.rfind('<'), close = prompt.rfind('>');
    ASSERT_TRUE(open != std::string::npos && close != std::string::npos && open < close) << prompt;
    EXPECT_EQ(prompt.substr(open + 1, close - open - 1), "150.0000,80.0000,0.0000");
    cad.Send("\x03");
    cad.Send("\x03" "FILEDIA 1\r"); // C8 of the pick

    // C7 with the text the tool composes, then C8.
    cad.Send("\x03" "-mtext 150.0000,80.0000 h 50 r 0 j mc w 450 1234.57ｍ\r\r");
    cad.Send("\x03" "FILEDIA 1\r");
    EXPECT_EQ(cad.ReadInput(), kIdle);

    // The evidence: the log holds every command exactly as sent, the state the label.
    std::vector<std::string> logged = Lines(ReadFile(log));
    ASSERT_EQ(logged.size(), cad.Sent().size());
    for (size_t i = 0; i < logged.size(); ++i) EXPECT_EQ(logged[i], Escaped(cad.Sent()[i])) << "command " << i + 1;
    std::vector<std::string> stateLines = Lines(ReadFile(state));
    auto has = [&](const std::string& line) {
        return std::find(stateLines.begin(), stateLines.end(), line) != stateLines.end();
    };
    EXPECT_TRUE(has("MTEXT 150,80 50 450 MC 0 1234.57ｍ")) << ReadFile(state);
    EXPECT_TRUE(has("VAR FILEDIA 1"));
    EXPECT_TRUE(has("VAR LASTPOINT 150.0000,80.0000,0.0000"));
    EXPECT_TRUE(has("LINE 10,20 410.5,170.25"));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WholePass,
    ::testing::Values(Layout{"docked", "--layout docked"}, Layout{"floating", "--layout floating --panes inputoutput"},
                      Layout{"textwindow", "--layout textwindow --ask-export"},
                      Layout{"commandwindow", "--layout commandwindow --ansi"},
                      Layout{"draftsight", "--layout draftsight --panes inputoutput --ansi"}),
    [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

TEST(StandinWindows, EachLayoutPlacesItsPanes) {
    {
        Standin cad("--layout docked");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        EXPECT_TRUE(cad.PanesIn(cad.Main()));
        EXPECT_TRUE(IsWindowUnicode(cad.Main()));
        EXPECT_TRUE(StartsWith(Title(cad.Main()), "AutoCAD "));
    }
    {
        Standin cad("--layout floating --ansi");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        EXPECT_TRUE(cad.Floating() && cad.PanesIn(cad.Floating()));
        EXPECT_FALSE(IsWindowUnicode(cad.Main()));
    }
    {
        Standin cad("--layout textwindow --panes inputoutput");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        EXPECT_TRUE(cad.PanesIn(cad.Text()));
        EXPECT_TRUE(Contains(Title(cad.Text()), "テキスト ウィンドウ"));
        EXPECT_EQ(Title(cad.History()), "output");
    }
    {
        Standin cad("--layout draftsight");
        ASSERT_TRUE(cad.Main());
        EXPECT_TRUE(StartsWith(Title(cad.Main()), "DraftSight"));
        EXPECT_TRUE(Contains(ClassOf(cad.Main()), "QPopup"));
        ASSERT_TRUE(cad.FindTextWindow());
        EXPECT_EQ(Title(cad.Text()), "コマンド ウィンドウ");
    }
}

TEST(StandinDialogues, CancelledSelectionLeavesCancelInHistory) {
    Standin cad("--drawing \"" + DataFile("pass.drawing") + "\" --scenario \"" + DataFile("cancel_select.scenario") + "\"");
    ASSERT_TRUE(cad.Main() && cad.FindPanes());
    cad.Send("\x03" "FILEDIA 0 ");
    cad.Send("\x03" "SELECT SI\r");
    ASSERT_TRUE(cad.WaitIdle());
    EXPECT_TRUE(Contains(cad.LastHistoryLine(), "*キャンセル*"));
}

TEST(StandinDialogues, NothingSelectedWritesNoFileAndAnEnterFailsThePick) {
    std::string out = OutDir();
    CreateDirectoryA(out.c_str(), nullptr);
    std::string dxf = out + "\\nothing.dxf";
    DeleteFileA(dxf.c_str());
    Standin cad("--drawing \"" + DataFile("pass.drawing") + "\" --scenario \"" + DataFile("select_nothing.scenario") + "\"");
    ASSERT_TRUE(cad.Main() && cad.FindPanes());
    cad.Send("\x03" "FILEDIA 0 ");
    cad.Send("\x03" "SELECT SI\r");
    ASSERT_TRUE(cad.WaitIdle());
    cad.Send("DXFOUT \"" + dxf + "\"\rVER 2000 OBJ PREV \r16 ");
    EXPECT_EQ(cad.ReadInput(), kIdle);
    EXPECT_EQ(GetFileAttributesA(dxf.c_str()), INVALID_FILE_ATTRIBUTES);
    cad.Send("\x03" "ID ");
    ASSERT_TRUE(cad.WaitIdle());
    EXPECT_TRUE(Contains(cad.LastHistoryLine(), "キャンセル"));
}

TEST(StandinDialogues, ExistingFileIsReplacedAfterTheQuestion) {
    std::string out = OutDir();
    CreateDirectoryA(out.c_str(), nullptr);
    std::string dxf = out + "\\replaced.dxf";
    std::ofstream(dxf) << "old";
    Standin cad("--drawing \"" + DataFile("pass.drawing") + "\"");
    ASSERT_TRUE(cad.Main() && cad.FindPanes());
    cad.Send("\x03" "FILEDIA 0 ");
    cad.Send("DXFOUT \"" + dxf + "\"\rVER 2000 16 ");
    EXPECT_TRUE(Contains(cad.ReadInput(), "置き換えますか"));
    EXPECT_EQ(ReadFile(dxf), "old");
    cad.Send("Y\r");
    EXPECT_EQ(cad.ReadInput(), kIdle);
    std::string written = ReadFile(dxf);
    EXPECT_TRUE(Contains(written, "\r\nCIRCLE\r\n") && Contains(written, "\r\nLWPOLYLINE\r\n"));
}

TEST(StandinDialogues, ReadOnlyVariableAnswersInTheHistoryWrapped) {
    Standin cad("--wrap 24 --readonly DWGPREFIX=C:\\Users\\someone\\Documents");
    ASSERT_TRUE(cad.Main() && cad.FindPanes());
    cad.Send("ACADVER\r");
    EXPECT_EQ(cad.ReadInput(), kIdle);
    std::vector<std::string> lines = Lines(cad.ReadHistory());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2] + lines.back(), "ACADVER = 15.0 (読み込み専用)");
    cad.Send("'SETVAR DWGPREFIX\r");
    lines = Lines(cad.ReadHistory());
    ASSERT_GE(lines.size(), 3u);
    std::string joined = lines[lines.size() - 3] + lines[lines.size() - 2] + lines.back();
    EXPECT_EQ(joined, "DWGPREFIX = C:\\Users\\someone\\Documents (読み込み専用)");
    EXPECT_EQ(lines.back(), "(読み込み専用)");
}

// The options for a CAD that is harder on the tool: an English one, a history copy ending with
// the prompt line, a CAD that takes no input for a while, and an export written slowly with the
// pane empty meanwhile.
TEST(StandinDialogues, TheHarderCadsOfTheOptions) {
    {
        Standin cad("--english --prompt-in-history");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        EXPECT_EQ(cad.ReadInput(), "Command: ");
        cad.Send("\x03");
        std::vector<std::string> lines = Lines(cad.ReadHistory());
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Command: *Cancel*");
        EXPECT_EQ(lines.back(), "Command: ");
    }
    {
        Standin cad("--busy 1500 --drawing \"" + DataFile("pass.drawing") + "\"");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        const ULONGLONG sent = GetTickCount64();
        cad.Send("\x03" "SELECT SI\r");
        EXPECT_EQ(cad.ReadInput(), kIdle);
        for (int i = 0; i < 100 && cad.ReadInput() == kIdle; ++i) Sleep(50);
        EXPECT_EQ(cad.ReadInput(), "オブジェクトを選択: ");
        EXPECT_GE(GetTickCount64() - sent, 1400u);
    }
    {
        std::string out = OutDir();
        CreateDirectoryA(out.c_str(), nullptr);
        std::string dxf = out + "\\slow.dxf";
        DeleteFileA(dxf.c_str());
        Standin cad("--export-ms 1500 --empty-pane-while-working --drawing \"" + DataFile("pass.drawing") + "\"");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        cad.Send("\x03" "FILEDIA 0 ");
        cad.Send("DXFOUT \"" + dxf + "\"\rVER 2000 16 ");
        cad.Send("\x03" "FILEDIA 1\r");  // waits until the export ends
        EXPECT_EQ(cad.ReadInput(), "");
        const std::string part = ReadFile(dxf);
        EXPECT_FALSE(part.empty());
        EXPECT_FALSE(Contains(part, "EOF"));
        ASSERT_TRUE(cad.WaitIdle());
        EXPECT_TRUE(Contains(ReadFile(dxf), "\r\nEOF\r\n"));
        std::vector<std::string> lines = Lines(cad.ReadHistory());
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(Contains(lines.back(), "FILEDIA")) << lines.back();
    }
}

// A frame reads WM_COPYDATA by its own kind, as a real one does: a Unicode frame UTF-16 only,
// an ANSI frame code-page bytes only; the other form is not guessed at.
TEST(StandinChannel, EachFrameReadsOnlyItsOwnFormAndOnlyDwDataOne) {
    for (bool unicode : {true, false}) {
        std::string log = OutDir() + "\\forms.log";
        CreateDirectoryA(OutDir().c_str(), nullptr);
        Standin cad(std::string(unicode ? "" : "--ansi") + " --log \"" + log + "\"");
        ASSERT_TRUE(cad.Main() && cad.FindPanes());
        ASSERT_EQ(IsWindowUnicode(cad.Main()) != 0, unicode);
        cad.SendInForm("FILEDIA 0 ", unicode, 2); // not typed input
        cad.SendInForm("日本", unicode);
        cad.SendInForm("語", unicode);
        EXPECT_EQ(cad.ReadInput(), "コマンド: 日本語") << unicode;
        cad.SendInForm("\x03", unicode);
        cad.SendInForm("'SETVAR FILEDIA\r", unicode);
        EXPECT_EQ(cad.ReadInput(), "FILEDIA の新しい値を入力 <1>: ") << unicode;
        cad.SendInForm("\x03", unicode);
        // The other form arrives as the frame's own reading makes it: not the command.
        cad.SendInForm("ID ", !unicode);
        EXPECT_NE(cad.ReadInput(), "点を指定: ") << unicode;
        cad.SendInForm("\x03", unicode);
        std::vector<std::string> logged = Lines(ReadFile(log));
        ASSERT_EQ(logged.size(), 7u) << unicode;
        EXPECT_EQ(std::vector<std::string>(logged.begin(), logged.begin() + 5),
                  (std::vector<std::string>{"日本", "語", "^C", "'SETVAR FILEDIA^M", "^C"})) << unicode;
        EXPECT_NE(logged[5], "ID ") << unicode;
    }
}

// A person at the stand-in: with no scenario, a real mouse click selects the entity under it,
// and at a point request it picks the point under it.
TEST(StandinPerson, MouseClicksSelectAndPick) {
    Standin cad("--drawing \"" + DataFile("person.drawing") + "\"");
    ASSERT_TRUE(cad.Main() && cad.FindPanes());
    // The drawing fills the client area above the command line; the line 0,0 to 100,0 is fitted
    // across the middle of it with a margin of 8% on either side.
    RECT client{}, history{};
    GetClientRect(cad.Main(), &client);
    GetWindowRect(cad.History(), &history);
    POINT historyTop{history.left, history.top};
    ScreenToClient(cad.Main(), &historyTop);
    int width = client.right, height = historyTop.y;
    ASSERT_GT(width, 100);
    ASSERT_GT(height, 100);
    double scale = width / 116.0;
    auto click = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(cad.Main(), &p);
        vermiq::test::ClickScreen(p);
    };

    cad.Send("\x03" "SELECT SI\r");
    click(width / 2 + 10, height / 2 + 20); // beside the line: nothing
    Sleep(300);
    EXPECT_EQ(cad.ReadInput(), "オブジェクトを選択: ");
    click(width / 2 + 10, height / 2 + 1);
    ASSERT_TRUE(cad.WaitIdle(5000)) << cad.ReadInput();
    EXPECT_EQ(cad.LastHistoryLine(), "オブジェクトを選択: 認識された数: 1");

    cad.Send("\x03" "ID ");
    click(width / 2 + 58, height / 2 - 29);
    ASSERT_TRUE(cad.WaitIdle(5000)) << cad.ReadInput();
    cad.Send("'SETVAR LASTPOINT\r");
    std::string prompt = cad.ReadInput();
    size_t open = prompt.rfind('<');
    ASSERT_NE(open, std::string::npos) << prompt;
    double x = 0, y = 0;
    ASSERT_EQ(sscanf(prompt.c_str() + open + 1, "%lf,%lf", &x, &y), 2) << prompt;
    EXPECT_NEAR(x, 50 + 58 / scale, 1.5 / scale);
    EXPECT_NEAR(y, 29 / scale, 1.5 / scale);
    cad.Send("\x03");
}

} // namespace
