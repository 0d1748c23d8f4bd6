// The simulated CAD's command line: typed input in; prompt, history, drawing and DXF files out.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

class Drawing;   // drawing.h: the entities and the MTEXT labels
class Scenario;  // scenario.h: what the scripted user does at each interactive request

// One CAD session with a drawing. All texts are code-page-932 bytes. The host (StandinCad.exe,
// or the simulated desktop of the native tests) feeds it typed input and the passage of time;
// everything the tool can observe of the CAD is read back from here.
class CadSession {
public:
    CadSession(std::unique_ptr<Drawing> drawing, std::unique_ptr<Scenario> scenario);
    ~CadSession();

    // Input as the CAD receives it from one WM_COPYDATA with dwData 1, already converted to
    // code page 932: Ctrl+C (code 3) cancels the active command, CR or a blank ends an input.
    void Type(std::string_view text);

    // The command input pane's text: the current prompt followed by what has been typed.
    // Exactly "コマンド: " while idle.
    std::string InputPaneText() const;

    // The whole history as the text window copies it: lines ended by CR LF.
    std::string HistoryText() const;

    // Time passes on the session's clock; the scripted user acts on a pending request (select,
    // click, cancel) once its scripted wait is over.
    void Advance(int milliseconds);

    // Interactive requests from a person at the stand-in's window (no scenario).
    enum class Waiting { Nothing, Selection, Point };
    Waiting WaitingFor() const;
    void UserSelects(int entityIndex);   // -1: selects nothing
    void UserClicks(double x, double y);
    void UserCancels();

    // Every text received by Type, exactly as received, one entry per call.
    const std::vector<std::string>& ReceivedLog() const;

    // System variables as text ("FILEDIA" -> "1", "LASTPOINT" -> "x,y,z").
    std::string Variable(std::string_view name) const;

    const Drawing& GetDrawing() const;
};

} // namespace standin
