// How a measured length is written on the drawing: its text, the unit mark and the label width.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vermiq {

// The unit mark after the value: full-width small m, two bytes in code page 932.
inline constexpr const char* kUnitMark = "ｍ";

// Decimals used when no item of the decimal-places list is selected.
inline constexpr int kDefaultDecimals = 2;

// The length as "%5.*f" writes it: fixed point with `decimals` places (two when `decimals` is
// negative, i.e. no item selected), rounded half up on the value's 18-significant-digit
// decimal form, right-aligned in at least five characters with blanks on the left.
std::string FormatLength(double length, int decimals);

// The annotation size typed in the dialog, rounded to a whole number with halves going to the
// even neighbour (2.5 gives 2, 3.5 gives 4). Throws the real conversion's error for a text
// that is not a number, or a number too large for a size.
std::int32_t RoundedSize(std::string_view sizeText);

// The size as the label command carries it: the text as typed, less the blanks around it that
// the number conversion skips. A blank would end the CAD's input after "h" and leave the
// height at the CAD's default, with the rest of the command read against the wrong prompts.
std::string_view SizeTextToSend(std::string_view sizeText);

// The label's width: the bytes of the text (blanks and the two-byte mark included) times the
// size.
std::int64_t LabelWidth(std::string_view lengthText, std::int32_t size);

} // namespace vermiq
