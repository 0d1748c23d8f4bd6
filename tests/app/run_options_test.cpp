// The run with the display options: the factor and the unit, a total over several picked
// elements, areas, and a parcel's sides with its area in one pass; against the stand-in CAD on
// the simulated desktop.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "app/length_text.h"
#include "app/run.h"
#include "cadlink/cad_link.h"
#include "dxf/entity_tables.h"
#include "standin/cad_session.h"
#include "tests/support/arc_reference.h"
#include "tests/support/file_stamp.h"
#include "tests/support/sim_desktop.h"

namespace vermiq {
namespace {

namespace fs = std::filesystem;
constexpr double kPi = std::numbers::pi;

class OptionsDialog : public RunHost {
public:
    LabelOptions options;
    std::string Edit1Text() override { return "10"; }
    int ComboBox2Index() override { return 2; }
    bool CheckBox1Checked() override { return false; }
    void SetMinimised(bool) override {}
    void SetRunInProgress(bool) override {}
    bool FileExists(const std::string& path) override { return fs::exists(path); }
    FileStamp StampFile(const std::string& path) override { return test::StampOfPath(path); }
    void RemoveFile(const std::string& path) override {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    LabelOptions LabelOptionsInUse() override { return options; }
};

using test::ArcLength;
using test::CircularSegment;
using test::SweepOfBulge;

struct Pass {
    std::vector<std::string> received;
    std::vector<std::string> labels;
    std::string notice;
    std::string clipboardText;  // CF_TEXT, the user's own before the run
    std::string unicodeText;    // CF_UNICODETEXT, in code page 932
};

Pass RunOnce(const std::string& drawing, const std::string& scenario, const LabelOptions& options) {
    static int runs = 0;
    const fs::path folder = fs::temp_directory_path() /
                            ("vermiq-options-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                             "-" + std::to_string(++runs));
    fs::create_directories(folder);
    sim::SimDesktop desk;
    CadLink link{desk, desk.Clock()};
    OptionsDialog dialog;
    dialog.options = options;
    EntityTables tables;
    sim::SimCad cad = desk.StartCad(sim::CadLayout::Docked, drawing, scenario);
    desk.SetClipboardText("利用者のコピー");
    MeasureAndLabelRun run(link, desk, desk.Clock(), dialog, tables, (folder / "261207001917.scr").string());
    run.RunMeasureAndLabel();
    Pass pass{cad.Session().ReceivedLog(), {}, run.Notice(), desk.ClipboardText(),
              desk.WideToAnsi(desk.ClipboardUnicodeText())};
    for (const standin::Entity& e : cad.Session().GetDrawing().Entities())
        if (e.kind == standin::EntityKind::Mtext) pass.labels.push_back(e.text);
    fs::remove_all(folder);
    return pass;
}

LabelOptions With(bool total, bool area, bool eachSide, double factor = 1, const char* unit = "ｍ") {
    LabelOptions options;
    options.total = total;
    options.area = area;
    options.eachSide = eachSide;
    options.units = {factor, unit};
    return options;
}

std::string Text(double value, const char* unit) { return FormatLength(value, 2) + unit; }

TEST(RunWithDisplayOptions, LabelsSayWhatTheOptionsAsk) {
    const std::string three = "LINE 0,0 3000,4000\nARC 0,0 1000 0 90\nLWPOLYLINE CLOSED 0,0 2000,0 2000,2000 0,2000\n";
    const std::string parcel = "LWPOLYLINE CLOSED 0,0 12000,0 12000,8000,0.2 0,8000\n";
    // The bulge belongs to the side from (12000,8000) to (0,8000).
    const double bulged = 12000 * 8000 + static_cast<double>(CircularSegment(12000, SweepOfBulge(0.2)));
    const struct {
        const char* what;
        std::string drawing, scenario;
        LabelOptions options;
        std::vector<std::string> labels;
    } cases[] = {
        {"millimetres in metres", three, "select 1\nclick 1,1\n", With(false, false, false, 0.001), {Text(5, "ｍ")}},
        {"another unit", three, "select 1\nclick 1,1\n", With(false, false, false, 1, "mm"), {Text(5000, "mm")}},
        {"no unit", three, "select 1\nclick 1,1\n", With(false, false, false, 1, ""), {Text(5000, "")}},
        {"total of three picked", three, "select 1,2,3\nclick 1,1\n", With(true, false, false, 0.001),
         {Text(5 + kPi / 2 + 8, "ｍ")}},
        {"total wins over the sides", three, "select 3,1\nclick 1,1\n", With(true, false, true), {Text(13000, "ｍ")}},
        {"area of a closed element in square metres", three, "select 3\nclick 1,1\n", With(false, true, false, 0.001),
         {Text(4, "㎡")}},
        {"area in another unit", three, "select 3\nclick 1,1\n", With(false, true, false, 0.1, "cm"),
         {Text(40000, "cm^2")}},
        {"area asked of an open element: its length", three, "select 2\nclick 1,1\n", With(false, true, false),
         {Text(500 * kPi, "ｍ")}},
        {"total of the areas of the closed ones", three + "CIRCLE 0,0 1000\n", "select 1,3,4\nclick 1,1\n",
         With(true, true, false, 0.001), {Text(4 + kPi, "㎡")}},
        {"a parcel's sides and its area in one pass", parcel, "select 1\nclick 6000,4000\n",
         With(false, true, true, 0.001),
         {Text(12, "ｍ"), Text(8, "ｍ"), Text(static_cast<double>(ArcLength(12000, SweepOfBulge(0.2))) / 1000, "ｍ"), Text(8, "ｍ"), Text(bulged / 1e6, "㎡")}},
    };
    for (const auto& c : cases) {
        const Pass pass = RunOnce(c.drawing, c.scenario, c.options);
        EXPECT_EQ(pass.labels, c.labels) << c.what;
        ASSERT_GE(pass.received.size(), 2u) << c.what;
        EXPECT_EQ(pass.received[1], c.options.total ? "\x03" "SELECT\r" : "\x03" "SELECT SI\r") << c.what;
        EXPECT_EQ(pass.received.back(), "\x03" "FILEDIA 1\r") << c.what;
    }
}

// Every option off and the units at their defaults: the commands of a pass are those of a run
// without them, and the side labels' pass ends as it did.
TEST(RunWithDisplayOptions, DefaultsSendTodaysCommands) {
    const Pass pass = RunOnce("LINE 0,0 3,4\n", "select 1\nclick 10,20\n", With(false, false, false));
    ASSERT_EQ(pass.received.size(), 12u);
    EXPECT_EQ(pass.received[10], "\x03-mtext 10.0000,20.0000 h 10 r 0 j mc w 70  5.00ｍ\r\r");
    const Pass sides = RunOnce("LWPOLYLINE CLOSED 0,0 100,0 100,60\n", "select 1\ncancel\n", With(false, true, true, 1, "ｍ"));
    // A closed element's sides, then the area at the click; the user cancels the pick, which
    // ends the pass with the sides labelled.
    EXPECT_EQ(sides.labels, (std::vector<std::string>{Text(100, "ｍ"), Text(60, "ｍ"), Text(std::hypot(100, 60), "ｍ")}));
}

// A take-off of elements on several layers, of every kind a label measures, in millimetres
// taken off in metres: the table replaces the user's clipboard once the history reads have given
// it back; no point is asked for and nothing is drawn. With nothing measurable picked, the
// clipboard stays the user's.
TEST(RunWithDisplayOptions, TakeOffCopiesATableByLayerAndKind) {
    const std::string drawing =
        "LAYER 道路\nLINE 0,0 3000,4000\nLAYER 水路・表示\nARC 0,0 1000 0 90\nLAYER 道路\nLINE 0,0 0,2000\n"
        "LWPOLYLINE CLOSED 0,0 2000,0 2000,2000 0,2000\nLAYER 表示\nCIRCLE 0,0 1000\nMTEXT 0,0 50 0 MC 0 注記\n";
    LabelOptions options = With(false, true, true, 0.001);
    options.takeOff = true;
    const Pass pass = RunOnce(drawing, "select 1,2,3,4,5,6\n", options);
    EXPECT_EQ(pass.unicodeText, "画層\t種類\t本数\t延長\t面積\r\n道路\t線分\t2\t7.00\t\r\n水路・表示\t円弧\t1\t1.57\t\r\n"
                                "道路\tポリライン\t1\t8.00\t4.00\r\n表示\t円\t1\t6.28\t3.14\r\n合計\t\t5\t22.85\t7.14\r\n");
    EXPECT_EQ(pass.clipboardText, "");
    EXPECT_EQ(pass.notice, "5 個の要素を集計し、集計表をクリップボードにコピーしました。表計算ソフトに貼り付けてください。");
    EXPECT_EQ(pass.labels, std::vector<std::string>{"注記"}) << "only the drawing's own text";
    ASSERT_EQ(pass.received.size(), 5u);
    EXPECT_EQ(pass.received[1], "\x03" "SELECT\r");
    EXPECT_EQ(pass.received[3], "FILEDIA 1 ");
    EXPECT_EQ(pass.received[4], "\x03" "FILEDIA 1\r");

    const Pass nothing = RunOnce(drawing, "select 6\nselect none\n", options);
    EXPECT_EQ(nothing.notice, run_text::NothingToTakeOff);
    EXPECT_EQ(nothing.clipboardText, "利用者のコピー");
    EXPECT_EQ(nothing.unicodeText, "");
}

} // namespace
} // namespace vermiq
