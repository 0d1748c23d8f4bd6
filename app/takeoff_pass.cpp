// The run's quantity take-off: the table of the export by layer and kind, in the user's units
// and decimals, put on the clipboard as Unicode text for a spreadsheet to paste.
#include <stdexcept>
#include <string>

#include "app/error_text.h"
#include "app/length_text.h"
#include "app/run.h"
#include "dxf/takeoff.h"

namespace vermiq {

MeasureAndLabelRun::PassEnd MeasureAndLabelRun::CopyTakeOff(const DisplayUnits& units) {
    // The CAD's part is over, and with it every read of its history, whose clipboard copies
    // give the user's contents back: the table must come after the last of them.
    Send(run_text::C8);
    const TakeOff takeOff = TakeOffByLayer(tables_);
    if (takeOff.rows.empty()) {
        notice_ = run_text::NothingToTakeOff;
        return PassEnd::Stop;
    }
    const int decimals = host_.ComboBox2Index();
    const std::string table = TakeOffText(takeOff, [&](double value, bool area) {
        // A cell holds the number alone: no unit, and none of the label's padding blanks.
        const std::string text = FormatLength(value * (area ? units.factor * units.factor : units.factor), decimals);
        return text.substr(text.find_first_not_of(' '));
    });
    try {
        desktop_.OpenClipboard()->SetUnicodeText(desktop_.AnsiToWide(table));
    } catch (const ClipboardError&) {
        // Unlike a history read, the table is what the user asked for: its loss is told.
        throw std::runtime_error(std::string(run_text::TakeOffNotCopied));
    }
    notice_ = Filled(run_text::TakeOffCopied, std::to_string(takeOff.total.count));
    return PassEnd::Stop;
}

} // namespace vermiq
