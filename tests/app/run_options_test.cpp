// The run with the display options: the factor and the unit, a total over several picked
// elements, areas, and a parcel's sides with its area in one pass; against the stand-in CAD on
// the simulated desktop.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "app/length_text.h"
#include "app/run.h"
#include "app/side_labels.h"
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
    std::vector<standin::Entity> entities;  // the labels
    std::string layerAfter;                 // the CAD's current layer once the run has ended
};

Pass RunOnce(const std::string& drawing, const std::string& scenario, const LabelOptions& options,
             const std::function<void(standin::CadSession&)>& setUp = nullptr) {
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
    if (setUp) setUp(cad.Session());
    MeasureAndLabelRun run(link, desk, desk.Clock(), dialog, tables, (folder / "261207001917.scr").string());
    try {
        run.RunMeasureAndLabel();
    } catch (...) {
        fs::remove_all(folder);
        throw;
    }
    Pass pass{cad.Session().ReceivedLog(), {}, run.Notice(), desk.ClipboardText(),
              desk.WideToAnsi(desk.ClipboardUnicodeText()), {}, cad.Session().Variable("CLAYER")};
    for (const standin::Entity& e : cad.Session().GetDrawing().Entities())
        if (e.kind == standin::EntityKind::Mtext) {
            pass.labels.push_back(e.text);
            pass.entities.push_back(e);
        }
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

// Labels in the drawing's own conventions, against a stand-in that reads every typed angle in
// its user's coordinate system, from ANGBASE, in ANGDIR's direction and in AUNITS: each label
// lies in the world as asked (degrees counter-clockwise from the world X axis), on the label
// layer when one is set, and the user's own layer is current again afterwards.
TEST(RunWithDisplayOptions, LabelsFollowTheDrawingsConventions) {
    const double c30 = std::cos(kPi / 6), s30 = 0.5;
    // A 100 by 60 parcel drawn along the user's axes, turned 30 degrees about 500,500.
    auto turned = [&](double x, double y) {
        return CadNumber(500 + x * c30 - y * s30) + "," + CadNumber(500 + x * s30 + y * c30);
    };
    const std::string parcel = "LWPOLYLINE CLOSED 0,0 100,0 100,60 0,60\n";
    const std::string turnedParcel = "LWPOLYLINE CLOSED " + turned(0, 0) + " " + turned(100, 0) + " " +
                                     turned(100, 60) + " " + turned(0, 60) + "\n" + "LINE 0,0 30,40\n";
    const std::string inside = "click " + turned(50, 30) + "\n";
    struct Conventions {
        double ucs = 0;             // the user's system turned so far about 500,500; 0: the world's
        const char* base = "0";     // ANGBASE in degrees (the stand-in shows it in AUNITS)
        int direction = 0, units = 0;
    };
    const Conventions plain, ucs30{30}, ucs90{90}, north{0, "90", 1}, both{30, "90", 1}, grads{30, "90", 1, 2},
        radians{30, "90", 1, 3}, dms{30, "90", 1, 1}, surveyor{30, "90", 1, 4};
    LabelOptions sides = With(false, false, true), single, aligned, total = With(true, false, false),
                 area = With(false, true, false);
    aligned.alongElement = true;
    single.layer = "寸法";
    LabelOptions layerSides = sides, layerTotal = total, layerArea = area;
    layerSides.layer = layerTotal.layer = layerArea.layer = "寸法";
    const std::vector<double> turnedSides = {30, -60, 30, -60}, plainSides = {0, 90, 0, 90};
    const struct {
        const char* what;
        Conventions conventions;
        std::string drawing, scenario;
        LabelOptions options;
        std::vector<double> rotations;
    } cases[] = {
        {"UCS moved and turned 30: sides", ucs30, turnedParcel, "select 1\n", sides, turnedSides},
        {"UCS moved and turned 30: the single label level in it", ucs30, turnedParcel, "select 1\n" + inside, single, {30}},
        // Turned by the origin alone the click would fall beside the other side.
        {"UCS turned 90: the aligned label along the side at the click", ucs90,
         "LWPOLYLINE 600,500 500,500 500,600\n", "select 1\nclick 502,580\n", aligned, {90}},
        {"ANGBASE 90 clockwise: sides", north, parcel, "select 1\n", sides, plainSides},
        {"ANGBASE 90 clockwise: the single label", north, parcel, "select 1\nclick 50,30\n", single, {0}},
        {"both: sides", both, turnedParcel, "select 1\n", sides, turnedSides},
        {"both: the single label", both, turnedParcel, "select 1\n" + inside, single, {30}},
        {"both: sides, then the area level", both, turnedParcel, "select 1\n" + inside, With(false, true, true),
         {30, -60, 30, -60, 30}},
        {"grads, ANGBASE shown 100g", grads, turnedParcel, "select 1\n" + inside, layerSides, turnedSides},
        {"radians, ANGBASE shown 2r", radians, turnedParcel, "select 1\n", sides, turnedSides},
        {"degrees, minutes, seconds", dms, turnedParcel, "select 1\n", sides, turnedSides},
        {"surveyor's bearings", surveyor, turnedParcel, "select 1\n" + inside, single, {30}},
        {"a label layer: sides", plain, parcel, "select 1\n", layerSides, plainSides},
        {"a label layer: a total", plain, turnedParcel, "select 1,2\nclick 1,1\n", layerTotal, {0}},
        {"a label layer: an area", plain, parcel, "select 1\nclick 50,30\n", layerArea, {0}},
    };
    for (const auto& c : cases) {
        const Pass pass = RunOnce(c.drawing, c.scenario, c.options, [&](standin::CadSession& cad) {
            cad.TypeKeys("-LAYER _M 壁\r\r");  // the user works on a layer of their own
            if (c.conventions.ucs != 0) {
                const double a = c.conventions.ucs * kPi / 180;
                cad.SetVariable("UCSORG", "500,500,0", true);
                cad.SetVariable("UCSXDIR", CadNumber(std::cos(a)) + "," + CadNumber(std::sin(a)) + ",0", true);
                cad.SetVariable("UCSYDIR", CadNumber(-std::sin(a)) + "," + CadNumber(std::cos(a)) + ",0", true);
            }
            cad.SetVariable("ANGBASE", c.conventions.base);
            cad.SetVariable("ANGDIR", std::to_string(c.conventions.direction));
            cad.SetVariable("AUNITS", std::to_string(c.conventions.units));
        });
        ASSERT_EQ(pass.entities.size(), c.rotations.size()) << c.what;
        for (std::size_t i = 0; i < c.rotations.size(); ++i) {
            // The CAD prints the axes to four decimals: the tool knows them to 0.003 degrees.
            EXPECT_NEAR(std::remainder(pass.entities[i].rotation - c.rotations[i], 360), 0, 0.003) << c.what << " " << i;
            EXPECT_EQ(pass.entities[i].layer, c.options.layer.empty() ? "壁" : c.options.layer) << c.what;
        }
        EXPECT_EQ(pass.layerAfter, "壁") << c.what;
        EXPECT_EQ(pass.received.back(), "\x03" "FILEDIA 1\r") << c.what;
    }
    // A current layer whose name the command line would cut cannot be typed back: the user is
    // told before the layer changes.
    try {
        RunOnce(parcel, "select 1\nclick 50,30\n", single, [](standin::CadSession& cad) {
            cad.SetVariable("CLAYER", "壁 1");
        });
        ADD_FAILURE() << "no message";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "現在の画層「壁 1」には記入のあとで戻せないため、記入画層に切り替えられません。"
                               "別の画層を現在の画層にしてから、もう一度実行してください");
    }
}

} // namespace
} // namespace vermiq
