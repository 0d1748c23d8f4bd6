// The CAD link: finds the CAD's windows, types commands into it, reads its command line and
// history, paints prompts on it, queries its variables and lets the user pick a point in it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/desktop.h"

namespace vermiq {

// The CAD's windows as last found. A handle counts only while Desktop::IsWindow accepts it; the
// handles belong to the CAD and are never released.
struct CadWindows {
    WindowHandle CadMainWindow = 0;
    WindowHandle CadTextWindow = 0;
    WindowHandle CommandLineWindow = 0;
    WindowHandle CommandInputPane = 0;
    WindowHandle CommandHistoryPane = 0;
    std::uint32_t CadProcessId = 0;
};

// One link to whatever CAD runs on the desktop. All texts are code-page-932 bytes except the
// commands themselves, which are UTF-16 as the CAD receives them. Nothing here shows messages:
// a missing window reads as 0, false or empty text. What escapes as exceptions: CadNotAnswering
// from a CAD that answers no message, HistoryUnavailable when the history cannot be copied,
// CadGone when the CAD of the run closes during a wait, and whatever Waiter::ProcessMessages
// throws.
class CadLink {
public:
    CadLink(Desktop& desktop, Waiter& waiter) : desktop_(desktop), waiter_(waiter) {}

    const CadWindows& Windows() const { return windows_; }

    // One CAD per run. BeginRun forgets every handle found before and takes the frontmost CAD
    // main window, the one the user worked in last; until EndRun nothing else is searched for,
    // so that a CAD closed mid-run is never replaced by another one that would then be typed
    // into. False when there is no CAD.
    bool BeginRun();
    void EndRun() { pinned_ = false; }
    // The CAD of this run has gone (its main window no longer exists); false outside a run.
    bool CadHasGone();

    // Discovery.
    WindowHandle LocateCadMainWindow();
    bool IsCadAvailable();
    bool BringCadToFront();
    WindowHandle LocateCadTextWindow();
    WindowHandle LocateCommandInputPane();
    WindowHandle LocateCommandHistoryPane();

    // Enumeration callbacks: true to go on, false to stop. They record what they recognise.
    bool MatchCadMainWindow(WindowHandle window);
    bool MatchCadTextWindow(WindowHandle window);
    bool MatchCommandLineWindow(WindowHandle window);
    bool MatchCommandPanes(WindowHandle window);

    // The command channel. The commands are UTF-16; any length is sent whole.
    bool SendCadCommand(std::u16string_view command);
    bool SendCadCommandInForm(std::u16string_view command, bool unicode);

    // Reading the command line.
    std::string ReadWindowText(WindowHandle window);
    std::string ReadCommandInput();
    // Borrows the clipboard for the CAD's history copy and gives the user's contents back. A
    // copy that brings nothing, or a text without the idle prompt (every history has it), is
    // made again for HistoryRetryMs; then HistoryUnavailable is thrown.
    std::string ReadCommandHistory();
    std::string LastHistoryLine();
    // The lines of the history that the CAD has completed. A copy of the history may end with
    // the line the CAD is still writing: its current prompt, possibly without a line break.
    // That line tells nothing about what has happened, so it is left out.
    std::vector<std::string> CompletedHistoryLines();
    std::string LastCompletedHistoryLine();

    // When another program held the clipboard as the user's contents were to go back after a
    // history read, they wait here to be put back. One attempt, never waiting for the
    // clipboard; true while a later attempt is still wanted. Given up after
    // ClipboardRestoreAttempts failed attempts, or at once when anyone has changed the
    // clipboard since (the user copied something new: that is not to be overwritten).
    bool RetryClipboardRestore();
    bool ClipboardRestorePending() const { return pendingRestore_.has_value(); }
    static constexpr int ClipboardRestoreAttempts = 20;

    // A command that a CAD which stopped answering must still get once it answers again (the
    // closing FILEDIA 1 of a run that it stopped): sent at once if the CAD takes it, and
    // otherwise again from the dialog's own time by RetryLeftCommand, which never waits on a CAD
    // that the system takes for hung. True while a later attempt is still wanted; given up after
    // LeftCommandAttempts failed attempts, or when that CAD has gone.
    void LeaveCommand(std::u16string command);
    bool RetryLeftCommand();
    bool LeftCommandPending() const { return leftCommand_.has_value(); }
    static constexpr int LeftCommandAttempts = 1200;

    // Prompts, variables, points.
    void PaintPrompt(WindowHandle window, std::string_view text);
    // Polls until the CAD shows the variable's "<value>" prompt or its read-only answer, at most
    // VariablePolls times; empty when neither came.
    std::string QueryCadVariable(std::string_view name);
    // Fails also when the picked point's X or Y is not a number: a label at an unknown point
    // would feed the CAD's later prompts with the wrong answers.
    bool PickPoint(WindowHandle promptWindow, std::string_view prompt, std::string& x,
                   std::string& y);

    // Waiting for a typed command. A CAD takes typed input up on its own message loop, maybe
    // long after SendMessage has returned, so an idle prompt may still be the one from before
    // the command. Each poll sleeps, lets the dialog's messages through and reads the prompt;
    // `onPrompt` sees every prompt read. The command counts as taken up once a prompt other
    // than the idle one and other than `promptBefore` (read before sending) has shown, or the
    // history shows `command` as the last command typed at the idle prompt. The history is
    // copied only when the prompt has changed since the last copy, and otherwise at growing
    // intervals, so that a command taken up and finished between two polls is still seen.
    //  - Done: taken up and the idle prompt is back; also, with `noPaneEnds`, when the CAD has
    //    no command input pane at all.
    //  - NotTakenUp: after BusyPolls the CAD still shows no sign of the command: it takes no
    //    input (a dialog open in it, a long regeneration).
    //  - GaveUp: taken up, but not idle again within WaitPolls; only when `bounded`. Unbounded
    //    waits go on while the CAD is in the command (the user selecting or picking), until the
    //    user ends it or closes the dialog.
    // Throws CadGone when the CAD's main window goes.
    enum class WaitEnd { Done, NotTakenUp, GaveUp };
    using PromptHandler = std::function<void(const std::string& prompt)>;
    WaitEnd WaitForCommand(std::string_view command, std::string_view promptBefore, bool bounded,
                           bool noPaneEnds, const PromptHandler& onPrompt = nullptr);
    // True while a wait has seen its command taken up and not yet ended: the CAD is then in a
    // command of the tool's own, which a Ctrl+C may end.
    bool InToolCommand() const { return inToolCommand_; }
    // Whether the last command that the history shows typed at the idle prompt (a line of the
    // idle prompt and the command, a cancel at the idle prompt not counted) is `command`,
    // compared by its first word in any case.
    bool HistoryShowsCommandTakenUp(std::string_view command);
    static bool CommandTakenUp(const std::vector<std::string>& lines, std::string_view command);
    // Polls the prompt until the CAD is idle, at most WaitPolls times unless not `bounded`;
    // false if it never was. A CAD without an input pane counts as idle.
    bool WaitUntilIdle(bool bounded = true);
    bool IsIdleOrWithoutPane(const std::string& prompt);
    // History copies made so far, for the figures of a pass.
    int HistoryReads() const { return historyReads_; }

    // The CAD's idle prompt.
    static constexpr std::string_view IdlePrompt = "コマンド: ";
    // The text window's menu command that copies the whole history to the clipboard.
    static constexpr unsigned CopyHistoryCommand = 32781;
    // Polls of a wait for the CAD, and the pause before each.
    static constexpr int WaitPolls = 600;
    static constexpr int PollMilliseconds = 200;
    // A variable query waits for no person: a CAD that has not answered within 10 s is taken
    // to have no answer.
    static constexpr int VariablePolls = 50;
    // A command that shows no sign of being taken up within 8 s: the CAD takes no input. The
    // user hears of it within 10 s of the click.
    static constexpr int BusyPolls = 40;
    // A CAD that has answered no message for this long is not answering (CadNotAnswering); a
    // message typed into it throws at once, having been left to it.
    static constexpr int NotAnsweringMs = 5000;
    // How long a history copy that brought nothing is made again.
    static constexpr int HistoryRetryMs = 1000;

private:
    WindowHandle LocatePane(WindowHandle CadWindows::*pane);
    // The value on the prompt when the prompt names the variable; empty when it does not.
    static std::string VariableOnPrompt(const std::string& prompt, std::string_view name);
    // The read-only answer "NAME = value (読み込み専用)" in the history; empty when none.
    static std::string VariableInHistory(const std::vector<std::string>& lines,
                                         const std::string& prompt, std::string_view name);
    // One poll of a wait: the pause, the dialog's messages, the CAD still there, the prompt.
    std::string Poll();
    // Makes `call` again, a poll apart, while the CAD answers none of its messages, for at most
    // NotAnsweringMs; then throws CadNotAnswering.
    template <class Call>
    auto WhileNotAnswering(const Call& call) -> decltype(call());
    // One copy of the history: none when the clipboard was refused.
    std::optional<std::string> CopyHistoryOnce(WindowHandle textWindow);
    void RecordMainWindow(WindowHandle window);

    // What the user had on the clipboard, not yet put back, and the clipboard's sequence number
    // as the failed attempt left it.
    struct PendingRestore {
        ClipboardSnapshot contents;
        std::uint32_t sequence = 0;
        int attempts = 0;
    };

    Desktop& desktop_;
    Waiter& waiter_;
    CadWindows windows_;
    std::optional<PendingRestore> pendingRestore_;
    struct LeftCommand {
        std::u16string command;
        WindowHandle frame = 0;
        int attempts = 0;
    };
    std::optional<LeftCommand> leftCommand_;
    bool pinned_ = false;
    bool inToolCommand_ = false;
    int historyReads_ = 0;
};

// The first comma-separated field of `text`, after trimming codes 0 to 32 from both ends of
// `text`; `text` keeps what follows the comma (empty when there is none).
std::string TakeFirstField(std::string& text);

// Whether `text` is a number as the CAD prints a coordinate: an optional sign, digits with at
// most one decimal point, an optional exponent; nothing else, not even a blank.
bool IsCadNumber(std::string_view text);

// A history text cut into lines: CR, LF or CR LF ends a line, the text ends at its first NUL,
// and a line break at the very end adds no empty line.
std::vector<std::string> SplitHistoryLines(std::string_view text);

} // namespace vermiq
