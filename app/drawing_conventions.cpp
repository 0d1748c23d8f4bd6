// How the user's drawing reads what the tool types: angles and the label layer.
#include "app/drawing_conventions.h"

#include <cctype>
#include <cmath>
#include <numbers>

#include "app/side_labels.h"
#include "cadlink/cad_link.h"
#include "common/cp932.h"
#include "dxf/convert.h"

namespace vermiq {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// `value` brought into [0, turn).
double Wrapped(double value, double turn) {
    value = std::fmod(value, turn);
    return value < 0 ? value + turn : value;
}

// Rounded to `places` decimals: a converted angle carries no noise of the conversion.
double Rounded(double value, int places) {
    const double scale = std::pow(10.0, places);
    return std::round(value * scale) / scale;
}

// A plain decimal number (sign, digits, at most one point), and how many decimals it shows.
bool ShownNumber(std::string_view text, double& value, int& decimals) {
    const std::size_t point = text.find('.');
    decimals = point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+') return false;
    return TryStrToFloat(text, value);
}

struct Shown {
    double degrees = 0;
    double halfStep = 0;  // half the last shown digit, in degrees
};

// Degrees, minutes and seconds: 90d, 45d30', 12d3'4.5".
std::optional<Shown> DegreesMinutesSeconds(std::string_view text) {
    const std::size_t d = text.find('d');
    if (d == std::string_view::npos || d == 0) return std::nullopt;
    Shown shown;
    double part = 0;
    int decimals = 0;
    if (!ShownNumber(text.substr(0, d), part, decimals)) return std::nullopt;
    const double sign = text[0] == '-' ? -1 : 1;
    shown.degrees = part;
    shown.halfStep = 0.5 * std::pow(10.0, -decimals);
    std::string_view rest = text.substr(d + 1);
    const char marks[] = {'\'', '"'};
    double unit = 1.0 / 60;
    for (char mark : marks) {
        if (rest.empty()) break;
        const std::size_t end = rest.find(mark);
        if (end == std::string_view::npos || !ShownNumber(rest.substr(0, end), part, decimals)) return std::nullopt;
        shown.degrees += sign * part * unit;
        shown.halfStep = 0.5 * std::pow(10.0, -decimals) * unit;
        rest.remove_prefix(end + 1);
        unit /= 60;
    }
    if (!rest.empty()) return std::nullopt;
    return shown;
}

// A bearing: N, S, E, W alone, or N/S, degrees-minutes-seconds, E/W.
std::optional<Shown> Bearing(std::string_view text) {
    if (text.size() == 1) {
        switch (std::toupper(static_cast<unsigned char>(text[0]))) {
        case 'E': return Shown{0, 0};
        case 'N': return Shown{90, 0};
        case 'W': return Shown{180, 0};
        case 'S': return Shown{270, 0};
        }
        return std::nullopt;
    }
    if (text.size() < 3) return std::nullopt;
    const char from = static_cast<char>(std::toupper(static_cast<unsigned char>(text.front())));
    const char toward = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    if ((from != 'N' && from != 'S') || (toward != 'E' && toward != 'W')) return std::nullopt;
    std::optional<Shown> offset = DegreesMinutesSeconds(text.substr(1, text.size() - 2));
    if (!offset) return std::nullopt;
    const double east = toward == 'E' ? 1 : -1;
    offset->degrees = from == 'N' ? 90 - east * offset->degrees : 270 + east * offset->degrees;
    return offset;
}

std::optional<Shown> ShownAngle(std::string_view text, int angleUnits) {
    if (text.empty()) return std::nullopt;
    const char last = text.back();
    if (std::isalpha(static_cast<unsigned char>(text.front()))) return Bearing(text);
    if (text.find('d') != std::string_view::npos) return DegreesMinutesSeconds(text);
    // A plain number is in the drawing's unit; a suffix names the unit itself.
    double factor = angleUnits == 2 ? 0.9 : angleUnits == 3 ? 1 / kDegree : 1;
    if (last == 'g' || last == 'r') {
        factor = last == 'g' ? 0.9 : 1 / kDegree;
        text.remove_suffix(1);
    }
    double value = 0;
    int decimals = 0;
    if (!ShownNumber(text, value, decimals)) return std::nullopt;
    return Shown{value * factor, 0.5 * std::pow(10.0, -decimals) * factor};
}

bool PlainAxes(const DrawingConventions& c) {
    return c.xAxisX == 1 && c.xAxisY == 0 && c.yAxisX == 0 && c.yAxisY == 1;
}

// A direction given in the world, as an angle counter-clockwise from the user's X axis.
double UserAngle(double worldDegrees, const DrawingConventions& c) {
    if (PlainAxes(c)) return worldDegrees;
    const double dx = std::cos(worldDegrees * kDegree), dy = std::sin(worldDegrees * kDegree);
    return std::atan2(dx * c.yAxisX + dy * c.yAxisY, dx * c.xAxisX + dy * c.xAxisY) / kDegree;
}

// 12d3'4.5": the seconds to four decimals.
std::string DegreesMinutesSecondsText(double degrees) {
    const double seconds = Rounded(Wrapped(degrees, 360) * 3600, 4);
    const double whole = std::floor(seconds / 3600);
    const double minutes = std::floor((seconds - whole * 3600) / 60);
    const double rest = Rounded(seconds - whole * 3600 - minutes * 60, 4);
    return CadNumber(whole) + "d" + CadNumber(minutes) + "'" + CadNumber(rest) + "\"";
}

// The bearing of a direction counter-clockwise from the user's X axis, without blanks so that
// the command line takes it as one input: N45d0'0"E.
std::string BearingText(double degrees) {
    const double a = Rounded(Wrapped(degrees, 360), 8);
    if (a == 0 || a == 360) return "E";
    if (a == 90) return "N";
    if (a == 180) return "W";
    if (a == 270) return "S";
    if (a < 90) return "N" + DegreesMinutesSecondsText(90 - a) + "E";
    if (a < 180) return "N" + DegreesMinutesSecondsText(a - 90) + "W";
    if (a < 270) return "S" + DegreesMinutesSecondsText(270 - a) + "W";
    return "S" + DegreesMinutesSecondsText(a - 270) + "E";
}

// The angle that the CAD reads as the user-system direction `userDegrees`, in its own unit.
std::string TypedUserAngle(double userDegrees, const DrawingConventions& c) {
    // A bearing names its direction whatever the angle base and direction.
    if (c.angleUnits == 4) return BearingText(userDegrees);
    const double value = c.clockwise ? c.angleBase - userDegrees : userDegrees - c.angleBase;
    switch (c.angleUnits) {
    case 1: return DegreesMinutesSecondsText(value);
    case 2: return CadNumber(Rounded(Wrapped(value, 360) / 0.9, 8)) + "g";
    case 3: return CadNumber(Rounded(Wrapped(value, 360) * kDegree, 10)) + "r";
    default: {
        double degrees = Rounded(Wrapped(value, 360), 8);
        return CadNumber(degrees > 180 ? degrees - 360 : degrees);
    }
    }
}

bool IsPlain(const DrawingConventions& c) {
    return PlainAxes(c) && c.angleBase == 0 && !c.clockwise && c.angleUnits == 0;
}

// x,y,z as the CAD prints a point; false unless all three are numbers.
bool Direction(std::string text, double& x, double& y) {
    double z = 0;
    return TryStrToFloat(TakeFirstField(text), x) && TryStrToFloat(TakeFirstField(text), y) &&
           TryStrToFloat(TakeFirstField(text), z) && std::abs(z) < 1e-3;
}

} // namespace

std::optional<double> AngleFromCadText(std::string_view text, int angleUnits) {
    std::string compact;
    for (char c : text)
        if (c != ' ') compact += c;
    std::optional<Shown> shown = ShownAngle(compact, angleUnits);
    if (!shown || !std::isfinite(shown->degrees)) return std::nullopt;
    const double quarter = std::round(shown->degrees / 90) * 90;
    if (std::abs(shown->degrees - quarter) <= shown->halfStep) return Wrapped(quarter, 360);
    return Wrapped(shown->degrees, 360);
}

DrawingConventions ConventionsFromAnswers(std::string xDir, std::string yDir, std::string_view angleBase,
                                          std::string_view angleDirection, std::string_view angleUnits) {
    DrawingConventions c;
    std::int32_t units = 0, direction = 0;
    if (TryStrToInt(angleUnits, units) && units >= 0 && units <= 4) c.angleUnits = units;
    if (TryStrToInt(angleDirection, direction)) c.clockwise = direction == 1;
    if (std::optional<double> base = AngleFromCadText(angleBase, c.angleUnits)) c.angleBase = *base;
    double xx = 0, xy = 0, yx = 0, yy = 0;
    if (Direction(xDir, xx, xy) && Direction(yDir, yx, yy)) {
        const double xLength = std::hypot(xx, xy), yLength = std::hypot(yx, yy);
        // Printed to a few decimals: unit length and a right angle to within that.
        if (std::abs(xLength - 1) < 1e-3 && std::abs(yLength - 1) < 1e-3 && std::abs(xx * yx + xy * yy) < 1e-3 &&
            !(xx == 1 && xy == 0 && yx == 0 && yy == 1)) {
            c.xAxisX = xx / xLength;
            c.xAxisY = xy / xLength;
            c.yAxisX = yx / yLength;
            c.yAxisY = yy / yLength;
        }
    }
    return c;
}

std::string TypedRotation(double worldDegrees, const DrawingConventions& conventions) {
    // A plain drawing gets the number as it always has.
    if (IsPlain(conventions)) return CadNumber(worldDegrees);
    return TypedUserAngle(UserAngle(worldDegrees, conventions), conventions);
}

std::string LevelRotation(const DrawingConventions& conventions) {
    return IsPlain(conventions) ? "0" : TypedUserAngle(0, conventions);
}

void UserPointToWorld(const DrawingConventions& c, double originX, double originY, double& x, double& y) {
    const double ux = x, uy = y;
    if (PlainAxes(c)) {
        x = ux + originX;
        y = uy + originY;
        return;
    }
    x = originX + ux * c.xAxisX + uy * c.yAxisX;
    y = originY + ux * c.xAxisY + uy * c.yAxisY;
}

bool IsLabelLayerName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    constexpr std::string_view kForbidden = "<>/\\\":;?*|,=`'";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsCp932LeadByte(c)) {
            if (++i >= name.size()) return false;  // a character cut in half
            continue;
        }
        if (c <= ' ' || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos) return false;
    }
    return true;
}

std::string LayerCommand(char option, std::string_view name) {
    std::string command = "\x03_.-LAYER _";
    command += option;
    command += ' ';
    command += name;
    command += "\r\r";
    return command;
}

} // namespace vermiq
