// End to end under Wine: StandinCad.exe and Vermiq.exe, the execute button pressed with a real
// mouse click, and what the stand-in then received and drew.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/support/arc_reference.h"
#include "tests/support/win32_process.h"

namespace {

namespace fs = std::filesystem;
using vermiq::test::ChildProcess;
using vermiq::test::ClickScreen;
using vermiq::test::WaitUntil;

std::wstring g_vermiq, g_standin;

fs::path WorkFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path);
    return fs::path(path) / L"Tallomir";
}

std::vector<std::string> ReadLines(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// A press and release of the left button at the centre of a control, through the system's
// input queue as a user's click comes.
void ClickAt(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    SetCursorPos(x, y);
    INPUT inputs[2] = {};
    for (INPUT& in : inputs) {
        in.type = INPUT_MOUSE;
        in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &inputs[0], sizeof(INPUT));
    Sleep(60);
    SendInput(1, &inputs[1], sizeof(INPUT));
}

// Keys pressed and released through the system's input queue, as a user's keyboard gives them;
// a key listed with a modifier before it is held with it.
void PressKeys(std::initializer_list<std::initializer_list<WORD>> chords) {
    for (const auto& chord : chords) {
        std::vector<INPUT> inputs;
        for (WORD key : chord) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = key;
            inputs.push_back(in);
        }
        for (auto key = chord.end(); key != chord.begin();) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = *--key;
            in.ki.dwFlags = KEYEVENTF_KEYUP;
            inputs.push_back(in);
        }
        for (INPUT& in : inputs) {
            SendInput(1, &in, sizeof(INPUT));
            Sleep(40);
        }
        Sleep(250);
    }
}

// Length of a polyline segment with the bulge of its start vertex.
double Segment(double x1, double y1, double x2, double y2, double bulge) {
    return static_cast<double>(
        vermiq::test::ArcLength(std::hypot(x2 - x1, y2 - y1), vermiq::test::SweepOfBulge(bulge)));
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%5.*f", decimals, value);
    return text;
}

struct Label {
    double x, y, height, width, rotation;
    std::string just, text, layer;
};

// The stand-in's state file: "VAR NAME value" lines and the drawing, labels included.
struct CadState {
    std::string filedia, lastPoint;
    std::vector<Label> labels;
};

CadState ReadState(const fs::path& file) {
    CadState state;
    std::string layer = "0";
    for (const std::string& line : ReadLines(file)) {
        if (line.rfind("LAYER ", 0) == 0) layer = line.substr(6);
        if (line.rfind("VAR FILEDIA ", 0) == 0) state.filedia = line.substr(12);
        if (line.rfind("VAR LASTPOINT ", 0) == 0) state.lastPoint = line.substr(14);
        if (line.rfind("MTEXT ", 0) == 0) {
            Label label{};
            char just[8] = {};
            double rotation = 0;
            int consumed = 0;
            if (std::sscanf(line.c_str(), "MTEXT %lf,%lf %lf %lf %7s %lf %n", &label.x, &label.y,
                            &label.height, &label.width, just, &rotation, &consumed) >= 6) {
                // The text is everything after the one blank behind the rotation.
                size_t start = line.find(' ', line.find(just) + strlen(just) + 1);
                label.text = line.substr(start + 1);
                label.rotation = rotation;
                label.just = just;
                label.layer = layer;
                state.labels.push_back(label);
            }
        }
    }
    return state;
}

// The stand-in's log of received commands, with the time each line was first seen.
class LogWatch {
public:
    explicit LogWatch(fs::path file) : file_(std::move(file)) {}
    void Poll(ULONGLONG now) {
        auto lines = ReadLines(file_);
        while (seen_.size() < lines.size()) seen_.push_back({lines[seen_.size()], now});
    }
    struct Entry {
        std::string line;
        ULONGLONG at;
    };
    const std::vector<Entry>& Entries() const { return seen_; }

private:
    fs::path file_;
    std::vector<Entry> seen_;
};

// A side of a parcel as the drawing gives it: from (x1,y1) to (x2,y2), with the bulge of its arc.
struct Side {
    double x1, y1, x2, y2, bulge;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(WorkFolder(), ignored);
        dir_ = fs::temp_directory_path() / L"vermiq-e2e";
        fs::remove_all(dir_, ignored);
        fs::create_directories(dir_);
        fs::create_directories(WorkFolder());
        log_ = LogWatch(Log());
    }

    // Starts both programs; the stand-in with the drawing, the scenario and `options`.
    void Start(const std::string& drawing, const std::string& scenario,
               const std::wstring& options = L"") {
        WriteText(dir_ / L"drawing.txt", drawing);
        WriteText(dir_ / L"scenario.txt", scenario);
        std::wstring args = L"--drawing \"" + (dir_ / L"drawing.txt").wstring() + L"\" --scenario \"" +
                            (dir_ / L"scenario.txt").wstring() + L"\" --log \"" + Log().wstring() +
                            L"\" --state \"" + State().wstring() + L"\" " + options;
        cad_ = std::make_unique<ChildProcess>(g_standin, args);
        ASSERT_TRUE(cad_->Started());
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(State()); }));
        tool_ = std::make_unique<ChildProcess>(g_vermiq);
        dialog_ = tool_->WaitForWindow(L"TVermiqF");
        ASSERT_TRUE(dialog_);
        Sleep(300);
    }

    // Ticks "連続" with a click, as the user does.
    void TickContinuous() {
        ClickAt(GetDlgItem(dialog_, vermiq::ids::CheckBox1));
        ASSERT_TRUE(WaitUntil([&] {
            return SendMessageW(GetDlgItem(dialog_, vermiq::ids::CheckBox1), BM_GETCHECK, 0, 0) ==
                   BST_CHECKED;
        }));
    }

    // Alt+Space, `ups` times Up from the bottom of the system menu and Enter, each key only
    // once the dialog or the menu is there to take it. Just after another window of the tool
    // closed, Wine may still be handing the keyboard back and lose the chord: it is pressed
    // again while no menu shows.
    void ChooseFromSystemMenu(int ups) {
        auto menuShown = [] {
            HWND menu = FindWindowW(L"#32768", nullptr);
            return menu && IsWindowVisible(menu);
        };
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog_ && !menuShown(); }));
        bool shown = false;
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            PressKeys({{VK_MENU, VK_SPACE}});
            shown = WaitUntil(menuShown, 2000);
        }
        ASSERT_TRUE(shown) << "the system menu did not open";
        for (int i = 0; i < ups; ++i) PressKeys({{VK_UP}});
        PressKeys({{VK_RETURN}});
        ASSERT_TRUE(WaitUntil([&] { return !menuShown(); })) << "the system menu did not close";
    }

    // "表示の設定..." from the system menu (three up from the bottom), once its dialog has the
    // keyboard.
    void OpenDisplaySettings(HWND& settings) {
        ChooseFromSystemMenu(3);
        ASSERT_TRUE(WaitUntil([&] {
            settings = GetForegroundWindow();
            return settings != dialog_ && GetWindow(settings, GW_OWNER) == dialog_;
        })) << "the settings dialog did not open";
    }

    // Clicks the execute button and waits for the dialog to come back from its minimised state.
    void Execute(ULONGLONG limitMs) {
        clicked_ = GetTickCount64();
        ClickAt(GetDlgItem(dialog_, vermiq::ids::plButton1));
        LogWatch& log = log_;
        bool minimised = false;
        bool done = WaitUntil(
            [&] {
                log.Poll(GetTickCount64());
                auto labels = ReadState(State()).labels.size();
                if (labels > labelTimes_.size()) labelTimes_.resize(labels, GetTickCount64());
                if (IsIconic(dialog_)) minimised = true;
                return minimised && !IsIconic(dialog_);
            },
            limitMs);
        ASSERT_TRUE(minimised) << "the click did not start a run";
        ASSERT_TRUE(done) << "the run did not end";
        log.Poll(GetTickCount64());
    }

    void TearDown() override {
        if (dialog_) PostMessageW(dialog_, WM_CLOSE, 0, 0);
        if (tool_) tool_->Exited(5000);
        if (cad_) {
            HWND frame = nullptr;
            EnumWindows(
                [](HWND hwnd, LPARAM lParam) -> BOOL {
                    wchar_t title[256] = {};
                    GetWindowTextW(hwnd, title, 256);
                    if (wcsncmp(title, L"AutoCAD ", 8) == 0) *reinterpret_cast<HWND*>(lParam) = hwnd;
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&frame));
            if (frame) PostMessageW(frame, WM_CLOSE, 0, 0);
            cad_->Exited(5000);
        }
    }

    fs::path Log() const { return dir_ / L"log.txt"; }
    fs::path State() const { return dir_ / L"state.txt"; }

    // The commands of one pass after the selection, up to the label, as the log writes them.
    static std::vector<std::string> PassCommands(const std::string& dxfPath, const std::string& x,
                                                 const std::string& y, const std::string& width,
                                                 const std::string& text) {
        return {
            "^CFILEDIA 0 ",
            "^CSELECT SI^M",
            "DXFOUT \"" + dxfPath + "\"^MVER 2000 OBJ PREV ^M16 ",
            "FILEDIA 1 ",
            "^CFILEDIA 0^M",
            "^CFILEDIA 0^M",
            "^CID ",
            "'SETVAR LASTPOINT^M",
            "^C",
            "^CFILEDIA 1^M",
            "^C-mtext " + x + "," + y + " h 50 r 0 j mc w " + width + " " + text + "^M^M",
            "^CFILEDIA 1^M",
        };
    }

    // The work file of this run: the only DXF file in the work folder.
    static std::string DxfWorkFile() {
        for (const auto& entry : fs::directory_iterator(WorkFolder()))
            if (entry.path().extension() == L".dxf") {
                std::wstring w = entry.path().wstring();
                char ansi[1024] = {};
                WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
                return ansi;
            }
        return {};
    }

    fs::path dir_;
    std::unique_ptr<ChildProcess> cad_, tool_;
    HWND dialog_ = nullptr;
    LogWatch log_{fs::path()};
    ULONGLONG clicked_;
    std::vector<ULONGLONG> labelTimes_;
};

TEST_F(EndToEnd, OnePassFromTheClickToTheLabel) {
    Start("LINE 100,100 400,500\n", "wait 300\nselect 1\nwait 300\nclick 250,320\n");
    Execute(60000);

    CadState state = ReadState(State());
    ASSERT_EQ(state.labels.size(), 1u);
    EXPECT_EQ(state.labels[0].text, "  500ｍ");
    EXPECT_DOUBLE_EQ(state.labels[0].x, 250);
    EXPECT_DOUBLE_EQ(state.labels[0].y, 320);
    EXPECT_DOUBLE_EQ(state.labels[0].height, 50);
    EXPECT_DOUBLE_EQ(state.labels[0].width, 7 * 50);
    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));

    std::string point = state.lastPoint;
    std::string x = point.substr(0, point.find(','));
    point = point.substr(point.find(',') + 1);
    std::string y = point.substr(0, point.find(','));
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    EXPECT_EQ(received, PassCommands(DxfWorkFile(), x, y, "350", "  500ｍ"));

    // Where the time of the pass goes, from the stand-in's log as it grew.
    const auto& e = log_.Entries();
    ASSERT_EQ(e.size(), 12u);
    auto ms = [](ULONGLONG a, ULONGLONG b) { return static_cast<long long>(b - a); };
    ASSERT_EQ(labelTimes_.size(), 1u);
    std::printf("one pass: %lld ms from the click to the MTEXT in the drawing\n",
                ms(clicked_, labelTimes_[0]));
    std::printf("  click to selection commands   %6lld ms\n", ms(clicked_, e[1].at));
    std::printf("  selection (user, polling, 400 ms pause) %6lld ms  (scripted user: 300 ms)\n",
                ms(e[1].at, e[2].at));
    std::printf("  export (DXFOUT until C5)      %6lld ms\n", ms(e[2].at, e[3].at));
    std::printf("  reading and measuring the DXF %6lld ms\n", ms(e[3].at, e[4].at));
    std::printf("  point pick (ID to FILEDIA 1)  %6lld ms  (scripted user: 300 ms)\n", ms(e[4].at, e[9].at));
    std::printf("  label command to MTEXT        %6lld ms\n", ms(e[9].at, labelTimes_[0]));
}

// The stand-in's main frame and its input pane (docked), as the user sees them.
HWND CadFrame() {
    HWND frame = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            wchar_t title[256] = {};
            GetWindowTextW(hwnd, title, 256);
            if (wcsncmp(title, L"AutoCAD ", 8) != 0) return TRUE;
            *reinterpret_cast<HWND*>(lParam) = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&frame));
    return frame;
}

std::string PaneText(HWND pane) {
    char text[512] = {};
    SendMessageA(pane, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// A person selects and clicks with the mouse in a stand-in that takes the tool's typed input up
// at once or only 300 ms later; the tool must wait for each command to be taken up. Printed:
// how long from the user's selection, and from the user's click, to the label in the drawing.
class LaggingCad : public EndToEnd, public ::testing::WithParamInterface<int> {};

TEST_P(LaggingCad, RealClicksFromTheSelectionToTheLabel) {
    const int lag = GetParam();
    Start("LINE 100,100 400,500\n", "", L"--lag " + std::to_wstring(lag));
    HWND frame = CadFrame();
    HWND input = FindWindowExW(frame, nullptr, L"StandinCommandPane", L"Headlands");
    HWND history = FindWindowExW(frame, nullptr, L"StandinCommandPane", L"MountTam");
    ASSERT_TRUE(frame && input && history);
    // The drawing is fitted into the area above the command line, its centre in the middle:
    // the line's midpoint 250,300.
    RECT client{}, historyRect{};
    GetClientRect(frame, &client);
    GetWindowRect(history, &historyRect);
    POINT historyTop{historyRect.left, historyRect.top};
    ScreenToClient(frame, &historyTop);
    POINT middle{client.right / 2, historyTop.y / 2};
    ClientToScreen(frame, &middle);

    ClickAt(GetDlgItem(dialog_, vermiq::ids::plButton1));
    ASSERT_TRUE(WaitUntil([&] { return PaneText(input) == "オブジェクトを選択: "; }, 10000))
        << PaneText(input);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(dialog_) != 0; }));
    Sleep(300);  // a person takes a moment
    ULONGLONG selected = GetTickCount64();
    ClickScreen(middle);
    // The user clicks as soon as the CAD asks.
    ASSERT_TRUE(WaitUntil([&] { return PaneText(input) == "点を指定: "; }, 20000)) << PaneText(input);
    ULONGLONG clicked = GetTickCount64();
    ClickScreen(middle);
    ULONGLONG labelled = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (ReadState(State()).labels.empty()) return false;
            labelled = GetTickCount64();
            return true;
        },
        20000));
    ASSERT_TRUE(WaitUntil([&] { return !IsIconic(dialog_); }, 20000)) << "the run did not end";
    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    log_.Poll(GetTickCount64());

    CadState state = ReadState(State());
    ASSERT_EQ(state.labels.size(), 1u);
    EXPECT_EQ(state.labels[0].text, "  500ｍ");
    std::string point = state.lastPoint;
    std::string x = point.substr(0, point.find(','));
    point = point.substr(point.find(',') + 1);
    std::string y = point.substr(0, point.find(','));
    // At the clicked point, which is the middle of the drawing to within a pixel or two.
    EXPECT_DOUBLE_EQ(state.labels[0].x, std::stod(x));
    EXPECT_DOUBLE_EQ(state.labels[0].y, std::stod(y));
    EXPECT_NEAR(state.labels[0].x, 250, 3);
    EXPECT_NEAR(state.labels[0].y, 300, 3);
    // The same commands in the same order, whatever the lag.
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    EXPECT_EQ(received, PassCommands(DxfWorkFile(), x, y, "350", "  500ｍ"));

    std::printf("CAD lag %d ms: %lld ms from the user's selection to the label, %lld ms from the "
                "user's click to the label\n",
                lag, static_cast<long long>(labelled - selected),
                static_cast<long long>(labelled - clicked));
}

INSTANTIATE_TEST_SUITE_P(AtOnceAndLate, LaggingCad, ::testing::Values(0, 300));

TEST_F(EndToEnd, ContinuousRunOverALineAnArcABulgedPolylineAndAnEllipseArcEndedByACancel) {
    WritePrivateProfileStringW(L"初期化", L"延長桁", L"2", (WorkFolder() / L"Vermiq.Ini").c_str());
    Start(
        "LINE 0,0 400,150\n"
        "ARC 700,100 150 20 160\n"
        "LWPOLYLINE CLOSED 100,400 450,400,0.4 450,650 100,650,-0.3\n"
        "ELLIPSE 700,480 140,-30 0.55 0.5 5.5\n",
        "wait 200\nselect 1\nwait 200\nclick 250,60\n"
        "wait 200\nselect 2\nwait 200\nclick 700,300\n"
        "wait 200\nselect 3\nwait 200\nclick 275,525\n"
        "wait 200\nselect 4\nwait 200\nclick 700,620\n"
        "wait 500\ncancel\n");
    TickContinuous();
    Execute(120000);

    double line = std::hypot(400.0, 150.0);
    double arc = 2 * 150 * std::numbers::pi * 140 / 360;
    double polyline = Segment(100, 400, 450, 400, 0) + Segment(450, 400, 450, 650, 0.4) +
                      Segment(450, 650, 100, 650, 0) + Segment(100, 650, 100, 400, -0.3);
    // The ellipse arc as a sum of chords: a million of them are good to far below a hundredth.
    // Minor axis = ratio × (Z × major axis).
    double ellipse = 0;
    auto ellipsePoint = [](double t) {
        return std::pair{140 * std::cos(t) + 0.55 * 30 * std::sin(t), -30 * std::cos(t) + 0.55 * 140 * std::sin(t)};
    };
    for (int k = 0, chords = 1000000; k < chords; ++k) {
        auto [x1, y1] = ellipsePoint(0.5 + 5.0 * k / chords);
        auto [x2, y2] = ellipsePoint(0.5 + 5.0 * (k + 1) / chords);
        ellipse += std::hypot(x2 - x1, y2 - y1);
    }
    struct Expected {
        std::string text;
        double x, y;
    } expected[] = {
        {Fixed(line, 2) + "ｍ", 250, 60},
        {Fixed(arc, 2) + "ｍ", 700, 300},
        {Fixed(polyline, 2) + "ｍ", 275, 525},
        {Fixed(ellipse, 2) + "ｍ", 700, 620},
    };
    // The stand-in rewrites its state file just after it has taken the last command in.
    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    CadState state = ReadState(State());
    ASSERT_EQ(state.labels.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(state.labels[i].text, expected[i].text) << i;
        EXPECT_DOUBLE_EQ(state.labels[i].x, expected[i].x) << i;
        EXPECT_DOUBLE_EQ(state.labels[i].y, expected[i].y) << i;
        EXPECT_DOUBLE_EQ(state.labels[i].width, 50.0 * expected[i].text.size()) << i;
    }

    // Four whole passes, then the cancelled selection, which ends with the file dialogs on.
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    ASSERT_EQ(received.size(), 4u * 12 + 3);
    EXPECT_EQ(received[48], "^CFILEDIA 0 ");
    EXPECT_EQ(received[49], "^CSELECT SI^M");
    EXPECT_EQ(received[50], "^CFILEDIA 1^M");
    for (size_t pass = 0; pass < 4; ++pass) {
        EXPECT_EQ(received[pass * 12], "^CFILEDIA 0 ") << pass;
        EXPECT_EQ(received[pass * 12 + 6], "^CID ") << pass;
        EXPECT_EQ(received[pass * 12 + 10].substr(0, 9), "^C-mtext ") << pass;
        EXPECT_NE(received[pass * 12 + 10].find(" r 0 j mc w "), std::string::npos) << pass;
        EXPECT_NE(received[pass * 12 + 10].find(expected[pass].text + "^M^M"), std::string::npos) << pass;
        EXPECT_EQ(received[pass * 12 + 11], "^CFILEDIA 1^M") << pass;
    }
}

// In continuous mode the user presses Enter at an empty selection after a labelled element: the
// CAD keeps its previous selection set, and the run must not export and label it a second time.
TEST_F(EndToEnd, AnEmptySelectionAfterALabelEndsTheRunWithoutASecondLabel) {
    Start("LINE 100,100 400,500\n",
          "wait 300\nselect 1\nwait 300\nclick 250,320\nwait 300\nselect none\n");
    TickContinuous();
    Execute(60000);

    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    CadState state = ReadState(State());
    ASSERT_EQ(state.labels.size(), 1u);
    EXPECT_EQ(state.labels[0].text, "  500ｍ");
    // One whole pass, then the second pass ended at its selection, with the file dialogs on.
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    ASSERT_EQ(received.size(), 12u + 3);
    EXPECT_EQ(received[12], "^CFILEDIA 0 ");
    EXPECT_EQ(received[13], "^CSELECT SI^M");
    EXPECT_EQ(received[14], "^CFILEDIA 1^M");
}

// A CAD that takes no input (a dialog open in it): within 10 s of the click the tool says so in
// its message box; once the CAD takes up what was sent, its file dialogs are on again and no
// selection is left running.
TEST_F(EndToEnd, ACadThatTakesNoInputIsReportedWithinTenSeconds) {
    Start("LINE 100,100 400,500\n", "wait 300\nselect 1\n", L"--busy 12000");
    clicked_ = GetTickCount64();
    ClickAt(GetDlgItem(dialog_, vermiq::ids::plButton1));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = vermiq::test::TopLevelWindowOf(tool_->Pid(), L"#32770")) != nullptr; },
                          15000));
    const ULONGLONG shown = GetTickCount64() - clicked_;
    std::printf("a CAD that takes no input: %llu ms from the click to the message box\n", shown);
    EXPECT_LT(shown, 10000u);
    wchar_t title[64] = {};
    GetWindowTextW(box, title, 64);
    EXPECT_EQ(std::wstring(title), L"辺長値を描画する");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(dialog_); }));
    log_.Poll(GetTickCount64());
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    EXPECT_EQ(received, (std::vector<std::string>{"^CFILEDIA 0 ", "^CSELECT SI^M", "^CFILEDIA 1^M"}));
    // The stand-in takes it all up 12 s after the first command reached it: then it is idle,
    // its file dialogs on, its selection cancelled by what the tool sent last.
    HWND input = FindWindowExW(CadFrame(), nullptr, L"StandinCommandPane", L"Headlands");
    ASSERT_TRUE(input);
    EXPECT_EQ(PaneText(input), "コマンド: ");
    Sleep(static_cast<DWORD>(std::max<LONGLONG>(0, 12500 - static_cast<LONGLONG>(GetTickCount64() - clicked_))));
    EXPECT_TRUE(WaitUntil([&] { return PaneText(input) == "コマンド: " && ReadState(State()).filedia == "1"; }, 3000))
        << PaneText(input);
    EXPECT_TRUE(ReadState(State()).labels.empty());
}

// "各辺に記入" switched on in the dialog's system menu from the keyboard (Alt+Space, up past
// "要素に沿って記入" to it, Enter), then one pass over a four-sided parcel with a bulge side: a
// label per side, no click, and the option kept at close.
TEST_F(EndToEnd, SideLabelsSwitchedOnInTheSystemMenuLabelEverySideOfAParcel) {
    Start("LWPOLYLINE CLOSED 100,100 500,100 520,400,-0.25 80,380\n", "wait 300\nselect 1\n");
    ClickAt(GetDlgItem(dialog_, vermiq::ids::Marquee));  // the dialog takes the keyboard
    ChooseFromSystemMenu(2);
    Execute(60000);

    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    CadState state = ReadState(State());
    const Side sides[] = {{100, 100, 500, 100, 0}, {500, 100, 520, 400, 0}, {520, 400, 80, 380, -0.25}, {80, 380, 100, 100, 0}};
    ASSERT_EQ(state.labels.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const Side& s = sides[i];
        const Label& label = state.labels[i];
        EXPECT_EQ(label.text, Fixed(Segment(s.x1, s.y1, s.x2, s.y2, s.bulge), 0) + "ｍ") << i;
        EXPECT_EQ(label.just, "MC") << i;
        EXPECT_DOUBLE_EQ(label.height, 50) << i;
        // Along its side, turned to read.
        double along = std::atan2(s.y2 - s.y1, s.x2 - s.x1) * 180 / std::numbers::pi;
        if (along > 90) along -= 180;
        if (along <= -90) along += 180;
        EXPECT_NEAR(label.rotation, along, 1e-9) << i;
        // Outside: the sides run counter-clockwise, so outside is right of each, 37.5 off the
        // side's middle (on the arc for the bulge side).
        double dx = s.x2 - s.x1, dy = s.y2 - s.y1, n = std::hypot(dx, dy);
        double sagitta = s.bulge * n / 2;
        double mx = (s.x1 + s.x2) / 2 + (sagitta + 37.5) * dy / n;
        double my = (s.y1 + s.y2) / 2 - (sagitta + 37.5) * dx / n;
        EXPECT_NEAR(label.x, mx, 1e-9) << i;
        EXPECT_NEAR(label.y, my, 1e-9) << i;
    }

    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    // The drawing's conventions are read before the first label: 8 commands.
    ASSERT_EQ(received.size(), 17u);
    EXPECT_EQ(received[0], "^CFILEDIA 0 ");
    EXPECT_EQ(received[1], "^CSELECT SI^M");
    EXPECT_EQ(received[3], "FILEDIA 1 ");
    EXPECT_EQ(received[4], "'SETVAR UCSXDIR^M");
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(received[12 + i].substr(0, 10), "^C-mtext *") << i;
        EXPECT_NE(received[12 + i].find(" j mc w "), std::string::npos) << i;
    }
    EXPECT_EQ(received[16], "^CFILEDIA 1^M");
    std::printf("side-label pass over a four-sided parcel, the commands as the CAD received them:\n");
    for (const std::string& line : received) std::printf("  %s\n", line.c_str());
    const auto& e = log_.Entries();
    auto ms = [](ULONGLONG a, ULONGLONG b) { return static_cast<long long>(b - a); };
    ASSERT_EQ(labelTimes_.size(), 4u);
    std::printf("  execute click to last label  %6lld ms\n", ms(clicked_, labelTimes_.back()));
    std::printf("  selection to last label      %6lld ms  (the scripted user selects 300 ms after SELECT)\n",
                ms(e[1].at + 300, labelTimes_.back()));
    std::printf("  export command to last label %6lld ms\n", ms(e[2].at, labelTimes_.back()));

    // The option survives the close.
    PostMessageW(dialog_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tool_->Exited(5000));
    dialog_ = nullptr;
    wchar_t value[8] = {};
    GetPrivateProfileStringW(L"オプション", L"各辺に記入", L"", value, 8, (WorkFolder() / L"Vermiq.Ini").c_str());
    EXPECT_STREQ(value, L"1");
    GetPrivateProfileStringW(L"オプション", L"要素に沿って記入", L"", value, 8, (WorkFolder() / L"Vermiq.Ini").c_str());
    EXPECT_STREQ(value, L"0");
}

// A parcel drawn in millimetres, labelled in metres: the factor typed into "表示の設定..."
// (Alt+Space, up to it, Enter, "0.001", Enter), "面積を記入" and "各辺に記入" switched on in the
// system menu from the keyboard; then one pass with real clicks labels every side along itself
// and, at the user's click, the parcel's area in square metres.
TEST_F(EndToEnd, AParcelInMillimetresGetsItsSidesAndItsAreaInOnePass) {
    const fs::path ini = WorkFolder() / L"Vermiq.Ini";
    WritePrivateProfileStringW(L"初期化", L"延長桁", L"2", ini.c_str());
    WritePrivateProfileStringW(L"初期化", L"大きさ", L"400", ini.c_str());
    Start("LWPOLYLINE CLOSED 100000,100000 112000,100000 112500,108000,-0.15 99500,107500\n",
          "wait 300\nselect 1\nwait 300\nclick 106000,104000\n");
    ClickAt(GetDlgItem(dialog_, vermiq::ids::Marquee));  // the dialog takes the keyboard
    // The menu from the bottom: 要素に沿って記入, 各辺に記入, (separator), 表示の設定..., 面積を記入.
    HWND settings = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenDisplaySettings(settings));
    // Typed over the selected factor; typed again, all of it selected first, should a key have
    // been lost while the keyboard came over to the new dialog.
    const HWND factor = GetDlgItem(settings, vermiq::ids::SettingsFactor);
    auto factorText = [&] {
        wchar_t text[64] = L"";
        SendMessageW(factor, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    for (int attempt = 0; attempt < 3 && factorText() != L"0.001"; ++attempt) {
        if (attempt > 0) PressKeys({{VK_HOME}, {VK_SHIFT, VK_END}});
        PressKeys({{'0'}, {VK_OEM_PERIOD}, {'0'}, {'0'}, {'1'}});
    }
    ASSERT_EQ(factorText(), L"0.001");
    PressKeys({{VK_RETURN}});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); })) << "Enter did not take the factor";
    ChooseFromSystemMenu(4);
    ChooseFromSystemMenu(2);
    Execute(60000);

    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    CadState state = ReadState(State());
    const Side sides[] = {{100000, 100000, 112000, 100000, 0},
                 {112000, 100000, 112500, 108000, 0},
                 {112500, 108000, 99500, 107500, -0.15},
                 {99500, 107500, 100000, 100000, 0}};
    // The area by the shoelace sum and the circular segment of the bulged side; the bulge is
    // negative, so the arc turns clockwise into the parcel and the segment counts negative.
    double twice = 0;
    for (const Side& s : sides) twice += s.x1 * s.y2 - s.x2 * s.y1;
    const double area = twice / 2 + static_cast<double>(vermiq::test::CircularSegment(
                                        std::hypot(13000.0, 500.0), vermiq::test::SweepOfBulge(-0.15)));
    std::vector<std::string> received;
    std::string commands;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line), commands += entry.line + "\n";
    std::string stateText;
    for (const std::string& line : ReadLines(State())) stateText += line + "\n";
    ASSERT_EQ(state.labels.size(), 5u) << "commands:\n" << commands << "state:\n" << stateText;
    for (size_t i = 0; i < 4; ++i) {
        const Side& s = sides[i];
        EXPECT_EQ(state.labels[i].text, Fixed(Segment(s.x1, s.y1, s.x2, s.y2, s.bulge) / 1000, 2) + "ｍ") << i;
        EXPECT_DOUBLE_EQ(state.labels[i].height, 400) << i;
    }
    EXPECT_EQ(state.labels[4].text, Fixed(area / 1e6, 2) + "㎡");
    EXPECT_EQ(state.labels[4].text, "88.37㎡");
    EXPECT_EQ(state.labels[4].rotation, 0);
    EXPECT_NEAR(state.labels[4].x, 106000, 1e-6);
    EXPECT_NEAR(state.labels[4].y, 104000, 1e-6);

    // The sides without a click, then the pick and the area: one pass, ended with the file
    // dialogs on.
    ASSERT_EQ(received.size(), 24u);
    EXPECT_EQ(received[1], "^CSELECT SI^M");
    for (size_t i = 12; i < 16; ++i) EXPECT_EQ(received[i].substr(0, 10), "^C-mtext *") << i;
    EXPECT_EQ(received[16], "^CFILEDIA 0^M");
    EXPECT_EQ(received[18], "^CID ");
    EXPECT_NE(received[22].find(" h 400 r 0 j mc w 2800 " + Fixed(area / 1e6, 2) + "㎡^M^M"), std::string::npos)
        << received[22];
    EXPECT_EQ(received[23], "^CFILEDIA 1^M");
    std::printf("a parcel in millimetres, its sides and its area in metres in one pass:\n");
    for (const Label& label : state.labels) std::printf("  '%s' at %.1f,%.1f\n", label.text.c_str(), label.x, label.y);

    PostMessageW(dialog_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tool_->Exited(5000));
    dialog_ = nullptr;
    wchar_t value[16] = {};
    const std::pair<const wchar_t*, const wchar_t*> kept[] = {
        {L"倍率", L"0.001"}, {L"単位", L"ｍ"}, {L"面積を記入", L"1"}, {L"各辺に記入", L"1"}, {L"合計を記入", L"0"}};
    for (const auto& [key, expected] : kept) {
        GetPrivateProfileStringW(L"オプション", key, L"", value, 16, ini.c_str());
        EXPECT_STREQ(value, expected);
    }
}

// A survey drawing whose user's coordinate system is turned 30 degrees about 500,500 and whose
// angles count from north, clockwise; the label layer typed into "表示の設定..." and "各辺に記入"
// switched on: every side of a parcel drawn along that system is labelled along itself, on the
// label layer, and the user's layer is current again at the end.
TEST_F(EndToEnd, AParcelInATurnedUcsGetsItsSidesAlongThemselvesOnTheLabelLayer) {
    const double c = std::cos(std::numbers::pi / 6), s = 0.5;
    auto at = [&](double x, double y) { return Fixed(500 + x * c - y * s, 4) + "," + Fixed(500 + x * s + y * c, 4); };
    Start("LWPOLYLINE CLOSED " + at(0, 0) + " " + at(400, 0) + " " + at(400, 300) + " " + at(0, 300) + "\n",
          "wait 300\nselect 1\n",
          L"--readonly UCSORG=500,500,0 --readonly UCSXDIR=0.8660254037844387,0.5,0 "
          L"--readonly UCSYDIR=-0.5,0.8660254037844387,0 --var ANGBASE=90 --var ANGDIR=1");
    ClickAt(GetDlgItem(dialog_, vermiq::ids::Marquee));  // the dialog takes the keyboard
    HWND settings = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenDisplaySettings(settings));
    SendMessageW(GetDlgItem(settings, vermiq::ids::SettingsLayer), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"注記"));
    PressKeys({{VK_RETURN}});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); })) << "Enter did not take the layer";
    ChooseFromSystemMenu(2);
    Execute(60000);

    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    const CadState state = ReadState(State());
    ASSERT_EQ(state.labels.size(), 4u);
    const double along[] = {30, -60, 30, -60};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(state.labels[i].rotation, along[i], 0.003) << i;
        EXPECT_EQ(state.labels[i].layer, "注記") << i;
    }
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[received.size() - 2], "^C_.-LAYER _S 0^M^M");
    EXPECT_EQ(received.back(), "^CFILEDIA 1^M");
    std::printf("a parcel in a turned UCS with angles from north, clockwise:\n");
    for (const std::string& line : received) std::printf("  %s\n", line.c_str());
}

TEST_F(EndToEnd, ClosingTheDialogDuringARunEndsItWithTheCadRestoredAndTheSettingsSaved) {
    // The user takes a long time to select: the run is waiting when the dialog is closed.
    Start("LINE 0,0 3,4\n", "wait 60000\nselect 1\n");
    ClickAt(GetDlgItem(dialog_, vermiq::ids::plButton1));
    ASSERT_TRUE(WaitUntil([&] {
        log_.Poll(GetTickCount64());
        return IsIconic(dialog_) && log_.Entries().size() >= 2;
    }));
    // Neither button can be pressed while the run is in progress.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, vermiq::ids::plButton1)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, vermiq::ids::plButton2)));

    PostMessageW(dialog_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(tool_->Exited(5000)) << "the run did not end at its next poll";
    log_.Poll(GetTickCount64());
    std::vector<std::string> received;
    for (const auto& entry : log_.Entries()) received.push_back(entry.line);
    EXPECT_EQ(received, (std::vector<std::string>{"^CFILEDIA 0 ", "^CSELECT SI^M", "^CFILEDIA 1^M"}));
    EXPECT_TRUE(WaitUntil([&] { return ReadState(State()).filedia == "1"; }, 3000));
    EXPECT_TRUE(fs::exists(WorkFolder() / L"Vermiq.Ini"));
    dialog_ = nullptr;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_wine_test PATH-OF-Vermiq.exe PATH-OF-StandinCad.exe\n");
        return 2;
    }
    g_vermiq = vermiq::test::WindowsPath(argv[1]);
    g_standin = vermiq::test::WindowsPath(argv[2]);
    return RUN_ALL_TESTS();
}
