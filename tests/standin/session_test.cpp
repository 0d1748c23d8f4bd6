// The stand-in CAD's command line as the tool meets it: each dialogue, cancel, the questions.
#include "standin/cad_session.h"
#include "standin/drawing.h"
#include "standin/scenario.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace standin {
namespace {

constexpr char kCtrlC = '\x03';

std::unique_ptr<Drawing> SampleDrawing() {
    return std::make_unique<Drawing>(Drawing::Parse(
        "LINE 0,0 100,0\n"
        "ARC 50,50 25 0 90\n"
        "LWPOLYLINE CLOSED 200,0 300,0,0.5 300,100\n"
        "MTEXT 10,10 5 0 TL 0 note\n"));
}

std::unique_ptr<CadSession> SessionWith(std::string_view scenario, SessionOptions options = {}) {
    return std::make_unique<CadSession>(SampleDrawing(),
                                        std::make_unique<Scenario>(Scenario::Parse(scenario)), options);
}

std::string LastLine(const CadSession& session) {
    const auto& lines = session.HistoryLines();
    return lines.empty() ? std::string() : lines.back();
}

TEST(CadSession, IdlePromptIsExact) {
    CadSession session(nullptr, nullptr);
    EXPECT_EQ(session.InputPaneText(), "コマンド: ");
    session.Type("FIL");
    EXPECT_EQ(session.InputPaneText(), "コマンド: FIL");
}

TEST(CadSession, SelectSingleWithScriptedUser) {
    auto session = SessionWith("wait 500\nselect 1\n");
    session->Type(std::string(1, kCtrlC) + "SELECT SI\r");
    EXPECT_EQ(session->InputPaneText(), "オブジェクトを選択: ");
    EXPECT_EQ(session->WaitingFor(), CadSession::Waiting::Selection);
    session->Advance(400);
    EXPECT_EQ(session->InputPaneText(), "オブジェクトを選択: ");
    session->Advance(200);
    EXPECT_EQ(session->InputPaneText(), "コマンド: ");
    EXPECT_EQ(session->PreviousSelection(), std::vector<int>{0});
    EXPECT_EQ(LastLine(*session).find("キャンセル"), std::string::npos);
}

} // namespace
} // namespace standin
