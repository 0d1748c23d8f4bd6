// The measure-and-label run: select in the CAD, export, read, measure, pick a point, label.
#include "app/run.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "app/error_text.h"
#include "app/length_text.h"
#include "cadlink/history_checks.h"
#include "cadlink/silent_abort.h"
#include "app/work_files.h"
#include "dxf/measured_value.h"
#include "dxf/reader.h"

namespace vermiq {

std::string ExportCommand(std::string_view dxfPath) {
    std::string command = "DXFOUT \"";
    command += dxfPath;
    command += "\"\rVER 2000 OBJ PREV \r16 ";
    return command;
}

std::string LabelCommand(std::string_view x, std::string_view y, std::string_view sizeText,
                         std::int64_t labelWidth, std::string_view lengthText,
                         std::string_view rotation) {
    std::string point(x);
    point += ',';
    point += y;
    return LabelCommandAt(point, sizeText, rotation, labelWidth, lengthText);
}

std::string LabelCommandAt(std::string_view point, std::string_view sizeText, std::string_view rotation,
                           std::int64_t labelWidth, std::string_view lengthText) {
    std::string command = "\x03-mtext ";
    command += point;
    command += " h ";
    command += sizeText;
    command += " r ";
    command += rotation;
    command += " j mc w ";
    command += std::to_string(labelWidth);
    command += ' ';
    command += lengthText;
    command += "\r\r";
    return command;
}

MeasureAndLabelRun::MeasureAndLabelRun(CadLink& link, Desktop& desktop, Waiter& waiter,
                                       RunHost& host, EntityTables& tables,
                                       std::string workBaseName)
    : link_(link), desktop_(desktop), waiter_(waiter), host_(host), tables_(tables),
      dxfWorkFile_(ReplaceExtension(workBaseName, ".dxf")),
      csvWorkFile_(ReplaceExtension(workBaseName, ".csv")) {}

void MeasureAndLabelRun::Send(std::string_view ansiCommand) {
    link_.SendCadCommand(desktop_.AnsiToWide(ansiCommand));
    if (ansiCommand == run_text::C1) passOpen_ = true;
    if (ansiCommand == run_text::C8) passOpen_ = false;
}

void MeasureAndLabelRun::Pause(int milliseconds) {
    waiter_.Sleep(milliseconds);
}

void MeasureAndLabelRun::RunMeasureAndLabel() {
    // A size that is not a number is reported before the CAD is touched, while the dialog is
    // still as the user left it.
    RoundedSize(host_.Edit1Text());
    if (!host_.ClaimRun()) throw std::runtime_error(std::string(run_text::OtherRunRunning));

    host_.SetRunInProgress(true);
    host_.SetMinimised(true);
    struct EndOfRun {
        MeasureAndLabelRun& run;
        ~EndOfRun() {
            run.link_.EndRun();
            run.host_.SetMinimised(false);
            run.host_.SetRunInProgress(false);
            run.host_.ReleaseRun();
        }
    };
    EndOfRun endOfRun{*this};
    try {
        // Each run goes to the CAD the user worked in last, and stays with it.
        if (link_.BeginRun()) {
            link_.BringCadToFront();
            bool stopped = false;
            do {
                stopped = RunPass() == PassEnd::Stop;
            } while (host_.CheckBox1Checked() && !stopped);
        }
    } catch (const CadGone&) {
        // The user closed the CAD: there is nothing left to put back, and no other CAD is typed
        // into.
    } catch (const CadNotTakingInput&) {
        // What was sent waits in the CAD; the closing FILEDIA 1 queues behind it and cancels
        // whatever it would start, once the CAD takes it all up.
        RestoreUserLayer();
        if (passOpen_) Send(run_text::C8);
        throw std::runtime_error(std::string(run_text::CadBusy));
    } catch (const CadNotAnswering&) {
        // The closing FILEDIA 1 goes to the CAD as soon as it answers again: its Ctrl+C cancels
        // the tool's command, whatever the CAD took up before it stopped. The user's layer goes
        // back with it, typed after it.
        std::string closing;
        if (passOpen_) closing = run_text::C8;
        if (layerToRestore_) closing += LayerCommand('S', *std::exchange(layerToRestore_, std::nullopt));
        if (!closing.empty()) link_.LeaveCommand(desktop_.AnsiToWide(closing));
        throw std::runtime_error(std::string(run_text::CadNotAnswering));
    } catch (const HistoryUnavailable&) {
        CloseOpenPass();
        throw std::runtime_error(std::string(run_text::HistoryUnreadable));
    } catch (...) {
        // Whatever ends the run early (an error, the dialog being closed, a clipboard held by
        // another program) leaves the user's CAD with its file dialogs on and the dialog back.
        CloseOpenPass();
        throw;
    }
}

void MeasureAndLabelRun::CloseOpenPass() {
    if (!passOpen_) return;
    try {
        if (link_.IsIdleOrWithoutPane(link_.ReadCommandInput()) || link_.InToolCommand()) {
            RestoreUserLayer();
            Send(run_text::C8);
        }
    } catch (...) {
        // Leaving anyway; the CAD is beyond reach.
    }
}

void MeasureAndLabelRun::RefusePass(std::string_view message) {
    Send(run_text::C8);
    throw std::runtime_error(std::string(message));
}

MeasureAndLabelRun::PassEnd MeasureAndLabelRun::EndAsCancelled() {
    if (link_.WaitUntilIdle()) Send(run_text::C8);
    return PassEnd::Stop;
}

bool MeasureAndLabelRun::WaitForExport(const std::string& promptBefore) {
    // Each question is answered once: a CAD that takes its input up late shows the question
    // again at the next polls, and a second "Y" would be typed into whatever comes after it.
    // The file is looked at after every poll: a large export is written over seconds, and the
    // CAD may look idle, or show nothing, while it writes.
    bool answeredExport = false, answeredReplace = false;
    FileStamp before = host_.StampFile(dxfWorkFile_), now = before;
    const CadLink::WaitEnd end =
        link_.WaitForCommand("DXFOUT", promptBefore, true, true, [&](const std::string& prompt) {
            if (!answeredExport && prompt.find(run_text::AskExport) != std::string::npos) {
                answeredExport = true;
                Send(run_text::C4);
            }
            if (!answeredReplace && prompt.find(run_text::AskReplace) != std::string::npos) {
                answeredReplace = true;
                Send(run_text::C4);
            }
            before = std::move(now);
            now = host_.StampFile(dxfWorkFile_);
        });
    if (end == CadLink::WaitEnd::NotTakenUp) throw CadNotTakingInput();
    if (end == CadLink::WaitEnd::GaveUp) return false;
    // The CAD is done; a file still being written is waited for, as long as any wait.
    for (int poll = 0; now.exists && !IsFinishedExport(now, before) && poll < CadLink::WaitPolls; ++poll) {
        Pause(CadLink::PollMilliseconds);
        waiter_.ProcessMessages();
        if (link_.CadHasGone()) throw CadGone();
        before = std::move(now);
        now = host_.StampFile(dxfWorkFile_);
    }
    return !now.exists || IsFinishedExport(now, before);
}

MeasuredValue MeasureAndLabelRun::MeasureDxf(const LabelOptions& options) {
    ReadDxfEntities(tables_, dxfWorkFile_);
    return MeasureForLabel(tables_, {options.total, options.area});
}

MeasureAndLabelRun::PassEnd MeasureAndLabelRun::RunPass() {
    host_.RemoveFile(dxfWorkFile_);
    host_.RemoveFile(csvWorkFile_);
    // A work file that could not be deleted counts only once the export has replaced it.
    const FileStamp leftOver = host_.StampFile(dxfWorkFile_);
    WindowHandle historyPane = link_.LocateCommandHistoryPane();
    const std::string promptBeforeSelection = link_.ReadCommandInput();
    if (!promptBeforeSelection.empty() && !IsJapanesePrompt(promptBeforeSelection))
        throw std::runtime_error(std::string(run_text::OnlyJapanese));
    const LabelOptions options = host_.LabelOptionsInUse();
    Send(run_text::C1);
    Send(options.total || options.takeOff ? run_text::C2Several : run_text::C2);
    link_.PaintPrompt(historyPane, run_text::SelectPrompt);
    // Over once the CAD, having taken SELECT up, is idle again: until it takes the command up
    // its idle prompt and its history are those of before. It lasts as long as the user is
    // selecting.
    if (link_.WaitForCommand("SELECT", promptBeforeSelection, false, false) == CadLink::WaitEnd::NotTakenUp)
        throw CadNotTakingInput();

    // Only a selection of this pass that found an object goes on: after an empty one, a cancel
    // or a command of the user's own, the previous selection set is an earlier pass's.
    const bool single = !options.total && !options.takeOff;
    SelectionOutcome selection = ReadToolSelection(link_.CompletedHistoryLines(), single);
    if (selection.result != SelectionOutcome::Result::Found) return EndAsCancelled();
    Pause(400);
    std::string promptBeforeExport = link_.ReadCommandInput();
    while (!link_.IsIdleOrWithoutPane(promptBeforeExport)) {
        // An Enter of habit right after the pick repeats the selection. Once the user has ended
        // it, the pass goes on, unless that picked something or was a command of the user's own.
        link_.WaitUntilIdle(false);
        selection = ReadToolSelection(link_.CompletedHistoryLines(), single);
        if (selection.result != SelectionOutcome::Result::Found) return EndAsCancelled();
        promptBeforeExport = link_.ReadCommandInput();
    }
    if (single && selection.count.value_or(1) > 1) RefusePass(run_text::OneElement);
    // A pick that the CAD may have refused, with no export of this run to tell the previous set
    // by: whatever the export would bring might be an earlier selection.
    if (!selection.certain && previousExport_.empty()) RefusePass(run_text::SelectionNotTaken);
    Send(ExportCommand(dxfWorkFile_));
    const bool finished = WaitForExport(promptBeforeExport);
    if (!finished) RefusePass(Filled(run_text::UnfinishedExport, dxfWorkFile_));
    Send(run_text::C5);

    const FileStamp exported = host_.StampFile(dxfWorkFile_);
    if (!exported.exists) {
        Send(run_text::C8);
        return PassEnd::Stop;
    }
    if (leftOver.exists && exported == leftOver) RefusePass(Filled(run_text::StaleWorkFile, dxfWorkFile_));
    const MeasuredValue measured = MeasureDxf(options);
    if (!tables_.ReachedEof) {
        // The tail looked whole, yet the reader met no end pair: never a value of half a file.
        RefusePass(Filled(run_text::UnfinishedExport, dxfWorkFile_));
    }
    std::vector<std::string> handles = tables_.EntityHandles;
    std::sort(handles.begin(), handles.end());
    if (!selection.certain && (handles.empty() || handles == previousExport_)) RefusePass(run_text::SelectionNotTaken);
    previousExport_ = std::move(handles);
    if (options.takeOff) return CopyTakeOff(options.units);
    if (tables_.MeasurableCount() == 0) RefusePass(run_text::NothingMeasurable);
    if (single && tables_.MeasurableCount() > 1) RefusePass(run_text::OneElement);
    const LabelAmount amount = InUnits(measured, options.units);
    if (!(amount.value > 0.0) || !std::isfinite(amount.value)) {
        Send(run_text::C8);
        return PassEnd::Continue;
    }
    if (!link_.IsIdleOrWithoutPane(link_.ReadCommandInput())) return EndAsCancelled();  // the user's command
    // A total has no sides. An area follows its sides in the clicked label.
    if (options.eachSide && !options.total &&
        LabelEachSide(host_.ComboBox2Index(), host_.Edit1Text(), options) && !measured.isArea) {
        Send(run_text::C8);
        return PassEnd::Continue;
    }
    std::string lengthText = FormatLength(amount.value, host_.ComboBox2Index());
    Send(run_text::C6);
    std::string x, y;
    bool picked = link_.PickPoint(historyPane, run_text::PickPrompt, x, y);
    if (!picked) {
        Send(run_text::C8);
        return PassEnd::Stop;
    }
    lengthText += amount.unit;
    std::string sizeText = host_.Edit1Text();
    std::int32_t size = RoundedSize(sizeText);
    std::string rotation = SingleLabelRotation(options, x, y);
    SendLabels({LabelCommand(x, y, SizeTextToSend(sizeText), LabelWidth(lengthText, size), lengthText, rotation)},
               options.layer);
    Send(run_text::C8);
    return PassEnd::Continue;
}

} // namespace vermiq
