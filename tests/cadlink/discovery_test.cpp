// Finding the CAD's windows on a simulated desktop full of look-alikes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cadlink/cad_link.h"
#include "tests/support/sim_desktop.h"

namespace vermiq {
namespace {

using sim::CadLayout;
using sim::CadOptions;
using sim::ScriptedCad;
using sim::SimCad;
using sim::SimDesktop;

constexpr const char* kFrameClass = "Afx:00400000:8:00010011:00000000:01B30569";

struct Fixture : ::testing::Test {
    SimDesktop desk;
    CadLink link{desk, desk.Clock()};
    SimCad Host(CadLayout layout, CadOptions options = {}) {
        return desk.Host(layout, std::make_unique<ScriptedCad>(), options);
    }
};

using Discovery = Fixture;

TEST_F(Discovery, NoCadMeansFalseAndNoPaneSearch) {
    desk.AddWindow({"メモ帳", "Notepad"});
    EXPECT_FALSE(link.IsCadAvailable());
    EXPECT_FALSE(link.BringCadToFront());
    EXPECT_EQ(desk.Foreground(), 0u);
    desk.ClearRecords();
    EXPECT_EQ(link.LocateCommandInputPane(), 0u);
    EXPECT_EQ(link.LocateCommandHistoryPane(), 0u);
    EXPECT_EQ(desk.ChildEnumerations(), 0);
    EXPECT_EQ(desk.TopLevelEnumerations(), 2);  // one search for the main frame per locate
}

struct TitleCase {
    const char* title;
    const char* cls;
    bool recognised;
};

void PrintTo(const TitleCase& c, std::ostream* out) { *out << c.title << " / " << c.cls; }

class MainWindowTitles : public ::testing::TestWithParam<TitleCase> {};

TEST_P(MainWindowTitles, RecognisedOnlyByPrefixAndClass) {
    const TitleCase& c = GetParam();
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    const WindowHandle window = desk.AddWindow({c.title, c.cls, 42});
    EXPECT_EQ(link.IsCadAvailable(), c.recognised) << c.title << " / " << c.cls;
    EXPECT_EQ(link.Windows().CadMainWindow, c.recognised ? window : 0u);
    EXPECT_EQ(link.Windows().CadProcessId, c.recognised ? 42u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainWindowTitles,
    ::testing::Values(
        TitleCase{"AutoCAD LT 2009 - [Drawing1.dwg]", kFrameClass, true},
        TitleCase{"AutoCAD ", kFrameClass, true},
        TitleCase{"Autodesk AutoCAD 2013", kFrameClass, true},
        TitleCase{"ACAD", kFrameClass, true},
        TitleCase{"ACADEMY of drawing", kFrameClass, true},
        TitleCase{"autocad LT 2009", kFrameClass, false},
        TitleCase{"AUTOCAD LT", kFrameClass, false},
        TitleCase{"AutoCAD", kFrameClass, false},          // no blank after it
        TitleCase{"AutoCADLT", kFrameClass, false},
        TitleCase{"Acad", kFrameClass, false},
        TitleCase{" AutoCAD LT", kFrameClass, false},
        TitleCase{"Autodesk", kFrameClass, false},
        TitleCase{"DraftSight - [Drawing1]", "QPopup", true},
        TitleCase{"DraftSight", "QWidgetQPopupWindow", true},
        TitleCase{"DraftSight - [Drawing1]", kFrameClass, false},
        TitleCase{"Draftsight - [Drawing1]", "QPopup", false},
        TitleCase{"AutoCAD LT", "QPopup", false},          // no DraftSight test for AutoCAD titles
        TitleCase{"", kFrameClass, false},
        TitleCase{"メモ帳", kFrameClass, false}));

struct ClassCase {
    std::string cls;
    bool passes;
};

void PrintTo(const ClassCase& c, std::ostream* out) { *out << c.cls; }

class ClassTests : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ClassTests, EachOfTheFifteenAndTheirNearMisses) {
    const ClassCase& c = GetParam();
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    // A window that fails the class tests is passed over and the search goes on behind it.
    const WindowHandle tested = desk.AddWindow({"AutoCAD 2010", c.cls, 11});
    const WindowHandle behind = desk.AddWindow({"AutoCAD 2011", kFrameClass, 12});
    EXPECT_EQ(link.LocateCadMainWindow(), c.passes ? tested : behind) << c.cls;
    EXPECT_EQ(link.Windows().CadProcessId, c.passes ? 11u : 12u);
}

std::vector<ClassCase> ClassCases() {
    std::vector<ClassCase> cases = {
        {"Afx:400000:8:10011:0:1b30569", true},
        {"Afx::8:", true},
        {"Afx:400000:b:10011:0:1b30569", false},
        {"Afx:400000:80:10011", false},
        {"AFX:400000:8:10011", false},
        {"xAfx:400000:8:10011", false},
        {"Afx400000:8:10011", false},
        {"Afx:", false},
        {"AfxMDIFrame150u", false},
        {"AfxMDIFrame1u", false},
        {"AfxMDIFrame100", false},
        {"afxmdiframe100u", false},
        {"", false},
    };
    for (int v = 10; v <= 140; v += 10) {
        cases.push_back({"AfxMDIFrame" + std::to_string(v) + "u", true});
        cases.push_back({"Gdi:AfxMDIFrame" + std::to_string(v) + "u:tail", true});  // contains
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, ClassTests, ::testing::ValuesIn(ClassCases()));

TEST_F(Discovery, BringCadToFrontMakesTheFrameForeground) {
    SimCad cad = Host(CadLayout::Docked);
    EXPECT_TRUE(link.BringCadToFront());
    EXPECT_EQ(desk.Foreground(), cad.MainFrame());
}

TEST_F(Discovery, EveryLayoutYieldsItsOwnPanes) {
    for (CadLayout layout : {CadLayout::Docked, CadLayout::Floating, CadLayout::TextWindow,
                             CadLayout::CommandWindow, CadLayout::DraftSight}) {
        for (bool inputOutput : {false, true}) {
            SimDesktop desk;
            CadLink link(desk, desk.Clock());
            desk.AddWindow({"コマンド ライン - メモ", "Notepad", 3});  // a look-alike, wrong class
            SimCad cad = desk.Host(layout, std::make_unique<ScriptedCad>(),
                                   CadOptions{inputOutput, true, 0});
            SCOPED_TRACE(static_cast<int>(layout) * 2 + inputOutput);
            EXPECT_EQ(link.LocateCommandInputPane(), cad.InputPane());
            EXPECT_EQ(link.LocateCommandHistoryPane(), cad.HistoryPane());
            EXPECT_EQ(link.LocateCadTextWindow(), cad.TextWindow());
            EXPECT_EQ(link.Windows().CommandLineWindow, cad.CommandLineWindow());
        }
    }
}

TEST_F(Discovery, FloatingCommandLineComesBeforeTheTextWindow) {
    SimCad cad = Host(CadLayout::TextWindow);
    const WindowHandle bar =
        desk.AddWindow({"コマンド ライン", "Afx:400000:8:10011:0:0", cad.ProcessId()});
    desk.AddWindow({"MountTam", "Edit", cad.ProcessId(), true, bar});
    const WindowHandle input = desk.AddWindow({"Headlands", "Edit", cad.ProcessId(), true, bar});
    EXPECT_EQ(link.LocateCommandInputPane(), input);
    EXPECT_EQ(link.Windows().CommandLineWindow, bar);
}

TEST_F(Discovery, TwoCadsTheFirstInOrderWinsWithItsOwnTextWindowAndCommandLine) {
    for (CadLayout layout : {CadLayout::Docked, CadLayout::Floating, CadLayout::TextWindow}) {
        SCOPED_TRACE(static_cast<int>(layout));
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        SimCad back = desk.Host(layout, std::make_unique<ScriptedCad>());
        SimCad front = desk.Host(layout, std::make_unique<ScriptedCad>());  // started later
        // The other instance's text window and floating command line come first.
        desk.MoveToFront(back.TextWindow());
        if (back.CommandLineWindow()) desk.MoveToFront(back.CommandLineWindow());
        EXPECT_EQ(link.LocateCadMainWindow(), front.MainFrame());
        EXPECT_EQ(link.Windows().CadProcessId, front.ProcessId());
        EXPECT_EQ(link.LocateCadTextWindow(), front.TextWindow());
        EXPECT_EQ(link.LocateCommandInputPane(), front.InputPane());
        EXPECT_EQ(link.LocateCommandHistoryPane(), front.HistoryPane());
    }
}

// With neither a floating command line nor a text window the panes are looked for among the
// top-level windows: only the CAD's own count there.
TEST_F(Discovery, TopLevelPanesCountOnlyFromTheCadsProcess) {
    for (bool sameProcess : {false, true}) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        desk.AddWindow({"AutoCAD LT", kFrameClass, 50});
        const std::uint32_t owner = sameProcess ? 50u : 51u;
        const WindowHandle input = desk.AddWindow({"input", "Edit", owner});
        const WindowHandle output = desk.AddWindow({"output", "Edit", owner});
        EXPECT_EQ(link.LocateCommandInputPane(), sameProcess ? input : 0u);
        EXPECT_EQ(link.LocateCommandHistoryPane(), sameProcess ? output : 0u);
    }
}

struct TextWindowCase {
    const char* title;
    const char* cls;
    bool sameProcess;
    bool qualifies;
};

void PrintTo(const TextWindowCase& c, std::ostream* out) { *out << c.title << " / " << c.cls; }

class TextWindowTitles : public ::testing::TestWithParam<TextWindowCase> {};

TEST_P(TextWindowTitles, ExactCommandWindowTitleOrAutoCadTextWindow) {
    const TextWindowCase& c = GetParam();
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    desk.AddWindow({"AutoCAD LT", kFrameClass, 50});
    ASSERT_TRUE(link.IsCadAvailable());
    const WindowHandle window = desk.AddWindow({c.title, c.cls, c.sameProcess ? 50u : 51u});
    EXPECT_EQ(link.LocateCadTextWindow(), c.qualifies ? window : 0u) << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextWindowTitles,
    ::testing::Values(
        TextWindowCase{"コマンド ウィンドウ", "AnyClass", true, true},
        TextWindowCase{"コマンド ウィンドウ", "", true, true},
        TextWindowCase{"コマンド ウィンドウ", "AnyClass", false, false},
        TextWindowCase{"コマンド ウィンドウ - Drawing1", "AnyClass", true, false},
        TextWindowCase{"コマンド ウィンドウ ", "AnyClass", true, false},
        TextWindowCase{"コマンド ウィンド", "AnyClass", true, false},
        TextWindowCase{"AutoCAD テキスト ウィンドウ - Drawing1.dwg", "Afx:400000:b:10011:6:0", true, true},
        TextWindowCase{"AutoCAD LT テキスト ウィンドウ", "Afx::b:", true, true},
        TextWindowCase{"AutoCAD テキスト ウィンドウ - Drawing1.dwg", "Afx:400000:b:10011:6:0", false, false},
        TextWindowCase{"AutoCAD テキスト ウィンドウ - Drawing1.dwg", "Afx:400000:8:10011:6:0", true, false},
        TextWindowCase{"AutoCAD テキスト ウィンドウ - Drawing1.dwg", "Xfx:400000:b:10011:6:0", true, false},
        TextWindowCase{"AutoCAD テキストウィンドウ", "Afx::b:", true, false},
        // The text's bytes begin on the second byte of a double-byte character: no match.
        TextWindowCase{"AutoCAD \x88\x83" "eキスト ウィンドウ", "Afx::b:", true, false},
        TextWindowCase{"autocad テキスト ウィンドウ", "Afx::b:", true, false},
        // An AutoCAD title is tested as a text window only; the exact title does not apply.
        TextWindowCase{"AutoCAD コマンド ウィンドウ", "AnyClass", true, false}));

TEST_F(Discovery, TextWindowSearchNeedsTheMainFrameFirst) {
    SimCad cad = Host(CadLayout::Docked);
    EXPECT_EQ(link.LocateCadTextWindow(), 0u);  // no CAD process known yet
    link.LocateCadMainWindow();
    EXPECT_EQ(link.LocateCadTextWindow(), cad.TextWindow());
}

TEST_F(Discovery, CommandLineTitleIsSearchedCharacterByCharacter) {
    SimCad cad = Host(CadLayout::TextWindow);
    // "コ" is 83 52; here its bytes follow the lead byte 88: they are not a "コ".
    const WindowHandle fake =
        desk.AddWindow({"\x88\x83" "Rマンド ライン", "Afx::8:", cad.ProcessId()});
    desk.AddWindow({"Headlands", "Edit", cad.ProcessId(), true, fake});
    EXPECT_EQ(link.LocateCommandInputPane(), cad.InputPane());
    EXPECT_EQ(link.Windows().CommandLineWindow, 0u);
}

TEST_F(Discovery, ClosedAndRestartedCadIsFoundAgainWithItsPanes) {
    SimCad first = Host(CadLayout::Docked);
    ASSERT_EQ(link.LocateCommandInputPane(), first.InputPane());
    ASSERT_EQ(link.LocateCommandHistoryPane(), first.HistoryPane());
    first.Close();
    EXPECT_FALSE(link.IsCadAvailable());
    EXPECT_EQ(link.LocateCommandInputPane(), 0u);

    SimCad second = Host(CadLayout::Docked);
    EXPECT_EQ(link.LocateCadMainWindow(), second.MainFrame());
    EXPECT_EQ(link.Windows().CadProcessId, second.ProcessId());
    // The old CAD's pane handles must not end the new search early.
    EXPECT_EQ(link.LocateCommandInputPane(), second.InputPane());
    EXPECT_EQ(link.LocateCommandHistoryPane(), second.HistoryPane());
}

TEST_F(Discovery, CachedPanesMakeNoEnumeration) {
    SimCad cad = Host(CadLayout::Floating);
    ASSERT_EQ(link.LocateCommandInputPane(), cad.InputPane());
    ASSERT_EQ(link.LocateCommandHistoryPane(), cad.HistoryPane());
    desk.ClearRecords();
    EXPECT_EQ(link.LocateCommandInputPane(), cad.InputPane());
    EXPECT_EQ(link.LocateCommandHistoryPane(), cad.HistoryPane());
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    EXPECT_EQ(desk.TopLevelEnumerations(), 0);
    EXPECT_EQ(desk.ChildEnumerations(), 0);
}

TEST_F(Discovery, UnrecognisedWindowsLeaveTheRecordAlone) {
    SimCad cad = Host(CadLayout::Docked);
    ASSERT_TRUE(link.IsCadAvailable());
    cad.Close();
    desk.AddWindow({"autocad", kFrameClass, 99});
    EXPECT_FALSE(link.IsCadAvailable());
    EXPECT_EQ(link.Windows().CadMainWindow, cad.MainFrame());  // stale, never cleared
    EXPECT_EQ(link.Windows().CadProcessId, cad.ProcessId());
}

} // namespace
} // namespace vermiq
