// How a measured length is written on the drawing: its text, the unit mark and the label width.
#include "app/length_text.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "dxf/convert.h"

namespace vermiq {
namespace {

// Rounds a string of decimal digits (no point) at `keep` digits, half up; returns the kept
// digits, one longer when a carry ran out of the front ("999" -> "1000").
std::string RoundDigitsHalfUp(std::string digits, size_t keep) {
    if (keep >= digits.size()) {
        digits.append(keep - digits.size(), '0');
        return digits;
    }
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (up) {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) digits.insert(digits.begin(), '1');
        else ++digits[i - 1];
    }
    return digits;
}

} // namespace

std::string FormatLength(double length, int decimals) {
    if (decimals < 0) decimals = kDefaultDecimals;
    if (!std::isfinite(length)) {
        char text[32];
        std::snprintf(text, sizeof text, "%5f", length);
        return text;
    }
    // The decimal form of 18 significant digits: d.ddddddddddddddddde±x.
    char scientific[64];
    std::snprintf(scientific, sizeof scientific, "%.17e", std::fabs(length));
    std::string mantissa;
    for (const char* p = scientific; *p && *p != 'e'; ++p)
        if (*p != '.') mantissa += *p;
    int exponent = std::atoi(std::strchr(scientific, 'e') + 1);

    // Digits before the point: exponent + 1 (none when the value is below 1). Pad the
    // mantissa on the left so that it starts at the units position or higher.
    int integerDigits = exponent + 1;
    if (integerDigits < 1) {
        mantissa.insert(0, static_cast<size_t>(1 - integerDigits), '0');
        integerDigits = 1;
    }
    std::string digits =
        RoundDigitsHalfUp(mantissa, static_cast<size_t>(integerDigits + decimals));
    if (digits.size() > static_cast<size_t>(integerDigits + decimals)) ++integerDigits;

    std::string text = digits.substr(0, static_cast<size_t>(integerDigits));
    if (decimals > 0) text += '.' + digits.substr(static_cast<size_t>(integerDigits));
    bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (std::signbit(length) && !zero) text.insert(text.begin(), '-');
    if (text.size() < 5) text.insert(0, 5 - text.size(), ' ');
    return text;
}

std::int32_t RoundedSize(std::string_view sizeText) {
    double size = StrToFloat(sizeText);
    // The default rounding mode rounds halves to the even neighbour.
    double rounded = std::nearbyint(size);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        throw ConversionError(std::string("'") + std::string(sizeText) +
                              "' は浮動小数点数ではありません");
    return static_cast<std::int32_t>(rounded);
}

std::string_view SizeTextToSend(std::string_view sizeText) {
    const std::size_t first = sizeText.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return sizeText.substr(first, sizeText.find_last_not_of(' ') - first + 1);
}

std::int64_t LabelWidth(std::string_view lengthText, std::int32_t size) {
    return static_cast<std::int64_t>(lengthText.size()) * size;
}

} // namespace vermiq
