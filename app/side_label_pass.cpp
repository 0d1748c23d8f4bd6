// The run's labels along the element: a label on every side without a click, and the clicked
// label turned along the element where the user clicked.
#include "app/length_text.h"
#include "app/run.h"
#include "app/side_labels.h"
#include "dxf/convert.h"

namespace vermiq {

bool MeasureAndLabelRun::LabelEachSide(int decimals, const std::string& sizeText, const DisplayUnits& units) {
    std::vector<SideLabel> sides = SideLabels(tables_, StrToFloat(sizeText));
    if (sides.empty()) return false;
    const std::int32_t size = RoundedSize(sizeText);
    // The CAD takes typed input in order, so each label command follows the one before as C8
    // follows the single label; the first character of each cancels whatever is left over.
    for (const SideLabel& side : sides) {
        std::string text = FormatLength(side.Length * units.factor, decimals) + units.unit;
        Send(LabelCommandAt(WorldPointText(side.X, side.Y), SizeTextToSend(sizeText), CadNumber(side.Rotation),
                            LabelWidth(text, size), text));
    }
    return true;
}

std::string MeasureAndLabelRun::RotationAtPick(const std::string& x, const std::string& y) {
    double px = 0, py = 0;
    if (!TryStrToFloat(x, px) || !TryStrToFloat(y, py)) return "0";
    // The CAD gives the picked point in the user's coordinate system; the element's points are
    // world points. A moved origin is added back; without an answer the systems are taken as one.
    std::string origin = link_.QueryCadVariable("UCSORG");
    std::string ox = TakeFirstField(origin), oy = TakeFirstField(origin);
    double dx = 0, dy = 0;
    if (TryStrToFloat(ox, dx) && TryStrToFloat(oy, dy)) {
        px += dx;
        py += dy;
    }
    std::optional<double> rotation = RotationAlong(tables_, px, py);
    return rotation ? CadNumber(*rotation) : "0";
}

} // namespace vermiq
