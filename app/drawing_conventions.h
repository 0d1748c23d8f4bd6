// How the user's drawing reads what the tool types: its coordinate system, where its angles
// start, which way they run and the unit they are typed in; and the layer its labels go on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vermiq {

// The conventions of the drawing as far as labels need them. The defaults are those of a plain
// drawing, and stand for any variable the CAD did not answer.
struct DrawingConventions {
    // The user's coordinate system's axes as world directions (UCSXDIR, UCSYDIR).
    double xAxisX = 1, xAxisY = 0;
    double yAxisX = 0, yAxisY = 1;
    double angleBase = 0;    // ANGBASE in degrees, counter-clockwise from the user's X axis
    bool clockwise = false;  // ANGDIR 1
    int angleUnits = 0;      // AUNITS: 0 degrees, 1 d/m/s, 2 grads, 3 radians, 4 surveyor's
};

// The conventions from the CAD's answers to UCSXDIR, UCSYDIR, ANGBASE, ANGDIR and AUNITS. An
// empty or unreadable answer keeps the plain drawing's value; so does an axis pair that is not
// two perpendicular directions in the world's plane.
DrawingConventions ConventionsFromAnswers(std::string xDir, std::string yDir, std::string_view angleBase,
                                          std::string_view angleDirection, std::string_view angleUnits);

// An angle as the CAD shows it in `angleUnits` (decimal degrees, 90d0'0", 100g, 1.5708r, or a
// bearing such as N45d0'0"E), in degrees. A bearing is the direction it names, counter-clockwise
// from the user's X axis. Shown with few decimals, a value whose rounding covers a multiple of
// 90 degrees is taken as that multiple: angle bases are nearly always one of the four quarters.
std::optional<double> AngleFromCadText(std::string_view text, int angleUnits);

// The rotation to type for a label that runs along the world direction `worldDegrees`
// (counter-clockwise from the world X axis), and for one level in the user's coordinate system.
// Typed in the drawing's own angle unit, from its angle base and in its direction; in a plain
// drawing exactly the number given ("0" for a level label).
std::string TypedRotation(double worldDegrees, const DrawingConventions& conventions);
std::string LevelRotation(const DrawingConventions& conventions);

// A point given in the user's coordinate system with origin (originX, originY), in the world.
void UserPointToWorld(const DrawingConventions& conventions, double originX, double originY, double& x, double& y);

// A layer name the label layer may take: not empty, at most 255 bytes of code page 932, none of
// the characters that layer names forbid (< > / \ " : ; ? * | , = ` '), and no blank or control
// character, since the command line would end the name there.
bool IsLabelLayerName(std::string_view name);
inline constexpr const char* kLayerRefused =
    "記入画層には、< > / \\ \" : ; ? * | , = ` ' と空白を含まない画層名を入力してください (空欄: 現在の画層)";

// The command that makes `name` the current layer, creating it when the drawing lacks it ('M'),
// or sets an existing layer current again ('S'); it ends the layer command.
std::string LayerCommand(char option, std::string_view name);

} // namespace vermiq
