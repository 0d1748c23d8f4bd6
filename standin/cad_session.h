// The simulated CAD's command line: typed input in; prompt, history, drawing and DXF files out.
//
// Commands (any case, optionally preceded by "_"; a command at a waiting prompt that begins
// with "'" runs transparently, and its prompts begin with ">>"):
//   SELECT               "オブジェクトを選択: " until Enter; option SI ends at the first
//                        selection. The selection, also an empty one, becomes the previous set.
//   DXFOUT               with FILEDIA 0: file name (in double quotes when it holds blanks;
//                        ".dxf" is added when it has no extension), then options V(ersion) 2000,
//                        O(bjects) (PREV, ALL, L(ast) or picks; Enter ends), and the number of
//                        decimals 0..16 (Enter: 16), which writes the file. Before writing it may
//                        ask "…書き出しますか" (when so configured) and, for an existing file,
//                        "…置き換えますか"; Y or Enter says yes, N no. With FILEDIA 1 it would
//                        open a file dialog, which the stand-in does not have: it says so and ends.
//   ID                   "点を指定: "; the answer line "X = …  Y = …  Z = …"; sets LASTPOINT.
//   -MTEXT               insertion point, then H height, J justification, R rotation, S style,
//                        W width (or the opposite corner), then text lines up to an empty line.
//   SETVAR / a variable  "NAME の新しい値を入力 <value>: "; a read-only one answers with the
//                        history line "NAME = value (読み込み専用)".
//   -LAYER               options M (the layer made if missing, then current), S (an existing one
//                        current), N (made); each asks for a name, then the options come back
//                        until Enter. CLAYER holds the current layer; each label records it.
// SETVAR's first prompt offers the variable set last as its default ("… <FILEDIA>: "). A pick
// at the selection prompt completes the prompt's line with "認識された数: N" (English "N found");
// an empty selection leaves the bare prompt line and keeps the previous set, as only a selection
// that found something replaces it. Enter at the idle prompt repeats the last command, after a
// bare idle prompt line.
// Ctrl+C (code 3) cancels whatever is active with a history line ending "*キャンセル*"; at the
// idle prompt too, where it leaves "コマンド: *キャンセル*".
// Typed points are in the user's coordinate system, the world's moved to the read-only variable
// UCSORG and turned to the axes UCSXDIR and UCSYDIR (the world's unless the host defines them,
// shown with LUPREC decimals); "*x,y" is a world point. ID reports in the user's system, as
// LASTPOINT holds it; clicks and the drawing are in world coordinates. A typed angle (the
// -MTEXT rotation, ANGBASE) is read in AUNITS only: a number or that unit's own form (12d3'4",
// 100g, 1.5r; with surveyor's units only a bearing such as N45d0'0"E, which names a direction
// whatever ANGBASE and ANGDIR say), counted from ANGBASE in ANGDIR's direction in the user's
// system. ANGBASE is kept in degrees and shown in AUNITS with AUPREC decimals (0: "90", "100g",
// "2r", "N"). A label's rotation is kept as a world angle.
#pragma once

#include "standin/drawing.h"
#include "standin/scenario.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct SessionOptions {
    // DXFOUT asks "…書き出しますか" before writing.
    bool askExport = false;
    // History lines longer than this many bytes are wrapped (at a blank where one is near
    // enough, never inside a double-byte character), as a narrow text window shows them; 0 keeps
    // every line whole.
    int historyWidth = 0;
    // Typed input is taken up this many milliseconds after it arrives, on the session's clock,
    // as a busy CAD takes it up on its own message loop; until then the prompt, the history and
    // the files show the state before it. 0: at once, before Type returns.
    int lagMs = 0;
    // The CAD takes no input for this many milliseconds after the first input reaches it, as a
    // CAD with a dialog open or a long regeneration running does; what arrives meanwhile waits,
    // in order, and the prompt and the history stay as they were.
    int busyMs = 0;
    // An English user interface: "Command: ", "Select objects: ", "Specify point: ", "*Cancel*"
    // and "N found"; every other text stays Japanese.
    bool english = false;
    // A copy of the history ends with the current prompt line, as the text window shows it.
    bool promptInHistory = false;
    // DXFOUT takes this many milliseconds to write its file: part of it is on disk at once, the
    // whole when the export ends. Until then the prompt shows the export (or nothing, with
    // emptyPaneWhileWorking) and typed input waits.
    int exportMs = 0;
    bool emptyPaneWhileWorking = false;

    // How a pick's count shows: completing the selection prompt's line with "認識された数: N"
    // (the CAD maker's own transcript), the older "N 個を検出" on a line of its own after the bare
    // prompt line, or a form that no source shows, which the tool must not depend on.
    enum class FoundForm { Sourced, Older, Unseen };
    FoundForm foundForm = FoundForm::Sourced;
    // Entities (counted from 1) on a locked layer: a pick counts them, then refuses them with a
    // line of its own, and the previous selection set stays. In single mode the refused pick
    // ends the selection all the same: the harsher of what a CAD may do.
    std::vector<int> lockedEntities{};
    // The first this many history copies place nothing on the clipboard, as when another
    // program holds it just as the CAD copies.
    int failedCopies = 0;
    // The export's file stays open without sharing this many milliseconds after it is written,
    // as a virus scanner holds a new file.
    int exportHeldMs = 0;
};

// One CAD session with a drawing. All texts are code-page-932 bytes. The host (StandinCad.exe,
// or the simulated desktop of the native tests) feeds it typed input and the passage of time;
// everything the tool can observe of the CAD is read back from here.
class CadSession {
public:
    // Either may be null: an empty drawing; no scripted user (only a person acts).
    CadSession(std::unique_ptr<Drawing> drawing, std::unique_ptr<Scenario> scenario,
               SessionOptions options = {});
    ~CadSession();
    CadSession(const CadSession&) = delete;
    CadSession& operator=(const CadSession&) = delete;

    // Input as the CAD receives it from one WM_COPYDATA with dwData 1, already converted to
    // code page 932: Ctrl+C (code 3) cancels the active command, CR or a blank ends an input.
    // Logged in ReceivedLog when it arrives; taken up at once or, with a lag, by Advance.
    void Type(std::string_view text);
    // Texts that have arrived but are not yet taken up.
    std::size_t PendingInputs() const;
    // The same from a person at the stand-in's own keyboard: not logged. Backspace (8) removes
    // the last character typed.
    void TypeKeys(std::string_view text);

    // The command input pane's text: the current prompt followed by what has been typed.
    // Exactly "コマンド: " while idle.
    std::string InputPaneText() const;

    // The whole history as the text window copies it: lines ended by CR LF.
    std::string HistoryText() const;
    const std::vector<std::string>& HistoryLines() const;

    // Time passes on the session's clock; lagging input is taken up when it falls due, and the
    // scripted user acts on a pending request (select, click, cancel) once its scripted wait is
    // over, each at its own moment within the step.
    void Advance(int milliseconds);
    std::int64_t Now() const;

    // Interactive requests from a person at the stand-in's window (no scenario).
    enum class Waiting { Nothing, Selection, Point };
    Waiting WaitingFor() const;
    void UserSelects(int entityIndex);   // from 0; -1: selects nothing (Enter)
    void UserClicks(double x, double y); // a point, or at a selection request the entity there
    void UserCancels();
    // How far from an entity a click still selects it, in drawing units; by default 1% of the
    // drawing's larger extent.
    void SetPickTolerance(double tolerance);

    // What the host plays beyond the session itself. TakeFailedCopy: true when the history copy
    // being made now is to place nothing. HeldExport: the export file that is to be held open
    // without sharing now; empty when none. TakeHang: milliseconds for which the host is to stop
    // answering messages, as a scenario "hang MS" asked; 0 when nothing is asked.
    bool TakeFailedCopy();
    std::string HeldExport() const;
    int TakeHang();

    // Every text received by Type, exactly as received, one entry per call.
    const std::vector<std::string>& ReceivedLog() const;

    // System variables as text ("FILEDIA" -> "1", "LASTPOINT" -> "x,y,z"); empty for an
    // unknown name. Names in any case.
    std::string Variable(std::string_view name) const;
    // Defines or changes a variable, for tests and the host's options (a long read-only value
    // shows the wrapped answer).
    void SetVariable(std::string_view name, std::string_view value, bool readOnly = false);

    const Drawing& GetDrawing() const;
    // The previous selection set: indexes into the drawing's entities, from 0.
    const std::vector<int>& PreviousSelection() const;
    // Rises with every change of the drawing or a variable, so a host knows when to write its
    // state file.
    std::uint64_t Revision() const;
    // The drawing, labels included, and the variables FILEDIA and LASTPOINT, in the drawing
    // format (drawing.h) after two lines "VAR FILEDIA value" and "VAR LASTPOINT x,y,z".
    std::string StateText() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace standin
