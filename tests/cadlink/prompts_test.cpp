// Prompts, the variable query and the point pick against scripted CADs on a simulated desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cadlink/cad_link.h"
#include "cadlink/silent_abort.h"
#include "tests/support/sim_desktop.h"

namespace vermiq {
namespace {

using sim::CadLayout;
using sim::CadOptions;
using sim::ScriptedCad;
using sim::SimCad;
using sim::SimDesktop;
using Texts = std::vector<std::string>;

constexpr const char* kIdle = "コマンド: ";

TEST(TakeFirstField, SplitsAtTheFirstCommaAfterTrimming) {
    struct Case {
        std::string text, field, rest;
    };
    const std::vector<Case> cases = {
        {"  10.5,20.25,0.0 \r\n", "10.5", "20.25,0.0"},
        {"20.25,0.0", "20.25", "0.0"},
        {"0.0", "0.0", ""},
        {"", "", ""},
        {" \t ", "", ""},
        {"1 , 2", "1 ", " 2"},  // the field is not trimmed again
        {",2", "", "2"},
        {"12,", "12", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(TakeFirstField(text), c.field) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
    std::string point = "1,2,3";
    EXPECT_EQ(TakeFirstField(point), "1");
    EXPECT_EQ(TakeFirstField(point), "2");
    EXPECT_EQ(point, "3");
}

struct Prompts : ::testing::Test {
    SimDesktop desk;
    CadLink link{desk, desk.Clock()};
    ScriptedCad* cad = nullptr;
    SimCad window;
    void Host(CadOptions options = {}) {
        auto owned = std::make_unique<ScriptedCad>();
        cad = owned.get();
        window = desk.Host(CadLayout::Docked, std::move(owned), options);
        link.LocateCadMainWindow();
    }
};

TEST_F(Prompts, PaintPromptOnlyOnAWindow) {
    Host();
    link.PaintPrompt(window.HistoryPane(), "要素を選択ください");
    ASSERT_EQ(desk.Paints().size(), 1u);
    EXPECT_EQ(desk.Paints()[0].window, window.HistoryPane());
    EXPECT_EQ(desk.Paints()[0].text, "要素を選択ください");
    EXPECT_EQ(desk.Paints()[0].background, 0x007F7FFFu);  // RGB(255, 127, 127)
    EXPECT_EQ(desk.Paints()[0].foreground, 0u);
    link.PaintPrompt(0, "x");
    window.Close();
    link.PaintPrompt(window.HistoryPane(), "x");
    EXPECT_EQ(desk.Paints().size(), 1u);
}

struct QueryCase {
    const char* what;
    std::string name;
    std::string prompt;   // the input pane after the query was typed
    std::string history;
    std::string value;
    Texts typed;
};

std::vector<QueryCase> QueryCases() {
    const std::string setvar = "'SETVAR LASTPOINT\r";
    return {
        {"prompt", "LASTPOINT", "LASTPOINT の新しい値を入力 < 1.5,2,0 >: ", "", "1.5,2,0",
         {setvar, "\x03"}},
        {"lower-case name", "lastpoint", "LASTPOINT の新しい値を入力 <3,4,0>: ", "", "3,4,0",
         {"'SETVAR lastpoint\r", "\x03"}},
        {"ACADVER as passed", "acadver", kIdle, "コマンド: ACADVER\r\nACADVER = \"18.0s\" (読み込み専用)\r\n",
         "\"18.0s\"", {"acadver\r"}},
        {"brackets the wrong way round", "LASTPOINT", "a > b < c", "コマンド: 'SETVAR\r\nLASTPOINT = 1,2,3 (読み込み専用)\r\n",
         "1,2,3", {setvar}},
        {"history with blank lines after", "LASTPOINT", kIdle,
         "コマンド: 'SETVAR\r\nLASTPOINT = 4,5,6 (読み込み専用)\r\n\r\n\r\n", "4,5,6", {setvar}},
        {"wrapped over three lines", "DWGPREFIX", kIdle,
         "コマンド: 'SETVAR\r\nDWGPREFIX = \"C:\\Documents and Settings\\\r\n"
         "taro\\My Documents\\\r\n\" (読み込み専用)\r\n",
         "\"C:\\Documents and Settings\\taro\\My Documents\\\"", {"'SETVAR DWGPREFIX\r"}},
        {"next prompt after the value", "LASTPOINT", kIdle,
         "x\r\nLASTPOINT = 7,8,9 (読み込み専用)\r\nコマンド: \r\n", "7,8,9", {setvar}},
        {"line 0 never looked back to", "LASTPOINT", kIdle,
         "LASTPOINT = 7,8,9 (読み込み専用)\r\nコマンド: \r\n", "", {setvar}},
        {"line 0 never joined", "A", kIdle, "コマンド: A = \"x\r\ny\r\n\" (読み込み専用)\r\n", "",
         {"'SETVAR A\r"}},
        {"nothing anywhere", "LASTPOINT", kIdle, "", "", {setvar}},
        {"empty history lines only", "LASTPOINT", "= v (", "コマンド: \r\n\r\n", "", {setvar}},
        // Only an answer that names the variable: a late CAD still shows the query before, and
        // SETVAR's first prompt offers the variable asked last as its default.
        {"SETVAR's first prompt", "LASTPOINT", "変数名を入力 または [?] <LASTPOINT>: ", "", "", {setvar}},
        {"the prompt of the query before", "UCSORG", "LASTPOINT の新しい値を入力 <1,2,0>: ",
         "コマンド: 'SETVAR UCSORG\r\nUCSORG = 5,6,0 (読み込み専用)\r\n", "5,6,0", {"'SETVAR UCSORG\r"}},
        {"another variable's answer", "UCSORG", kIdle, "コマンド: 'SETVAR\r\nLASTPOINT = 1,2,3 (読み込み専用)\r\n", "",
         {"'SETVAR UCSORG\r"}},
        {"no history: the prompt is read again", "LASTPOINT", "LASTPOINT = 5 (", "", "5", {setvar}},
    };
}

TEST_F(Prompts, QueryCadVariableFromPromptOrHistory) {
    for (const QueryCase& c : QueryCases()) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        auto owned = std::make_unique<ScriptedCad>();
        ScriptedCad& cad = *owned;
        const SimCad hosted = desk.Host(CadLayout::Docked, std::move(owned));
        // No history at all: a CAD without its text window.
        if (c.history.empty()) desk.DestroyWindow(hosted.TextWindow());
        link.LocateCadMainWindow();
        cad.history = c.history;
        cad.onType = [&c](ScriptedCad& self, std::string_view text) {
            self.input = text == "\x03" ? kIdle : c.prompt;
        };
        EXPECT_EQ(link.QueryCadVariable(c.name), c.value) << c.what;
        EXPECT_EQ(cad.typed, c.typed) << c.what;
    }
}

TEST_F(Prompts, QueryWithoutCadSendsNothing) {
    EXPECT_EQ(link.QueryCadVariable("LASTPOINT"), "");
    EXPECT_TRUE(desk.CopyDataSent().empty());
}

TEST_F(Prompts, QueryToAnAnsiFrameUsesTheAnsiForm) {
    Host(CadOptions{false, false, 0});
    cad->onType = [](ScriptedCad& self, std::string_view) { self.input = "LASTPOINT <1,2,3>"; };
    EXPECT_EQ(link.QueryCadVariable("LASTPOINT"), "1,2,3");
    ASSERT_EQ(desk.CopyDataSent().size(), 2u);
    EXPECT_EQ(desk.CopyDataSent()[0].cbData, 19u);  // "'SETVAR LASTPOINT\r" and NUL, in bytes
    EXPECT_EQ(desk.CopyDataSent()[1].cbData, 2u);
}

// What ends a wait for a typed command: the idle prompt only once the CAD has shown that it
// took the command up, by a prompt of its own or by the history; a CAD that shows no sign of it
// within 8 s takes no input. The history is copied when the prompt changes and at growing
// intervals otherwise, never on every poll.
TEST(WaitForCommand, EndsOnTheIdlePromptOnlyOnceTheCommandWasTakenUp) {
    using End = CadLink::WaitEnd;
    const std::string select = "オブジェクトを選択: ";
    const std::string before = "コマンド: FILEDIA\r\n";  // the history before SELECT
    struct Case {
        const char* what;
        std::vector<std::string> prompts;  // at polls 1, 2, …; the last one stays
        std::string history;
        std::string promptBefore = kIdle;
        bool bounded = false;
        End end = End::Done;
        int polls = 1;
        int reads = -1;  // history copies; -1: not counted
    };
    const std::vector<Case> cases = {
        {"its prompt, then idle", {select, select, kIdle}, before, kIdle, false, End::Done, 3, 0},
        {"idle at once, the history shows it", {kIdle}, "コマンド: SELECT\r\nオブジェクトを選択: 1 個を検出\r\n",
         kIdle, false, End::Done, 1, 1},
        {"typed in lower case", {kIdle}, "コマンド: select\r\n"},
        {"a cancel at the idle prompt after it", {kIdle}, "コマンド: SELECT\r\nコマンド: *キャンセル*\r\n"},
        {"not yet: the history's last command is another", {kIdle, kIdle, kIdle, select, kIdle},
         "コマンド: SELECT\r\nコマンド: FILEDIA\r\nコマンド: *キャンセル*\r\n", kIdle, false, End::Done, 5, 2},
        {"never taken up: the CAD takes no input", {kIdle}, "コマンド: FILEDIA\r\n", kIdle, false,
         End::NotTakenUp, 40, 7},
        {"the prompt of before is no sign", {"<1,2,3>: ", kIdle}, before, "<1,2,3>: ", false, End::NotTakenUp, 40},
        {"a given-up typing is no command", {kIdle}, "コマンド: SELECT\r\nコマンド: ID*キャンセル*\r\n"},
        {"an empty pane is no sign", {""}, before, kIdle, false, End::NotTakenUp, 40},
        {"empty, then idle", {"", kIdle}, before, kIdle, false, End::NotTakenUp, 40},
        {"a bounded wait gives up in the command", {select}, before, kIdle, true, End::GaveUp, 600, 0},
    };
    for (const Case& c : cases) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        auto owned = std::make_unique<ScriptedCad>();
        owned->history = c.history;
        owned->onAdvance = [&c](ScriptedCad& self) {
            const std::size_t poll = static_cast<std::size_t>(self.elapsed / 200);
            self.input = c.prompts[std::min(poll, c.prompts.size()) - 1];
        };
        desk.Host(CadLayout::Docked, std::move(owned));
        EXPECT_EQ(link.WaitForCommand("SELECT", c.promptBefore, c.bounded, true), c.end) << c.what;
        EXPECT_EQ(desk.MessagePumps(), c.polls) << c.what;
        if (c.reads >= 0) {
            EXPECT_EQ(link.HistoryReads(), c.reads) << c.what;
        }
    }
}

// A CAD that runs "ID": it asks for a point and, once the scripted user has acted, writes the
// history line and LASTPOINT; 'SETVAR shows LASTPOINT on the prompt.
struct PointCad {
    int actAfter = -1;  // ms after "ID " until the user acts; -1: never
    std::string userLine = "X = 10.0000     Y = 20.0000     Z = 0.0000";
    std::string afterInput = kIdle;
    std::string picked = "10.0000,20.0000,0.0000";  // LASTPOINT once the user has acted
    int idAt = -1;
    std::string lastPoint = "0.0000,0.0000,0.0000";

    void Attach(ScriptedCad& cad) {
        cad.onType = [this](ScriptedCad& self, std::string_view text) {
            if (text.substr(0, 1) == "\x03") {
                if (idAt >= 0) self.history += "*キャンセル*\r\n";
                idAt = -1;
                self.input = kIdle;
                text.remove_prefix(1);
            }
            if (text == "ID ") {
                idAt = self.elapsed;
                self.history += "コマンド: ID\r\n";
                self.input = "点を指定: ";
            } else if (text == "'SETVAR LASTPOINT\r") {
                self.input = "LASTPOINT の新しい値を入力 <" + lastPoint + ">: ";
            }
        };
        cad.onAdvance = [this](ScriptedCad& self) {
            if (idAt < 0 || actAfter < 0 || self.elapsed - idAt < actAfter) return;
            idAt = -1;
            self.history += "点を指定: \r\n" + userLine + "\r\n";
            lastPoint = picked;
            self.input = afterInput;
        };
    }
};

struct PickPointTest : Prompts {
    PointCad point;
    std::string x = "old x", y = "old y";
    void SetUp() override {
        Host();
        point.Attach(*cad);
    }
    bool Pick() { return link.PickPoint(window.HistoryPane(), "クリックして", x, y); }
};

TEST_F(PickPointTest, ClickedPointIsReadBack) {
    point.actAfter = 1000;
    EXPECT_TRUE(Pick());
    EXPECT_EQ(x, "10.0000");
    EXPECT_EQ(y, "20.0000");
    EXPECT_EQ(cad->typed, (Texts{"\x03" "FILEDIA 0\r", "\x03ID ", "'SETVAR LASTPOINT\r", "\x03",
                                 "\x03" "FILEDIA 1\r"}));
    ASSERT_EQ(desk.Paints().size(), 1u);
    EXPECT_EQ(desk.Paints()[0].window, window.HistoryPane());
    EXPECT_EQ(desk.Paints()[0].text, "クリックして");
    EXPECT_EQ(desk.Now(), 1000);  // five polls of 200 ms
    EXPECT_EQ(desk.MessagePumps(), 5);
}

// A label at a point the CAD cannot read would feed its later prompts with the wrong answers:
// a LASTPOINT whose X or Y is not a number fails the pick, and so do a cancelled pick and one
// whose last history line has no X (then without asking for LASTPOINT). Every way, the CAD
// gets its file dialogs back.
TEST(PickPoint, ThePickedPointMustBeTwoNumbers) {
    const std::string clicked = PointCad{}.userLine;
    struct Case {
        std::string lastPoint;
        bool picked;
        std::string x, y;
        std::string userLine;
        bool queried = true;  // 'SETVAR LASTPOINT was typed
    };
    const std::vector<Case> cases = {
        {"10.0000,20.0000,0.0000", true, "10.0000", "20.0000", clicked},
        {"-1.5E+03,.5,0", true, "-1.5E+03", ".5", clicked},
        {"7,8", true, "7", "8", clicked},
        {"", false, "", "old y", clicked},
        {"abc,1,0", false, "", "old y", clicked},
        {"1,y,0", false, "", "old y", clicked},
        {"1 ,2,0", false, "", "old y", clicked},  // a blank would end the CAD's input early
        {"12", false, "", "old y", clicked},
        {"1.2.3,4,0", false, "", "old y", clicked},
        {"-,1,0", false, "", "old y", clicked},
        {"10.0000,20.0000,0.0000", false, "", "old y", "X: *キャンセル*", false},  // a cancel, even with an X
        {"10.0000,20.0000,0.0000", false, "", "old y", "点を指定: ", false},      // no X in the last line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastPoint + " / " + c.userLine);
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        auto owned = std::make_unique<ScriptedCad>();
        ScriptedCad* cad = owned.get();
        PointCad point;
        point.actAfter = 400;
        point.picked = c.lastPoint;
        point.userLine = c.userLine;
        point.Attach(*owned);
        SimCad window = desk.Host(CadLayout::Docked, std::move(owned));
        std::string x = "old x", y = "old y";
        EXPECT_EQ(link.PickPoint(window.HistoryPane(), "クリックして", x, y), c.picked);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(std::count(cad->typed.begin(), cad->typed.end(), "'SETVAR LASTPOINT\r"), c.queried ? 1 : 0);
        EXPECT_EQ(cad->typed.back(), "\x03" "FILEDIA 1\r");
    }
}

// The user may take as long as they like at the tool's pick prompt: nothing is typed into it
// until they have clicked or closed the dialog, also when the prompt that follows is not idle.
TEST(PickPoint, TheWaitGoesOnUntilTheCadIsIdleOrTheDialogCloses) {
    for (const char* after : {"", "コマンド:  "}) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        auto owned = std::make_unique<ScriptedCad>();
        ScriptedCad& cad = *owned;
        PointCad point;
        point.actAfter = *after ? 200 : -1;
        point.afterInput = after;
        point.Attach(cad);
        SimCad window = desk.Host(CadLayout::Docked, std::move(owned));
        struct DialogClosed {};
        desk.SetMessageHook([&desk] {
            if (desk.Now() == 3600 * 1000) throw DialogClosed{};
        });
        std::string x, y;
        EXPECT_THROW(link.PickPoint(window.HistoryPane(), "クリックして", x, y), DialogClosed) << after;
        EXPECT_EQ(desk.MessagePumps(), 3600 * 5) << after;
        // Only then does the closing Ctrl+C end the "ID " still waiting for a click.
        EXPECT_EQ(cad.typed, (Texts{"\x03" "FILEDIA 0\r", "\x03ID ", "\x03" "FILEDIA 1\r"})) << after;
    }
}

TEST_F(PickPointTest, EmptyPromptEndsTheWait) {
    desk.SetMessageHook([this] {
        if (desk.Now() == 600) window.Close();
    });
    EXPECT_FALSE(Pick());
    EXPECT_EQ(desk.MessagePumps(), 3);
    EXPECT_EQ(x, "");
}

TEST_F(PickPointTest, ClosedDialogEndsTheWaitAndTheCadGetsItsDialogsBack) {
    struct DialogClosed {};
    desk.SetMessageHook([this] {
        if (desk.Now() == 800) throw DialogClosed{};
    });
    EXPECT_THROW(Pick(), DialogClosed);
    EXPECT_EQ(cad->typed.back(), "\x03" "FILEDIA 1\r");
    EXPECT_FALSE(desk.ClipboardOpen());
}

TEST_F(PickPointTest, ClipboardHeldEndsThePickThatStillRestoresFileDialogs) {
    point.actAfter = 200;
    desk.HoldClipboard(true);
    EXPECT_THROW(Pick(), HistoryUnavailable);
    EXPECT_EQ(cad->typed.back(), "\x03" "FILEDIA 1\r");
}

TEST_F(PickPointTest, NoCadFailsAtTheFirstPoll) {
    window.Close();
    EXPECT_FALSE(Pick());
    EXPECT_EQ(desk.MessagePumps(), 1);
    EXPECT_EQ(x, "");
    EXPECT_TRUE(desk.Paints().empty());
}

} // namespace
} // namespace vermiq
