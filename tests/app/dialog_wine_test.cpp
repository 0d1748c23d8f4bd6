// Vermiq.exe started as a user starts it: its window, its layout and its settings file.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/control_ids.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::wstring g_vermiqExe;  // Windows path of the Vermiq.exe under test

std::wstring AppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path);
    return path;
}

fs::path WorkFolder() { return fs::path(AppDataFolder()) / L"Tallomir"; }

std::wstring Text(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

std::wstring Profile(const fs::path& file, const wchar_t* key) {
    wchar_t buffer[2048] = {};
    GetPrivateProfileStringW(L"初期化", key, L"<missing>", buffer, 2048, file.c_str());
    return buffer;
}

void WriteProfile(const fs::path& file, const wchar_t* key, const wchar_t* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"初期化", key, value, file.c_str()));
}

struct FindData {
    DWORD pid;
    const wchar_t* windowClass;
    HWND found;
};

HWND TopLevelWindowOf(DWORD pid, const wchar_t* windowClass) {
    FindData data{pid, windowClass, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* d = reinterpret_cast<FindData*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            wchar_t cls[256] = {};
            GetClassNameW(hwnd, cls, 256);
            if (owner == d->pid && IsWindowVisible(hwnd) && wcscmp(cls, d->windowClass) == 0) {
                d->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND WaitForWindow(DWORD pid, const wchar_t* windowClass) {
    for (int i = 0; i < 200; ++i) {
        if (HWND hwnd = TopLevelWindowOf(pid, windowClass)) return hwnd;
        std::this_thread::sleep_for(50ms);
    }
    return nullptr;
}

// One running Vermiq.exe; killed if a test fails before closing it.
class RunningTool {
public:
    explicit RunningTool(const std::wstring& exe) {
        STARTUPINFOW si{sizeof si};
        std::wstring commandLine = L"\"" + exe + L"\"";
        started_ = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &si, &pi_) != FALSE;
        if (started_) window_ = WaitForWindow(pi_.dwProcessId, L"TVermiqF");
    }
    ~RunningTool() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 9);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    DWORD Pid() const { return pi_.dwProcessId; }
    void Close() { PostMessageW(window_, WM_CLOSE, 0, 0); }
    bool Exited(DWORD milliseconds = 10000) const {
        return WaitForSingleObject(pi_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
};

class ToolDialog : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(WorkFolder(), ignored);
    }
    fs::path SettingsFile() const { return WorkFolder() / L"Vermiq.Ini"; }
};

TEST_F(ToolDialog, FirstStartCreatesTheFolderShowsDefaultsAndClosingWritesThem) {
    RunningTool tool(g_vermiqExe);
    ASSERT_TRUE(tool.Window());
    EXPECT_TRUE(fs::is_directory(WorkFolder()));
    EXPECT_EQ(Text(tool.Window()), L"辺長値を描画する");
    EXPECT_EQ(Text(tool.Control(vermiq::ids::Edit1)), L"50");
    EXPECT_EQ(Text(tool.Control(vermiq::ids::ComboBox2)), L"小数点以下0位");
    EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::CheckBox1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(fs::exists(SettingsFile()));

    tool.Close();
    ASSERT_TRUE(tool.Exited());
    EXPECT_EQ(Profile(SettingsFile(), L"大きさ"), L"50");
    EXPECT_EQ(Profile(SettingsFile(), L"延長桁"), L"0");
    // The file itself is in code page 932, as the private-profile functions write it.
    std::ifstream in(SettingsFile(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_NE(bytes.str().find("[初期化]"), std::string::npos);
    EXPECT_NE(bytes.str().find("大きさ=50"), std::string::npos);
    EXPECT_NE(bytes.str().find("延長桁=0"), std::string::npos);
}

TEST_F(ToolDialog, WindowIsATopmostFixedDialogOfTheStatedLayout) {
    RunningTool tool(g_vermiqExe);
    ASSERT_TRUE(tool.Window());
    HWND form = tool.Window();
    LONG style = GetWindowLongW(form, GWL_STYLE);
    LONG exStyle = GetWindowLongW(form, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(GetParent(form), nullptr);

    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 241);
    EXPECT_EQ(client.bottom, 138);
    RECT frame;
    GetWindowRect(form, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    struct Expected {
        int id;
        int left, top, width, height;
    } layout[] = {
        {vermiq::ids::Marquee, 8, 8, 225, 35},     {vermiq::ids::GroupBox2, 8, 48, 81, 49},
        {vermiq::ids::Edit1, 24, 72, 41, 20},      {vermiq::ids::GroupBox4, 96, 48, 137, 49},
        {vermiq::ids::CheckBox1, 8, 104, 49, 17},  {vermiq::ids::plButton1, 160, 104, 75, 26},
        {vermiq::ids::plButton2, 72, 104, 75, 26},
    };
    for (const Expected& e : layout) {
        HWND control = tool.Control(e.id);
        ASSERT_TRUE(control) << e.id;
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, e.left) << e.id;
        EXPECT_EQ(r.top, e.top) << e.id;
        EXPECT_EQ(r.right - r.left, e.width) << e.id;
        EXPECT_EQ(r.bottom - r.top, e.height) << e.id;
    }
    RECT combo;
    GetWindowRect(tool.Control(vermiq::ids::ComboBox2), &combo);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&combo), 2);
    EXPECT_EQ(combo.left, 104);
    EXPECT_EQ(combo.top, 72);
    EXPECT_EQ(combo.right - combo.left, 121);

    // Tab order: the edit, the list, the check box, then execute before close.
    HWND order[] = {tool.Control(vermiq::ids::Edit1), tool.Control(vermiq::ids::ComboBox2),
                    tool.Control(vermiq::ids::CheckBox1), tool.Control(vermiq::ids::plButton1),
                    tool.Control(vermiq::ids::plButton2)};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        HWND next = GetNextDlgTabItem(form, order[i], FALSE);
        // The drop-down's edit field is a child of the combo box; tabbing leaves from the box.
        EXPECT_EQ(next, order[i + 1]) << "after tab stop " << i;
    }
    tool.Close();
    EXPECT_TRUE(tool.Exited());
}

TEST_F(ToolDialog, StoredIndicesOutsideTheListOrNotNumbers) {
    struct Case {
        const wchar_t* stored;
        int shownIndex;
        const wchar_t* shownText;
        const wchar_t* writtenBack;
    } cases[] = {
        {L"9", -1, L"", L"-1"},
        {L"-1", -1, L"", L"-1"},
        {L"letters", 0, L"小数点以下0位", L"0"},
        {L"3", 3, L"小数点以下3位", L"3"},
    };
    for (const Case& c : cases) {
        fs::create_directories(WorkFolder());
        WriteProfile(SettingsFile(), L"延長桁", c.stored);
        WriteProfile(SettingsFile(), L"大きさ", L"12.5");
        RunningTool tool(g_vermiqExe);
        ASSERT_TRUE(tool.Window()) << c.stored;
        EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCURSEL, 0, 0),
                  c.shownIndex)
            << c.stored;
        EXPECT_EQ(Text(tool.Control(vermiq::ids::ComboBox2)), c.shownText) << c.stored;
        EXPECT_EQ(Text(tool.Control(vermiq::ids::Edit1)), L"12.5") << c.stored;
        tool.Close();
        ASSERT_TRUE(tool.Exited());
        EXPECT_EQ(Profile(SettingsFile(), L"延長桁"), c.writtenBack) << c.stored;
        EXPECT_EQ(Profile(SettingsFile(), L"大きさ"), L"12.5") << c.stored;
    }
}

TEST_F(ToolDialog, AnExecutableNamedXReadsAndWritesXIni) {
    fs::path folder = fs::temp_directory_path() / L"vermiq-x";
    fs::create_directories(folder);
    fs::path x = folder / L"X.exe";
    fs::copy_file(g_vermiqExe, x, fs::copy_options::overwrite_existing);
    fs::create_directories(WorkFolder());
    WriteProfile(WorkFolder() / L"X.Ini", L"大きさ", L"77");
    WriteProfile(SettingsFile(), L"大きさ", L"12");
    {
        RunningTool tool(x.wstring());
        ASSERT_TRUE(tool.Window());
        EXPECT_EQ(Text(tool.Control(vermiq::ids::Edit1)), L"77");
        SetWindowTextW(tool.Control(vermiq::ids::Edit1), L"80");
        tool.Close();
        ASSERT_TRUE(tool.Exited());
    }
    EXPECT_EQ(Profile(WorkFolder() / L"X.Ini", L"大きさ"), L"80");
    EXPECT_EQ(Profile(SettingsFile(), L"大きさ"), L"12");
    EXPECT_FALSE(fs::exists(folder / L"X.Ini"));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

TEST_F(ToolDialog, UnwritableSettingsAreReportedAndTheDialogStillCloses) {
    // A folder where the settings file should be: the private-profile write fails.
    fs::create_directories(SettingsFile());
    RunningTool tool(g_vermiqExe);
    ASSERT_TRUE(tool.Window());
    tool.Close();
    HWND box = WaitForWindow(tool.Pid(), L"#32770");
    ASSERT_TRUE(box);
    EXPECT_EQ(Text(box), L"辺長値を描画する");
    wchar_t message[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, message, 1024);
    std::wstring expected = SettingsFile().wstring() + L" に書き込めません.";
    EXPECT_EQ(std::wstring(message), expected);
    EXPECT_FALSE(tool.Exited(200));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(tool.Exited());
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: dialog_wine_test PATH-OF-Vermiq.exe\n");
        return 2;
    }
    // ctest hands over the Linux path; under Wine the root of that file system is drive Z:.
    std::string path = argv[1];
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path) if (c == '/') c = '\\';
    }
    g_vermiqExe.assign(path.begin(), path.end());
    return RUN_ALL_TESTS();
}
