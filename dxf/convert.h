// Text-to-number conversions shared by the DXF reader and the settings and run of the app.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace vermiq {

// A text that is not the number it should be. what() is the message in code page 932 with the
// offending text quoted as it was read.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Integer: leading blanks (spaces only), an optional sign, then decimal digits, or hexadecimal
// digits after "$", "x", "X" or "0x". The digits must run to the end of the text (a trailing
// blank fails) and the value must fit in 32 signed bits. On failure `value` is left unchanged.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// Real: blanks (spaces) around it, an optional sign, digits with an optional period and further
// digits, then an optional exponent. The separator is always the period: DXF files and the
// tool's own settings never depend on the user's regional settings. Underflow gives zero,
// overflow fails. On failure `value` is left unchanged.
bool TryStrToFloat(std::string_view text, double& value);

// As above, but a failure throws ConversionError: "'%s' は整数ではありません" or
// "'%s' は浮動小数点数ではありません".
std::int32_t StrToInt(std::string_view text);
double StrToFloat(std::string_view text);

} // namespace vermiq
