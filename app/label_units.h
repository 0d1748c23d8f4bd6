// What a label says in the user's units: the measured value times the factor (squared for an
// area), and the unit written after the number.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/length_text.h"
#include "dxf/measured_value.h"

namespace vermiq {

// The factor applied to every measured length, and the text after the number (code page 932).
// The defaults leave every label as it has always been.
struct DisplayUnits {
    double factor = 1.0;
    std::string unit = kUnitMark;
};

// A unit is at most this many bytes of code page 932.
inline constexpr std::size_t kMaxUnitBytes = 16;

// What the settings dialog says when it refuses a value; nothing of it is saved.
inline constexpr const char* kFactorRefused = "倍率には 0 より大きい数を入力してください";
inline constexpr const char* kUnitRefused =
    "単位には、シフト JIS で書ける文字を 16 バイトまで入力してください (前後の空白と制御文字は使えません)";

// The factor in a text: a number (period as the separator, an exponent allowed, blanks around
// it) that is positive and finite; nothing otherwise.
std::optional<double> FactorFromText(std::string_view text);
// The factor as it is stored and shown: the shortest decimal form that reads back the same.
std::string FactorText(double factor);

// A unit the label can carry: at most kMaxUnitBytes bytes of whole code-page-932 characters, no
// control character and no blank at either end (the settings file would lose it). Empty is a
// unit: the number alone.
bool IsUnitText(std::string_view text);

// The settings as the settings file gives them: a damaged value reads as its default.
DisplayUnits StoredUnits(std::string_view factorText, std::string_view unitText);

// The unit of an area: "㎡" for metres (the one squared unit that code page 932 can write);
// for any other unit the unit followed by "^2", since "²" has no code-page-932 form.
std::string AreaUnit(std::string_view unit);

// The value a label shows and the unit after it.
struct LabelAmount {
    double value = 0.0;
    std::string unit;
};
LabelAmount InUnits(const MeasuredValue& measured, const DisplayUnits& units);

} // namespace vermiq
