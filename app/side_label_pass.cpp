// The run's labels along the element: a label on every side without a click, and the clicked
// label turned along the element where the user clicked.
#include "app/length_text.h"
#include "app/run.h"
#include "app/side_labels.h"
#include "dxf/convert.h"

namespace vermiq {

bool MeasureAndLabelRun::LabelEachSide(int decimals, const std::string& sizeText, const LabelOptions& options) {
    std::vector<SideLabel> sides = SideLabels(tables_, StrToFloat(sizeText));
    if (sides.empty()) return false;
    const std::int32_t size = RoundedSize(sizeText);
    const DisplayUnits& units = options.units;
    // The CAD takes typed input in order, so each label command follows the one before as C8
    // follows the single label; the first character of each cancels whatever is left over.
    std::vector<std::string> commands;
    for (const SideLabel& side : sides) {
        std::string text = FormatLength(side.Length * units.factor, decimals) + units.unit;
        commands.push_back(LabelCommandAt(WorldPointText(side.X, side.Y), SizeTextToSend(sizeText),
                                          TypedRotation(side.Rotation, Conventions()), LabelWidth(text, size), text));
    }
    SendLabels(commands, options.layer);
    return true;
}

std::string MeasureAndLabelRun::RotationAtPick(const std::string& x, const std::string& y) {
    double px = 0, py = 0;
    if (!TryStrToFloat(x, px) || !TryStrToFloat(y, py)) return "0";
    // The CAD gives the picked point in the user's coordinate system; the element's points are
    // world points. It goes into the world by the system's axes and origin; without an answer
    // the systems are taken as one.
    const DrawingConventions& conventions = Conventions();
    std::string origin = link_.QueryCadVariable("UCSORG");
    std::string ox = TakeFirstField(origin), oy = TakeFirstField(origin);
    double dx = 0, dy = 0;
    if (!TryStrToFloat(ox, dx) || !TryStrToFloat(oy, dy)) dx = dy = 0;
    UserPointToWorld(conventions, dx, dy, px, py);
    std::optional<double> rotation = RotationAlong(tables_, px, py);
    return rotation ? TypedRotation(*rotation, conventions) : LevelRotation(conventions);
}

} // namespace vermiq
