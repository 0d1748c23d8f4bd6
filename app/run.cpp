// The measure-and-label run: select in the CAD, export, read, measure, pick a point, label.
#include "app/run.h"

#include <cmath>
#include <utility>

#include "app/length_text.h"
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

    host_.SetRunInProgress(true);
    host_.SetMinimised(true);
    try {
        if (link_.BringCadToFront()) {
            bool stopped = false;
            do {
                stopped = RunPass() == PassEnd::Stop;
            } while (host_.CheckBox1Checked() && !stopped);
        }
    } catch (...) {
        // Whatever ends the run early (an error, the dialog being closed, a clipboard held by
        // another program) leaves the user's CAD with its file dialogs on and the dialog back.
        if (passOpen_) Send(run_text::C8);
        host_.SetMinimised(false);
        host_.SetRunInProgress(false);
        throw;
    }
    host_.SetMinimised(false);
    host_.SetRunInProgress(false);
}

void MeasureAndLabelRun::WaitForExport(const std::string& promptBefore) {
    // Each question is answered once: a CAD that takes its input up late shows the question
    // again at the next polls, and a second "Y" would be typed into whatever comes after it.
    bool answeredExport = false, answeredReplace = false;
    link_.WaitForCommandDone("DXFOUT", promptBefore, true, [&](const std::string& prompt) {
        if (!answeredExport && prompt.find(run_text::AskExport) != std::string::npos) {
            answeredExport = true;
            Send(run_text::C4);
        }
        if (!answeredReplace && prompt.find(run_text::AskReplace) != std::string::npos) {
            answeredReplace = true;
            Send(run_text::C4);
        }
    });
}

MeasuredValue MeasureAndLabelRun::MeasureDxf(const LabelOptions& options) {
    ReadDxfEntities(tables_, dxfWorkFile_);
    return MeasureForLabel(tables_, {options.total, options.area});
}

MeasureAndLabelRun::PassEnd MeasureAndLabelRun::RunPass() {
    host_.RemoveFile(dxfWorkFile_);
    host_.RemoveFile(csvWorkFile_);
    WindowHandle historyPane = link_.LocateCommandHistoryPane();
    const std::string promptBeforeSelection = link_.ReadCommandInput();
    const LabelOptions options = host_.LabelOptionsInUse();
    Send(run_text::C1);
    Send(options.total ? run_text::C2Several : run_text::C2);
    link_.PaintPrompt(historyPane, run_text::SelectPrompt);
    // Over once the CAD, having taken SELECT up, is idle again: until it takes the command up
    // its idle prompt and its last history line (a Ctrl+C at the idle prompt leaves a cancel
    // there) are those of before. After all polls the pass goes on as if the prompt had come.
    link_.WaitForCommandDone("SELECT", promptBeforeSelection, false);

    if (link_.LastHistoryLine().find(run_text::Cancelled) != std::string::npos) {
        Send(run_text::C8);
        return PassEnd::Stop;
    }
    Pause(400);
    const std::string promptBeforeExport = link_.ReadCommandInput();
    Send(ExportCommand(dxfWorkFile_));
    WaitForExport(promptBeforeExport);
    Send(run_text::C5);

    if (!host_.FileExists(dxfWorkFile_)) {
        Send(run_text::C8);
        return PassEnd::Stop;
    }
    const MeasuredValue measured = MeasureDxf(options);
    const LabelAmount amount = InUnits(measured, options.units);
    if (!(amount.value > 0.0) || !std::isfinite(amount.value)) {
        Send(run_text::C8);
        return PassEnd::Continue;
    }
    // A total has no sides. An area follows its sides in the clicked label.
    if (options.eachSide && !options.total &&
        LabelEachSide(host_.ComboBox2Index(), host_.Edit1Text(), options.units) && !measured.isArea) {
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
    std::string rotation = options.alongElement ? RotationAtPick(x, y) : "0";
    Send(LabelCommand(x, y, SizeTextToSend(sizeText), LabelWidth(lengthText, size), lengthText, rotation));
    Send(run_text::C8);
    return PassEnd::Continue;
}

} // namespace vermiq
