// The measured value in the user's units, and the texts of those units.
#include "app/label_units.h"

#include <cmath>

#include "app/side_labels.h"
#include "common/cp932.h"
#include "dxf/convert.h"

namespace vermiq {

std::optional<double> FactorFromText(std::string_view text) {
    double value = 0.0;
    if (!TryStrToFloat(text, value) || !(value > 0.0) || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FactorText(double factor) { return CadNumber(factor); }

bool IsUnitText(std::string_view text) {
    if (text.size() > kMaxUnitBytes) return false;
    if (!text.empty() && (text.front() == ' ' || text.back() == ' ')) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsCp932LeadByte(c)) {
            if (i + 1 == text.size()) return false;
            const unsigned char trail = static_cast<unsigned char>(text[++i]);
            if (trail < 0x40 || trail > 0xFC || trail == 0x7F) return false;
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA1) || c > 0xDF) {
            return false;
        }
    }
    return true;
}

DisplayUnits StoredUnits(std::string_view factorText, std::string_view unitText) {
    DisplayUnits units;
    if (std::optional<double> factor = FactorFromText(factorText)) units.factor = *factor;
    if (IsUnitText(unitText)) units.unit = unitText;
    return units;
}

std::string AreaUnit(std::string_view unit) {
    if (unit.empty()) return {};
    if (unit == kUnitMark || unit == "m") return "㎡";
    return std::string(unit) + "^2";
}

LabelAmount InUnits(const MeasuredValue& measured, const DisplayUnits& units) {
    if (!measured.isArea) return {measured.value * units.factor, units.unit};
    return {measured.value * units.factor * units.factor, AreaUnit(units.unit)};
}

} // namespace vermiq
