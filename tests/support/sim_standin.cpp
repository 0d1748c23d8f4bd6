// Hosting the stand-in's CAD session on the simulated desktop.
#include <memory>

#include "standin/cad_session.h"
#include "standin/drawing.h"
#include "standin/scenario.h"
#include "tests/support/sim_desktop.h"

namespace vermiq::sim {
namespace {

class SessionBehaviour final : public CadBehaviour {
public:
    explicit SessionBehaviour(std::unique_ptr<standin::CadSession> session)
        : session_(std::move(session)) {}
    standin::CadSession& Session() { return *session_; }
    void Type(std::string_view text) override { session_->Type(text); }
    std::string InputPaneText() const override { return session_->InputPaneText(); }
    std::string HistoryText() const override { return session_->HistoryText(); }
    void Advance(int milliseconds) override { session_->Advance(milliseconds); }
private:
    std::unique_ptr<standin::CadSession> session_;
};

} // namespace

SimCad SimDesktop::StartCad(CadLayout layout, std::string_view drawingText,
                            std::string_view scenarioText, CadOptions options) {
    auto drawing = std::make_unique<standin::Drawing>(standin::Drawing::Parse(drawingText));
    auto scenario = std::make_unique<standin::Scenario>(standin::Scenario::Parse(scenarioText));
    standin::SessionOptions sessionOptions = options.session;
    sessionOptions.askExport = options.askExport;
    sessionOptions.historyWidth = options.historyWidth;
    sessionOptions.lagMs = options.lagMs;
    sessionOptions.busyMs = options.busyMs;
    sessionOptions.english = options.english;
    sessionOptions.promptInHistory = options.promptInHistory;
    sessionOptions.exportMs = options.exportMs;
    sessionOptions.emptyPaneWhileWorking = options.emptyPaneWhileWorking;
    auto behaviour = std::make_unique<SessionBehaviour>(std::make_unique<standin::CadSession>(
        std::move(drawing), std::move(scenario), sessionOptions));
    standin::CadSession* session = &behaviour->Session();
    SimCad cad = Host(layout, std::move(behaviour), options);
    cads_[cad.index_].session = session;
    return cad;
}

} // namespace vermiq::sim
