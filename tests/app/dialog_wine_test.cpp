// Vermiq.exe started as a user starts it: its window, its layout and its settings file.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/drawing_conventions.h"
#include "app/platform.h"
#include "common/win32_text.h"
#include "tests/support/win32_process.h"

namespace {

namespace fs = std::filesystem;
using vermiq::test::WindowText;

std::wstring g_vermiqExe;  // Windows path of the Vermiq.exe under test

std::wstring AppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path);
    return path;
}

fs::path WorkFolder() { return fs::path(AppDataFolder()) / L"Tallomir"; }

// The settings file's raw bytes: the private-profile functions keep it in code page 932.
std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The value of a key of a section, read from the bytes (code page 932 both sides).
std::string Profile(const fs::path& file, const std::string& key, const std::string& section = "初期化") {
    std::istringstream lines(FileBytes(file));
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') inSection = line == "[" + section + "]";
        else if (inSection && line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<missing>";
}

// A settings file as a user's earlier session left it.
void WriteSettings(const fs::path& file, const std::string& size, const std::string& decimals) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << "[初期化]\r\n大きさ=" << size << "\r\n延長桁=" << decimals << "\r\n";
}

// What a control shows. WM_GETTEXT is asked explicitly: GetWindowText of another process's
// control gives the name it was created with, not its text.
std::wstring ControlText(HWND control) {
    wchar_t buffer[512] = {};
    SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// One running Vermiq.exe and its dialog.
class RunningTool {
public:
    explicit RunningTool(const std::wstring& exe) : process_(exe) {
        if (process_.Started()) window_ = process_.WaitForWindow(L"TVermiqF");
    }
    HWND Window() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    DWORD Pid() const { return process_.Pid(); }
    HWND WaitForWindow(const wchar_t* windowClass) const { return process_.WaitForWindow(windowClass); }
    void Close() { PostMessageW(window_, WM_CLOSE, 0, 0); }
    bool Exited(DWORD milliseconds = 10000) const { return process_.Exited(milliseconds); }

private:
    vermiq::test::ChildProcess process_;
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
    EXPECT_EQ(WindowText(tool.Window()), L"辺長値を描画する");
    EXPECT_EQ(ControlText(tool.Control(vermiq::ids::Edit1)), L"50");
    EXPECT_EQ(ControlText(tool.Control(vermiq::ids::ComboBox2)), L"小数点以下0位");
    EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::CheckBox1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // No length limit on the size: not the edit control's default of 30000 characters.
    EXPECT_GT(SendMessageW(tool.Control(vermiq::ids::Edit1), EM_GETLIMITTEXT, 0, 0), 0x7FFF0000);
    EXPECT_FALSE(fs::exists(SettingsFile()));

    tool.Close();
    ASSERT_TRUE(tool.Exited());
    EXPECT_EQ(Profile(SettingsFile(), "大きさ"), "50");
    EXPECT_EQ(Profile(SettingsFile(), "延長桁"), "0");
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
        const char* stored;
        int shownIndex;
        const wchar_t* shownText;
        const char* writtenBack;
    } cases[] = {
        {"9", -1, L"", "-1"},
        {"-1", -1, L"", "-1"},
        {"letters", 0, L"小数点以下0位", "0"},
        {"3", 3, L"小数点以下3位", "3"},
        {" $2", 2, L"小数点以下2位", "2"},
    };
    for (const Case& c : cases) {
        WriteSettings(SettingsFile(), "12.5", c.stored);
        RunningTool tool(g_vermiqExe);
        ASSERT_TRUE(tool.Window()) << c.stored;
        EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCURSEL, 0, 0),
                  c.shownIndex)
            << c.stored;
        EXPECT_EQ(ControlText(tool.Control(vermiq::ids::ComboBox2)), c.shownText) << c.stored;
        EXPECT_EQ(ControlText(tool.Control(vermiq::ids::Edit1)), L"12.5") << c.stored;
        tool.Close();
        ASSERT_TRUE(tool.Exited());
        EXPECT_EQ(Profile(SettingsFile(), "延長桁"), c.writtenBack) << c.stored;
        EXPECT_EQ(Profile(SettingsFile(), "大きさ"), "12.5") << c.stored;
    }
}

TEST_F(ToolDialog, AnExecutableNamedXReadsAndWritesXIni) {
    fs::path folder = fs::temp_directory_path() / L"vermiq-x";
    fs::create_directories(folder);
    fs::path x = folder / L"X.exe";
    fs::copy_file(g_vermiqExe, x, fs::copy_options::overwrite_existing);
    WriteSettings(WorkFolder() / L"X.Ini", "77", "1");
    WriteSettings(SettingsFile(), "12", "4");
    {
        RunningTool tool(x.wstring());
        ASSERT_TRUE(tool.Window());
        EXPECT_EQ(ControlText(tool.Control(vermiq::ids::Edit1)), L"77");
        EXPECT_EQ(SendMessageW(tool.Control(vermiq::ids::ComboBox2), CB_GETCURSEL, 0, 0), 1);
        SendMessageW(tool.Control(vermiq::ids::Edit1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"80"));
        tool.Close();
        ASSERT_TRUE(tool.Exited());
    }
    EXPECT_EQ(Profile(WorkFolder() / L"X.Ini", "大きさ"), "80");
    EXPECT_EQ(Profile(SettingsFile(), "大きさ"), "12");
    EXPECT_FALSE(fs::exists(folder / L"X.Ini"));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// The options, chosen as the system menu's commands, are kept across a restart in a section of
// their own; an older settings file without it reads as all off, its own section unchanged.
TEST_F(ToolDialog, OptionsAreKeptInTheirOwnSectionAcrossARestart) {
    WriteSettings(SettingsFile(), "12.5", "3");
    const std::string side = "各辺に記入", along = "要素に沿って記入", total = "合計を記入", area = "面積を記入";
    const std::string options = "オプション";
    using namespace vermiq::ids;
    struct Step {
        std::vector<unsigned> toggles;
        const char *eachSide, *alongElement, *total, *area;
    } steps[] = {
        {{}, "0", "0", "0", "0"},
        {{EachSideItem, AreaItem}, "1", "0", "0", "1"},
        {{}, "1", "0", "0", "1"},  // read at the start and written back unchanged
        {{AlongElementItem, EachSideItem, TotalItem, TakeOffItem}, "0", "1", "1", "1"},
    };
    for (const Step& step : steps) {
        RunningTool tool(g_vermiqExe);
        ASSERT_TRUE(tool.Window());
        for (unsigned command : step.toggles) PostMessageW(tool.Window(), WM_SYSCOMMAND, command, 0);
        tool.Close();
        ASSERT_TRUE(tool.Exited());
        EXPECT_EQ(Profile(SettingsFile(), side, options), step.eachSide);
        EXPECT_EQ(Profile(SettingsFile(), along, options), step.alongElement);
        EXPECT_EQ(Profile(SettingsFile(), total, options), step.total);
        EXPECT_EQ(Profile(SettingsFile(), area, options), step.area);
        EXPECT_EQ(Profile(SettingsFile(), "大きさ"), "12.5");
        EXPECT_EQ(Profile(SettingsFile(), "延長桁"), "3");
    }
    EXPECT_EQ(FileBytes(SettingsFile()), "[初期化]\r\n大きさ=12.5\r\n延長桁=3\r\n[オプション]\r\n" + side + "=0\r\n" +
                                             along + "=1\r\n" + total + "=1\r\n" + area + "=1\r\n倍率=1\r\n単位=ｍ\r\n集計表=1\r\n");
}

// A visible top-level window of the process with the class and the title.
HWND DialogOf(DWORD pid, const std::wstring& title) {
    struct Search {
        DWORD pid;
        const std::wstring& title;
        HWND found;
    } search{pid, title, nullptr};
    vermiq::test::WaitUntil([&] {
        EnumWindows(
            [](HWND hwnd, LPARAM lParam) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(lParam);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                wchar_t cls[64] = {};
                GetClassNameW(hwnd, cls, 64);
                if (owner == s.pid && IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" && WindowText(hwnd) == s.title)
                    s.found = hwnd;
                return s.found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// A key as the dialog manager of the other process reads it from its queue.
void PressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// "表示の設定...": a modal dialog on top, its fields and buttons in tab order; Enter takes valid
// values, which are kept across a restart; a factor that is no positive number is refused with
// a message and nothing is saved; Esc leaves the values; a damaged value reads as its default.
TEST_F(ToolDialog, DisplaySettingsDialogAcrossARestart) {
    const std::wstring title = L"表示の設定", options = L"オプション";
    auto open = [&](RunningTool& tool) {
        PostMessageW(tool.Window(), WM_SYSCOMMAND, vermiq::ids::DisplaySettingsItem, 0);
        return DialogOf(tool.Pid(), title);
    };
    auto field = [](HWND dialog, int id) { return ControlText(GetDlgItem(dialog, id)); };
    auto type = [](HWND dialog, int id, const wchar_t* text) {
        SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    };
    using vermiq::ids::SettingsFactor;
    using vermiq::ids::SettingsUnit;
    using vermiq::ids::SettingsLayer;
    {
        RunningTool tool(g_vermiqExe);
        ASSERT_TRUE(tool.Window());
        HWND dialog = open(tool);
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), tool.Window());
        EXPECT_FALSE(IsWindowEnabled(tool.Window())) << "modal: the tool waits for it";
        EXPECT_EQ(field(dialog, SettingsFactor), L"1");
        EXPECT_EQ(field(dialog, SettingsUnit), L"ｍ");
        EXPECT_EQ(field(dialog, vermiq::ids::SettingsAreaUnit), L"面積の単位: ㎡");
        EXPECT_EQ(field(dialog, SettingsLayer), L"");
        HWND order[] = {GetDlgItem(dialog, SettingsFactor), GetDlgItem(dialog, SettingsUnit),
                        GetDlgItem(dialog, SettingsLayer),  GetDlgItem(dialog, IDOK),
                        GetDlgItem(dialog, IDCANCEL),       GetDlgItem(dialog, SettingsFactor)};
        EXPECT_TRUE(vermiq::test::WaitUntil([&] { return FocusOf(dialog) == order[0]; }));
        for (size_t i = 0; i + 1 < std::size(order); ++i) {
            PressKey(FocusOf(dialog), VK_TAB);
            EXPECT_TRUE(vermiq::test::WaitUntil([&] { return FocusOf(dialog) == order[i + 1]; })) << "tab " << i;
        }
        EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDOK), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);

        // Refused factors, then layer names that a layer cannot take or the command line would
        // cut, with a valid factor.
        const struct {
            int id;
            const wchar_t* text;
        } refusals[] = {{SettingsFactor, L"0"}, {SettingsFactor, L"-2"}, {SettingsFactor, L"abc"},
                        {SettingsFactor, L"1e999"}, {SettingsLayer, L"寸法/外"}, {SettingsLayer, L"a b"},
                        {SettingsLayer, L"a\\b"}, {SettingsLayer, L"寸法*"}};
        for (const auto& [id, refused] : refusals) {
            if (id == SettingsLayer) type(dialog, SettingsFactor, L"1");
            type(dialog, id, refused);
            PressKey(GetDlgItem(dialog, id), VK_RETURN);
            HWND box = DialogOf(tool.Pid(), L"辺長値を描画する");
            ASSERT_TRUE(box) << "no message for " << vermiq::win32::Narrow(refused);
            wchar_t message[512] = {};
            GetDlgItemTextW(box, 0xFFFF, message, 512);
            EXPECT_EQ(vermiq::win32::Narrow(message),
                      id == SettingsFactor ? "倍率には 0 より大きい数を入力してください" : vermiq::kLayerRefused);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(vermiq::test::WaitUntil([&] { return !IsWindow(box); }));
            EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
        }
        type(dialog, SettingsFactor, L"0.001");
        type(dialog, SettingsUnit, L"mm");
        type(dialog, SettingsLayer, L"寸法");
        EXPECT_EQ(field(dialog, vermiq::ids::SettingsAreaUnit), L"面積の単位: mm^2");
        PressKey(GetDlgItem(dialog, SettingsUnit), VK_RETURN);
        EXPECT_TRUE(vermiq::test::WaitUntil([&] { return !IsWindow(dialog); }));
        EXPECT_TRUE(IsWindowEnabled(tool.Window()));
        tool.Close();
        ASSERT_TRUE(tool.Exited());
    }
    // Opened again after a restart: the values shown, then changed and left with Esc.
    auto reopenAndEscape = [&](const wchar_t* factor, const wchar_t* unit) {
        RunningTool tool(g_vermiqExe);
        ASSERT_TRUE(tool.Window());
        HWND dialog = open(tool);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(field(dialog, SettingsFactor), factor);
        EXPECT_EQ(field(dialog, SettingsUnit), unit);
        type(dialog, SettingsFactor, L"5");
        PressKey(GetDlgItem(dialog, SettingsFactor), VK_ESCAPE);
        EXPECT_TRUE(vermiq::test::WaitUntil([&] { return !IsWindow(dialog); }));
        tool.Close();
        ASSERT_TRUE(tool.Exited());
    };
    EXPECT_EQ(Profile(SettingsFile(), "倍率", "オプション"), "0.001");
    EXPECT_EQ(Profile(SettingsFile(), "単位", "オプション"), "mm");
    EXPECT_EQ(Profile(SettingsFile(), "記入画層", "オプション"), "寸法");
    reopenAndEscape(L"0.001", L"mm");
    EXPECT_EQ(Profile(SettingsFile(), "倍率", "オプション"), "0.001");
    // Damaged values: each reads as its default, shown so and written back so.
    WritePrivateProfileStringW(options.c_str(), L"倍率", L"-0.5", SettingsFile().c_str());
    WritePrivateProfileStringW(options.c_str(), L"単位", L"とても長い単位のなまえです", SettingsFile().c_str());
    WritePrivateProfileStringW(options.c_str(), L"記入画層", L"寸法/外", SettingsFile().c_str());
    reopenAndEscape(L"1", L"ｍ");
    EXPECT_EQ(Profile(SettingsFile(), "倍率", "オプション"), "1");
    EXPECT_EQ(Profile(SettingsFile(), "単位", "オプション"), "ｍ");
    EXPECT_EQ(Profile(SettingsFile(), "記入画層", "オプション"), "<missing>") << "no label layer: no key";
}

TEST_F(ToolDialog, UnwritableSettingsAreReportedAndTheDialogStillCloses) {
    // A folder where the settings file should be: the private-profile write fails.
    fs::create_directories(SettingsFile());
    RunningTool tool(g_vermiqExe);
    ASSERT_TRUE(tool.Window());
    tool.Close();
    HWND box = tool.WaitForWindow(L"#32770");
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), L"辺長値を描画する");
    wchar_t message[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, message, 1024);
    std::wstring expected = SettingsFile().wstring() + L" に書き込めません.";
    EXPECT_EQ(std::wstring(message), expected);
    EXPECT_FALSE(tool.Exited(200));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(tool.Exited());
}

// A copy of Vermiq.exe whose reader message table has lost its "STR0" mark.
fs::path ExecutableWithBrokenStringTable() {
    const fs::path copy = fs::temp_directory_path() / L"vermiq-broken-table" / L"Vermiq.exe";
    fs::create_directories(copy.parent_path());
    fs::copy_file(g_vermiqExe, copy, fs::copy_options::overwrite_existing);
    WORD language = 0;
    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(10), L"ESSRMGR_STRINGS",
                           [](HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR out) -> BOOL {
                               *reinterpret_cast<WORD*>(out) = found;
                               return FALSE;
                           },
                           reinterpret_cast<LONG_PTR>(&language));
    FreeLibrary(module);
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    char broken[16] = "STRX";
    UpdateResourceW(update, MAKEINTRESOURCEW(10), L"ESSRMGR_STRINGS", language, broken, sizeof broken);
    EndUpdateResourceW(update, FALSE);
    return copy;
}

TEST(ToolStart, ABrokenStringTableIsReportedInTheErrorBoxAndEndsTheProgram) {
    vermiq::test::ChildProcess process(ExecutableWithBrokenStringTable().wstring());
    ASSERT_TRUE(process.Started());
    HWND box = process.WaitForWindow(L"#32770");
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(WindowText(box), L"辺長値を描画する");
    wchar_t message[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, message, 1024);
    EXPECT_EQ(std::wstring(message), L"Invalid string resource.");
    EXPECT_FALSE(vermiq::test::TopLevelWindowOf(process.Pid(), L"TVermiqF"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(process.Exited());
}

// The run's check that the export wrote its file: a folder at the path is no file, and a file
// that cannot be opened yet is not finished.
TEST(ToolPlatform, OnlyAFileCountsAsExisting) {
    const fs::path folder = fs::temp_directory_path() / L"vermiq-exists";
    fs::remove_all(folder);
    fs::create_directories(folder / L"作業.dxf");
    std::ofstream(folder / L"書き出し.dxf") << "0\nEOF\n";
    const struct {
        const wchar_t* name;
        bool file;
    } cases[] = {{L"書き出し.dxf", true}, {L"作業.dxf", false}, {L"無い.dxf", false}};
    for (const auto& c : cases) {
        const std::string path = vermiq::win32::Narrow((folder / c.name).wstring());
        EXPECT_EQ(vermiq::IsExistingFile(path), c.file) << path;
    }
    // Held by another program without sharing (a scanner): there, but nothing of it read yet.
    const fs::path held = folder / L"書き出し.dxf";
    const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const vermiq::FileStamp stamp = vermiq::StampOfFile(vermiq::win32::Narrow(held.wstring()));
    CloseHandle(holder);
    EXPECT_TRUE(stamp.exists);
    EXPECT_TRUE(stamp.tail.empty());
    fs::remove_all(folder);
}

TEST(ToolExecutable, CarriesItsIconManifestAndVersion) {
    HMODULE module = LoadLibraryExW(g_vermiqExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    EXPECT_TRUE(FindResourceW(module, L"MAINICON", MAKEINTRESOURCEW(14)));  // RT_GROUP_ICON
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_TRUE(manifest);
    std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                     SizeofResource(module, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(text.find("<dpiAware>true</dpiAware>"), std::string::npos);
    FreeLibrary(module);

    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(g_vermiqExe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(g_vermiqExe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00020000u);
    auto entry = [&](const wchar_t* name) {
        std::wstring path = std::wstring(L"\\StringFileInfo\\041103A4\\") + name;
        wchar_t* value = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(entry(L"FileVersion"), L"1.1.2.0");
    EXPECT_EQ(entry(L"ProductVersion"), L"1.0.0.0");
    for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"InternalName",
                                L"LegalCopyright", L"OriginalFilename", L"ProductName"})
        EXPECT_EQ(entry(name), L"") << std::string(name, name + wcslen(name));
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: dialog_wine_test PATH-OF-Vermiq.exe\n");
        return 2;
    }
    g_vermiqExe = vermiq::test::WindowsPath(argv[1]);
    return RUN_ALL_TESTS();
}
