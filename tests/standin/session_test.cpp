// The stand-in CAD's command line as the tool meets it: each dialogue, cancel, the questions,
// the three forms of a variable's answer, the scripted user, the log and the state.
#include "standin/cad_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace standin {
namespace {

constexpr std::string_view kIdle = "コマンド: ";

const char* kDrawing =
    "LINE 0,0 100,0\n"
    "ARC 50,50 25 0 90\n"
    "LWPOLYLINE CLOSED 200,0 300,0,0.5 300,100\n"
    "MTEXT 10,10 5 0 TL 0 note\n";

std::unique_ptr<CadSession> MakeSession(std::string_view scenario = "", SessionOptions options = {}) {
    return std::make_unique<CadSession>(std::make_unique<Drawing>(Drawing::Parse(kDrawing)),
                                        std::make_unique<Scenario>(Scenario::Parse(scenario)), options);
}

std::string LastLine(const CadSession& session) {
    const auto& lines = session.HistoryLines();
    return lines.empty() ? std::string() : lines.back();
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A scratch folder of this test's own, emptied before and after.
class TempDir {
public:
    TempDir() : path_(std::filesystem::temp_directory_path() / ("standin_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
private:
    std::filesystem::path path_;
};

// ---- the command line

TEST(CommandLine, PromptShowsTypedTextUntilCrOrBlankEndsIt) {
    auto session = MakeSession();
    EXPECT_EQ(session->InputPaneText(), kIdle);
    session->Type("FILED");
    EXPECT_EQ(session->InputPaneText(), "コマンド: FILED");
    session->Type("IA");
    session->Type(" ");
    EXPECT_EQ(session->InputPaneText(), "FILEDIA の新しい値を入力 <1>: ");
    session->Type("0\r");
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(session->Variable("FILEDIA"), "0");
    EXPECT_EQ(session->HistoryLines(), (std::vector<std::string>{std::string(kIdle), "コマンド: FILEDIA", "FILEDIA の新しい値を入力 <1>: 0"}));
}

TEST(CommandLine, CtrlCCancelsTheActiveCommandAndLeavesACancelAtTheIdlePromptToo) {
    auto session = MakeSession();
    session->Type("\x03");
    EXPECT_EQ(session->HistoryLines(), (std::vector<std::string>{std::string(kIdle), "コマンド: *キャンセル*"}));
    EXPECT_EQ(session->InputPaneText(), kIdle);
    session->Type("SELECT ");
    session->Type("\x03");
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(LastLine(*session), "オブジェクトを選択: *キャンセル*");
    // Ctrl+C first in a text cancels, then the rest is typed as new input.
    session->Type("SELECT \x03" "FILEDIA 0 ");
    EXPECT_EQ(session->Variable("FILEDIA"), "0");
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

// A lagging CAD: each text waits its lag on the session's clock, in arrival order, and the
// scripted user acts at its own moment within one long step, between the texts.
TEST(CommandLine, LaggingInputIsTakenUpLateInOrderWhileTheUserActsOnTime) {
    TempDir dir;
    SessionOptions options;
    options.lagMs = 300;
    auto session = MakeSession("wait 100\nselect 1\n", options);
    session->Type("\x03" "FILEDIA 0 ");                        // taken up at 300
    session->Advance(100);
    session->Type("\x03" "SELECT SI\r");                       // at 400; the user selects at 500
    session->Advance(150);
    session->Type("DXFOUT \"" + dir.File("lag.dxf") + "\"\rVER 2000 OBJ PREV \r16 ");  // at 550
    EXPECT_EQ(session->ReceivedLog().size(), 3u);  // logged on arrival
    EXPECT_EQ(session->PendingInputs(), 3u);

    session->Advance(49);  // 299 ms: nothing taken up yet
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(session->HistoryLines(), std::vector<std::string>{std::string(kIdle)});  // as the CAD started
    EXPECT_EQ(session->Variable("FILEDIA"), "1");

    // One step over all four moments. Had the user acted only at the end of the step, the
    // export would have been typed into the selection prompt and written nothing.
    session->Advance(1000);
    EXPECT_EQ(session->Now(), 1299);
    EXPECT_EQ(session->PendingInputs(), 0u);
    EXPECT_EQ(session->Variable("FILEDIA"), "0");
    EXPECT_EQ(session->PreviousSelection(), std::vector<int>{0});
    EXPECT_TRUE(Contains(ReadFile(dir.File("lag.dxf")), "LINE"));
    EXPECT_EQ(session->HistoryLines()[1], "コマンド: *キャンセル*");
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

TEST(CommandLine, UnknownCommandAndKeyboardEditing) {
    auto session = MakeSession();
    session->TypeKeys("XYZ\r");
    EXPECT_TRUE(Contains(LastLine(*session), "XYZ"));
    EXPECT_EQ(session->InputPaneText(), kIdle);
    session->TypeKeys("ID\x08\x08" "日本\x08");
    EXPECT_EQ(session->InputPaneText(), "コマンド: 日");
    EXPECT_TRUE(session->ReceivedLog().empty()); // the keyboard is not the command channel
}

TEST(CommandLine, LogHoldsEachTextExactlyAsReceived) {
    auto session = MakeSession();
    std::vector<std::string> sent = {"\x03" "FILEDIA 0 ", "\x03" "SELECT SI\r", "Y\r", "", "日本語 \r"};
    for (const auto& text : sent) session->Type(text);
    EXPECT_EQ(session->ReceivedLog(), sent);
}

TEST(CommandLine, HistoryTextEndsEveryLineWithCrLf) {
    auto session = MakeSession();
    session->Type("ACADVER\r");
    EXPECT_EQ(session->HistoryText(), "コマンド: \r\nコマンド: ACADVER\r\nACADVER = 15.0 (読み込み専用)\r\n");
}

// ---- variables: the three forms of the answer

TEST(Variables, WritableValueStandsBetweenAnglesOnThePrompt) {
    auto session = MakeSession();
    session->Type("'SETVAR LASTPOINT\r");
    EXPECT_EQ(session->InputPaneText(), "LASTPOINT の新しい値を入力 <0.0000,0.0000,0.0000>: ");
    session->Type("\x03");
    EXPECT_TRUE(Contains(LastLine(*session), "*キャンセル*"));
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

TEST(Variables, ReadOnlyValueIsAHistoryLine) {
    for (std::string_view typed : {"ACADVER\r", "acadver\r", "'SETVAR ACADVER\r", "SETVAR ACADVER "}) {
        auto session = MakeSession();
        session->Type(typed);
        EXPECT_EQ(LastLine(*session), "ACADVER = 15.0 (読み込み専用)") << typed;
        EXPECT_EQ(session->InputPaneText(), kIdle) << typed;
    }
}

TEST(Variables, LongReadOnlyValueWrapsOverThreeLinesThatJoinBack) {
    SessionOptions options;
    options.historyWidth = 24;
    auto session = MakeSession("", options);
    session->SetVariable("dwgprefix", "C:\\Users\\someone\\Documents", true);
    session->Type("'SETVAR DWGPREFIX\r");
    const auto& lines = session->HistoryLines();
    ASSERT_GE(lines.size(), 3u);
    size_t n = lines.size();
    EXPECT_EQ(lines[n - 3] + lines[n - 2] + lines[n - 1], "DWGPREFIX = C:\\Users\\someone\\Documents (読み込み専用)");
    EXPECT_EQ(lines[n - 1], "(読み込み専用)");
    for (const auto& line : lines) EXPECT_LE(line.size(), 24u) << line;
}

TEST(Variables, WrappingNeverSplitsADoubleByteCharacter) {
    SessionOptions options;
    options.historyWidth = 5;
    auto session = MakeSession("", options);
    session->SetVariable("NOTE", "あいうえお", true);
    session->Type("NOTE\r");
    for (const auto& line : session->HistoryLines()) {
        for (size_t i = 0; i < line.size(); ++i) {
            if (IsLeadByte(static_cast<unsigned char>(line[i]))) {
                ASSERT_LT(i + 1, line.size()) << "a line ends inside a character";
                ++i;
            }
        }
    }
}

TEST(Variables, InvalidValuesAskAgain) {
    struct Case {
        const char* name;
        const char* bad;
        const char* good;
        const char* stored;
    };
    for (const Case& c : {Case{"FILEDIA", "2", "0", "0"}, Case{"LASTPOINT", "abc", "1.5,-2", "1.5000,-2.0000,0.0000"},
                          Case{"TEXTSIZE", "-1", "50", "50.0000"}}) {
        auto session = MakeSession();
        session->Type(std::string(c.name) + "\r" + c.bad + "\r");
        EXPECT_TRUE(Contains(session->InputPaneText(), "の新しい値を入力")) << c.name;
        session->Type(std::string(c.good) + "\r");
        EXPECT_EQ(session->InputPaneText(), kIdle) << c.name;
        EXPECT_EQ(session->Variable(c.name), c.stored);
    }
}

TEST(Variables, TransparentSetvarReturnsToTheInterruptedPrompt) {
    auto session = MakeSession();
    session->Type("SELECT ");
    session->Type("'SETVAR LASTPOINT\r");
    EXPECT_EQ(session->InputPaneText(), ">>LASTPOINT の新しい値を入力 <0.0000,0.0000,0.0000>: ");
    session->Type("5,6\r");
    EXPECT_EQ(session->InputPaneText(), "オブジェクトを選択: ");
    EXPECT_EQ(session->Variable("LASTPOINT"), "5.0000,6.0000,0.0000");
    session->Type("'ID\r");
    EXPECT_EQ(session->InputPaneText(), "オブジェクトを選択: "); // ID does not run transparently
}

// ---- SELECT and the scripted user

TEST(Select, ScriptedUserActsAfterTheWaitOfItsRequest) {
    auto session = MakeSession("wait 500\nselect 3\n");
    session->Type("\x03" "SELECT SI\r");
    EXPECT_EQ(session->WaitingFor(), CadSession::Waiting::Selection);
    session->Advance(499);
    EXPECT_EQ(session->InputPaneText(), "オブジェクトを選択: ");
    session->Advance(1);
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(session->PreviousSelection(), std::vector<int>{2});
    EXPECT_EQ(LastLine(*session), "オブジェクトを選択: 認識された数: 1");
}

TEST(Select, ActionsAtTheSelectionRequest) {
    struct Case {
        const char* scenario;
        std::vector<int> selected;
    };
    const Case cases[] = {
        {"select 2", {1}},
        {"select none", {}},
        {"cancel", {}},
        {"click 50,0.5", {0}},       // on the line
        {"click 250,0.5", {2}},      // on the polyline's straight edge
        {"select 99", {}},           // no such entity: nothing is found, SI waits on
    };
    for (const Case& c : cases) {
        auto session = MakeSession(c.scenario);
        session->Type("\x03" "SELECT SI\r");
        session->Advance(200);
        EXPECT_EQ(session->PreviousSelection(), c.selected) << c.scenario;
    }
    auto cancelled = MakeSession("cancel");
    cancelled->Type("\x03" "SELECT SI\r");
    cancelled->Advance(200);
    EXPECT_TRUE(Contains(LastLine(*cancelled), "キャンセル"));
    EXPECT_EQ(cancelled->InputPaneText(), kIdle);
}

TEST(Select, ClickOnNothingKeepsTheSingleSelectionWaiting) {
    auto session = MakeSession("wait 50\nclick 1000,1000\nwait 100\nselect 1");
    session->Type("SELECT SI\r");
    session->Advance(50);
    EXPECT_EQ(LastLine(*session), "オブジェクトを選択: 認識された数: 0");
    session->Advance(99); // the wait counts from the prompt that follows the missed click
    EXPECT_EQ(session->WaitingFor(), CadSession::Waiting::Selection);
    session->Advance(1);
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(session->PreviousSelection(), std::vector<int>{0});
}

TEST(Select, WithoutSiGathersUntilEnter) {
    auto session = MakeSession();
    session->Type("SELECT ");
    session->UserSelects(0);
    session->UserSelects(2);
    session->UserSelects(0);
    EXPECT_EQ(LastLine(*session), "オブジェクトを選択: 認識された数: 1、合計 2 個");
    session->Type("\r");
    EXPECT_EQ(session->PreviousSelection(), (std::vector<int>{0, 2}));
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

// The scripted user's pick of several elements at once, ended by Enter as a user ends it.
TEST(Select, SeveralElementsInOnePickThenEnter) {
    auto session = MakeSession("wait 100\nselect 3,1,99,3\n");
    session->Type("\x03" "SELECT\r");
    session->Advance(100);
    EXPECT_EQ(session->PreviousSelection(), (std::vector<int>{2, 0}));
    EXPECT_EQ(session->InputPaneText(), kIdle);
    const auto& history = session->HistoryLines();
    EXPECT_NE(std::find(history.begin(), history.end(), "オブジェクトを選択: 認識された数: 2"), history.end());
}

TEST(Select, PersonAtTheWindowSelectsAndCancels) {
    auto session = std::make_unique<CadSession>(std::make_unique<Drawing>(Drawing::Parse(kDrawing)), nullptr);
    session->Type("SELECT SI\r");
    session->Advance(10000); // nothing happens by itself
    EXPECT_EQ(session->WaitingFor(), CadSession::Waiting::Selection);
    session->UserClicks(50, 50); // the arc's centre: nothing there
    EXPECT_EQ(session->WaitingFor(), CadSession::Waiting::Selection);
    session->UserClicks(75, 50); // on the arc
    EXPECT_EQ(session->PreviousSelection(), std::vector<int>{1});
    session->Type("SELECT SI\r");
    session->UserCancels();
    EXPECT_TRUE(Contains(LastLine(*session), "キャンセル"));
}

TEST(Select, ScenarioSelectAtAPointRequestCancels) {
    auto session = MakeSession("select 1");
    session->Type("ID ");
    session->Advance(10);
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_TRUE(Contains(LastLine(*session), "キャンセル"));
}

// ---- ID

TEST(Id, ClickWritesXYZLineAndSetsLastPoint) {
    auto session = MakeSession("wait 300\nclick 150,80.125");
    session->Type("\x03" "ID ");
    EXPECT_EQ(session->InputPaneText(), "点を指定: ");
    EXPECT_EQ(session->WaitingFor(), CadSession::Waiting::Point);
    session->Advance(300);
    EXPECT_EQ(LastLine(*session), "X = 150.0000  Y = 80.1250  Z = 0.0000");
    EXPECT_EQ(session->Variable("LASTPOINT"), "150.0000,80.1250,0.0000");
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

TEST(Id, PointsCarryTheUnitPrecision) {
    auto session = MakeSession();
    session->Type("LUPREC 2 ID 1.005,-2\r");
    EXPECT_EQ(LastLine(*session), "X = 1.00  Y = -2.00  Z = 0.00");
    EXPECT_EQ(session->Variable("LASTPOINT"), "1.00,-2.00,0.00");
}

TEST(Id, TypedPointEnterAndCancel) {
    auto typed = MakeSession();
    typed->Type("ID -3.5,2\r");
    EXPECT_EQ(LastLine(*typed), "X = -3.5000  Y = 2.0000  Z = 0.0000");

    auto entered = MakeSession("select none");
    entered->Type("ID ");
    entered->Advance(1);
    EXPECT_EQ(entered->InputPaneText(), kIdle);
    EXPECT_FALSE(Contains(LastLine(*entered), "X"));
    EXPECT_EQ(entered->Variable("LASTPOINT"), "0.0000,0.0000,0.0000");

    auto cancelled = MakeSession("cancel");
    cancelled->Type("ID ");
    cancelled->Advance(1);
    EXPECT_TRUE(Contains(LastLine(*cancelled), "キャンセル"));
}

// ---- DXFOUT

class Export : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(Export, ThePassWritesThePreviousSelection) {
    auto session = MakeSession("select 2");
    session->Type("\x03" "FILEDIA 0 ");
    session->Type("\x03" "SELECT SI\r");
    session->Advance(200);
    std::string path = dir.File("with blanks in name.dxf");
    session->Type("DXFOUT \"" + path + "\"\rVER 2000 OBJ PREV \r16 ");
    EXPECT_EQ(session->InputPaneText(), kIdle);
    std::string dxf = ReadFile(path);
    EXPECT_TRUE(Contains(dxf, "\r\n  0\r\nARC\r\n"));
    EXPECT_FALSE(Contains(dxf, "\r\n  0\r\nLINE\r\n"));
    EXPECT_TRUE(Contains(dxf, " 40\r\n25.0000000000000000\r\n"));
    EXPECT_TRUE(Contains(LastLine(*session), "書き出しました"));
}

TEST_F(Export, WithoutObjectsTheWholeDrawingAtTheGivenDecimals) {
    auto session = MakeSession();
    session->Type("FILEDIA 0 ");
    std::string path = dir.File("all");
    session->Type("DXFOUT \"" + path + "\"\r3 ");
    std::string dxf = ReadFile(path + ".dxf"); // the extension is added
    for (const char* kind : {"LINE", "ARC", "LWPOLYLINE", "MTEXT"})
        EXPECT_TRUE(Contains(dxf, std::string("\r\n  0\r\n") + kind + "\r\n")) << kind;
    EXPECT_TRUE(Contains(dxf, " 11\r\n100.000\r\n"));
}

TEST_F(Export, FileDialogsOnMeanNoCommandLineExport) {
    auto session = MakeSession();
    std::string path = dir.File("x.dxf");
    session->Type("DXFOUT \"" + path + "\"\rVER 2000 OBJ PREV \r16 ");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

TEST_F(Export, EmptySelectionWritesNoFile) {
    auto session = MakeSession("select none");
    session->Type("FILEDIA 0 SELECT SI\r");
    session->Advance(1);
    EXPECT_TRUE(session->PreviousSelection().empty());
    std::string path = dir.File("none.dxf");
    session->Type("DXFOUT \"" + path + "\"\rVER 2000 OBJ PREV \r16 ");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

TEST_F(Export, QuestionsBeforeWriting) {
    struct Case {
        bool askExport;
        bool exists;
        std::vector<std::string> answers; // to the questions in turn
        bool written;
    };
    const Case cases[] = {
        {false, false, {}, true},
        {false, true, {"Y\r"}, true},
        {false, true, {"N\r"}, false},
        {false, true, {"\r"}, false},      // the replace question defaults to no
        {true, false, {"Y\r"}, true},
        {true, false, {"\r"}, true},       // the export question defaults to yes
        {true, false, {"N\r"}, false},
        {true, true, {"Y\r", "Y\r"}, true},
        {true, true, {"Y\r", "N\r"}, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SessionOptions options;
        options.askExport = c.askExport;
        auto session = MakeSession("", options);
        std::string path = dir.File("q" + std::to_string(++n) + ".dxf");
        if (c.exists) std::ofstream(path) << "old";
        session->Type("FILEDIA 0 DXFOUT \"" + path + "\"\rVER 2000 16 ");
        std::vector<std::string> asked;
        for (const std::string& answer : c.answers) {
            asked.push_back(session->InputPaneText());
            session->Type(answer);
        }
        if (c.askExport) {
            EXPECT_TRUE(Contains(asked.at(0), "書き出しますか")) << n;
        }
        if (c.exists && (!c.askExport || c.answers.size() > 1)) {
            EXPECT_TRUE(Contains(asked.back(), "置き換えますか")) << n;
        }
        EXPECT_EQ(session->InputPaneText(), kIdle) << n;
        EXPECT_EQ(ReadFile(path) != "old" && std::filesystem::exists(path), c.written) << n;
    }
}

TEST_F(Export, AnswersThatDoNotFitAskAgain) {
    auto session = MakeSession();
    session->Type("FILEDIA 0 DXFOUT \"" + dir.File("v.dxf") + "\"\rVER 2013 ");
    EXPECT_TRUE(Contains(session->InputPaneText(), "バージョンを入力"));
    session->Type("2000 17 ");
    EXPECT_TRUE(Contains(session->InputPaneText(), "桁数"));
    session->Type("B ");
    EXPECT_TRUE(Contains(session->InputPaneText(), "桁数"));
    session->Type("OBJ nonsense ");
    EXPECT_EQ(session->InputPaneText(), "オブジェクトを選択: ");
    session->Type("ALL \r");
    EXPECT_EQ(session->PreviousSelection().size(), 4u);
    session->Type("0 ");
    EXPECT_TRUE(std::filesystem::exists(dir.File("v.dxf")));
}

// ---- -mtext

TEST(Mtext, TheToolsLabelCommand) {
    auto session = MakeSession();
    std::uint64_t before = session->Revision();
    session->Type("\x03" "-mtext 150.0000,80.0000 h 50 r 0 j mc w 350     3ｍ\r\r");
    EXPECT_EQ(session->InputPaneText(), kIdle);
    const Entity& label = session->GetDrawing().Entities().back();
    EXPECT_EQ(label.kind, EntityKind::Mtext);
    EXPECT_EQ(label.position, (Point{150, 80}));
    EXPECT_EQ(label.height, 50);
    EXPECT_EQ(label.width, 350);
    EXPECT_EQ(label.attachment, 5);
    EXPECT_EQ(label.rotation, 0);
    EXPECT_EQ(label.text, "    3ｍ"); // the leading blanks are part of the text
    EXPECT_GT(session->Revision(), before);
    EXPECT_TRUE(Contains(session->StateText(), "\nMTEXT 150,80 50 350 MC 0     3ｍ\n"));
}

TEST(Mtext, SeveralLinesCornerWidthAndOptionsInAnyOrder) {
    auto session = MakeSession();
    session->Type("-MTEXT 0,0 R 30 J br H 2.5 S standard 40,10 first\rsecond line\r\r");
    const Entity& label = session->GetDrawing().Entities().back();
    EXPECT_EQ(label.text, "first\\Psecond line");
    EXPECT_EQ(label.width, 40);
    EXPECT_EQ(label.rotation, 30);
    EXPECT_EQ(label.attachment, 9);
    EXPECT_EQ(label.height, 2.5);
    EXPECT_EQ(session->Variable("TEXTSIZE"), "2.5000");
}

TEST(Mtext, WorldPointsAndPointsInAMovedCoordinateSystem) {
    auto session = MakeSession();
    session->SetVariable("UCSORG", "100,50,0", true);
    // "*x,y" is a world point; a plain one is in the user's system; ID reports in the user's.
    session->Type("\x03-mtext *10.5,-20 h 5 r -26.565051177077986 j mc w 10 a\r\r");
    session->Type("\x03-mtext 10.5,-20 h 5 r 90 j tl w 10 b\r\r");
    const auto& all = session->GetDrawing().Entities();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].position, (Point{10.5, -20}));
    EXPECT_EQ(all[all.size() - 2].rotation, -26.565051177077986);
    EXPECT_EQ(all[all.size() - 2].attachment, 5);
    EXPECT_EQ(all.back().position, (Point{110.5, 30}));
    EXPECT_EQ(all.back().attachment, 1);
    EXPECT_TRUE(Contains(session->StateText(), "\nMTEXT 10.5,-20 5 10 MC -26.565051177077986 a\n"));
    session->Type("\x03ID *110,70\r");
    EXPECT_EQ(session->Variable("LASTPOINT"), "10.0000,20.0000,0.0000");
    session->Type("\x03ID ");
    session->UserClicks(100, 50);
    EXPECT_EQ(session->Variable("LASTPOINT"), "0.0000,0.0000,0.0000");
    session->Type("'SETVAR UCSORG\r");
    EXPECT_EQ(LastLine(*session), "UCSORG = 100,50,0 (読み込み専用)");
}

TEST(Mtext, BadValuesAskAgainAndCancelDrawsNothing) {
    auto session = MakeSession();
    size_t count = session->GetDrawing().Entities().size();
    session->Type("-mtext , ");
    EXPECT_EQ(session->InputPaneText(), "最初のコーナーを指定: ");
    session->Type("1,1 h 0 ");
    EXPECT_TRUE(Contains(session->InputPaneText(), "文字の高さ"));
    session->Type("5 j xx ");
    EXPECT_TRUE(Contains(session->InputPaneText(), "位置合わせ"));
    session->Type("mc w -450 ");
    EXPECT_EQ(session->InputPaneText(), "幅を指定: ");
    session->Type("450 half a label\x03");
    EXPECT_EQ(session->GetDrawing().Entities().size(), count);
    EXPECT_TRUE(Contains(LastLine(*session), "キャンセル"));
    session->Type("-mtext 1,1 w 10 \r"); // an empty first line ends without a label
    EXPECT_EQ(session->GetDrawing().Entities().size(), count);
    EXPECT_EQ(session->InputPaneText(), kIdle);
}

// ---- one whole pass, as the tool sends it

TEST_F(Export, OnePassOfARun) {
    SessionOptions options;
    options.askExport = true;
    auto session = MakeSession("wait 600\nselect 1\nwait 1000\nclick 40,-20", options);
    std::string path = dir.File("pass.dxf");
    std::ofstream(path) << "left from the last pass";
    auto poll = [&] { session->Advance(200); return session->InputPaneText(); };

    session->Type("\x03" "FILEDIA 0 ");
    session->Type("\x03" "SELECT SI\r");
    int polls = 1;
    while (poll() != kIdle) ++polls;
    EXPECT_EQ(polls, 3);
    EXPECT_FALSE(Contains(LastLine(*session), "キャンセル"));
    session->Type("DXFOUT \"" + path + "\"\rVER 2000 OBJ PREV \r16 ");
    int answers = 0;
    for (std::string input = session->InputPaneText(); input != kIdle && !input.empty(); input = poll()) {
        if (Contains(input, "書き出しますか")) session->Type("Y\r"), ++answers;
        if (Contains(input, "置き換えますか")) session->Type("Y\r"), ++answers;
    }
    EXPECT_EQ(answers, 2);
    session->Type("FILEDIA 1 ");
    EXPECT_TRUE(Contains(ReadFile(path), "\r\nLINE\r\n"));

    session->Type("\x03" "FILEDIA 0\r");
    session->Type("\x03" "FILEDIA 0\r");
    session->Type("\x03" "ID ");
    while (poll() != kIdle) {}
    EXPECT_TRUE(Contains(LastLine(*session), "X"));
    session->Type("'SETVAR LASTPOINT\r");
    EXPECT_EQ(session->InputPaneText(), "LASTPOINT の新しい値を入力 <40.0000,-20.0000,0.0000>: ");
    session->Type("\x03");
    session->Type("\x03" "FILEDIA 1\r");
    session->Type("\x03" "-mtext 40.0000,-20.0000 h 50 r 0 j mc w 450  100.00ｍ\r\r");
    session->Type("\x03" "FILEDIA 1\r");

    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(session->Variable("FILEDIA"), "1");
    EXPECT_EQ(session->StateText(),
              "VAR FILEDIA 1\nVAR LASTPOINT 40.0000,-20.0000,0.0000\n"
              "LINE 0,0 100,0\nARC 50,50 25 0 90\nLWPOLYLINE CLOSED 200,0 300,0,0.5 300,100\n"
              "MTEXT 10,10 5 0 TL 0 note\nMTEXT 40,-20 50 450 MC 0  100.00ｍ\n");
    EXPECT_EQ(session->ReceivedLog().size(), 14u);
}

// ---- robustness

// Fragments of every dialogue in random order, with stray bytes and time passing: the session
// must stay consistent (no crash, a prompt always shown, idle after a final Ctrl+C). FILEDIA is
// never typed, so no file is written.
TEST(CommandLine, SurvivesRandomInput) {
    const std::vector<std::string> fragments = {
        "SELECT ", "SI\r", "\x03", "DXFOUT ", "\"a b", "ID ", "-mtext ", "h ", "j ", "mc ", "w ", "r ", "1,2 ",
        "'SETVAR ", "LASTPOINT\r", "ACADVER\r", "\r", " ", "P ", "ALL ", "L ", "\x08", "日本", "\x82", "x",
        "-1e308,5 ", "'", "OBJ ", "Y\r", "N\r", "TEXTSIZE ", "LUPREC ", "9 ", "?\r"};
    std::mt19937 random(12345);
    auto session = MakeSession("select 1\nclick 50,0\nselect none\ncancel\nselect 3\nclick 1e300,-1e300");
    for (int i = 0; i < 20000; ++i) {
        session->Type(fragments[random() % fragments.size()]);
        if (random() % 5 == 0) session->Advance(static_cast<int>(random() % 300));
        if (random() % 3 == 0) session->UserClicks(static_cast<double>(random() % 400) - 100, static_cast<double>(random() % 200) - 50);
        if (random() % 7 == 0) session->UserSelects(static_cast<int>(random() % 8) - 2);
        ASSERT_FALSE(session->InputPaneText().empty());
    }
    session->Type("\x03");
    EXPECT_EQ(session->InputPaneText(), kIdle);
    EXPECT_EQ(session->Variable("FILEDIA"), "1");
    EXPECT_LE(session->HistoryLines().size(), 5000u);
}

// ---- scenario files

TEST(ScenarioFile, ParsesEveryVerb) {
    Scenario s = Scenario::Parse("# comment\n\nwait 250\r\nselect 2\nSELECT NONE\ncancel\n  click -1.5,2e1\nwait 0\nclick 3,4\n"
                                 "select 3,1,12\n");
    using K = Action::Kind;
    std::vector<Action> expected = {{K::Select, 2, {}, 250},     {K::SelectNone, 0, {}, 0}, {K::Cancel, 0, {}, 0},
                                    {K::Click, 0, {-1.5, 20}, 0}, {K::Click, 0, {3, 4}, 0},
                                    {K::SelectSeveral, 0, {}, 0, {3, 1, 12}}};
    EXPECT_EQ(s.Actions(), expected);
}

TEST(ScenarioFile, RejectsWhatIsNotAnAction) {
    for (const char* bad : {"select 0", "select", "select x", "wait -1", "wait", "click 3", "click a,b", "cancel now",
                            "jump", "select 1 2", "select 1,", "select 1,0", "select ,2"}) {
        EXPECT_THROW(Scenario::Parse(bad), FormatError) << bad;
    }
}

} // namespace
} // namespace standin
