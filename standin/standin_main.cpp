// StandinCad.exe: shows a stand-in CAD session as a CAD's windows, for the tests and the demo.
//
// Usage: StandinCad.exe [options]        every option may be left out
//   --layout docked|floating|textwindow|commandwindow|draftsight
//        docked (default): the command line's panes are children of the main frame;
//        floating: the panes sit in a top-level window titled "コマンド ライン" (class "Afx:…:8:…");
//        textwindow: the panes sit only inside the text window "AutoCAD テキスト ウィンドウ - …";
//        commandwindow: the panes sit only inside the text window titled "コマンド ウィンドウ";
//        draftsight: a main frame titled "DraftSight - […]" with a class containing "QPopup",
//        panes docked in it.
//        In every layout the process has a text window that answers menu command 32781 by
//        putting the whole history on the clipboard (CF_TEXT, code page 932) before it returns.
//        It is shown only when it holds the panes.
//   --panes headlands|inputoutput   pane titles "Headlands"/"MountTam" (default) or "input"/"output"
//   --ansi            the main frame is an ANSI window (IsWindowUnicode false)
//   --drawing FILE    the drawing (format in standin/drawing.h); default: empty
//   --scenario FILE   the scripted user (format in standin/scenario.h); default: only a person
//   --ask-export      DXFOUT also asks "…書き出しますか" before writing
//   --wrap N          history lines wrap after N bytes (a long read-only value then spans lines)
//   --lag MS          every WM_COPYDATA is queued and taken up MS milliseconds later on the
//                     stand-in's own loop (at its next 50 ms tick after that), as a busy CAD
//                     does; until then the panes, the history and the files show the state
//                     before it. Default 0: taken up before SendMessage returns
//   --busy MS         the CAD takes no input for MS milliseconds after the first input reaches
//                     it (a dialog open in it); what arrives meanwhile waits, in order
//   --english         English prompts: "Command: ", "Select objects: ", "Specify point: ",
//                     "*Cancel*", "N found"
//   --prompt-in-history  a copy of the history ends with the current prompt line
//   --export-ms MS    DXFOUT writes for MS milliseconds: half the file on disk at once, the rest
//                     at the end; the prompt shows the export meanwhile and typed input waits
//   --empty-pane-while-working  the input pane shows nothing while an export is written
//   --found-form sourced|older|unseen   how a pick's count shows: "認識された数: N" completing the
//                     selection prompt's line (default), the older "N 個を検出" on a line of its own,
//                     or a form that no source shows
//   --locked K,L,…    entities K, L, … (from 1) are on a locked layer: a pick counts them, then
//                     refuses them on a line of its own and keeps the previous selection set
//   --failed-copies N the first N history copies place nothing on the clipboard
//   --hold-export MS  the export's file is held open without sharing for MS ms once written
//                     A scenario "hang MS" stops the stand-in's window thread for MS ms: its
//                     windows answer no message meanwhile, as a hung CAD's do.
//   --var NAME=VALUE  sets a system variable; --readonly NAME=VALUE defines a read-only one
//                     (--readonly UCSORG=x,y,0 moves the user's coordinate system away from the
//                     world's, --readonly UCSXDIR=x,y,0 and UCSYDIR=x,y,0 turn its axes: typed
//                     points other than "*x,y", ID's answers and typed angles are then in it;
//                     --var ANGBASE=degrees, ANGDIR=0|1, AUNITS=0..4 and AUPREC=0..8 say how a
//                     typed angle reads and how ANGBASE is shown; labels go on the layer CLAYER,
//                     which -LAYER makes)
//   --log FILE        every command text received by WM_COPYDATA, exactly as received, one per
//                     line (LF), code 3 written as "^C", 13 as "^M", 10 as "^J", every other byte
//                     as it is (code page 932); written through at once as each command
//                     arrives, before a --lag has passed
//   --state FILE      rewritten after every change (a temporary file renamed over it): the lines
//                     "VAR FILEDIA value" and "VAR LASTPOINT x,y,z", then the drawing's entities
//                     and the MTEXT labels in the drawing format of standin/drawing.h, e.g.
//                     "MTEXT 150,80 50 450 MC 0 1234.57ｍ" (position, height, width,
//                     justification, rotation, then the text after one blank, exactly)
//
// Input: WM_COPYDATA with dwData 1 to the main frame, read by the frame's own kind as a real
// frame reads it: UTF-16 up to the first zero unit for a Unicode frame, code-page bytes up to
// the first zero byte for an ANSI one (--ansi). The other form arrives garbled, as it would.
// A person may click the drawing to select or to pick a point and type on the keyboard
// (Esc cancels); that input is not logged. The main frame sits in the left part of a
// 1280×1024 screen and shows the drawing fitted to it, labels included.
#include "common/win32_raii.h"
#include "common/win32_text.h"
#include "standin/cad_session.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace vermiq::win32;
using standin::CadSession;
using standin::Entity;
using standin::EntityKind;

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 50;
constexpr WORD kCopyHistoryCommand = 32781;
constexpr int kCommandLineHeight = 110; // docked: history lines and the input line
constexpr int kInputHeight = 22;

enum class Layout { Docked, Floating, TextWindow, CommandWindow, DraftSight };
enum class Role { Main, Floating, Text, Input, History };

struct Options {
    Layout layout = Layout::Docked;
    bool inputOutputPanes = false;
    bool ansi = false;
    std::wstring drawing, scenario, log, state;
    standin::SessionOptions session;
    struct Var {
        std::string name, value;
        bool readOnly;
    };
    std::vector<Var> variables;
};

class UsageError : public std::exception {
public:
    explicit UsageError(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }
private:
    std::string what_;
};

Options ParseOptions(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        auto value = [&]() -> std::wstring {
            if (i + 1 >= argc) throw UsageError("missing value after " + Narrow(arg));
            return argv[++i];
        };
        if (arg == L"--layout") {
            std::wstring v = value();
            if (v == L"docked") o.layout = Layout::Docked;
            else if (v == L"floating") o.layout = Layout::Floating;
            else if (v == L"textwindow") o.layout = Layout::TextWindow;
            else if (v == L"commandwindow") o.layout = Layout::CommandWindow;
            else if (v == L"draftsight") o.layout = Layout::DraftSight;
            else throw UsageError("unknown layout " + Narrow(v));
        } else if (arg == L"--panes") {
            std::wstring v = value();
            if (v == L"headlands") o.inputOutputPanes = false;
            else if (v == L"inputoutput") o.inputOutputPanes = true;
            else throw UsageError("unknown panes " + Narrow(v));
        } else if (arg == L"--ansi") {
            o.ansi = true;
        } else if (arg == L"--ask-export") {
            o.session.askExport = true;
        } else if (arg == L"--drawing") {
            o.drawing = value();
        } else if (arg == L"--scenario") {
            o.scenario = value();
        } else if (arg == L"--log") {
            o.log = value();
        } else if (arg == L"--state") {
            o.state = value();
        } else if (arg == L"--lag") {
            o.session.lagMs = std::max(0, _wtoi(value().c_str()));
        } else if (arg == L"--busy") {
            o.session.busyMs = std::max(0, _wtoi(value().c_str()));
        } else if (arg == L"--english") {
            o.session.english = true;
        } else if (arg == L"--prompt-in-history") {
            o.session.promptInHistory = true;
        } else if (arg == L"--export-ms") {
            o.session.exportMs = std::max(0, _wtoi(value().c_str()));
        } else if (arg == L"--empty-pane-while-working") {
            o.session.emptyPaneWhileWorking = true;
        } else if (arg == L"--wrap") {
            o.session.historyWidth = std::max(0, _wtoi(value().c_str()));
        } else if (arg == L"--found-form") {
            std::wstring v = value();
            using Form = standin::SessionOptions::FoundForm;
            if (v == L"sourced") o.session.foundForm = Form::Sourced;
            else if (v == L"older") o.session.foundForm = Form::Older;
            else if (v == L"unseen") o.session.foundForm = Form::Unseen;
            else throw UsageError("unknown count form " + Narrow(v));
        } else if (arg == L"--locked") {
            std::string v = Narrow(value());
            for (size_t at = 0; at < v.size();) {
                size_t comma = std::min(v.find(',', at), v.size());
                o.session.lockedEntities.push_back(std::max(1, std::atoi(v.substr(at, comma - at).c_str())));
                at = comma + 1;
            }
        } else if (arg == L"--failed-copies") {
            o.session.failedCopies = std::max(0, _wtoi(value().c_str()));
        } else if (arg == L"--hold-export") {
            o.session.exportHeldMs = std::max(0, _wtoi(value().c_str()));
        } else if (arg == L"--var" || arg == L"--readonly") {
            std::string v = Narrow(value());
            size_t eq = v.find('=');
            if (eq == std::string::npos || eq == 0) throw UsageError("expected NAME=VALUE after " + Narrow(arg));
            o.variables.push_back({v.substr(0, eq), v.substr(eq + 1), arg == L"--readonly"});
        } else {
            throw UsageError("unknown option " + Narrow(arg));
        }
    }
    return o;
}

std::wstring BaseName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Writes the whole file beside its final name and renames it over, so a reader never sees half.
bool WriteFileAtomically(const std::wstring& path, const std::string& text) {
    std::wstring temporary = path + L".tmp";
    {
        KernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size())
            return false;
    }
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Maps drawing coordinates into a rectangle of the window, y up, the drawing fitted with a margin.
struct View {
    double scale = 1, originX = 0, originY = 0;
    RECT area{};
    void Fit(const standin::Extents& extents, RECT r) {
        area = r;
        double minX = 0, minY = 0, maxX = 100, maxY = 100;
        if (!extents.empty) {
            minX = extents.min.x, minY = extents.min.y, maxX = extents.max.x, maxY = extents.max.y;
        }
        double w = std::max(maxX - minX, 1e-9), h = std::max(maxY - minY, 1e-9);
        double areaW = std::max<LONG>(1, r.right - r.left), areaH = std::max<LONG>(1, r.bottom - r.top);
        scale = std::min(areaW / (w * 1.16), areaH / (h * 1.16));
        originX = (minX + maxX) / 2 - areaW / 2 / scale;
        originY = (minY + maxY) / 2 - areaH / 2 / scale;
    }
    POINT ToScreen(standin::Point p) const {
        return {area.left + static_cast<LONG>(std::lround((p.x - originX) * scale)),
                area.bottom - static_cast<LONG>(std::lround((p.y - originY) * scale))};
    }
    standin::Point ToDrawing(int x, int y) const {
        return {originX + (x - area.left) / scale, originY + (area.bottom - y) / scale};
    }
};

class Host {
public:
    explicit Host(Options options) : options_(std::move(options)) {}

    int Run(HINSTANCE instance) {
        instance_ = instance;
        std::unique_ptr<standin::Drawing> drawing = std::make_unique<standin::Drawing>();
        if (!options_.drawing.empty()) *drawing = standin::Drawing::Load(Narrow(options_.drawing));
        std::unique_ptr<standin::Scenario> scenario;
        if (!options_.scenario.empty())
            scenario = std::make_unique<standin::Scenario>(standin::Scenario::Load(Narrow(options_.scenario)));
        session_ = std::make_unique<CadSession>(std::move(drawing), std::move(scenario), options_.session);
        session_->SetVariable("DWGNAME", DrawingName(), true);
        for (const auto& v : options_.variables) session_->SetVariable(v.name, v.value, v.readOnly);
        if (!options_.log.empty()) {
            log_ = std::make_unique<KernelHandle>(CreateFileW(options_.log.c_str(), GENERIC_WRITE,
                                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (log_->get() == INVALID_HANDLE_VALUE) throw UsageError("cannot write the log " + Narrow(options_.log));
        }
        WriteState();

        font_.reset(CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, CLEARTYPE_QUALITY,
                                FIXED_PITCH | FF_MODERN, L"MS Gothic"));
        CreateWindows();
        SetTimer(main_, kTickTimer, kTickMs, nullptr);
        lastTick_ = GetTickCount64();

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return static_cast<int>(msg.wParam);
    }

    LRESULT Handle(Role role, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
        case WM_COPYDATA:
            if (role == Role::Main) return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lp));
            break;
        case WM_GETTEXTLENGTH:
        case WM_GETTEXT:
            if (role == Role::Input) return AnswerText(hwnd, msg, wp, lp, session_->InputPaneText());
            break;
        case WM_COMMAND:
            if (role == Role::Text && LOWORD(wp) == kCopyHistoryCommand) {
                if (!session_->TakeFailedCopy()) CopyHistory(hwnd);
                return 0;
            }
            break;
        case WM_TIMER:
            if (role == Role::Main && wp == kTickTimer) {
                ULONGLONG now = GetTickCount64();
                session_->Advance(static_cast<int>(std::min<ULONGLONG>(now - lastTick_, 60000)));
                lastTick_ = now;
                HoldExport();
                Refresh();
                // Hung: this thread takes no message until the time is over.
                if (const int hang = session_->TakeHang()) ::Sleep(static_cast<DWORD>(hang));
                return 0;
            }
            break;
        case WM_SIZE:
            Arrange(role, hwnd);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(hwnd);
            Paint(role, hwnd, paint.dc());
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (role == Role::Main) {
                OnClick(XOf(lp), YOf(lp));
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (role == Role::Main && LOWORD(lp) == HTCLIENT && session_->WaitingFor() != CadSession::Waiting::Nothing) {
                SetCursor(LoadCursor(nullptr, IDC_CROSS));
                return TRUE;
            }
            break;
        case WM_CHAR:
            OnChar(hwnd, wp);
            return 0;
        case WM_CLOSE:
            if (role == Role::Main) {
                DestroyWindow(hwnd);
                return 0;
            }
            if (role == Role::Text || role == Role::Floating) {
                ShowWindow(hwnd, SW_HIDE); // as a CAD hides these instead of closing them
                return 0;
            }
            break;
        case WM_DESTROY:
            if (role == Role::Main) {
                KillTimer(hwnd, kTickTimer);
                PostQuitMessage(0);
            }
            break;
        default:
            break;
        }
        return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
    }

private:
    static int XOf(LPARAM lp) { return static_cast<int>(static_cast<short>(LOWORD(lp))); }
    static int YOf(LPARAM lp) { return static_cast<int>(static_cast<short>(HIWORD(lp))); }

    struct Creation {
        Host* host;
        Role role;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        try {
            if (msg == WM_NCCREATE) {
                auto* create = reinterpret_cast<CREATESTRUCTW*>(lp); // lpCreateParams sits alike in the A form
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            }
            auto* creation = reinterpret_cast<Creation*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (creation) return creation->host->Handle(creation->role, hwnd, msg, wp, lp);
        } catch (...) {
            // A failure inside one message (a file that cannot be written, memory) must not
            // unwind through the system; the message is answered as unhandled.
        }
        return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
    }

    // Every class paints its whole client area itself; only the character set differs.
    void Register(const std::string& className, bool ansi) {
        auto fill = [this](auto& wc, const auto* name) {
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = WindowProc;
            wc.hInstance = instance_;
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = name;
        };
        if (ansi) {
            WNDCLASSEXA wc{};
            fill(wc, className.c_str());
            RegisterClassExA(&wc);
        } else {
            std::wstring wide = Widen(className);
            WNDCLASSEXW wc{};
            fill(wc, wide.c_str());
            RegisterClassExW(&wc);
        }
    }

    HWND Create(Role role, const std::string& className, bool ansi, const std::string& title, DWORD style,
                DWORD exStyle, RECT r, HWND parent) {
        creations_.push_back(std::make_unique<Creation>(Creation{this, role}));
        void* param = creations_.back().get();
        int w = r.right - r.left, h = r.bottom - r.top;
        HWND hwnd = ansi ? CreateWindowExA(exStyle, className.c_str(), title.c_str(), style, r.left, r.top, w, h,
                                           parent, nullptr, instance_, param)
                         : CreateWindowExW(exStyle, Widen(className).c_str(), Widen(title).c_str(), style, r.left,
                                           r.top, w, h, parent, nullptr, instance_, param);
        if (!hwnd) throw UsageError("cannot create the window " + title);
        return hwnd;
    }

    void CreateWindows() {
        const Layout layout = options_.layout;
        std::string name = DrawingName();
        const bool draftSight = layout == Layout::DraftSight;
        const bool commandWindow = layout == Layout::CommandWindow || draftSight;
        std::string mainClass = draftSight ? "StandinQPopupFrame" : "Afx:400000:8:10003:0:5f1";
        std::string textClass = commandWindow ? "StandinCommandWindow" : "Afx:400000:b:10003:6:7b3";
        Register(mainClass, options_.ansi);
        Register(textClass, false);
        Register("Afx:400000:8:10003:0:6a2", false);
        Register("StandinCommandPane", false);

        std::string mainTitle = (draftSight ? "DraftSight - [" : "AutoCAD 2000 - [") + name + "]";
        main_ = Create(Role::Main, mainClass, options_.ansi, mainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                       {0, 0, 700, 820}, nullptr);

        // The text window exists in every layout; it is shown when the panes live in it.
        const bool panesInText = layout == Layout::TextWindow || layout == Layout::CommandWindow;
        std::string textTitle = commandWindow ? "コマンド ウィンドウ" : "AutoCAD テキスト ウィンドウ - " + name;
        text_ = Create(Role::Text, textClass, false, textTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                       {700, 560, 1270, 1000}, nullptr);

        HWND panesParent = main_;
        if (layout == Layout::Floating) {
            floating_ = Create(Role::Floating, "Afx:400000:8:10003:0:6a2", false, "コマンド ライン",
                               WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW,
                               {0, 830, 700, 830 + kCommandLineHeight + 30}, main_);
            panesParent = floating_;
        } else if (panesInText) {
            panesParent = text_;
        }
        std::string inputTitle = options_.inputOutputPanes ? "input" : "Headlands";
        std::string historyTitle = options_.inputOutputPanes ? "output" : "MountTam";
        history_ = Create(Role::History, "StandinCommandPane", false, historyTitle, WS_CHILD | WS_VISIBLE, 0,
                          {0, 0, 10, 10}, panesParent);
        input_ = Create(Role::Input, "StandinCommandPane", false, inputTitle, WS_CHILD | WS_VISIBLE, 0, {0, 0, 10, 10},
                        panesParent);
        panesParent_ = panesParent;

        // Everything is in place before the main frame shows: whoever waits for it to appear
        // finds the panes where they stay.
        for (HWND w : {main_, floating_, text_}) {
            if (w) Arrange(Role::Main, w);
        }
        if (floating_) ShowWindow(floating_, SW_SHOWNOACTIVATE);
        if (panesInText) ShowWindow(text_, SW_SHOWNOACTIVATE);
        ShowWindow(main_, SW_SHOWNORMAL);
        UpdateWindow(main_);
    }

    // The drawing's name as a CAD shows it: the file's stem with ".dwg".
    std::string DrawingName() const {
        if (options_.drawing.empty()) return "Drawing1.dwg";
        std::wstring base = BaseName(options_.drawing);
        return Narrow(base.substr(0, base.rfind(L'.'))) + ".dwg";
    }

    // The command line's place in its parent: the history above the input line, at the bottom
    // of a docking main frame or text window, over the whole of a floating window.
    RECT CommandLineRect(HWND parent) const {
        RECT client{};
        GetClientRect(parent, &client);
        if (parent == floating_) return client;
        RECT r = client;
        r.top = std::max(client.top, client.bottom - kCommandLineHeight);
        return r;
    }

    void Arrange(Role, HWND hwnd) {
        if (hwnd != panesParent_ || !input_) return;
        RECT r = CommandLineRect(hwnd);
        MoveWindow(history_, r.left, r.top, r.right - r.left, r.bottom - r.top - kInputHeight, TRUE);
        MoveWindow(input_, r.left, r.bottom - kInputHeight, r.right - r.left, kInputHeight, TRUE);
    }

    RECT DrawingRect() const {
        RECT client{};
        GetClientRect(main_, &client);
        if (panesParent_ == main_) client.bottom = std::max(client.top, client.bottom - kCommandLineHeight);
        return client;
    }

    // ---- input

    LRESULT OnCopyData(const COPYDATASTRUCT* data) {
        if (!data || data->dwData != 1) return FALSE;
        const auto* bytes = static_cast<const unsigned char*>(data->lpData);
        size_t size = bytes ? data->cbData : 0;
        std::string text;
        if (IsWindowUnicode(main_)) {
            std::wstring wide(size / 2, L'\0');
            if (!wide.empty()) std::memcpy(wide.data(), bytes, wide.size() * sizeof(wchar_t));
            wide.resize(wcsnlen(wide.c_str(), wide.size()));
            text = Narrow(wide);
        } else {
            text.assign(reinterpret_cast<const char*>(bytes), size);
            text.resize(strnlen(text.c_str(), text.size()));
        }
        WriteLog(text);
        session_->Type(text);
        Refresh();
        return TRUE;
    }

    void WriteLog(const std::string& text) {
        if (!log_) return;
        std::string line;
        for (char c : text) {
            if (c == '\x03') line += "^C";
            else if (c == '\r') line += "^M";
            else if (c == '\n') line += "^J";
            else line += c;
        }
        line += "\n";
        DWORD written = 0;
        WriteFile(log_->get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

    void OnChar(HWND hwnd, WPARAM wp) {
        std::string keys;
        if (IsWindowUnicode(hwnd)) {
            wchar_t c = static_cast<wchar_t>(wp);
            keys = Narrow(std::wstring_view(&c, 1));
        } else {
            keys.assign(1, static_cast<char>(wp));
        }
        if (keys == "\x1b") keys = "\x03";
        session_->TypeKeys(keys);
        Refresh();
    }

    void OnClick(int x, int y) {
        if (session_->WaitingFor() == CadSession::Waiting::Nothing) return;
        POINT p{x, y};
        RECT area = DrawingRect();
        if (!PtInRect(&area, p)) return;
        view_.Fit(session_->GetDrawing().Bounds(), area);
        session_->SetPickTolerance(6 / view_.scale);
        standin::Point at = view_.ToDrawing(x, y);
        session_->UserClicks(at.x, at.y);
        Refresh();
    }

    // ---- output

    LRESULT AnswerText(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, const std::string& text) {
        if (IsWindowUnicode(hwnd)) {
            std::wstring wide = Widen(text);
            if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(wide.size());
            auto* buffer = reinterpret_cast<wchar_t*>(lp);
            if (!buffer || wp == 0) return 0;
            size_t n = std::min(wide.size(), static_cast<size_t>(wp) - 1);
            std::memcpy(buffer, wide.data(), n * sizeof(wchar_t));
            buffer[n] = L'\0';
            return static_cast<LRESULT>(n);
        }
        if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
        auto* buffer = reinterpret_cast<char*>(lp);
        if (!buffer || wp == 0) return 0;
        size_t n = 0, limit = static_cast<size_t>(wp) - 1;
        while (n < text.size()) {
            size_t step = standin::IsLeadByte(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
            if (n + step > limit) break;
            n += step;
        }
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }

    // Puts the whole history on the clipboard as text before returning, as the text window's
    // copy command does. Another program may hold the clipboard for a moment: try a few times.
    // The export file open without sharing while the session says it is held, as a scanner
    // holds a new file.
    void HoldExport() {
        const std::string path = session_->HeldExport();
        if (path == heldPath_) return;
        held_.reset();
        heldPath_ = path;
        if (!path.empty())
            held_ = std::make_unique<KernelHandle>(CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr,
                                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    void CopyHistory(HWND owner) {
        std::string text = session_->HistoryText();
        bool opened = false;
        for (int attempt = 0; attempt < 20 && !(opened = OpenClipboard(owner) != 0); ++attempt) Sleep(10);
        if (!opened) return;
        struct Closer {
            ~Closer() { CloseClipboard(); }
        } closer;
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (!memory) return;
        if (void* p = GlobalLock(memory)) {
            std::memcpy(p, text.c_str(), text.size() + 1);
            GlobalUnlock(memory);
            if (SetClipboardData(CF_TEXT, memory)) return; // the clipboard owns it now
        }
        GlobalFree(memory);
    }

    // A test that reads the state holds the file open for a moment, and the rename over it fails
    // meanwhile: tried again at once a few times, and at the next tick should it still fail, so
    // that the state on disk never stays behind the drawing.
    void WriteState() {
        if (options_.state.empty()) return;
        const std::string text = session_->StateText();
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (WriteFileAtomically(options_.state, text)) {
                stateRevision_ = session_->Revision();
                return;
            }
            ::Sleep(5);
        }
    }

    // After every input and tick: repaint what changed, rewrite the state file on a change.
    void Refresh() {
        std::string input = session_->InputPaneText();
        // Repainted at once, before the sender's message returns, as a CAD echoes input: a
        // prompt that the tool paints onto the history pane afterwards then stays until the
        // next change.
        if (input != shownInput_) {
            shownInput_ = input;
            InvalidateRect(input_, nullptr, FALSE);
            UpdateWindow(input_);
        }
        size_t historySize = session_->HistoryLines().size();
        std::string last = historySize ? session_->HistoryLines().back() : std::string();
        if (historySize != shownHistorySize_ || last != shownLastLine_) {
            shownHistorySize_ = historySize;
            shownLastLine_ = last;
            InvalidateRect(history_, nullptr, FALSE);
            InvalidateRect(text_, nullptr, FALSE);
            UpdateWindow(history_);
            UpdateWindow(text_);
        }
        auto waiting = session_->WaitingFor();
        if (session_->Revision() != shownRevision_ || session_->PreviousSelection() != shownSelection_ ||
            waiting != shownWaiting_) {
            shownRevision_ = session_->Revision();
            shownSelection_ = session_->PreviousSelection();
            shownWaiting_ = waiting;
            RECT area = DrawingRect();
            InvalidateRect(main_, &area, FALSE);
        }
        if (session_->Revision() != stateRevision_) WriteState();
    }

    void Paint(Role role, HWND hwnd, HDC dc) {
        RECT client{};
        GetClientRect(hwnd, &client);
        int w = std::max<LONG>(1, client.right), h = std::max<LONG>(1, client.bottom);
        // Off-screen first, so that a repaint never flickers.
        MemoryDC memory(dc);
        GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, w, h));
        Selection selectBitmap(memory.get(), bitmap.get());
        Selection selectFont(memory.get(), font_.get());
        HDC m = memory.get();
        switch (role) {
        case Role::Main:
            PaintDrawing(m, client);
            break;
        case Role::Input:
            PaintLines(m, client, {session_->InputPaneText()}, RGB(255, 255, 255), RGB(0, 0, 0));
            break;
        case Role::History:
        case Role::Text: {
            RECT r = client;
            if (role == Role::Text && panesParent_ == hwnd) r.bottom = CommandLineRect(hwnd).top;
            PaintLines(m, r, session_->HistoryLines(), RGB(240, 240, 232), RGB(0, 0, 0));
            break;
        }
        case Role::Floating:
            PaintLines(m, client, {}, RGB(240, 240, 232), RGB(0, 0, 0));
            break;
        }
        BitBlt(dc, 0, 0, w, h, m, 0, 0, SRCCOPY);
    }

    // The last lines that fit, bottom-aligned, as a command line shows its history.
    void PaintLines(HDC dc, RECT r, const std::vector<std::string>& lines, COLORREF back, COLORREF fore) {
        GdiObject<HBRUSH> brush(CreateSolidBrush(back));
        FillRect(dc, &r, brush.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, fore);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        int lineHeight = std::max<LONG>(1, tm.tmHeight + 2);
        int y = r.bottom - lineHeight - 2;
        for (size_t i = lines.size(); i-- > 0 && y >= r.top; y -= lineHeight) {
            std::wstring wide = Widen(lines[i]);
            TextOutW(dc, r.left + 4, y, wide.c_str(), static_cast<int>(wide.size()));
        }
    }

    void PaintDrawing(HDC dc, RECT client) {
        RECT area = DrawingRect();
        GdiObject<HBRUSH> background(CreateSolidBrush(RGB(33, 40, 48)));
        FillRect(dc, &client, background.get());
        const standin::Drawing& drawing = session_->GetDrawing();
        view_.Fit(drawing.Bounds(), area);
        HRGN clip = CreateRectRgnIndirect(&area);
        SelectClipRgn(dc, clip);
        DeleteObject(clip);

        GdiObject<HPEN> normal(CreatePen(PS_SOLID, 2, RGB(230, 230, 230)));
        GdiObject<HPEN> selected(CreatePen(PS_SOLID, 3, RGB(80, 200, 255)));
        const auto& entities = drawing.Entities();
        const auto& chosen = session_->PreviousSelection();
        SetBkMode(dc, TRANSPARENT);
        for (size_t i = 0; i < entities.size(); ++i) {
            const Entity& e = entities[i];
            bool isChosen = std::find(chosen.begin(), chosen.end(), static_cast<int>(i)) != chosen.end();
            if (e.kind == EntityKind::Mtext) {
                PaintLabel(dc, e, isChosen);
                continue;
            }
            std::vector<POINT> points;
            for (standin::Point p : standin::Outline(e, 0.02)) points.push_back(view_.ToScreen(p));
            if (points.empty()) continue;
            Selection pen(dc, isChosen ? selected.get() : normal.get());
            Polyline(dc, points.data(), static_cast<int>(points.size()));
            // The entity's number, for whoever writes a scenario.
            std::wstring number = std::to_wstring(i + 1);
            SetTextColor(dc, RGB(120, 130, 140));
            TextOutW(dc, points.front().x + 4, points.front().y + 2, number.c_str(), static_cast<int>(number.size()));
        }
        SelectClipRgn(dc, nullptr);
    }

    // A label as the CAD draws it: its height scaled, turned by its rotation, placed by its
    // justification around the insertion point.
    void PaintLabel(HDC dc, const Entity& label, bool chosen) {
        // Legible when tiny, bounded when a label dwarfs the drawing.
        int pixels = static_cast<int>(std::clamp(label.height * view_.scale, 6.0, 2000.0));
        int escapement = static_cast<int>(std::lround(label.rotation * 10));
        GdiObject<HFONT> font(CreateFontW(-pixels, 0, escapement, escapement, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET,
                                          0, 0, ANTIALIASED_QUALITY, FF_MODERN, L"MS Gothic"));
        Selection selectFont(dc, font.get());
        SetTextColor(dc, chosen ? RGB(80, 200, 255) : RGB(255, 210, 0));
        std::vector<std::wstring> lines;
        std::string text = label.text;
        for (size_t start = 0;;) {
            size_t end = text.find("\\P", start);
            lines.push_back(Widen(std::string_view(text).substr(start, end == std::string::npos ? end : end - start)));
            if (end == std::string::npos) break;
            start = end + 2;
        }
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        double lineHeight = tm.tmHeight, blockHeight = lineHeight * static_cast<double>(lines.size());
        int col = (label.attachment - 1) % 3, row = (label.attachment - 1) / 3;
        double angle = label.rotation * 3.14159265358979323846 / 180, c = std::cos(angle), s = std::sin(angle);
        POINT origin = view_.ToScreen(label.position);
        for (size_t i = 0; i < lines.size(); ++i) {
            SIZE extent{};
            GetTextExtentPoint32W(dc, lines[i].c_str(), static_cast<int>(lines[i].size()), &extent);
            double lx = -extent.cx * col / 2.0;                                     // along the baseline
            double ly = -blockHeight * row / 2.0 + lineHeight * static_cast<double>(i); // downwards
            int x = origin.x + static_cast<int>(std::lround(lx * c + ly * s));
            int y = origin.y + static_cast<int>(std::lround(-lx * s + ly * c));
            TextOutW(dc, x, y, lines[i].c_str(), static_cast<int>(lines[i].size()));
        }
    }

    Options options_;
    HINSTANCE instance_ = nullptr;
    std::unique_ptr<CadSession> session_;
    std::unique_ptr<KernelHandle> log_;
    std::unique_ptr<KernelHandle> held_;
    std::string heldPath_;
    std::vector<std::unique_ptr<Creation>> creations_;
    GdiObject<HFONT> font_;
    HWND main_ = nullptr, floating_ = nullptr, text_ = nullptr, input_ = nullptr, history_ = nullptr;
    HWND panesParent_ = nullptr;
    View view_;
    ULONGLONG lastTick_ = 0;
    std::string shownInput_, shownLastLine_;
    size_t shownHistorySize_ = static_cast<size_t>(-1);
    std::uint64_t shownRevision_ = static_cast<std::uint64_t>(-1), stateRevision_ = 0;
    std::vector<int> shownSelection_;
    CadSession::Waiting shownWaiting_ = CadSession::Waiting::Nothing;
};

void ReportError(const std::string& message) {
    std::string line = "StandinCad: " + message + "\n";
    DWORD written = 0;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    struct ArgvFree {
        wchar_t** argv;
        ~ArgvFree() { LocalFree(argv); }
    } freeArgv{argv};
    try {
        Host host(ParseOptions(argc, argv));
        return host.Run(instance);
    } catch (const std::exception& error) {
        ReportError(error.what());
        return 2;
    }
}
