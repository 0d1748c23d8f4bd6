// The tool dialog: its layout, its settings, and the handlers the user reaches through it.
#include "app/VermiqU.h"

#include <commctrl.h>

#include <exception>
#include <stdexcept>

#include "app/control_ids.h"
#include "app/dialog_button.h"
#include "app/error_text.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/settings_dialog.h"
#include "app/work_files.h"
#include "cadlink/silent_abort.h"
#include "common/win32_text.h"

namespace vermiq {
namespace {

constexpr wchar_t kWindowClass[] = L"TVermiqF";
constexpr int kClientWidth = 241;
constexpr int kClientHeight = 138;
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT |
                               WS_EX_APPWINDOW;
constexpr int kCsidlAppData = 26;
// While the user's clipboard waits to be put back after a run, the dialog retries this often.
// What a run left to be done once another program lets go: the user's clipboard to put back, a
// closing command for a CAD that stopped answering.
constexpr UINT_PTR kLeftOverTimer = 1;
constexpr UINT kLeftOverMilliseconds = 500;

// Layout at 96 pixels per inch. Children of a group box are placed relative to it.
struct Placement {
    int left, top, width, height;
};
constexpr Placement kMarquee{8, 8, 225, 35};
constexpr Placement kGroupBox2{8, 48, 81, 49};
constexpr Placement kEdit1{16, 24, 41, 20};
constexpr Placement kGroupBox4{96, 48, 137, 49};
constexpr Placement kComboBox2{8, 24, 121, 20};
constexpr Placement kCheckBox1{8, 104, 49, 17};
constexpr Placement kPlButton1{160, 104, 75, 26};
constexpr Placement kPlButton2{72, 104, 75, 26};
constexpr int kComboItemHeight = 12;

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::string WindowTextOf(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(window, text.data(), n + 1);
    text.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return win32::Narrow(text);
}

} // namespace

std::unique_ptr<TVermiqF> TVermiqF::Create(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TVermiqF::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);

    std::unique_ptr<TVermiqF> form(new TVermiqF(instance));
    {
        win32::WindowDC screen(nullptr);
        form->dpi_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    RECT frame{0, 0, form->Scale(kClientWidth), form->Scale(kClientHeight)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    std::wstring title = win32::Widen(kAppTitle);
    HWND hwnd = CreateWindowExW(kFormExStyle, kWindowClass, title.c_str(), kFormStyle, x, y,
                                width, height, nullptr, nullptr, instance, form.get());
    if (!hwnd) return nullptr;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return form;
}

LRESULT CALLBACK TVermiqF::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TVermiqF*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TVermiqF*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return form->OnMessage(message, wParam, lParam);
}

template <class F>
void TVermiqF::Guarded(F&& handler) {
    try {
        handler();
    } catch (const SilentAbort&) {
        // The clipboard was held by another program: the run ends without a word.
    } catch (const std::exception& error) {
        ShowErrorBox(hwnd_, error.what());
    } catch (...) {
        ShowErrorBox(hwnd_, "Unexpected error");
    }
}

LRESULT TVermiqF::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        Guarded([&] {
            CreateControls();
            FormCreate();
        });
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ids::plButton1:
            if (HIWORD(wParam) == BN_CLICKED) Guarded([&] { Button3Click(); });
            return 0;
        case ids::plButton2:
            if (HIWORD(wParam) == BN_CLICKED) Guarded([&] { Button5Click(); });
            return 0;
        case IDOK:
        case IDCANCEL:
            // Neither button is the dialog's default or cancel button: Enter and Esc do nothing.
            return 0;
        }
        break;
    case WM_TIMER:
        if (wParam == kLeftOverTimer) {
            const bool clipboard = cadLink_.RetryClipboardRestore();
            if (!cadLink_.RetryLeftCommand() && !clipboard) KillTimer(hwnd_, kLeftOverTimer);
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        if (ToggleOption(static_cast<unsigned>(wParam & 0xFFF0))) return 0;
        if ((wParam & 0xFFF0) == ids::DisplaySettingsItem) {
            // A run reads the units as each pass starts; they are not changed under it.
            if (!runInProgress_) Guarded([&] { ShowDisplaySettings(hwnd_, options_.units, options_.layer); });
            return 0;
        }
        break;
    case WM_CLOSE:
        RequestClose();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

HWND TVermiqF::AddControl(const wchar_t* windowClass, const wchar_t* caption, DWORD style, int id,
                          int left, int top, int width, int height, HFONT font) {
    HWND control = CreateWindowExW(0, windowClass, caption, WS_CHILD | WS_VISIBLE | style,
                                   Scale(left), Scale(top), Scale(width), Scale(height), hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void TVermiqF::CreateControls() {
    font_.reset(CreateFontW(-Scale(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック"));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    HFONT font = font_.get();

    // Creation order is the tab order: the group boxes' children follow their group box.
    EsScrollingMarquee1 = std::make_unique<TEsScrollingMarquee>();
    TEsScrollingMarquee& banner = *EsScrollingMarquee1;
    banner.SetCaption("選択した要素の辺長値をクリックした位置に描画します");
    banner.SetAlignment(TAlignment::taLeftJustify);
    TEsFont bannerFont;  // "Times New Roman", no style
    bannerFont.Height = -Scale(27);
    bannerFont.Charset = SHIFTJIS_CHARSET;
    bannerFont.Color = es_colors::clGray;
    banner.SetFont(bannerFont);
    banner.SetScrollSpeed(5);
    banner.CreateHandle(hwnd_, Scale(kMarquee.left), Scale(kMarquee.top), Scale(kMarquee.width),
                        Scale(kMarquee.height), ids::Marquee);
    AddControl(L"BUTTON", L"注記の大きさ", BS_GROUPBOX, ids::GroupBox2, kGroupBox2.left,
               kGroupBox2.top, kGroupBox2.width, kGroupBox2.height, font);
    HWND edit = AddControl(L"EDIT", L"50", WS_TABSTOP | WS_GROUP | WS_BORDER | ES_AUTOHSCROLL,
                           ids::Edit1, kGroupBox2.left + kEdit1.left, kGroupBox2.top + kEdit1.top,
                           kEdit1.width, kEdit1.height, font);
    // No length limit: 0 lifts the edit control's default of 30000 characters.
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    AddControl(L"BUTTON", L"延長値小数点以下桁数", BS_GROUPBOX, ids::GroupBox4, kGroupBox4.left,
               kGroupBox4.top, kGroupBox4.width, kGroupBox4.height, font);
    // The list drops down below the 20-pixel field, tall enough for all nine items.
    HWND combo = AddControl(L"COMBOBOX", L"", WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWN |
                                                  CBS_AUTOHSCROLL,
                            ids::ComboBox2, kGroupBox4.left + kComboBox2.left,
                            kGroupBox4.top + kComboBox2.top, kComboBox2.width,
                            kComboBox2.height + kComboItemHeight * kDecimalsItems + 4, font);
    for (int places = 0; places < kDecimalsItems; ++places) {
        std::wstring item = L"小数点以下" + std::to_wstring(places) + L"位";
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(combo, CB_SETITEMHEIGHT, 0, Scale(kComboItemHeight));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    AddControl(L"BUTTON", L"連続", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, ids::CheckBox1,
               kCheckBox1.left, kCheckBox1.top, kCheckBox1.width, kCheckBox1.height, font);
    // The two gradient buttons; their clicks arrive as WM_COMMAND BN_CLICKED like a system button's.
    auto makeButton = [&](const char* name, const Placement& at, int id, const char* caption) {
        return MakeDialogButton(hwnd_, name, Scale(at.left), Scale(at.top), Scale(at.width), Scale(at.height), id,
                                font, caption);
    };
    plButton1_ = makeButton("plButton1", kPlButton1, ids::plButton1, "実　行");
    plButton2_ = makeButton("plButton2", kPlButton2, ids::plButton2, "閉じる");
}

void TVermiqF::FormCreate() {
    EsScrollingMarquee1->SetActive(true);
    workFolder_ = WorkFolderFrom(SpecialFolderPath(hwnd_, kCsidlAppData));
    CreateFolderTree(workFolder_);
    workBaseName_ = WorkBaseNameAt(workFolder_, CurrentLocalTime());
    std::string settingsFile = SettingsFileFor(workFolder_, ExecutablePath());

    std::string size = ReadProfileText(settingsFile, kSettingsSection, kSizeKey, kDefaultSize);
    SetWindowTextW(Control(hwnd_, ids::Edit1), win32::Widen(size).c_str());
    std::string decimals = ReadProfileText(settingsFile, kSettingsSection, kDecimalsKey, "0");
    // An index outside the list selects nothing and empties the field, which is what the user
    // then sees and what is written back. Some list implementations keep the old selection for
    // an index past the end, so such an index is given as "none" explicitly.
    int index = SelectableIndex(DecimalsIndexFromText(decimals));
    SendMessageW(Control(hwnd_, ids::ComboBox2), CB_SETCURSEL, static_cast<WPARAM>(index), 0);

    options_.eachSide = OptionFromText(ReadProfileText(settingsFile, kOptionsSection, kEachSideKey, "0"));
    options_.alongElement = OptionFromText(ReadProfileText(settingsFile, kOptionsSection, kAlongElementKey, "0"));
    options_.total = OptionFromText(ReadProfileText(settingsFile, kOptionsSection, kTotalKey, "0"));
    options_.area = OptionFromText(ReadProfileText(settingsFile, kOptionsSection, kAreaKey, "0"));
    options_.takeOff = OptionFromText(ReadProfileText(settingsFile, kOptionsSection, kTakeOffKey, "0"));
    options_.units = StoredUnits(ReadProfileText(settingsFile, kOptionsSection, kFactorKey, "1"),
                                 ReadProfileText(settingsFile, kOptionsSection, kUnitKey, kUnitMark));
    options_.layer = StoredLabelLayer(ReadProfileText(settingsFile, kOptionsSection, kLabelLayerKey, ""));
    AddOptionItems();
}

void TVermiqF::AddOptionItems() {
    HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (!menu) return;
    auto state = [](bool on) { return static_cast<UINT>(MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED)); };
    // A take-off instead of labels; what the label says; then where labels go.
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, state(options_.takeOff), ids::TakeOffItem, L"集計表をコピー");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, state(options_.total), ids::TotalItem, L"合計を記入");
    AppendMenuW(menu, state(options_.area), ids::AreaItem, L"面積を記入");
    AppendMenuW(menu, MF_STRING, ids::DisplaySettingsItem, L"表示の設定...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, state(options_.eachSide), ids::EachSideItem, L"各辺に記入");
    AppendMenuW(menu, state(options_.alongElement), ids::AlongElementItem, L"要素に沿って記入");
}

bool TVermiqF::ToggleOption(unsigned command) {
    bool* option = command == ids::EachSideItem       ? &options_.eachSide
                   : command == ids::AlongElementItem ? &options_.alongElement
                   : command == ids::TotalItem        ? &options_.total
                   : command == ids::AreaItem         ? &options_.area
                   : command == ids::TakeOffItem      ? &options_.takeOff
                                                      : nullptr;
    if (!option) return false;
    *option = !*option;
    CheckMenuItem(GetSystemMenu(hwnd_, FALSE), command, MF_BYCOMMAND | (*option ? MF_CHECKED : MF_UNCHECKED));
    return true;
}

void TVermiqF::FormClose() {
    std::string file = SettingsFileFor(workFolder_, ExecutablePath());
    bool written = WriteProfileText(file, kSettingsSection, kSizeKey, Edit1Text());
    written = WriteProfileText(file, kSettingsSection, kDecimalsKey,
                               std::to_string(ComboBox2Index())) && written;
    written = WriteProfileText(file, kOptionsSection, kEachSideKey, OptionText(options_.eachSide)) && written;
    written = WriteProfileText(file, kOptionsSection, kAlongElementKey, OptionText(options_.alongElement)) && written;
    written = WriteProfileText(file, kOptionsSection, kTotalKey, OptionText(options_.total)) && written;
    written = WriteProfileText(file, kOptionsSection, kAreaKey, OptionText(options_.area)) && written;
    written = WriteProfileText(file, kOptionsSection, kFactorKey, FactorText(options_.units.factor)) && written;
    written = WriteProfileText(file, kOptionsSection, kUnitKey, options_.units.unit) && written;
    written = WriteProfileText(file, kOptionsSection, kTakeOffKey, OptionText(options_.takeOff)) && written;
    // No label layer leaves the file as it has always been.
    written = (options_.layer.empty() ? RemoveProfileKey(file, kOptionsSection, kLabelLayerKey)
                                      : WriteProfileText(file, kOptionsSection, kLabelLayerKey, options_.layer)) &&
              written;
    if (!written) throw std::runtime_error(CannotWriteMessage(file));
}

void TVermiqF::RequestClose() {
    if (runInProgress_) {
        // The run notices at its next poll, restores the CAD and returns; the close follows.
        closeRequested_ = true;
        return;
    }
    // The settings are saved first; a settings file that cannot be written is reported, and
    // the dialog still closes, since the user asked to close it.
    Guarded([&] { FormClose(); });
    cadLink_.RetryClipboardRestore();  // a last attempt for the user's clipboard
    cadLink_.RetryLeftCommand();       // and for the CAD's file dialogs
    DestroyWindow(hwnd_);
}

void TVermiqF::Button5Click() { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

void TVermiqF::Button3Click() {
    if (runInProgress_) return;
    runInProgress_ = true;
    // However the run ends, a close that the user asked for meanwhile is carried out now.
    struct EndOfRun {
        TVermiqF& form;
        ~EndOfRun() {
            form.runInProgress_ = false;
            // Another program held the clipboard when the user's contents were to go back, or the
            // CAD stopped answering: what is left is done as soon as it can be, from the dialog's
            // timer, never stalling it.
            if (form.cadLink_.ClipboardRestorePending() || form.cadLink_.LeftCommandPending())
                SetTimer(form.hwnd_, kLeftOverTimer, kLeftOverMilliseconds, nullptr);
            if (form.closeRequested_) PostMessageW(form.hwnd_, WM_CLOSE, 0, 0);
        }
    } endOfRun{*this};
    MeasureAndLabelRun run(cadLink_, desktop_, *this, *this, entityTables_, workBaseName_);
    run.RunMeasureAndLabel();
    if (!run.Notice().empty()) ShowNoticeBox(hwnd_, run.Notice());
}

void TVermiqF::SetRunInProgress(bool running) {
    EnableWindow(Control(hwnd_, ids::plButton1), !running);
    EnableWindow(Control(hwnd_, ids::plButton2), !running);
}

bool TVermiqF::FileExists(const std::string& path) {
    // A folder at the work file's path would pass as an export that read as empty.
    return IsExistingFile(path);
}

void TVermiqF::RemoveFile(const std::string& path) { DeleteFileW(win32::Widen(path).c_str()); }

FileStamp TVermiqF::StampFile(const std::string& path) { return StampOfFile(path); }

bool TVermiqF::ClaimRun() {
    // Without the mutex (the system refused it) every instance runs, as before there was one.
    if (!runMutex_.get()) return true;
    const DWORD wait = WaitForSingleObject(runMutex_.get(), 0);
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

void TVermiqF::ReleaseRun() {
    if (runMutex_.get()) ReleaseMutex(runMutex_.get());
}

void TVermiqF::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

std::string TVermiqF::Edit1Text() { return WindowTextOf(Control(hwnd_, ids::Edit1)); }

int TVermiqF::ComboBox2Index() {
    return static_cast<int>(SendMessageW(Control(hwnd_, ids::ComboBox2), CB_GETCURSEL, 0, 0));
}

bool TVermiqF::CheckBox1Checked() {
    return SendMessageW(Control(hwnd_, ids::CheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TVermiqF::SetMinimised(bool minimised) {
    ShowWindow(hwnd_, minimised ? SW_MINIMIZE : SW_RESTORE);
}

bool TVermiqF::IsDialogKeyMessage(MSG& msg) {
    return TplButton::OfferDialogKey(msg) || IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void TVermiqF::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (hwnd_ && IsDialogKeyMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (closeRequested_ && runInProgress_) throw SilentAbort();
}

int TVermiqF::RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (hwnd_ && IsDialogKeyMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace vermiq
