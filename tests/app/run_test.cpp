// The measure-and-label run against the stand-in CAD on the simulated desktop: what the CAD
// receives, in which order, and what it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "app/length_text.h"
#include "app/run.h"
#include "app/side_labels.h"
#include "cadlink/cad_link.h"
#include "cadlink/silent_abort.h"
#include "dxf/convert.h"
#include "dxf/entity_tables.h"
#include "dxf/measure.h"
#include "dxf/reader.h"
#include "standin/cad_session.h"
#include "standin/drawing.h"
#include "standin/dxf_writer.h"
#include "tests/support/file_stamp.h"
#include "tests/support/sim_desktop.h"

namespace vermiq {
namespace {

namespace fs = std::filesystem;
using sim::CadLayout;
using sim::ScriptedCad;
using sim::SimCad;
using sim::SimDesktop;

// The dialog as the run sees it, with a record of what the run did to it.
class FakeDialog : public RunHost {
public:
    std::string size = "50";
    int decimals = 2;
    bool continuous = false;
    std::vector<std::string> events;

    std::string Edit1Text() override { return size; }
    int ComboBox2Index() override { return decimals; }
    bool CheckBox1Checked() override { return continuous; }
    void SetMinimised(bool minimised) override { events.push_back(minimised ? "min" : "restore"); }
    void SetRunInProgress(bool running) override { events.push_back(running ? "busy" : "idle"); }
    // False: the work files cannot be deleted (held open by another program, say).
    bool canRemove = true;

    LabelOptions options;
    LabelOptions LabelOptionsInUse() override { return options; }

    bool FileExists(const std::string& path) override { return fs::exists(path); }
    // True while another program holds the file open without sharing.
    std::function<bool(const std::string&)> held;
    FileStamp StampFile(const std::string& path) override {
        FileStamp unopenable;
        unopenable.exists = true;
        if (held && held(path)) return unopenable;
        return test::StampOfPath(path);
    }
    bool otherRunRunning = false;
    bool ClaimRun() override { return !otherRunRunning; }
    void RemoveFile(const std::string& path) override {
        std::error_code ignored;
        if (canRemove) fs::remove(path, ignored);
    }
};

const std::string kC1 = "\x03" "FILEDIA 0 ";
const std::string kC2 = "\x03" "SELECT SI\r";
const std::string kC5 = "FILEDIA 1 ";
const std::string kC6 = "\x03" "FILEDIA 0\r";
const std::string kC8 = "\x03" "FILEDIA 1\r";
const std::string kPickStart = "\x03" "FILEDIA 0\r";
const std::string kPick = "\x03" "ID ";
const std::string kLastPoint = "'SETVAR LASTPOINT\r";
const std::string kCancelPrompt = "\x03";
// How long the continuous run over three elements below has always taken on the virtual clock
// against a CAD that acts before SendMessage returns.
constexpr long long kContinuousRunMs = 8400;

// The commands a CAD received, each by its kind, so that a row can say in one line what was
// sent in which order; the bytes of each are pinned by the tests above.
std::string Kinds(const std::vector<std::string>& log) {
    std::string kinds;
    for (const std::string& c : log) {
        std::string kind = c == kC1 ? "C1" : c == kC2 ? "C2" : c == kC5 ? "C5" : c == kC6 ? "C6"
                         : c == kC8 ? "C8" : c == kPick ? "ID" : c == "\x03" ? "^C" : c == "Y\r" ? "Y"
                         : c.rfind("DXFOUT", 0) == 0 ? "DXFOUT" : c.rfind("'SETVAR", 0) == 0 ? "SETVAR"
                         : c.rfind("\x03-mtext", 0) == 0 ? "MTEXT" : "?" + c;
        kinds += (kinds.empty() ? "" : " ") + kind;
    }
    return kinds;
}

const std::string kPass = "C1 C2 DXFOUT C5 C6 C6 ID SETVAR ^C C8 MTEXT C8";
// The drawing's conventions (the axes read only, ANGBASE, ANGDIR and AUNITS each ended by a
// Ctrl+C), then the origin, are asked for after the pick.
const std::string kConventions = "SETVAR SETVAR SETVAR ^C SETVAR ^C SETVAR ^C";
const std::string kAlignedPass = "C1 C2 DXFOUT C5 C6 C6 ID SETVAR ^C C8 " + kConventions + " SETVAR MTEXT C8";
const std::string kEndedByUser = "C1 C2 C8";

// A scripted CAD that answers as the stand-in does in its history: it takes every command up at
// once, the user picks one object at the selection, and the export runs through.
std::unique_ptr<ScriptedCad> PickingCad(std::function<void(std::string_view)> onExport = nullptr) {
    auto cad = std::make_unique<ScriptedCad>();
    cad->onType = [onExport](ScriptedCad& self, std::string_view text) {
        if (text == "\x03" "FILEDIA 0 ") self.history += "コマンド: FILEDIA\r\n";
        if (text == "\x03SELECT SI\r")
            self.history += "コマンド: SELECT\r\nオブジェクトを選択: SI\r\nオブジェクトを選択: 認識された数: 1\r\n";
        if (text.substr(0, 6) == "DXFOUT") {
            self.history += "コマンド: DXFOUT\r\n";
            if (onExport) onExport(text);
        }
    };
    return cad;
}

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("vermiq-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        workBase_ = (folder_ / "261207001917.scr").string();
        dxf_ = (folder_ / "261207001917.dxf").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    SimCad Start(const std::string& drawing, const std::string& scenario) {
        return desk_.StartCad(CadLayout::Docked, drawing, scenario);
    }

    void Run() {
        MeasureAndLabelRun run(link_, desk_, desk_.Clock(), dialog_, tables_, workBase_);
        run.RunMeasureAndLabel();
    }

    std::string Export() const {
        return "DXFOUT \"" + dxf_ + "\"\rVER 2000 OBJ PREV \r16 ";
    }

    // The label command the tool must send at `point`, written as the CAD prints its last
    // point (four decimals, its LUPREC).
    static std::string Label(const std::string& point, const std::string& size,
                             const std::string& width, const std::string& text) {
        return "\x03-mtext " + point + " h " + size + " r 0 j mc w " + width + " " + text +
               "\r\r";
    }

    static std::vector<const standin::Entity*> Labels(const SimCad& cad) {
        std::vector<const standin::Entity*> labels;
        for (const standin::Entity& e : cad.Session().GetDrawing().Entities())
            if (e.kind == standin::EntityKind::Mtext) labels.push_back(&e);
        return labels;
    }

    fs::path folder_;
    std::string workBase_, dxf_;
    SimDesktop desk_;
    CadLink link_{desk_, desk_.Clock()};
    FakeDialog dialog_;
    EntityTables tables_;
};

TEST_F(RunTest, OneSuccessfulPassSendsTheCommandsInOrderAndDrawsTheLabel) {
    SimCad cad = Start("LINE 0,0 3,4\n", "wait 1000\nselect 1\nwait 1000\nclick 10,20\n");
    Run();

    std::vector<std::string> expected = {
        kC1, kC2, Export(), kC5, kC6,
        kPickStart, kPick, kLastPoint, kCancelPrompt, kC8,
        Label("10.0000,20.0000", "50", "350", " 5.00ｍ"), kC8,
    };
    EXPECT_EQ(cad.Session().ReceivedLog(), expected);
    auto labels = Labels(cad);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0]->text, " 5.00ｍ");
    EXPECT_DOUBLE_EQ(labels[0]->position.x, 10);
    EXPECT_DOUBLE_EQ(labels[0]->position.y, 20);
    EXPECT_DOUBLE_EQ(labels[0]->height, 50);
    EXPECT_DOUBLE_EQ(labels[0]->width, 350);
    EXPECT_EQ(labels[0]->attachment, 5);  // middle centre
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
    EXPECT_EQ(dialog_.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
    // The prompt was painted on the history pane, for the selection and for the pick.
    ASSERT_EQ(desk_.Paints().size(), 2u);
    EXPECT_EQ(desk_.Paints()[0].window, cad.HistoryPane());
    EXPECT_EQ(desk_.Paints()[0].text, "要素を選択ください");
    EXPECT_EQ(desk_.Paints()[1].text, "辺長値を描画したい位置をクリック");
    // The DXF work file stays behind; the CSV work file never exists.
    EXPECT_TRUE(fs::exists(dxf_));
    EXPECT_FALSE(fs::exists(folder_ / "261207001917.csv"));
}

TEST_F(RunTest, TheCadsExportAndReplaceQuestionsAreEachAnsweredYes) {
    // A CAD that asks before exporting, and a work file from an earlier pass that could not be
    // deleted: both questions come in one export, each answered "Y" and Enter.
    std::ofstream(dxf_) << "left from an earlier pass\n";
    dialog_.canRemove = false;
    sim::CadOptions options;
    options.askExport = true;
    SimCad cad = desk_.StartCad(CadLayout::Docked, "LINE 0,0 3,4\n", "select 1\nclick 10,20\n", options);
    Run();

    const std::string yes = "Y\r";
    std::vector<std::string> expected = {
        kC1, kC2, Export(), yes, yes, kC5, kC6,
        kPickStart, kPick, kLastPoint, kCancelPrompt, kC8,
        Label("10.0000,20.0000", "50", "350", " 5.00ｍ"), kC8,
    };
    EXPECT_EQ(cad.Session().ReceivedLog(), expected);
    // The old file was replaced by the export, which the label was measured from.
    ASSERT_EQ(Labels(cad).size(), 1u);
    EXPECT_EQ(Labels(cad)[0]->text, " 5.00ｍ");
}

TEST_F(RunTest, ContinuousModeLabelsEachElementUntilTheSelectionIsCancelled) {
    SimCad cad = Start(
        "LINE 0,0 3,4\n"
        "ARC 0,0 10 0 90\n"
        "LWPOLYLINE CLOSED 0,0 10,0,1 10,10 0,10\n",
        "select 1\nclick 1,1\nselect 2\nclick 2,2\nselect 3\nclick 3,3\nwait 3000\ncancel\n");
    dialog_.continuous = true;
    dialog_.decimals = 3;
    Run();

    auto labels = Labels(cad);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0]->text, "5.000ｍ");
    EXPECT_EQ(labels[1]->text, "15.708ｍ");
    // Three straight sides and a half circle over the 10-unit side.
    EXPECT_EQ(labels[2]->text, FormatLength(30 + 5 * std::numbers::pi, 3) + "ｍ");
    EXPECT_EQ(labels[2]->text, "45.708ｍ");
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(labels[i]->position.x, i + 1);
        EXPECT_DOUBLE_EQ(labels[i]->position.y, i + 1);
    }
    // The cancelled fourth selection ends the run with the file dialogs on again.
    const auto& log = cad.Session().ReceivedLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], kC1);
    EXPECT_EQ(log[log.size() - 2], kC2);
    EXPECT_EQ(log.back(), kC8);
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
    // The dialog stays minimised through all passes and comes back once.
    EXPECT_EQ(dialog_.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
}

// The label command's insertion point: both coordinates numbers, nothing else.
bool LabelAtANumericPoint(const std::string& command) {
    const std::string head = "\x03-mtext ";
    const std::size_t end = command.find(" h ");
    if (command.rfind(head, 0) != 0 || end == std::string::npos) return false;
    std::string point = command.substr(head.size(), end - head.size());
    const std::size_t comma = point.find(',');
    if (comma == std::string::npos) return false;
    for (const std::string& number : {point.substr(0, comma), point.substr(comma + 1)}) {
        char* stop = nullptr;
        std::strtod(number.c_str(), &stop);
        if (number.empty() || *stop != '\0' || number.find(' ') != std::string::npos) return false;
    }
    return true;
}

// A CAD that takes its typed input up late, on its own loop: at every lag the run sends the
// same commands in the same order as to a CAD that acts at once, labels every element at its
// clicked point and ends with the file dialogs on. Without a lag the run takes exactly as long
// as it always has: no wait is added on that path.
TEST_F(RunTest, ContinuousRunAgainstACadThatTakesItsInputUpLate) {
    const char* drawing =
        "LINE 0,0 3,4\n"
        "ARC 0,0 10 0 90\n"
        "LWPOLYLINE CLOSED 0,0 10,0,1 10,10 0,10\n";
    // Quick selections (the CAD is idle again before the first poll) and slower clicks.
    const char* scenario =
        "select 1\nwait 500\nclick 1.5,1\n"
        "select 2\nwait 500\nclick 2.5,2\n"
        "select 3\nwait 500\nclick 3.5,3\n"
        "wait 3000\ncancel\n";
    std::vector<std::string> atOnce;
    for (int lag : {0, 50, 250, 1000}) {
        SCOPED_TRACE("lag " + std::to_string(lag) + " ms");
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        // Both questions in every export: the CAD asks before exporting, and the work file
        // cannot be deleted before the selection, so it asks to replace it too.
        std::ofstream(dxf_) << "left from an earlier run\n";
        sim::CadOptions options;
        options.lagMs = lag;
        options.askExport = true;
        SimCad cad = desk.StartCad(CadLayout::Docked, drawing, scenario, options);
        FakeDialog dialog;
        dialog.continuous = true;
        dialog.decimals = 3;
        dialog.canRemove = false;
        MeasureAndLabelRun run(link, desk, desk.Clock(), dialog, tables_, workBase_);
        run.RunMeasureAndLabel();
        if (lag == 0) {
            EXPECT_EQ(desk.Now(), kContinuousRunMs);
        }
        desk.Clock().Sleep(lag);  // what is still on its way to the CAD
        EXPECT_EQ(cad.Session().PendingInputs(), 0u);

        auto labels = Labels(cad);
        ASSERT_EQ(labels.size(), 3u);
        const char* texts[] = {"5.000ｍ", "15.708ｍ", "45.708ｍ"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(labels[i]->text, texts[i]) << i;
            EXPECT_DOUBLE_EQ(labels[i]->position.x, i + 1.5) << i;
            EXPECT_DOUBLE_EQ(labels[i]->position.y, i + 1) << i;
        }
        EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
        const auto& log = cad.Session().ReceivedLog();
        int labelCommands = 0;
        for (const std::string& command : log) {
            if (command.rfind("\x03-mtext", 0) != 0) continue;
            ++labelCommands;
            EXPECT_TRUE(LabelAtANumericPoint(command)) << command;
        }
        EXPECT_EQ(labelCommands, 3);
        EXPECT_EQ(std::count(log.begin(), log.end(), "Y\r"), 6);  // each question once
        if (lag == 0) {
            atOnce = log;
        } else {
            EXPECT_EQ(log, atOnce);
        }
        EXPECT_EQ(dialog.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
    }
}

TEST_F(RunTest, UntickingContinuousDuringAPassEndsTheRunAfterThatPass) {
    SimCad cad = Start("LINE 0,0 3,4\nLINE 0,0 6,8\n",
                       "wait 1000\nselect 1\nclick 1,1\nselect 2\nclick 2,2\n");
    dialog_.continuous = true;
    desk_.SetMessageHook([&] {
        if (desk_.Now() > 600) dialog_.continuous = false;
    });
    Run();
    EXPECT_EQ(Labels(cad).size(), 1u);
}

TEST_F(RunTest, NoCadRunningMinimisesAndRestoresWithoutSendingAnything) {
    Run();
    EXPECT_TRUE(desk_.CopyDataSent().empty());
    EXPECT_EQ(dialog_.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
}

// Nothing measurable is told, never passed over in silence; a zero length has no label and the
// next pass starts.
TEST_F(RunTest, NothingMeasurableIsToldAndAZeroLengthGoesOnToTheNextPass) {
    struct Case {
        const char* name;
        const char* drawing;
        std::string_view message = {};
    } cases[] = {
        {"a text", "MTEXT 5,5 10 100 MC 0 hello\n", run_text::NothingMeasurable},
        {"a zero-length line", "LINE 2,2 2,2\n"},
        {"an arc of no sweep", "ARC 0,0 10 30 30\n"},
    };
    for (const Case& c : cases) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        SimCad cad = desk.StartCad(CadLayout::Docked, c.drawing, "select 1\ncancel\n");
        dialog_.continuous = true;
        MeasureAndLabelRun run(link, desk, desk.Clock(), dialog_, tables_, workBase_);
        std::string message;
        try {
            run.RunMeasureAndLabel();
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.name;
        std::vector<std::string> expected = {kC1, kC2, Export(), kC5, kC8, kC1, kC2, kC8};
        if (!c.message.empty()) expected.resize(5);
        EXPECT_EQ(cad.Session().ReceivedLog(), expected) << c.name;
        EXPECT_TRUE(Labels(cad).empty() || c.name == std::string("a text")) << c.name;
        EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1") << c.name;
    }
}

TEST_F(RunTest, NoDxfFileWrittenEndsTheRunWithFileDialogsOn) {
    // A CAD that is idle at once and never writes the export.
    auto scripted = PickingCad();
    ScriptedCad* cad = scripted.get();
    desk_.Host(CadLayout::Docked, std::move(scripted));
    dialog_.continuous = true;
    Run();
    std::vector<std::string> expected = {kC1, kC2, Export(), kC5, kC8};
    EXPECT_EQ(cad->typed, expected);
}

// Only a file that this pass's export finished is measured: a work file left from an earlier
// pass that could not be deleted and that the export did not replace, or a file the CAD left
// cut short, is an error with a message and FILEDIA back at 1.
TEST_F(RunTest, OnlyAFileThisPassExportedAndFinishedIsMeasured) {
    const std::string dxf = dxf_;
    static constexpr char kHoleBeforeTheEnd[] = "  0\nSECTION\n  2\nENTITIES\n\0\0\0\0  0\nENDSEC\n  0\nEOF\n";
    struct Case {
        const char* what;
        const char* leftOver;  // an undeletable file from before; null: none
        std::string_view written;  // what the export writes; empty: nothing
        std::string_view message;
        std::string kinds;
    } cases[] = {
        {"a left-over file not replaced", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  0\nENDSEC\n  0\nEOF\n", {},
         run_text::StaleWorkFile, "C1 C2 DXFOUT C5 C8"},
        {"a file cut short", nullptr, "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n1.0\n", run_text::UnfinishedExport,
         "C1 C2 DXFOUT C8"},
        // Room reserved and its end written first: the tail looks whole, the reader stops at
        // the first NUL and meets no end pair.
        {"a file with a hole before its end", nullptr,
         std::string_view(kHoleBeforeTheEnd, sizeof kHoleBeforeTheEnd - 1),
         run_text::UnfinishedExport, "C1 C2 DXFOUT C5 C8"},
    };
    for (const Case& c : cases) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        FakeDialog dialog;
        fs::remove(dxf);
        if (c.leftOver) {
            std::ofstream(dxf, std::ios::binary) << c.leftOver;
            dialog.canRemove = false;
        }
        const std::string_view written = c.written;
        auto scripted = PickingCad([dxf, written](std::string_view) {
            if (!written.empty()) std::ofstream(dxf, std::ios::binary).write(written.data(), written.size());
        });
        ScriptedCad* cad = scripted.get();
        desk.Host(CadLayout::Docked, std::move(scripted));
        std::string message;
        try {
            MeasureAndLabelRun(link, desk, desk.Clock(), dialog, tables_, workBase_).RunMeasureAndLabel();
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        std::string expected(c.message);
        expected.replace(expected.find("%s"), 2, dxf);
        EXPECT_EQ(message, expected) << c.what;
        EXPECT_EQ(Kinds(cad->typed), c.kinds) << c.what;
        EXPECT_EQ(tables_.LineCount(), 0) << c.what;  // nothing was read, so nothing measured
    }
}

// A CAD that looks idle at once while its file is still written, a third every second (a slow
// network folder): the file is read only once it ends with its EOF and has stopped growing.
TEST_F(RunTest, AFileStillGrowingWhileTheCadLooksIdleIsReadOnceFinished) {
    const standin::Drawing drawing = standin::Drawing::Parse("LINE 0,0 3,4\n");
    const std::string text = standin::WriteDxf({&drawing.Entities()[0]}, 16);
    const std::string dxf = dxf_;
    auto exportAt = std::make_shared<int>(-1);
    auto write = [dxf, text](int thirds) {
        std::ofstream(dxf, std::ios::binary | std::ios::trunc) << text.substr(0, text.size() * thirds / 3);
    };
    auto scripted = PickingCad([write](std::string_view) { write(1); });
    scripted->onType = [inner = scripted->onType, exportAt](ScriptedCad& self, std::string_view typed) {
        if (typed.substr(0, 6) == "DXFOUT") *exportAt = self.elapsed;
        inner(self, typed);
    };
    scripted->onAdvance = [write, exportAt](ScriptedCad& self) {
        if (*exportAt >= 0) write(std::min(3, 1 + (self.elapsed - *exportAt) / 1000));
    };
    ScriptedCad* cad = scripted.get();
    desk_.Host(CadLayout::Docked, std::move(scripted));
    // This CAD knows no ID: the run ends there, with the element measured from the whole file.
    EXPECT_THROW(Run(), std::runtime_error);
    EXPECT_EQ(tables_.LineCount(), 1);
    EXPECT_DOUBLE_EQ(MeasuredLength(tables_), 5);
    EXPECT_EQ(Kinds(cad->typed), "C1 C2 DXFOUT C5 C6 C6 ID C8 C8");
}

// A pick that fails, cancelled or with a last point that is not a number, ends the run without
// a label and with the CAD's file dialogs back.
TEST_F(RunTest, AFailedPickEndsTheRunWithoutALabel) {
    struct Case {
        const char* what;
        const char* scenario;
        std::optional<std::string> lastPoint;  // what LASTPOINT turns into right after the click
        bool cancelsThePrompt;                 // a value on the prompt is followed by Ctrl+C
    } cases[] = {
        {"Esc at the pick", "select 1\nwait 500\ncancel\n", std::nullopt, false},
        {"no last point", "select 1\nwait 500\nclick 1,1\nselect 1\nclick 2,2\n", "", false},
        {"a last point of letters", "select 1\nwait 500\nclick 1,1\nselect 1\nclick 2,2\n", "abc", true},
        {"a Y that is no number", "select 1\nwait 500\nclick 1,1\nselect 1\nclick 2,2\n", "1,y,0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        SimCad cad = desk.StartCad(CadLayout::Docked, "LINE 0,0 3,4\n", c.scenario);
        desk.SetMessageHook([&] {
            const auto& history = cad.Session().HistoryLines();
            if (c.lastPoint && !history.empty() && history.back().rfind("X = ", 0) == 0)
                cad.Session().SetVariable("LASTPOINT", *c.lastPoint);
            // A pick taken as good goes on to a click that never comes: fail, do not hang.
            if (desk.Now() > 24 * 3600 * 1000LL) throw std::runtime_error("the run never ended");
        });
        dialog_.continuous = true;
        MeasureAndLabelRun run(link, desk, desk.Clock(), dialog_, tables_, workBase_);
        run.RunMeasureAndLabel();

        std::vector<std::string> expected = {kC1, kC2, Export(), kC5, kC6, kPickStart, kPick};
        if (c.lastPoint) expected.push_back(kLastPoint);
        if (c.cancelsThePrompt) expected.push_back(kCancelPrompt);
        expected.insert(expected.end(), {kC8, kC8});
        EXPECT_EQ(cad.Session().ReceivedLog(), expected);
        EXPECT_TRUE(Labels(cad).empty());
        EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
    }
}

TEST_F(RunTest, TheLabelTextAndWidthFollowTheSizeAndTheDecimals) {
    struct Case {
        double length;
        int decimals;
        const char* size;
        const char* sent;  // the size as C7 carries it
        const char* width;
        const char* text;
    } cases[] = {
        {1234.5678, 2, "50", "50", "450", "1234.57ｍ"},
        {3.2, 0, "50", "50", "350", "    3ｍ"},
        {3.2, 0, "2.5", "2.5", "14", "    3ｍ"},   // sent as typed, the width computed with 2
        {3.2, 0, "3.5", "3.5", "28", "    3ｍ"},
        {7.0, -1, "10", "10", "70", " 7.00ｍ"},   // no item selected: two decimals
        {0.125, 2, "50", "50", "350", " 0.13ｍ"},
        {3.2, 0, "0", "0", "0", "    3ｍ"},
        // The blanks the number check skips would end the CAD's input after "h".
        {3.2, 0, " 50 ", "50", "350", "    3ｍ"},
        {3.2, 0, "  2.50", "2.50", "14", "    3ｍ"},
    };
    for (const Case& c : cases) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        char drawing[128];
        std::snprintf(drawing, sizeof drawing, "LINE 0,0 %.17g,0\n", c.length);
        SimCad cad = desk.StartCad(CadLayout::Docked, drawing, "select 1\nclick 4,5\n");
        dialog_.size = c.size;
        dialog_.decimals = c.decimals;
        MeasureAndLabelRun run(link, desk, desk.Clock(), dialog_, tables_, workBase_);
        run.RunMeasureAndLabel();
        const auto& log = cad.Session().ReceivedLog();
        ASSERT_GE(log.size(), 2u) << c.text;
        EXPECT_EQ(log[log.size() - 2], Label("4.0000,5.0000", c.sent, c.width, c.text)) << c.size;
        // The CAD drew it at that height (it refuses a height of 0, as a CAD does).
        if (std::atof(c.sent) > 0) {
            ASSERT_FALSE(Labels(cad).empty()) << c.size;
            EXPECT_DOUBLE_EQ(Labels(cad).back()->height, std::atof(c.sent)) << c.size;
        }
        EXPECT_EQ(log.back(), kC8);
    }
}

TEST_F(RunTest, ASizeThatIsNotANumberIsReportedBeforeAnythingIsSent) {
    Start("LINE 0,0 3,4\n", "select 1\nclick 1,1\n");
    dialog_.size = "abc";
    try {
        Run();
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'abc' は浮動小数点数ではありません");
    }
    EXPECT_TRUE(desk_.CopyDataSent().empty());
    EXPECT_TRUE(dialog_.events.empty());
}

TEST_F(RunTest, AnErrorInsideTheRunRestoresTheDialogAndTheFileDialogsFirst) {
    // The CAD writes an export whose numbers do not convert.
    std::string path = dxf_;
    auto scripted = PickingCad([path](std::string_view) {
        std::ofstream(path) << "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n1,5\n  0\nENDSEC\n  0\nEOF\n";
    });
    ScriptedCad* cad = scripted.get();
    desk_.Host(CadLayout::Docked, std::move(scripted));
    try {
        Run();
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'1,5' は浮動小数点数ではありません");
    }
    ASSERT_FALSE(cad->typed.empty());
    EXPECT_EQ(cad->typed.back(), kC8);
    EXPECT_EQ(dialog_.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
}

TEST_F(RunTest, ClosingTheDialogDuringAPassEndsTheRunAtTheNextPoll) {
    SimCad cad = Start("LINE 0,0 3,4\n", "wait 60000\nselect 1\n");
    int pumpsAtClose = -1;
    desk_.SetMessageHook([&] {
        if (desk_.Now() >= 2000) {
            pumpsAtClose = desk_.MessagePumps();
            throw SilentAbort();
        }
    });
    EXPECT_THROW(Run(), SilentAbort);
    EXPECT_EQ(desk_.MessagePumps(), pumpsAtClose);
    std::vector<std::string> expected = {kC1, kC2, kC8};
    EXPECT_EQ(cad.Session().ReceivedLog(), expected);
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
    EXPECT_EQ(dialog_.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
}

TEST_F(RunTest, AClipboardHeldByAnotherProgramEndsTheRunWithAMessageAndFileDialogsOn) {
    SimCad cad = Start("LINE 0,0 3,4\n", "select 1\n");
    desk_.HoldClipboard(true);
    EXPECT_THROW(Run(), std::runtime_error);
    EXPECT_EQ(cad.Session().ReceivedLog().back(), kC8);
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
}

// A CAD that never shows the commands taken up (its prompt stays as it was, its history says
// nothing) takes no input: the user hears so within 10 s, and the closing FILEDIA 1 waits in
// the CAD behind what was sent.
TEST_F(RunTest, ACadThatShowsNoSignOfTakingTheCommandsIsReportedWithinTenSeconds) {
    auto scripted = std::make_unique<ScriptedCad>();
    scripted->input = "コマンド:  ";  // one blank too many: never the idle prompt
    scripted->history = "コマンド: LINE\r\n";
    ScriptedCad* cad = scripted.get();
    desk_.Host(CadLayout::Docked, std::move(scripted));
    try {
        Run();
        FAIL() << "no message";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), run_text::CadBusy);
    }
    EXPECT_LE(desk_.Now(), 10000);
    EXPECT_EQ(cad->typed, (std::vector<std::string>{kC1, kC2, kC8}));
    EXPECT_EQ(dialog_.events, (std::vector<std::string>{"busy", "min", "restore", "idle"}));
}

// Everyday habits of a user and of a CAD, each against the stand-in: the labels that come out,
// what the CAD received, and what the user is told. A label only ever for an element picked in
// its own pass; nothing typed into the user's own command; every run leaving FILEDIA at 1.
TEST_F(RunTest, EveryHabitGivesOnlyTheUsersOwnLabelsAndLeavesTheCadAsItWas) {
    struct Case {
        const char* habit;
        const char* scenario;
        sim::CadOptions options;
        std::string kinds;          // what the CAD received
        std::vector<const char*> labels;
        std::string_view message;   // what the user is told; empty: nothing
        bool continuous = false;
        long long within = 0;       // the run ends this many ms after the click at the latest
        std::function<void(SimDesktop&, SimCad&, FakeDialog&, std::function<void()>&)> setUp = nullptr;
        const char* drawing = "LINE 0,0 3,4\nLINE 0,0 6,8\n";
        double rotation = 0;
        bool ran = true;            // the dialog went down for the run and came back
    };
    sim::CadOptions busy, english, promptLine, late, slowExport, slowEmpty, endless, older, unseen, locked, copies,
        noCopies, heldExport;
    using FoundForm = standin::SessionOptions::FoundForm;
    older.session.foundForm = FoundForm::Older;
    unseen.session.foundForm = FoundForm::Unseen;
    locked.session.lockedEntities = {2};
    copies.session.failedCopies = 3;
    noCopies.session.failedCopies = 1000;
    heldExport.session.exportHeldMs = 1500;
    busy.busyMs = 20000;
    english.english = true;
    promptLine.promptInHistory = true;
    late.lagMs = 250;
    slowExport.exportMs = 3000;
    slowEmpty.exportMs = 3000;
    slowEmpty.emptyPaneWhileWorking = true;
    endless.exportMs = 3600 * 1000;
    auto closeAt3s = [](SimDesktop& desk, SimCad& cad, FakeDialog&, std::function<void()>& atPoll) {
        atPoll = [&desk, cad] {
            if (desk.Now() == 3000) cad.Close();
        };
    };
    SimCad other;
    bool hasOther = false;
    auto besideAnotherCad = [&, closeAt3s](SimDesktop& desk, SimCad& cad, FakeDialog& dialog,
                                           std::function<void()>& atPoll) {
        // The other CAD was started first: it is behind the one the user works in.
        other = desk.StartCad(CadLayout::Docked, "LINE 0,0 1,1\n", "select 1\nclick 1,1\n");
        hasOther = true;
        desk.MoveToFront(cad.MainFrame());
        closeAt3s(desk, cad, dialog, atPoll);
    };
    auto alongAnLShape = [](SimDesktop&, SimCad& cad, FakeDialog& dialog, std::function<void()>&) {
        cad.Session().SetVariable("UCSORG", "1000,500,0", true);
        dialog.options.alongElement = true;
    };
    auto exportHeld = [](SimDesktop&, SimCad& cad, FakeDialog& dialog, std::function<void()>&) {
        dialog.held = [cad](const std::string& path) { return cad.Session().HeldExport() == path; };
    };
    auto anotherRun = [](SimDesktop&, SimCad&, FakeDialog& dialog, std::function<void()>&) {
        dialog.otherRunRunning = true;
    };
    const std::vector<Case> cases = {
        {"a plain pass", "select 1\nclick 1,1\n", {}, kPass, {" 5.00ｍ"}, {}},
        {"the count in the older form", "select 1\nclick 1,1\n", older, kPass, {" 5.00ｍ"}, {}},
        {"the count in a form never seen", "select 1\nclick 1,1\n", unseen, kPass, {" 5.00ｍ"}, {}},
        {"an empty selection in a form never seen", "select none\n", unseen, kEndedByUser, {}, {}},
        {"a window that picks two", "window 1,2\nclick 1,1\n", {}, kEndedByUser, {}, run_text::OneElement},
        {"a window that picks two, counted in a form never seen", "window 1,2\nclick 1,1\n", unseen,
         "C1 C2 DXFOUT C5 C8", {}, run_text::OneElement},
        {"a pick on a locked layer", "select 2\nclick 1,1\n", locked, kEndedByUser, {}, run_text::SelectionNotTaken},
        {"a pick on a locked layer after a label", "select 1\nclick 1,1\nselect 2\nclick 2,2\n", locked,
         kPass + " C1 C2 DXFOUT C5 C8", {" 5.00ｍ"}, run_text::SelectionNotTaken, true},
        {"Enter by habit right after the pick", "select 1\nwait 300\nenter\nwait 1500\nselect none\nclick 1,1\n", {}, kPass,
         {" 5.00ｍ"}, {}},
        {"three history copies that bring nothing", "select 1\nclick 1,1\n", copies, kPass, {" 5.00ｍ"}, {}},
        {"history copies that never bring anything", "select 1\nclick 1,1\n", noCopies, kEndedByUser, {},
         run_text::HistoryUnreadable},
        {"an export held open for 1.5 s", "select 1\nclick 1,1\n", heldExport, kPass, {" 5.00ｍ"}, {}, false, 0,
         exportHeld},
        // The closing FILEDIA 1 is left to be sent again once the CAD answers, after the run.
        {"a CAD that answers nothing for 20 s", "hang 20000\nselect 1\nclick 1,1\n", {}, "C1 C2", {},
         run_text::CadNotAnswering, false, 10000},
        {"another instance running", "select 1\nclick 1,1\n", {}, "", {}, run_text::OtherRunRunning, false, 0,
         anotherRun, "LINE 0,0 3,4\n", 0, false},
        {"Enter at an empty selection after a label", "select 1\nclick 1,1\nselect none\n", {},
         kPass + " " + kEndedByUser, {" 5.00ｍ"}, {}, true},
        {"a cancel and an ID of the user's own", "select 1\nclick 1,1\nwait 500\nid 5,5\n", {},
         kPass + " " + kEndedByUser, {" 5.00ｍ"}, {}, true},
        {"a selection that takes ten minutes", "wait 600000\nselect 2\nclick 1,1\n", {}, kPass,
         {"10.00ｍ"}, {}},
        {"a CAD that takes no input for 20 s", "select 1\nclick 1,1\n", busy, kEndedByUser, {},
         run_text::CadBusy, false, 10000},
        {"an English CAD", "select 1\nclick 1,1\n", english, "", {}, run_text::OnlyJapanese, false, 10000},
        {"a history copy ending with the prompt line", "select 1\nclick 1,1\nselect 2\nclick 2,2\ncancel\n",
         promptLine, kPass + " " + kPass + " " + kEndedByUser, {" 5.00ｍ", "10.00ｍ"}, {}, true},
        {"the CAD closed during the selection", "wait 60000\nselect 1\n", {}, "C1 C2", {}, {}, false, 5000,
         closeAt3s},
        {"the CAD closed with another CAD open", "wait 60000\nselect 1\n", {}, "C1 C2", {}, {}, false, 5000,
         besideAnotherCad},
        {"an aligned label in a moved UCS, the CAD 250 ms late", "select 1\nwait 500\nclick 1103,530\n", late,
         kAlignedPass, {"160.00ｍ"}, {}, false, 0, alongAnLShape, "LWPOLYLINE 1000,500 1100,500 1100,560\n", 90},
        {"an export written over 3 s, the pane showing it", "select 1\nclick 1,1\n", slowExport, kPass,
         {" 5.00ｍ"}, {}},
        {"an export written over 3 s, the pane empty", "select 1\nclick 1,1\n", slowEmpty, kPass, {" 5.00ｍ"},
         {}},
        {"an export that never ends", "select 1\nclick 1,1\n", endless, "C1 C2 DXFOUT C8", {},
         run_text::UnfinishedExport, false, 400 + 601 * 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.habit);
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        FakeDialog dialog;
        dialog.continuous = c.continuous;
        hasOther = false;
        SimCad cad = desk.StartCad(CadLayout::Docked, c.drawing, c.scenario, c.options);
        std::function<void()> atPoll;
        if (c.setUp) c.setUp(desk, cad, dialog, atPoll);
        // A run that waits on where it should have ended fails the row instead of hanging it.
        desk.SetMessageHook([&] {
            if (atPoll) atPoll();
            if (desk.Now() > 24 * 3600 * 1000LL) throw std::runtime_error("the run never ended");
        });
        std::string message;
        try {
            MeasureAndLabelRun(link, desk, desk.Clock(), dialog, tables_, workBase_).RunMeasureAndLabel();
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        const std::string expected(c.message);
        EXPECT_EQ(message.substr(0, expected.find('%')), expected.substr(0, expected.find('%')));
        if (c.within > 0) {
            EXPECT_LE(desk.Now(), c.within);
        }
        EXPECT_EQ(Kinds(cad.Session().ReceivedLog()), c.kinds);
        // Once the CAD has taken up all that was sent, its file dialogs are on and nothing the
        // tool started is still running.
        if (cad.Running()) {
            desk.Clock().Sleep(3600 * 1000);
            link.RetryLeftCommand();
            EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
            EXPECT_EQ(cad.Session().WaitingFor(), standin::CadSession::Waiting::Nothing);
            EXPECT_EQ(cad.Session().PendingInputs(), 0u);
        }
        std::vector<std::string> labels;
        for (const standin::Entity* label : Labels(cad)) {
            labels.push_back(label->text);
            EXPECT_NEAR(label->rotation, c.rotation, 1e-9);
        }
        EXPECT_EQ(labels, std::vector<std::string>(c.labels.begin(), c.labels.end()));
        const std::vector<std::string> ran = {"busy", "min", "restore", "idle"};
        EXPECT_EQ(dialog.events, c.ran ? ran : std::vector<std::string>());
        if (hasOther) {
            EXPECT_TRUE(other.Session().ReceivedLog().empty());
        }
    }
}

// One run, then the user brings another CAD to the front: the next run goes to that one.
TEST_F(RunTest, EachRunGoesToTheCadTheUserWorkedInLast) {
    SimCad first = desk_.StartCad(CadLayout::Docked, "LINE 0,0 3,4\n", "select 1\nclick 1,1\n");
    SimCad second = desk_.StartCad(CadLayout::Docked, "LINE 0,0 6,8\n", "select 1\nclick 2,2\n");
    Run();
    desk_.MoveToFront(first.MainFrame());
    Run();
    EXPECT_EQ(Kinds(second.Session().ReceivedLog()), kPass);
    EXPECT_EQ(Kinds(first.Session().ReceivedLog()), kPass);
    ASSERT_EQ(Labels(first).size(), 1u);
    EXPECT_EQ(Labels(first)[0]->text, " 5.00ｍ");
    ASSERT_EQ(Labels(second).size(), 1u);
    EXPECT_EQ(Labels(second)[0]->text, "10.00ｍ");
}

// The figures of a pass on the virtual clock: history copies per pass at two lags, the time to
// the message about a CAD that takes no input, and from the end of a 3 s export to the label.
TEST_F(RunTest, FiguresOfAPass) {
    for (int lag : {0, 250}) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        sim::CadOptions options;
        options.lagMs = lag;
        desk.StartCad(CadLayout::Docked, "LINE 0,0 3,4\n", "wait 1500\nselect 1\nwait 1500\nclick 1,1\n", options);
        MeasureAndLabelRun(link, desk, desk.Clock(), dialog_, tables_, workBase_).RunMeasureAndLabel();
        std::printf("history copies in one pass, CAD %d ms late: %d (%lld ms of polling)\n", lag,
                    link.HistoryReads(), desk.Now());
        EXPECT_LT(link.HistoryReads() * 2, desk.Now() / CadLink::PollMilliseconds) << "not on every poll";
    }
    {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        sim::CadOptions options;
        options.busyMs = 20000;
        desk.StartCad(CadLayout::Docked, "LINE 0,0 3,4\n", "select 1\nclick 1,1\n", options);
        EXPECT_THROW(MeasureAndLabelRun(link, desk, desk.Clock(), dialog_, tables_, workBase_).RunMeasureAndLabel(),
                     std::runtime_error);
        std::printf("a CAD that takes no input: %lld ms from the click to the message, %d history copies\n",
                    desk.Now(), link.HistoryReads());
        EXPECT_LE(link.HistoryReads(), 7);
    }
    for (bool emptyPane : {false, true}) {
        SimDesktop desk;
        CadLink link(desk, desk.Clock());
        sim::CadOptions options;
        options.exportMs = 3000;
        options.emptyPaneWhileWorking = emptyPane;
        desk.StartCad(CadLayout::Docked, "LINE 0,0 3,4\n", "select 1\nclick 1,1\n", options);
        MeasureAndLabelRun(link, desk, desk.Clock(), dialog_, tables_, workBase_).RunMeasureAndLabel();
        long long exportEnd = -1, label = -1;
        for (const sim::SentCopyData& sent : desk.CopyDataSent()) {
            std::u16string text(reinterpret_cast<const char16_t*>(sent.bytes.data()), sent.bytes.size() / 2);
            if (text.rfind(u"DXFOUT", 0) == 0) exportEnd = sent.at + 3000;
            if (text.rfind(u"\x03-mtext", 0) == 0) label = sent.at;
        }
        ASSERT_GE(exportEnd, 0);
        ASSERT_GE(label, exportEnd);
        std::printf("a 3 s export, the pane %s: %lld ms from its end to the label (click at once)\n",
                    emptyPane ? "empty" : "showing it", label - exportEnd);
    }
}

// Side labels: one label command per side at a world point, then one C8; the same world
// positions whether the polyline is stored plain or mirrored, in a coordinate system moved
// away from the world's.
TEST_F(RunTest, ASideLabelPassLabelsEverySideOutsideAtWorldPointsWithoutAClick) {
    const std::string sides[] = {
        "LWPOLYLINE CLOSED 0,0 100,0 100,60 0,60\n",
        "LWPOLYLINE CLOSED MIRRORED 0,0 100,0 100,60 0,60\n",
        "POLYLINE CLOSED MIRRORED 0,60 100,60 100,0 0,0\n",
    };
    const std::vector<std::string> labels = {
        "\x03-mtext *50,-7.5 h 10 r 0 j mc w 80 100.00ｍ\r\r",
        "\x03-mtext *107.5,30 h 10 r 90 j mc w 70 60.00ｍ\r\r",
        "\x03-mtext *50,67.5 h 10 r 0 j mc w 80 100.00ｍ\r\r",
        "\x03-mtext *-7.5,30 h 10 r 90 j mc w 70 60.00ｍ\r\r",
    };
    for (size_t k = 0; k < std::size(sides); ++k) {
        SimDesktop desk;
        CadLink link{desk, desk.Clock()};
        FakeDialog dialog;
        dialog.size = "10";
        dialog.options.eachSide = true;
        SimCad cad = desk.StartCad(CadLayout::Docked, sides[k], "select 1\n");
        cad.Session().SetVariable("UCSORG", "1000,500,0", true);
        MeasureAndLabelRun(link, desk, desk.Clock(), dialog, tables_, workBase_).RunMeasureAndLabel();
        std::vector<std::string> expected = {kC1, kC2, Export(), kC5, "'SETVAR UCSXDIR\r", "'SETVAR UCSYDIR\r",
                                             "'SETVAR ANGBASE\r", "\x03", "'SETVAR ANGDIR\r", "\x03",
                                             "'SETVAR AUNITS\r", "\x03"};
        // The clockwise polyline is labelled in its own order.
        for (size_t i = 0; i < labels.size(); ++i) expected.push_back(labels[k == 2 ? (6 - i) % 4 : i]);
        expected.push_back(kC8);
        EXPECT_EQ(cad.Session().ReceivedLog(), expected) << sides[k];
        EXPECT_EQ(Labels(cad).size(), 4u);
        EXPECT_EQ(desk.Paints().size(), 1u) << "no point is asked for";
    }
}

TEST_F(RunTest, AParcelWithABulgeSideGetsEveryLabelOutsideAlongItsSide) {
    const std::string parcel = "LWPOLYLINE CLOSED 0,0 120,-10,0.3 140,70 30,90 -10,50\n";
    SimCad cad = Start(parcel, "select 1\n");
    dialog_.options.eachSide = true;
    dialog_.options.alongElement = true; // no click, so nothing to turn along
    dialog_.size = "8";
    Run();
    const standin::Entity& shape = cad.Session().GetDrawing().Entities()[0];
    std::vector<standin::Point> outline = standin::Outline(shape, 0.01);
    auto inside = [&](standin::Point p) {
        bool in = false;
        for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++)
            if ((outline[i].y > p.y) != (outline[j].y > p.y) &&
                p.x < (outline[j].x - outline[i].x) * (p.y - outline[i].y) / (outline[j].y - outline[i].y) + outline[i].x)
                in = !in;
        return in;
    };
    auto distance = [&](standin::Point p) {
        double best = 1e300;
        for (size_t i = 0; i + 1 < outline.size(); ++i) {
            standin::Point a = outline[i], b = outline[i + 1];
            double dx = b.x - a.x, dy = b.y - a.y;
            double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            best = std::min(best, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
        }
        return best;
    };
    auto labels = Labels(cad);
    ASSERT_EQ(labels.size(), 5u);
    double total = 0;
    for (const standin::Entity* label : labels) {
        EXPECT_FALSE(inside(label->position)) << label->text;
        EXPECT_NEAR(distance(label->position), 6, 0.01) << label->text;
        EXPECT_GT(label->rotation, -90);
        EXPECT_LE(label->rotation, 90);
        EXPECT_EQ(label->attachment, 5);
        total += StrToFloat(label->text.substr(0, label->text.size() - 2));
    }
    // The sides add up to the element's length, the bulge side counted as its arc.
    ReadDxfEntities(tables_, dxf_);
    EXPECT_NEAR(total, MeasuredLength(tables_), 0.03);
    EXPECT_EQ(cad.Session().ReceivedLog().back(), kC8);
    EXPECT_EQ(cad.Session().Variable("FILEDIA"), "1");
}

// Aligned labels: the clicked label turned along the element at the click, found in world
// coordinates although the CAD reports the click in a moved coordinate system; a circle has no
// sides and gets the clicked label also when every side is asked for.
TEST_F(RunTest, AnAlignedLabelTurnsAlongTheElementWhereTheUserClicked) {
    struct Case {
        const char* drawing;
        const char* click;
        double rotation;
    } cases[] = {
        {"CIRCLE 1000,500 10\n", "click 1010,500\n", 90},
        {"CIRCLE 1000,500 10\n", "click 993,507\n", 45},
        {"LWPOLYLINE CLOSED 1000,500 1100,500 1100,560\n", "click 1050,535\n", 30.963756532073521},
        {"LINE 1000,500 1000,400\n", "click 1003,450\n", 90},
    };
    for (bool eachSide : {false, true}) {
        for (const Case& c : cases) {
            SimDesktop desk;
            CadLink link{desk, desk.Clock()};
            FakeDialog dialog;
            dialog.options = {eachSide, true};
            SimCad cad = desk.StartCad(CadLayout::Docked, c.drawing, std::string("select 1\n") + c.click);
            cad.Session().SetVariable("UCSORG", "1000,500,0", true);
            MeasureAndLabelRun(link, desk, desk.Clock(), dialog, tables_, workBase_).RunMeasureAndLabel();
            const bool hasSides = c.drawing[0] != 'C';
            if (eachSide && hasSides) {
                EXPECT_EQ(desk.Paints().size(), 1u) << c.drawing << "labelled without a click";
                continue;
            }
            auto labels = Labels(cad);
            ASSERT_EQ(labels.size(), 1u) << c.drawing;
            EXPECT_NEAR(labels[0]->rotation, c.rotation, 1e-9) << c.drawing << c.click;
            const auto& log = cad.Session().ReceivedLog();
            // The conventions, then the CAD's origin, read only, answered in its history; then
            // the label and C8.
            ASSERT_GE(log.size(), 12u);
            EXPECT_EQ(log[log.size() - 12], kC8);
            EXPECT_EQ(log[log.size() - 3], "'SETVAR UCSORG\r") << c.click;
            std::string point = cad.Session().Variable("LASTPOINT");
            std::string x = TakeFirstField(point), y = TakeFirstField(point);
            std::string text = FormatLength(MeasuredLength(tables_), 2) + "ｍ";
            EXPECT_EQ(log[log.size() - 2], "\x03-mtext " + x + "," + y + " h 50 r " +
                                               CadNumber(labels[0]->rotation) + " j mc w " +
                                               std::to_string(50 * text.size()) + " " + text + "\r\r")
                << c.click;
            EXPECT_EQ(log.back(), kC8);
        }
    }
}

} // namespace
} // namespace vermiq
