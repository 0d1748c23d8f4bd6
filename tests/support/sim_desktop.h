// A simulated desktop for native tests: fake windows, a virtual clock, a clipboard, and running
// stand-in CAD sessions shown as CAD windows, behind the same Desktop seam as the real one.
//
// Quick use:
//
//     vermiq::sim::SimDesktop desk;
//     vermiq::sim::SimCad cad = desk.StartCad(vermiq::sim::CadLayout::Docked, drawingText,
//                                             scenarioText);
//     vermiq::CadLink link(desk, desk.Clock());
//     ... run the code under test ...
//     cad.Session().ReceivedLog();          // every text the CAD was typed, one per message
//     cad.Session().Variable("FILEDIA");    // its state; cad.Session().GetDrawing() its drawing
//     desk.CopyDataSent();                  // every WM_COPYDATA with dwData, cbData and bytes
//     cad.Close();                          // the CAD's windows go; its session stays readable
//
// - Texts are code-page-932 bytes, as in the product; AnsiToWide and WideToAnsi convert
//   through iconv and turn what code page 932 cannot hold into "?" (to CP932) or U+30FB (from).
// - Clock() is the Waiter to hand the code under test: Sleep(ms) moves the virtual clock and
//   lets every running CAD's session advance by ms, so the scripted user acts and a 600-poll
//   wait costs microseconds. SetMessageHook runs inside every ProcessMessages (to close the CAD
//   at a given time, or throw to end a run as a closed dialog would).
// - A hosted CAD shows the session as windows in the chosen layout: its input pane answers
//   WM_GETTEXT with InputPaneText(), its text window answers menu command 32781 by putting
//   HistoryText() on the clipboard (unless someone holds the clipboard open), and its main
//   frame turns each WM_COPYDATA with dwData 1 into CadSession::Type (a Unicode frame reads the
//   data as UTF-16 only and converts it to code page 932, an ANSI frame reads code-page bytes
//   only, as a real frame decodes by its own kind). With CadOptions::lagMs the session takes
//   each text up that much later on the virtual clock.
// - A stand-in session's scenario "hang MS" makes its CAD answer no message for that long:
//   each call waits Desktop::AnswerTimeoutMs on the clock and throws WindowNotAnswering, and
//   the message is dropped. Its "failed copies" place nothing.
// - For cases that need a CAD answering exactly so (a wrapped history line, a prompt that never
//   returns), Host() takes any ScriptedCad instead of a session.
// - Plain fake windows (AddWindow) model everything else on the desktop: other programs,
//   look-alike titles and classes, windows that are destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/desktop.h"
#include "standin/cad_session.h"

namespace vermiq::sim {

// Where the CAD's command line lives. Every hosted CAD has a main frame "AutoCAD LT -
// [Drawing1.dwg]" of class "Afx:…:8:…" (DraftSight: "DraftSight - [Drawing1]", class "QPopup")
// and a text window "AutoCAD テキスト ウィンドウ - Drawing1.dwg" of class "Afx:…:b:…" (titled
// "コマンド ウィンドウ" in the CommandWindow and DraftSight layouts), all in one process.
enum class CadLayout {
    Docked,         // panes in an untitled bar that is a child of the main frame
    Floating,       // panes in a top-level "コマンド ライン" window of class "Afx:…:8:…"
    TextWindow,     // panes only in the text window
    CommandWindow,  // panes only in the text window titled exactly "コマンド ウィンドウ"
    DraftSight,     // the DraftSight frame, panes docked in it
};

struct CadOptions {
    // Pane titles "Headlands"/"MountTam" (false) or "input"/"output" (true).
    bool inputOutputPanes = false;
    // IsWindowUnicode of the main frame: the Unicode or the ANSI form of WM_COPYDATA.
    bool unicode = true;
    // 0: the desktop picks a fresh process id.
    std::uint32_t processId = 0;
    // For StartCad: DXFOUT asks "…書き出しますか" first; history lines wrap at this many bytes
    // (0: never), as the stand-in's session options say.
    bool askExport = false;
    int historyWidth = 0;
    // For StartCad: every WM_COPYDATA is taken up this many milliseconds of the virtual clock
    // after it was sent, as the stand-in's --lag does.
    int lagMs = 0;
    // For StartCad, as the stand-in's session options of the same names: a CAD that takes no
    // input for a while, an English one, a history copy ending with the prompt line, a slow
    // export with the pane showing it or showing nothing.
    int busyMs = 0;
    bool english = false;
    bool promptInHistory = false;
    int exportMs = 0;
    bool emptyPaneWhileWorking = false;
    // For StartCad: the session's further options (the count's form, locked entities, failed
    // history copies, a held export); the fields above take precedence over theirs.
    standin::SessionOptions session{};
};

// What answers behind a hosted CAD's windows: the stand-in session, or a test's own script.
class CadBehaviour {
public:
    virtual ~CadBehaviour() = default;
    virtual void Type(std::string_view text) = 0;           // code page 932
    virtual std::string InputPaneText() const = 0;
    virtual std::string HistoryText() const = 0;
    virtual void Advance(int milliseconds) = 0;
};

// A CAD whose answers a test sets directly. Every typed text is logged; onType and onAdvance
// may change the answers in reaction to input and to the passing of time.
class ScriptedCad final : public CadBehaviour {
public:
    std::string input = "コマンド: ";
    std::string history;
    std::vector<std::string> typed;
    std::function<void(ScriptedCad&, std::string_view)> onType;
    std::function<void(ScriptedCad&)> onAdvance;
    int elapsed = 0;

    void Type(std::string_view text) override {
        typed.emplace_back(text);
        if (onType) onType(*this, text);
    }
    std::string InputPaneText() const override { return input; }
    std::string HistoryText() const override { return history; }
    void Advance(int milliseconds) override {
        elapsed += milliseconds;
        if (onAdvance) onAdvance(*this);
    }
};

class SimDesktop;

// A handle on one hosted CAD; cheap to copy, valid while its SimDesktop lives.
class SimCad {
public:
    SimCad() = default;
    // The stand-in session behind the windows (only for CADs made by StartCad).
    standin::CadSession& Session() const;
    CadBehaviour& Behaviour() const;
    WindowHandle MainFrame() const;
    WindowHandle TextWindow() const;
    WindowHandle CommandLineWindow() const;  // 0 unless floating
    WindowHandle InputPane() const;
    WindowHandle HistoryPane() const;
    std::uint32_t ProcessId() const;
    bool Running() const;
    // Destroys the CAD's windows, as when the user quits it; the session stays readable.
    void Close() const;

private:
    friend class SimDesktop;
    SimCad(SimDesktop* desk, std::size_t index) : desk_(desk), index_(index) {}
    SimDesktop* desk_ = nullptr;
    std::size_t index_ = 0;
};

struct WindowTraits {
    std::string title;               // code page 932
    std::string cls;
    std::uint32_t processId = 7;
    bool unicode = true;
    WindowHandle parent = 0;         // 0: a top-level window
};

struct SentCopyData {
    WindowHandle window;
    std::uintptr_t dwData;
    std::uint32_t cbData;
    std::vector<unsigned char> bytes;  // the cbData bytes as the receiver got them
    long long at = 0;                  // the virtual clock when it was sent
};

struct PaintCall {
    WindowHandle window;
    std::string text;
    std::uint32_t background;
    std::uint32_t foreground;
};

class SimDesktop final : public Desktop {
public:
    SimDesktop();
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    // ---- Fake windows
    // A new top-level window goes behind all others (last in enumeration order); a child goes
    // after its siblings.
    WindowHandle AddWindow(const WindowTraits& traits);
    void MoveToFront(WindowHandle window);
    // The window and all its descendants; the handle is never used again.
    void DestroyWindow(WindowHandle window);

    // ---- Hosted CADs
    // A stand-in CAD session over drawingText (the stand-in's drawing file format) acting
    // out scenarioText (its scenario format), shown in `layout`. Its windows go in front of
    // all others, main frame first.
    SimCad StartCad(CadLayout layout, std::string_view drawingText,
                    std::string_view scenarioText, CadOptions options = {});
    SimCad Host(CadLayout layout, std::unique_ptr<CadBehaviour> behaviour,
                CadOptions options = {});

    // ---- Virtual clock
    Waiter& Clock();
    long long Now() const { return now_; }
    int MessagePumps() const { return pumps_; }
    void SetMessageHook(std::function<void()> hook) { messageHook_ = std::move(hook); }

    // ---- Clipboard
    void SetClipboardText(std::string_view text);  // empties, then CF_TEXT
    void SetClipboardFormat(unsigned id, std::vector<unsigned char> bytes);
    std::string ClipboardText() const;              // CF_TEXT up to NUL; empty when none
    std::u16string ClipboardUnicodeText() const;    // CF_UNICODETEXT up to NUL; empty when none
    const std::map<unsigned, std::vector<unsigned char>>& ClipboardFormats() const {
        return clipboard_;
    }
    // Another program holds the clipboard open: every OpenClipboard fails (or, with false, lets
    // go of it, also after HoldClipboardAfterOpens).
    void HoldClipboard(bool held) {
        clipboardHeld_ = held;
        opensBeforeHold_ = -1;
    }
    // The next n opens succeed, later ones fail as if held.
    void HoldClipboardAfterOpens(int n) { opensBeforeHold_ = n; }
    // Runs at every refused open, as the program that holds the clipboard goes on with it.
    void WhileClipboardRefused(std::function<void()> hook) { clipboardRefused_ = std::move(hook); }
    int ClipboardOpens() const { return clipboardOpens_; }
    bool ClipboardOpen() const { return clipboardOpen_; }

    // ---- Records
    const std::vector<SentCopyData>& CopyDataSent() const { return copyData_; }
    const std::vector<WindowHandle>& NullsPosted() const { return nulls_; }
    // Every PaintText call, also those for handles that name no window: the link must make none.
    const std::vector<PaintCall>& Paints() const { return paints_; }
    int TopLevelEnumerations() const { return topLevelEnums_; }
    int ChildEnumerations() const { return childEnums_; }
    int TextRequests() const { return textRequests_; }  // WM_GETTEXTLENGTH and WM_GETTEXT
    WindowHandle Foreground() const { return foreground_; }
    // Forgets every record, so that a test can look at one step alone.
    void ClearRecords();

    // ---- Desktop
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
    std::uint32_t ClipboardSequenceNumber() override { return clipboardSequence_; }
    bool LocaleEqual(std::string_view a, std::string_view b) override;
    std::u16string AnsiToWide(std::string_view text) override;
    std::string WideToAnsi(std::u16string_view text) override;
    void PaintText(WindowHandle window, std::string_view text, std::uint32_t background,
                   std::uint32_t foreground) override;

private:
    friend class SimCad;
    class SimClipboard;
    class SimClock;
    enum class Role { Plain, MainFrame, InputPane, HistoryPane, TextWindow };
    struct Window {
        WindowTraits traits;
        bool alive = true;
        std::vector<WindowHandle> children;
        Role role = Role::Plain;
        std::size_t cad = 0;  // index into cads_ for the CAD roles
    };
    struct HostedCad {
        std::unique_ptr<CadBehaviour> behaviour;
        standin::CadSession* session = nullptr;  // inside behaviour, when it is one
        WindowHandle mainFrame = 0, textWindow = 0, commandLine = 0, input = 0, history = 0;
        std::uint32_t processId = 0;
        bool running = true;
        // Hung until then (a scenario "hang MS"): its session's time stands still.
        long long hungUntil = 0;
        int skippedMs = 0;
    };

    Window* Find(WindowHandle window);
    const Window* Find(WindowHandle window) const;
    WindowHandle AddRole(const WindowTraits& traits, Role role, std::size_t cad);
    void VisitDescendants(const Window& parent, const EnumCallback& callback, bool& stop);
    void Advance(int milliseconds);
    void CopyHistory(HostedCad& cad);
    // A message to a window of a hung CAD: the caller waits AnswerTimeoutMs, then
    // WindowNotAnswering is thrown.
    void WaitForAnswer(const Window* window);

    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> topLevel_;  // front to back
    WindowHandle nextHandle_ = 0x10010;
    std::uint32_t nextProcessId_ = 0x1000;
    std::vector<HostedCad> cads_;

    std::unique_ptr<SimClock> clock_;
    long long now_ = 0;
    int pumps_ = 0;
    std::function<void()> messageHook_;

    std::map<unsigned, std::vector<unsigned char>> clipboard_;
    bool clipboardHeld_ = false;
    bool clipboardOpen_ = false;
    int opensBeforeHold_ = -1;
    int clipboardOpens_ = 0;
    std::uint32_t clipboardSequence_ = 1;  // one more for every change of the contents
    std::function<void()> clipboardRefused_;

    std::vector<SentCopyData> copyData_;
    std::vector<WindowHandle> nulls_;
    std::vector<PaintCall> paints_;
    int topLevelEnums_ = 0;
    int childEnums_ = 0;
    int textRequests_ = 0;
    WindowHandle foreground_ = 0;
};

// Clipboard format ids as Win32 numbers them.
inline constexpr unsigned kCfText = 1;
inline constexpr unsigned kCfUnicodeText = 13;

} // namespace vermiq::sim
