// The CAD link against the stand-in's own CAD session, hosted on the simulated desktop in every
// window layout: what the CAD received, answered and drew is read from the session itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cadlink/cad_link.h"
#include "cadlink/silent_abort.h"
#include "standin/cad_session.h"
#include "tests/support/sim_desktop.h"

namespace vermiq {
namespace {

using sim::CadLayout;
using sim::CadOptions;
using sim::SimCad;
using sim::SimDesktop;

constexpr const char* kDrawing = "LINE 0,0 100,0\nCIRCLE 50,50 10\n";

struct LayoutCase {
    const char* name;
    CadLayout layout;
    bool inputOutput;
    bool unicode;
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

class EveryLayout : public ::testing::TestWithParam<LayoutCase> {
protected:
    SimDesktop desk;
    CadLink link{desk, desk.Clock()};
    SimCad Start(std::string_view scenario) {
        const LayoutCase& c = GetParam();
        CadOptions options;
        options.inputOutputPanes = c.inputOutput;
        options.unicode = c.unicode;
        return desk.StartCad(c.layout, kDrawing, scenario, options);
    }
};

TEST_P(EveryLayout, DiscoveryChannelHistoryQueryAndPick) {
    SimCad cad = Start("wait 1500\nclick 120.5,45.25\n");
    ASSERT_TRUE(link.BringCadToFront());
    EXPECT_EQ(link.LocateCommandInputPane(), cad.InputPane());
    EXPECT_EQ(link.LocateCommandHistoryPane(), cad.HistoryPane());
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");

    desk.SetClipboardText("利用者のクリップボード");
    std::string x, y;
    EXPECT_TRUE(link.PickPoint(link.LocateCommandHistoryPane(), "位置をクリック", x, y));
    EXPECT_EQ(desk.ClipboardText(), "利用者のクリップボード");
    EXPECT_GE(desk.Now(), 1500);
    EXPECT_LT(desk.Now(), 2500);

    // As the CAD prints its last point, with its four decimals.
    const std::string lastPoint = cad.Session().Variable("LASTPOINT");
    EXPECT_EQ(lastPoint, "120.5000,45.2500,0.0000");
    EXPECT_EQ(x, "120.5000");
    EXPECT_EQ(y, "45.2500");
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");

    const std::vector<std::string> expected = {"\x03" "FILEDIA 0\r", "\x03ID ",
                                               "'SETVAR LASTPOINT\r", "\x03",
                                               "\x03" "FILEDIA 1\r"};
    EXPECT_EQ(cad.Session().ReceivedLog(), expected);
    EXPECT_EQ(link.QueryCadVariable("LASTPOINT"), lastPoint);
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    EXPECT_NE(link.ReadCommandHistory().find("X = "), std::string::npos);
}

TEST_P(EveryLayout, CancelledPickFails) {
    SimCad cad = Start("wait 400\ncancel\n");
    std::string x = "x", y = "y";
    EXPECT_FALSE(link.PickPoint(link.LocateCommandHistoryPane(), "位置をクリック", x, y));
    EXPECT_EQ(x, "");
    EXPECT_EQ(y, "y");
    EXPECT_NE(link.ReadCommandHistory().find("キャンセル"), std::string::npos);
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, EveryLayout,
    ::testing::Values(LayoutCase{"docked", CadLayout::Docked, false, true},
                      LayoutCase{"docked_ansi", CadLayout::Docked, false, false},
                      LayoutCase{"floating", CadLayout::Floating, false, true},
                      LayoutCase{"textwindow", CadLayout::TextWindow, true, true},
                      LayoutCase{"commandwindow", CadLayout::CommandWindow, false, false},
                      LayoutCase{"draftsight", CadLayout::DraftSight, true, true}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(StandinSession, ReadOnlyValueWrappedOverSeveralHistoryLines) {
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    CadOptions options;
    options.historyWidth = 30;
    SimCad cad = desk.StartCad(CadLayout::Docked, "", "", options);
    const std::string folder = "C:\\Users\\taro\\AppData\\Roaming\\Tallomir\\";
    cad.Session().SetVariable("DWGPREFIX", folder, true);
    ASSERT_TRUE(link.IsCadAvailable());
    EXPECT_EQ(link.QueryCadVariable("DWGPREFIX"), folder) << cad.Session().HistoryText();
}

TEST(StandinSession, SettableValueFromThePromptThenCancelled) {
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    SimCad cad = desk.StartCad(CadLayout::Floating, "", "");
    ASSERT_TRUE(link.IsCadAvailable());
    EXPECT_EQ(link.QueryCadVariable("filedia"), "1");
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    EXPECT_EQ(cad.Session().ReceivedLog(), (std::vector<std::string>{"'SETVAR filedia\r", "\x03"}));
}

TEST(StandinSession, LongCommandArrivesWhole) {
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    SimCad cad = desk.StartCad(CadLayout::Docked, "", "");
    const std::string command = "\x03" "FILEDIA 0 C:\\" + std::string(300, 'w') + "\\作業";
    ASSERT_TRUE(link.SendCadCommand(desk.AnsiToWide(command)));
    ASSERT_EQ(cad.Session().ReceivedLog().size(), 1u);
    EXPECT_EQ(cad.Session().ReceivedLog()[0], command);
}

TEST(StandinSession, ClosedCadReadsEmptyAndStartsAgain) {
    SimDesktop desk;
    CadLink link(desk, desk.Clock());
    SimCad first = desk.StartCad(CadLayout::Docked, kDrawing, "");
    ASSERT_EQ(link.ReadCommandInput(), "コマンド: ");
    first.Close();
    EXPECT_EQ(link.ReadCommandInput(), "");
    EXPECT_EQ(link.LastHistoryLine(), "");
    SimCad second = desk.StartCad(CadLayout::Floating, kDrawing, "");
    EXPECT_EQ(link.ReadCommandInput(), "コマンド: ");
    EXPECT_EQ(link.Windows().CadProcessId, second.ProcessId());
    EXPECT_TRUE(link.SendCadCommand(u"\x03"));
    EXPECT_TRUE(first.Session().ReceivedLog().empty());
    EXPECT_EQ(second.Session().ReceivedLog().size(), 1u);
}

} // namespace
} // namespace vermiq
