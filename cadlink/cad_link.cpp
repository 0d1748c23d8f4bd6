// The CAD link over the Desktop seam: window discovery, command channel, history, prompts.
#include "cadlink/cad_link.h"

#include <algorithm>
#include <array>

#include "cadlink/silent_abort.h"
#include "common/cp932.h"

namespace vermiq {
namespace {

// The title or class cut or padded to n bytes, as the first n bytes of the 256-byte buffer
// the platform filled would be: a shorter text is followed by its terminating zeros.
std::string LeadingBytes(std::string_view text, std::size_t n) {
    std::string bytes(text.substr(0, n));
    bytes.resize(n, '\0');
    return bytes;
}

bool BeginsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A substring search that never starts a match on the second byte of a double-byte character.
bool ContainsText(std::string_view text, std::string_view part) {
    if (part.empty()) return true;
    for (std::size_t i = 0; i + part.size() <= text.size();) {
        if (text.compare(i, part.size(), part) == 0) return true;
        i += IsCp932LeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return false;
}

// Only the ASCII letters: a byte of a double-byte character is never changed.
std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string Trim(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

// The text strictly between the last `open` and the last `close`, trimmed, when the open mark
// comes first; empty otherwise.
std::string Between(std::string_view line, char open, char close) {
    std::size_t a = line.rfind(open);
    std::size_t b = line.rfind(close);
    if (a == std::string_view::npos || b == std::string_view::npos || a >= b) return {};
    return Trim(line.substr(a + 1, b - a - 1));
}

constexpr std::string_view kAutoCad = "AutoCAD ";
// The text window's whole title, compared with its terminating zero.
constexpr std::string_view kCommandWindowTitle{"コマンド ウィンドウ", sizeof("コマンド ウィンドウ")};
constexpr std::string_view kTextWindowPart = "テキスト ウィンドウ";
constexpr std::string_view kCommandLinePart = "コマンド ライン";
constexpr std::string_view kReadOnlyMarker = "(読み込み専用)";
constexpr std::string_view kCancelled = "キャンセル";

constexpr std::array<std::string_view, 14> kMdiFrameClasses = {
    "AfxMDIFrame10u",  "AfxMDIFrame20u",  "AfxMDIFrame30u",  "AfxMDIFrame40u",
    "AfxMDIFrame50u",  "AfxMDIFrame60u",  "AfxMDIFrame70u",  "AfxMDIFrame80u",
    "AfxMDIFrame90u",  "AfxMDIFrame100u", "AfxMDIFrame110u", "AfxMDIFrame120u",
    "AfxMDIFrame130u", "AfxMDIFrame140u"};

constexpr std::uint32_t kPromptBackground = 0x007F7FFF;  // RGB(255, 127, 127)
constexpr std::uint32_t kPromptText = 0x00000000;

constexpr char16_t kCtrlC = u'\x03';
// Every copy of a history holds the idle prompt: a text without it is no history.
constexpr std::string_view kIdlePromptWord = "コマンド:";

} // namespace

template <class Call>
auto CadLink::WhileNotAnswering(const Call& call) -> decltype(call()) {
    std::optional<std::int64_t> since;
    for (;;) {
        try {
            return call();
        } catch (const WindowNotAnswering&) {
            const std::int64_t now = waiter_.Milliseconds();
            if (!since) since = now - Desktop::AnswerTimeoutMs;
            if (now - *since >= NotAnsweringMs) throw CadNotAnswering();
            waiter_.Sleep(PollMilliseconds);
            waiter_.ProcessMessages();
        }
    }
}

// ---- Discovery ---------------------------------------------------------------------------

void CadLink::RecordMainWindow(WindowHandle window) {
    windows_.CadMainWindow = window;
    windows_.CadProcessId = desktop_.WindowProcessId(window);
}

bool CadLink::MatchCadMainWindow(WindowHandle window) {
    const std::string title = desktop_.WindowTitle(window);
    if (title.empty()) return true;
    if (BeginsWith(title, "AutoCAD ") || BeginsWith(title, "Autodesk ") ||
        BeginsWith(title, "ACAD")) {
        const std::string cls = desktop_.WindowClass(window);
        bool recorded = false;
        if (BeginsWith(cls, "Afx:") && Contains(cls, ":8:")) recorded = true;
        for (std::string_view frame : kMdiFrameClasses)
            if (Contains(cls, frame)) recorded = true;
        if (recorded) RecordMainWindow(window);
        return !recorded;
    }
    if (BeginsWith(title, "DraftSight")) {
        if (Contains(desktop_.WindowClass(window), "QPopup")) {
            RecordMainWindow(window);
            return false;
        }
    }
    return true;
}

bool CadLink::MatchCadTextWindow(WindowHandle window) {
    const std::string title = desktop_.WindowTitle(window);
    if (title.empty()) return true;
    bool qualifies;
    if (desktop_.LocaleEqual(LeadingBytes(title, kAutoCad.size()), kAutoCad)) {
        const std::string cls = desktop_.WindowClass(window);
        qualifies = BeginsWith(cls, "Afx:") && Contains(cls, ":b:") &&
                    ContainsText(title, kTextWindowPart);
    } else {
        qualifies = desktop_.LocaleEqual(LeadingBytes(title, kCommandWindowTitle.size()),
                                         kCommandWindowTitle);
    }
    if (qualifies && desktop_.WindowProcessId(window) == windows_.CadProcessId) {
        windows_.CadTextWindow = window;
        return false;
    }
    return true;
}

bool CadLink::MatchCommandLineWindow(WindowHandle window) {
    const std::string title = desktop_.WindowTitle(window);
    if (title.empty()) return true;
    const std::string cls = desktop_.WindowClass(window);
    // Only the floating command line of the CAD found: with two CADs running, the other one's
    // would show that CAD's prompts and history.
    if (ContainsText(title, kCommandLinePart) && BeginsWith(cls, "Afx:") && Contains(cls, ":8:") &&
        desktop_.WindowProcessId(window) == windows_.CadProcessId) {
        windows_.CommandLineWindow = window;
        return false;
    }
    return true;
}

bool CadLink::MatchCommandPanes(WindowHandle window) {
    const std::string title = desktop_.WindowTitle(window);
    if (title.empty()) return true;
    const bool input = title == "Headlands" || title == "input";
    const bool history = title == "MountTam" || title == "output";
    // Without a text window the search runs over every top-level window, where another
    // program's "input" would otherwise be read as the CAD's command line.
    if ((input || history) && desktop_.WindowProcessId(window) == windows_.CadProcessId) {
        if (input) windows_.CommandInputPane = window;
        if (history) windows_.CommandHistoryPane = window;
    }
    return windows_.CommandInputPane == 0 || windows_.CommandHistoryPane == 0;
}

WindowHandle CadLink::LocateCadMainWindow() {
    if (!pinned_ && !desktop_.IsWindow(windows_.CadMainWindow))
        desktop_.EnumTopLevelWindows([this](WindowHandle w) { return MatchCadMainWindow(w); });
    return windows_.CadMainWindow;
}

bool CadLink::BeginRun() {
    pinned_ = false;
    inToolCommand_ = false;
    windows_ = CadWindows{};
    LocateCadMainWindow();
    pinned_ = true;
    return desktop_.IsWindow(windows_.CadMainWindow);
}

bool CadLink::CadHasGone() { return pinned_ && !desktop_.IsWindow(windows_.CadMainWindow); }

bool CadLink::IsCadAvailable() {
    LocateCadMainWindow();
    return desktop_.IsWindow(windows_.CadMainWindow);
}

bool CadLink::BringCadToFront() {
    if (!IsCadAvailable()) return false;
    desktop_.SetForegroundWindow(windows_.CadMainWindow);
    return true;
}

WindowHandle CadLink::LocateCadTextWindow() {
    windows_.CadTextWindow = 0;
    desktop_.EnumTopLevelWindows([this](WindowHandle w) { return MatchCadTextWindow(w); });
    return windows_.CadTextWindow;
}

WindowHandle CadLink::LocatePane(WindowHandle CadWindows::*pane) {
    auto valid = [this](WindowHandle w) { return desktop_.IsWindow(w); };
    auto matchPanes = [this](WindowHandle w) { return MatchCommandPanes(w); };
    if (valid(LocateCadMainWindow()) && !valid(windows_.*pane)) {
        // Handles left over from a CAD that has gone would count as found and could stop the
        // pane search at its first titled window.
        if (!valid(windows_.CommandInputPane)) windows_.CommandInputPane = 0;
        if (!valid(windows_.CommandHistoryPane)) windows_.CommandHistoryPane = 0;

        desktop_.EnumChildWindows(windows_.CadMainWindow, matchPanes);  // docked
        if (!valid(windows_.*pane)) {
            desktop_.EnumTopLevelWindows(
                [this](WindowHandle w) { return MatchCommandLineWindow(w); });
            if (valid(windows_.CommandLineWindow))
                desktop_.EnumChildWindows(windows_.CommandLineWindow, matchPanes);  // floating
            else
                desktop_.EnumChildWindows(LocateCadTextWindow(), matchPanes);  // text window
        }
    }
    return valid(windows_.*pane) ? windows_.*pane : 0;
}

WindowHandle CadLink::LocateCommandInputPane() { return LocatePane(&CadWindows::CommandInputPane); }

WindowHandle CadLink::LocateCommandHistoryPane() {
    return LocatePane(&CadWindows::CommandHistoryPane);
}

// ---- Command channel ---------------------------------------------------------------------

bool CadLink::SendCadCommand(std::u16string_view command) {
    LocateCadMainWindow();
    return SendCadCommandInForm(command, desktop_.IsWindowUnicode(windows_.CadMainWindow));
}

bool CadLink::SendCadCommandInForm(std::u16string_view command, bool unicode) {
    if (!desktop_.IsWindow(LocateCadMainWindow())) return false;
    const WindowHandle frame = windows_.CadMainWindow;
    if (unicode) {
        // The round trip through the ANSI code page makes the CAD see what a keyboard in that
        // code page could have typed: characters it cannot hold arrive as its default character.
        const std::size_t n = command.size();
        const std::u16string typed = desktop_.AnsiToWide(desktop_.WideToAnsi(command));
        std::u16string buffer(n + 1, u'\0');
        std::copy_n(typed.begin(), std::min(n, typed.size()), buffer.begin());
        // A CAD that does not answer in time does not get the text at all: nothing more is
        // typed, and the run ends.
        try {
            desktop_.SendCopyData(frame, 1, buffer.data(),
                                  static_cast<std::uint32_t>((n + 1) * sizeof(char16_t)));
        } catch (const WindowNotAnswering&) {
            throw CadNotAnswering();
        }
    } else {
        std::string bytes = desktop_.WideToAnsi(command);
        bytes.resize(std::min(bytes.size(), bytes.find('\0')));
        try {
            desktop_.SendCopyData(frame, 1, bytes.c_str(), static_cast<std::uint32_t>(bytes.size() + 1));
        } catch (const WindowNotAnswering&) {
            throw CadNotAnswering();
        }
    }
    desktop_.PostNull(frame);
    return true;
}

void CadLink::LeaveCommand(std::u16string command) {
    leftCommand_ = LeftCommand{std::move(command), windows_.CadMainWindow, 0};
    RetryLeftCommand();
}

bool CadLink::RetryLeftCommand() {
    if (!leftCommand_) return false;
    // Only the CAD it was meant for: one started since never gets it.
    if (!desktop_.IsWindow(leftCommand_->frame) || LocateCadMainWindow() != leftCommand_->frame) {
        leftCommand_.reset();
        return false;
    }
    try {
        SendCadCommand(leftCommand_->command);
        leftCommand_.reset();
        return false;
    } catch (const CadNotAnswering&) {
        if (++leftCommand_->attempts >= LeftCommandAttempts) leftCommand_.reset();
        return leftCommand_.has_value();
    }
}

std::string CadLink::ReadWindowText(WindowHandle window) {
    return WhileNotAnswering([&] {
        const long n = desktop_.GetTextLength(window);
        if (n <= 0) return std::string();
        return desktop_.GetText(window, (n + 1) * 2);
    });
}

std::string CadLink::ReadCommandInput() {
    LocateCommandInputPane();
    return ReadWindowText(windows_.CommandInputPane);
}

std::string CadLink::ReadCommandHistory() {
    const WindowHandle textWindow = LocateCadTextWindow();
    if (!desktop_.IsWindow(textWindow)) return {};
    // Clipboard tools, remote desktops and office programs hold the clipboard for moments: the
    // tool cannot open it then, or the CAD cannot, and its copy silently places nothing.
    const std::int64_t start = waiter_.Milliseconds();
    for (;;) {
        std::optional<std::string> history =
            WhileNotAnswering([&] { return CopyHistoryOnce(textWindow); });
        if (history && ContainsText(*history, kIdlePromptWord)) return *history;
        if (waiter_.Milliseconds() - start >= HistoryRetryMs) throw HistoryUnavailable();
        waiter_.Sleep(PollMilliseconds);
        waiter_.ProcessMessages();
        if (CadHasGone()) throw CadGone();
    }
}

std::optional<std::string> CadLink::CopyHistoryOnce(WindowHandle textWindow) {
    // The user's contents from an earlier read go back first, so that this read saves them.
    RetryClipboardRestore();

    // The clipboard is the user's: what it held goes back once the history has been read. It
    // is closed while the CAD copies, since the CAD must open it itself.
    ClipboardSnapshot saved;
    try {
        auto clipboard = desktop_.OpenClipboard();
        saved = clipboard->Save();
        clipboard->Empty();
    } catch (const ClipboardError&) {
        return std::nullopt;
    }
    auto restoreAfterFailure = [&] {
        try {
            desktop_.OpenClipboard()->Restore(saved);
        } catch (const ClipboardError&) {
            // Tried again later, once the other program has let go of the clipboard.
            pendingRestore_ = PendingRestore{std::move(saved), desktop_.ClipboardSequenceNumber(), 1};
        }
    };
    std::string history;
    ++historyReads_;
    try {
        desktop_.SendCommand(textWindow, CopyHistoryCommand);
        auto clipboard = desktop_.OpenClipboard();
        history = clipboard->Text();
        clipboard->Restore(saved);
    } catch (const ClipboardError&) {
        restoreAfterFailure();
        return std::nullopt;
    } catch (...) {
        restoreAfterFailure();
        throw;
    }
    return history;
}

bool CadLink::RetryClipboardRestore() {
    if (!pendingRestore_) return false;
    if (desktop_.ClipboardSequenceNumber() != pendingRestore_->sequence) {
        pendingRestore_.reset();
        return false;
    }
    try {
        auto clipboard = desktop_.OpenClipboardAtOnce();
        try {
            clipboard->Restore(pendingRestore_->contents);
        } catch (const ClipboardError&) {
            // Emptied, perhaps, and not filled: a change of the tool's own, counted while the
            // clipboard is still open, so that nobody else's copy can be taken for it.
            pendingRestore_->sequence = desktop_.ClipboardSequenceNumber();
            throw;
        }
        pendingRestore_.reset();
        return false;
    } catch (const ClipboardError&) {
        // Not opened, the clipboard is as it was: a change from now on is someone else's copy.
        if (++pendingRestore_->attempts >= ClipboardRestoreAttempts) pendingRestore_.reset();
        return pendingRestore_.has_value();
    }
}

std::vector<std::string> SplitHistoryLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string CadLink::LastHistoryLine() {
    const std::vector<std::string> lines = SplitHistoryLines(ReadCommandHistory());
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->empty()) return *line;
    return {};
}

std::vector<std::string> CadLink::CompletedHistoryLines() {
    const std::string text = ReadCommandHistory();
    std::vector<std::string> lines = SplitHistoryLines(text);
    const std::string_view upToNul = std::string_view(text).substr(0, text.find('\0'));
    const bool lastEnded = !upToNul.empty() && (upToNul.back() == '\r' || upToNul.back() == '\n');
    if (!lastEnded) {
        if (!lines.empty()) lines.pop_back();
        return lines;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (!lines.empty() && lines.back() == ReadCommandInput()) lines.pop_back();
    return lines;
}

std::string CadLink::LastCompletedHistoryLine() {
    const std::vector<std::string> lines = CompletedHistoryLines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->empty()) return *line;
    return {};
}

// ---- Prompts, variables, points ----------------------------------------------------------

void CadLink::PaintPrompt(WindowHandle window, std::string_view text) {
    // GetDC of no window is the whole screen's: a pane that was never found gets no prompt.
    if (window == 0 || !desktop_.IsWindow(window)) return;
    desktop_.PaintText(window, text, kPromptBackground, kPromptText);
}

std::string TakeFirstField(std::string& text) {
    text = Trim(text);
    const std::size_t comma = text.find(',');
    std::string field;
    if (comma == std::string::npos) {
        field = std::move(text);
        text.clear();
    } else {
        field = text.substr(0, comma);
        text.erase(0, comma + 1);
    }
    return field;
}

std::string CadLink::QueryCadVariable(std::string_view name) {
    if (!IsCadAvailable()) return {};
    // The form follows the main frame just found; a handle kept from a CAD that has since been
    // closed would tell the form of the old one.
    const bool unicode = desktop_.IsWindowUnicode(windows_.CadMainWindow);

    std::string command(name);
    if (AsciiUpper(name) != "ACADVER") command = "'SETVAR " + command;
    command += '\r';
    SendCadCommandInForm(desktop_.AnsiToWide(command), unicode);

    // The first reading comes at once: a CAD that acts before SendMessage returns answers
    // without a pause. One that takes its input up later is polled until the answer shows.
    // Only an answer that names the variable counts: a CAD that is late still shows the
    // prompt of the query before, and SETVAR's first prompt offers the variable asked last.
    std::optional<std::string> promptAtRead;
    int sinceRead = 0, interval = 1;
    for (int poll = 0; poll <= VariablePolls; ++poll) {
        const std::string prompt = poll > 0 ? Poll() : ReadCommandInput();
        std::string value = VariableOnPrompt(prompt, name);
        if (!value.empty()) {
            // The prompt's "<value>" waits for a new value; the history's answer does not.
            SendCadCommandInForm(std::u16string(1, kCtrlC), unicode);
            return value;
        }
        ++sinceRead;
        if (!promptAtRead || *promptAtRead != prompt || sinceRead >= interval) {
            interval = promptAtRead && *promptAtRead == prompt ? interval * 2 : 1;
            promptAtRead = prompt;
            sinceRead = 0;
            value = VariableInHistory(SplitHistoryLines(ReadCommandHistory()), prompt, name);
            if (!value.empty()) return value;
        }
        if (prompt.empty()) break;  // no command line to wait for
    }
    return {};
}

namespace {
// Whether `text` holds the variable's name, in any case.
bool NamesVariable(std::string_view text, std::string_view name) {
    return !name.empty() && AsciiUpper(text).find(AsciiUpper(name)) != std::string::npos;
}
} // namespace

std::string CadLink::VariableOnPrompt(const std::string& prompt, std::string_view name) {
    // The prompt shows a settable variable's value as "<value>" while it waits for a new one,
    // with the variable's name before it.
    const std::size_t open = prompt.rfind('<');
    if (open == std::string::npos || !NamesVariable(prompt.substr(0, open), name)) return {};
    return Between(prompt, '<', '>');
}

std::string CadLink::VariableInHistory(const std::vector<std::string>& lines,
                                       const std::string& prompt, std::string_view name) {
    // A read-only variable is answered in the history instead: "NAME = value (読み込み専用)",
    // possibly wrapped over several lines, possibly followed by the next prompt.
    auto valueNamed = [name](const std::string& line) {
        const std::size_t equals = line.rfind('=');
        if (equals == std::string::npos || !NamesVariable(line.substr(0, equals), name)) return std::string();
        return Between(line, '=', '(');
    };
    std::string line = prompt;
    long i = static_cast<long>(lines.size()) - 1;
    while (i >= 0 && lines[static_cast<std::size_t>(i)].empty()) --i;
    if (i >= 0)
        line = lines[static_cast<std::size_t>(i)];
    else if (!lines.empty())
        line = lines.front();
    auto at = [&](long k) -> const std::string& { return lines[static_cast<std::size_t>(k)]; };

    std::string value = valueNamed(line);
    if (value.empty() && i > 2 && Contains(line, kReadOnlyMarker)) value = valueNamed(at(i - 2) + at(i - 1) + line);
    if (value.empty() && i > 1 && Contains(at(i - 1), kReadOnlyMarker)) value = valueNamed(at(i - 1));
    return value;
}

bool IsCadNumber(std::string_view text) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

bool CadLink::CommandTakenUp(const std::vector<std::string>& lines, std::string_view command) {
    auto firstWord = [](std::string_view text) { return AsciiUpper(text.substr(0, text.find(' '))); };
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (!BeginsWith(*line, IdlePrompt)) continue;
        const std::string_view typed = std::string_view(*line).substr(IdlePrompt.size());
        // Ctrl+C at the idle prompt, or typing given up, started nothing.
        if (typed.empty() || Contains(typed, kCancelled)) continue;
        return firstWord(typed) == firstWord(command);
    }
    return false;
}

bool CadLink::HistoryShowsCommandTakenUp(std::string_view command) {
    return CommandTakenUp(SplitHistoryLines(ReadCommandHistory()), command);
}

std::string CadLink::Poll() {
    waiter_.Sleep(PollMilliseconds);
    waiter_.ProcessMessages();
    if (CadHasGone()) throw CadGone();
    return ReadCommandInput();
}

CadLink::WaitEnd CadLink::WaitForCommand(std::string_view command, std::string_view promptBefore,
                                         bool bounded, bool noPaneEnds, const PromptHandler& onPrompt) {
    bool takenUp = false;
    std::optional<std::string> promptAtRead;
    int sinceRead = 0, interval = 1, sinceTakenUp = 0, withoutPane = 0;
    for (int poll = 1;; ++poll) {
        std::string prompt;
        try {
            prompt = Poll();
        } catch (const CadGone&) {
            throw;
        } catch (const CadNotAnswering&) {
            throw;
        } catch (...) {
            // The run ends here (the dialog closed): whether the CAD is in the tool's command,
            // which the run may then cancel, is decided as this poll would have decided it.
            const std::string now = ReadCommandInput();
            if (!now.empty() && now != IdlePrompt && now != promptBefore) inToolCommand_ = true;
            throw;
        }
        if (onPrompt) onPrompt(prompt);
        // A CAD without an input pane shows no prompt to wait for: the history and the time
        // decide, as far as they can.
        if (prompt.empty() && !desktop_.IsWindow(windows_.CommandInputPane)) {
            if (noPaneEnds || ++withoutPane >= WaitPolls) {
                inToolCommand_ = false;
                return WaitEnd::Done;
            }
            continue;
        }
        if (!takenUp && !prompt.empty() && prompt != IdlePrompt && prompt != promptBefore)
            takenUp = true;
        if (!takenUp) {
            ++sinceRead;
            const bool changed = !promptAtRead || *promptAtRead != prompt;
            if (changed || sinceRead >= interval || poll >= BusyPolls) {
                interval = changed ? 1 : interval * 2;
                promptAtRead = prompt;
                sinceRead = 0;
                takenUp = HistoryShowsCommandTakenUp(command);
            }
            if (!takenUp) {
                if (poll >= BusyPolls) return WaitEnd::NotTakenUp;
                continue;
            }
        }
        // Until the wait ends normally the CAD is in the tool's own command: a run that ends
        // early meanwhile may cancel it.
        inToolCommand_ = true;
        if (prompt == IdlePrompt) {
            inToolCommand_ = false;
            return WaitEnd::Done;
        }
        if (bounded && ++sinceTakenUp >= WaitPolls) return WaitEnd::GaveUp;
    }
}

bool CadLink::IsIdleOrWithoutPane(const std::string& prompt) {
    return prompt == IdlePrompt || (prompt.empty() && !desktop_.IsWindow(windows_.CommandInputPane));
}

bool CadLink::WaitUntilIdle(bool bounded) {
    for (int poll = 0;; ++poll) {
        if (IsIdleOrWithoutPane(ReadCommandInput())) return true;
        if (bounded && poll == WaitPolls) return false;
        Poll();
    }
}

bool CadLink::PickPoint(WindowHandle promptWindow, std::string_view prompt, std::string& x,
                        std::string& y) {
    const std::u16string ctrlC(1, kCtrlC);
    const std::string promptBefore = ReadCommandInput();
    SendCadCommand(ctrlC + u"FILEDIA 0\r");
    SendCadCommand(ctrlC + u"ID ");

    // However this ends (a silent abort, the dialog closed during the wait), the CAD gets its
    // file dialogs back and its "ID " command is not left waiting for a click.
    struct Restorer {
        CadLink& link;
        std::u16string command;
        ~Restorer() {
            try {
                link.SendCadCommand(command);
            } catch (...) {
                // Leaving anyway; the CAD is beyond reach.
            }
        }
    } restore{*this, ctrlC + u"FILEDIA 1\r"};

    PaintPrompt(promptWindow, prompt);
    // The user's click: over once the CAD, having taken "ID " up, is idle again; before that
    // its idle prompt and its history are those of the commands before, and a Ctrl+C at its
    // idle prompt would read as a cancelled pick.
    if (WaitForCommand("ID", promptBefore, false, true) == WaitEnd::NotTakenUp) {
        x.clear();
        throw CadNotTakingInput();
    }

    const std::string last = LastCompletedHistoryLine();
    if (Contains(last, kCancelled) || !Contains(last, "X")) {
        x.clear();
        return false;
    }
    std::string point = QueryCadVariable("LASTPOINT");
    std::string pickedX = TakeFirstField(point);
    std::string pickedY = TakeFirstField(point);
    if (!IsCadNumber(pickedX) || !IsCadNumber(pickedY)) {
        x.clear();
        return false;
    }
    x = std::move(pickedX);
    y = std::move(pickedY);
    return true;
}

} // namespace vermiq
