// The command channel and the command-line reading on a simulated desktop.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cadlink/cad_link.h"
#include "cadlink/history_checks.h"
#include "cadlink/silent_abort.h"
#include "tests/support/sim_desktop.h"

namespace vermiq {
namespace {

using sim::CadLayout;
using sim::CadOptions;
using sim::ScriptedCad;
using sim::SimCad;
using sim::SimDesktop;
using Bytes = std::vector<unsigned char>;

struct Channel : ::testing::Test {
    SimDesktop desk;
    CadLink link{desk, desk.Clock()};
    ScriptedCad* script = nullptr;
    SimCad Host(CadLayout layout = CadLayout::Docked, CadOptions options = {}) {
        auto owned = std::make_unique<ScriptedCad>();
        script = owned.get();
        SimCad cad = desk.Host(layout, std::move(owned), options);
        link.LocateCadMainWindow();  // as the run does first; the text window needs its process
        return cad;
    }
};

// The text's UTF-16 little-endian bytes, then `zeros` zero units.
Bytes Utf16Bytes(std::u16string_view text, int zeros = 0) {
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    bytes.insert(bytes.end(), 2 * static_cast<std::size_t>(zeros), 0);
    return bytes;
}

struct SendCase {
    const char* name;
    std::u16string command;
    bool unicode;
    std::uint32_t cbData;
    Bytes bytes;  // what arrives, terminator included
};

std::vector<SendCase> SendCases() {
    const std::u16string a255(255, u'A');
    const std::u16string a300(300, u'A');
    Bytes a255Wide = Utf16Bytes(a255, 1);
    Bytes a300Narrow(300, 'A');
    a300Narrow.push_back(0);
    const std::string japanese = "コマンド";  // code page 932 in this build
    Bytes japaneseNarrow(japanese.begin(), japanese.end());
    japaneseNarrow.push_back(0);
    return {
        {"255 units", a255, true, 512, a255Wide},
        {"Ctrl+C Unicode", u"\x03", true, 4, {3, 0, 0, 0}},
        {"Ctrl+C ANSI", u"\x03", false, 2, {3, 0}},
        {"300 units whole", a300, true, 602, Utf16Bytes(a300, 1)},
        {"300 bytes whole", a300, false, 301, a300Narrow},
        {"Japanese Unicode", u"コマンド", true, 10, Utf16Bytes(u"コマンド", 1)},
        {"Japanese ANSI", u"コマンド", false, 9, japaneseNarrow},
        // What code page 932 cannot hold arrives as its default character "?".
        {"unmappable Unicode", u"caf\u00E9", true, 10, Utf16Bytes(u"caf?", 1)},
        // A surrogate pair becomes one "?": the count stays that of the command.
        {"surrogate pair", u"\U0001F600", true, 6, Utf16Bytes(u"?", 2)},
        {"empty", u"", true, 2, {0, 0}},
        {"empty ANSI", u"", false, 1, {0}},
    };
}

TEST_F(Channel, CopyDataRecordInBothForms) {
    SimCad cad = Host();
    for (const SendCase& c : SendCases()) {
        desk.ClearRecords();
        EXPECT_TRUE(link.SendCadCommandInForm(c.command, c.unicode)) << c.name;
        ASSERT_EQ(desk.CopyDataSent().size(), 1u) << c.name;
        const sim::SentCopyData& sent = desk.CopyDataSent().front();
        EXPECT_EQ(sent.window, cad.MainFrame()) << c.name;
        EXPECT_EQ(sent.dwData, 1u) << c.name;
        EXPECT_EQ(sent.cbData, c.cbData) << c.name;
        EXPECT_EQ(sent.bytes, c.bytes) << c.name;
        EXPECT_EQ(desk.NullsPosted(), std::vector<WindowHandle>{cad.MainFrame()}) << c.name;
    }
}

TEST_F(Channel, FormFollowsTheMainFrame) {
    Host(CadLayout::Docked, CadOptions{false, false, 0});
    EXPECT_TRUE(link.SendCadCommand(u"\x03ID "));
    EXPECT_TRUE(link.SendCadCommand(u"点を指定"));
    ASSERT_EQ(desk.CopyDataSent().size(), 2u);
    EXPECT_EQ(desk.CopyDataSent()[0].cbData, 5u);  // bytes, not UTF-16
    EXPECT_EQ(script->typed, (std::vector<std::string>{"\x03ID ", "点を指定"}));
}

TEST_F(Channel, LongCommandReachesTheCadWhole) {
    Host();
    const std::string folder = "C:\\Users\\" + std::string(280, 'u') + "\\作業\\x.dxf";
    const std::string command = "DXFOUT \"" + folder + "\"";
    ASSERT_TRUE(link.SendCadCommand(desk.AnsiToWide(command)));
    ASSERT_EQ(script->typed.size(), 1u);
    EXPECT_EQ(script->typed[0], command);
}

TEST_F(Channel, NoCadSendsNothing) {
    EXPECT_FALSE(link.SendCadCommand(u"\x03"));
    EXPECT_FALSE(link.SendCadCommandInForm(u"\x03", false));
    SimCad cad = Host();
    ASSERT_TRUE(link.SendCadCommand(u"LINE "));
    cad.Close();
    desk.ClearRecords();
    EXPECT_FALSE(link.SendCadCommand(u"\x03"));
    EXPECT_TRUE(desk.CopyDataSent().empty());
    EXPECT_TRUE(desk.NullsPosted().empty());
}

TEST_F(Channel, WindowTextOfPanesThatAreEmptyOrGone) {
    SimCad cad = Host();
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    script->input = "";
    EXPECT_EQ(link.ReadCommandInput(), "");
    script->input = "オブジェクトを選択: ";
    EXPECT_EQ(link.ReadCommandInput(), "オブジェクトを選択: ");
    desk.DestroyWindow(cad.InputPane());
    EXPECT_EQ(link.ReadCommandInput(), "");
    EXPECT_EQ(link.ReadWindowText(0), "");
    EXPECT_EQ(link.ReadWindowText(cad.InputPane()), "");
}

struct SplitCase {
    std::string text;
    std::vector<std::string> lines;
};

TEST(HistoryLines, SplitAtEveryKindOfBreak) {
    const std::vector<SplitCase> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\n\r", {"a", ""}},  // LF then CR: two breaks
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {std::string("a\r\nb\0c\r\n", 8), {"a", "b"}},
        {"コマンド: \r\n  \r\n", {"コマンド: ", "  "}},
    };
    for (const SplitCase& c : cases) EXPECT_EQ(SplitHistoryLines(c.text), c.lines) << c.text;
}

TEST_F(Channel, LastHistoryLineSkipsEmptyLinesOnly) {
    Host();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"コマンド: LINE\r\n点を指定:\r\n", "点を指定:"},
        {"コマンド: LINE\r\n点を指定:\r\n\r\n\r\n", "点を指定:"},
        {"コマンド: LINE\r\n点を指定:\r\n   \r\n", "   "},
        {"コマンド: LINE\r\n*キャンセル*", "*キャンセル*"},
    };
    for (const auto& [history, last] : cases) {
        script->history = history;
        EXPECT_EQ(link.LastHistoryLine(), last) << history;
    }
    // A copy without the idle prompt that every history holds is no history: made again for a
    // second, then given up.
    for (const char* nothing : {"", "\r\n\r\n", "*キャンセル*\r\n"}) {
        script->history = nothing;
        const long long before = desk.Now();
        EXPECT_THROW(link.LastHistoryLine(), HistoryUnavailable) << nothing;
        EXPECT_EQ(desk.Now() - before, CadLink::HistoryRetryMs);
    }
}

TEST_F(Channel, HistoryReadKeepsEveryClipboardFormat) {
    Host();
    script->history = "コマンド: LINE\r\n*キャンセル*\r\n";
    desk.SetClipboardText("ユーザーの文字列");
    desk.SetClipboardFormat(sim::kCfUnicodeText, Utf16Bytes(u"ユーザーの文字列", 1));
    desk.SetClipboardFormat(0xC123, Bytes{1, 2, 0, 3, 255});
    const auto before = desk.ClipboardFormats();

    EXPECT_EQ(link.ReadCommandHistory(), script->history);
    EXPECT_EQ(desk.ClipboardFormats(), before);
    EXPECT_FALSE(desk.ClipboardOpen());
}

TEST_F(Channel, HistoryReadLeavesAnEmptyClipboardEmpty) {
    Host();
    script->history = "コマンド: LINE\r\n";
    EXPECT_EQ(link.LastHistoryLine(), "コマンド: LINE");
    EXPECT_TRUE(desk.ClipboardFormats().empty());
}

TEST_F(Channel, NoTextWindowLeavesTheClipboardUntouched) {
    SimCad cad = Host();
    desk.DestroyWindow(cad.TextWindow());
    desk.SetClipboardText("keep");
    EXPECT_EQ(link.ReadCommandHistory(), "");
    EXPECT_EQ(desk.ClipboardOpens(), 0);
    EXPECT_EQ(desk.ClipboardText(), "keep");
}

TEST_F(Channel, ClipboardHeldByAnotherProgramEndsTheReadAfterItsRetries) {
    Host();
    script->history = "コマンド: LINE\r\n";
    desk.SetClipboardText("keep");
    desk.HoldClipboard(true);
    EXPECT_THROW(link.ReadCommandHistory(), HistoryUnavailable);
    EXPECT_THROW(link.LastHistoryLine(), HistoryUnavailable);
    EXPECT_EQ(desk.ClipboardText(), "keep");
}

TEST_F(Channel, ClipboardTakenWhileTheCadCopiesEndsTheReadAfterItsRetries) {
    Host();
    script->history = "コマンド: LINE\r\n";
    desk.SetClipboardText("keep");
    desk.HoldClipboardAfterOpens(1);
    EXPECT_THROW(link.ReadCommandHistory(), HistoryUnavailable);
    EXPECT_FALSE(desk.ClipboardOpen());
}

// The other program lets go after a while, or the user copies something new meanwhile (before a
// retry, or while one is refused because the user's program holds the clipboard to copy), or it
// never lets go: the user's contents go back in the first case only, and the retries end.
TEST_F(Channel, TheUsersClipboardGoesBackOnceTheOtherProgramLetsGo) {
    const struct {
        const char* meanwhile;
        int heldFor;        // failed retries before the other program lets go; -1: never
        char userCopies;    // the user copies something new: 'b' before the first retry, 'w'
                            // while the first retry is refused; 0: never
        std::string after;  // the clipboard's text at the end
        int retries;        // retries that asked for another one
    } cases[] = {
        {"lets go at once", 0, 0, "keep", 0},
        {"lets go after three retries", 3, 0, "keep", 3},
        {"the user copied anew", 3, 'b', "new", 0},
        {"the user's copy held the clipboard", 3, 'w', "new", 1},
        // The read's own copies, made again for a second, took their share of the attempts.
        {"never lets go", -1, 0, "コマンド: LINE\r\n",
         CadLink::ClipboardRestoreAttempts - 2 - CadLink::HistoryRetryMs / CadLink::PollMilliseconds},
    };
    for (const auto& c : cases) {
        sim::SimDesktop d;
        CadLink l(d, d.Clock());
        auto owned = std::make_unique<ScriptedCad>();
        owned->history = "コマンド: LINE\r\n";
        d.Host(CadLayout::Docked, std::move(owned));
        l.LocateCadMainWindow();
        d.SetClipboardText("keep");
        d.SetClipboardFormat(0xC200, Bytes{9});
        d.HoldClipboardAfterOpens(1);  // taken right after the CAD's copy
        EXPECT_THROW(l.ReadCommandHistory(), HistoryUnavailable) << c.meanwhile;
        EXPECT_TRUE(l.ClipboardRestorePending()) << c.meanwhile;
        EXPECT_EQ(d.ClipboardText(), "コマンド: LINE\r\n") << c.meanwhile;
        if (c.userCopies == 'b') d.SetClipboardText("new");
        bool copied = false;
        if (c.userCopies == 'w')
            d.WhileClipboardRefused([&] {
                if (!std::exchange(copied, true)) d.SetClipboardText("new");
            });
        int retries = 0;
        for (int i = 0; i < 100; ++i) {
            if (i == c.heldFor) d.HoldClipboard(false);
            if (!l.RetryClipboardRestore()) break;
            ++retries;
        }
        EXPECT_EQ(retries, c.retries) << c.meanwhile;
        EXPECT_FALSE(l.ClipboardRestorePending()) << c.meanwhile;
        EXPECT_FALSE(d.ClipboardOpen()) << c.meanwhile;
        EXPECT_EQ(d.ClipboardText(), c.after) << c.meanwhile;
        if (c.after == "keep") {
            EXPECT_EQ(d.ClipboardFormats().at(0xC200), Bytes{9}) << c.meanwhile;
        }
    }
}

// A pending restore goes back before the next history read saves the clipboard, so that read
// also gives the user their own contents back.
TEST_F(Channel, TheNextHistoryReadPutsAPendingRestoreBackFirst) {
    Host();
    script->history = "コマンド: LINE\r\n";
    desk.SetClipboardText("keep");
    desk.HoldClipboardAfterOpens(1);
    EXPECT_THROW(link.ReadCommandHistory(), HistoryUnavailable);
    desk.HoldClipboard(false);
    EXPECT_EQ(link.LastHistoryLine(), "コマンド: LINE");
    EXPECT_FALSE(link.ClipboardRestorePending());
    EXPECT_EQ(desk.ClipboardText(), "keep");
}

// A CAD whose history copy fails inside the host (an exception out of the copy command).
class FailingCopy : public sim::CadBehaviour {
public:
    struct Boom {};
    void Type(std::string_view) override {}
    std::string InputPaneText() const override { return "コマンド: "; }
    std::string HistoryText() const override { throw Boom{}; }
    void Advance(int) override {}
};

TEST_F(Channel, ClipboardBackEvenWhenTheHistoryCopyFails) {
    desk.Host(CadLayout::Docked, std::make_unique<FailingCopy>());
    link.LocateCadMainWindow();
    desk.SetClipboardText("keep");
    desk.SetClipboardFormat(0xC200, Bytes{9});
    const auto before = desk.ClipboardFormats();
    EXPECT_THROW(link.ReadCommandHistory(), FailingCopy::Boom);
    EXPECT_EQ(desk.ClipboardFormats(), before);
    EXPECT_FALSE(desk.ClipboardOpen());
}

// How the tool's own selection ended, read from the structure of the history: the pass begins
// with FILEDIA, its selection follows, and the line of the selection prompt that ended it tells.
// The count in each form, a locked pick and an Enter of habit are rows of the run's habit table.
TEST(ReadToolSelection, FromTheStructureOfTheHistory) {
    using R = SelectionOutcome::Result;
    const std::string p = "オブジェクトを選択: ", si = p + "SI", locked = "1 個はロックされた画層上にあります。";
    struct Case {
        std::vector<std::string> lines;  // after the pass's FILEDIA and SELECT
        R result;
        std::optional<long> count = std::nullopt;
        bool certain = true;
        bool single = true;
    } cases[] = {
        {{"Select objects: SI", "Select objects: 1 found"}, R::Found, 1},
        {{si, p + "認識された数: 0", p}, R::Nothing},
        {{si, p + "*キャンセル*"}, R::Cancelled},
        // A refused pick: counted, then a line the tool cannot read.
        {{si, p + "認識された数: 1", locked}, R::Found, 1, false},
        {{si, p + "認識された数: 1", locked, p}, R::Nothing},
        // Enter by habit repeats the selection; only one that picks nothing leaves the pass's set.
        {{si, p + "認識された数: 1", "コマンド: ", p + "*キャンセル*"}, R::Found, 1},
        {{si, p + "認識された数: 1", "コマンド: ", p + "認識された数: 1"}, R::OtherCommand},
        {{si, p + "認識された数: 1", "コマンド: ID", "点を指定: ", "X = 5.0000  Y = 5.0000  Z = 0.0000"},
         R::OtherCommand},
        {{si, p + "*キャンセル*", "コマンド: ID", "点を指定: "}, R::Cancelled},
        {{p + "認識された数: 1", p + "認識された数: 1、合計 2 個", p}, R::Found, 2, true, false},
        {{"コマンド: ID"}, R::OtherCommand},
    };
    for (const Case& c : cases) {
        // An earlier pass's selection and count come first: they are no part of this one.
        std::vector<std::string> lines = {"コマンド: FILEDIA", "コマンド: SELECT", si, p + "認識された数: 1",
                                          "コマンド: *キャンセル*", "コマンド: FILEDIA",
                                          "FILEDIA の新しい値を入力 <1>: 0", "コマンド: *キャンセル*"};
        if (c.lines.front() != "コマンド: ID") lines.push_back("コマンド: SELECT");
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        const SelectionOutcome outcome = ReadToolSelection(lines, c.single);
        SCOPED_TRACE(lines.back());
        EXPECT_EQ(outcome.result, c.result);
        if (c.result == R::Found || c.count) {
            EXPECT_EQ(outcome.count, c.count);
            EXPECT_EQ(outcome.certain, c.certain);
        }
    }
}

// The line the CAD is still writing, its current prompt, is not a completed history line,
// whether the copy ends it with a line break or not.
TEST(CompletedHistoryLines, LeaveOutTheCurrentPromptLine) {
    struct Case {
        std::string history;
        std::string last;
    } cases[] = {
        {"コマンド: ID\r\nX = 1  Y = 2  Z = 0\r\n", "X = 1  Y = 2  Z = 0"},
        {"コマンド: ID\r\nX = 1  Y = 2  Z = 0\r\nコマンド: ", "X = 1  Y = 2  Z = 0"},
        {"コマンド: ID\r\nX = 1  Y = 2  Z = 0\r\nコマンド: \r\n", "X = 1  Y = 2  Z = 0"},
        {"オブジェクトを選択: *キャンセル*\r\nコマンド: \r\n\r\n", "オブジェクトを選択: *キャンセル*"},
        {"コマンド: ", ""},
    };
    for (const Case& c : cases) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        auto owned = std::make_unique<ScriptedCad>();
        owned->history = c.history;
        desk.Host(CadLayout::Docked, std::move(owned));
        link.LocateCadMainWindow();
        EXPECT_EQ(link.LastCompletedHistoryLine(), c.last) << c.history;
    }
}

} // namespace
} // namespace vermiq
