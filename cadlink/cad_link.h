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
// a missing window reads as 0, false or empty text. Only two things escape as exceptions: a
// SilentAbort when the clipboard cannot be used, and whatever Waiter::ProcessMessages throws.
class CadLink {
public:
    CadLink(Desktop& desktop, Waiter& waiter) : desktop_(desktop), waiter_(waiter) {}

    const CadWindows& Windows() const { return windows_; }

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
    // Borrows the clipboard for the CAD's history copy and gives the user's contents back.
    // Throws SilentAbort when the clipboard cannot be used.
    std::string ReadCommandHistory();
    std::string LastHistoryLine();

    // When another program held the clipboard as the user's contents were to go back after a
    // history read, they wait here to be put back. One attempt, never waiting for the
    // clipboard; true while a later attempt is still wanted. Given up after
    // ClipboardRestoreAttempts failed attempts, or at once when anyone has changed the
    // clipboard since (the user copied something new: that is not to be overwritten).
    bool RetryClipboardRestore();
    bool ClipboardRestorePending() const { return pendingRestore_.has_value(); }
    static constexpr int ClipboardRestoreAttempts = 20;

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
    // the command. The wait polls (sleep, the dialog's messages, the prompt) and ends on the
    // idle prompt only once the CAD has taken `command` up: a prompt other than the idle one
    // and other than `promptBefore` (the prompt read before sending) has shown, or the history
    // shows `command` as the last command typed at the idle prompt. With `emptyEnds` an empty
    // prompt (the CAD has gone) ends it too. `onPrompt` sees every prompt read, before the end
    // is decided. True when it ended so, false after WaitPolls polls.
    using PromptHandler = std::function<void(const std::string& prompt)>;
    bool WaitForCommandDone(std::string_view command, std::string_view promptBefore,
                            bool emptyEnds, const PromptHandler& onPrompt = nullptr);
    // Whether the last command that the history shows typed at the idle prompt (a line of the
    // idle prompt and the command, a cancel at the idle prompt not counted) is `command`,
    // compared by its first word in any case.
    bool HistoryShowsCommandTakenUp(std::string_view command);

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

private:
    WindowHandle LocatePane(WindowHandle CadWindows::*pane);
    // The value on the prompt, else the read-only answer in the history; empty when neither.
    std::string ReadVariableAnswer(const std::string& prompt);
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
