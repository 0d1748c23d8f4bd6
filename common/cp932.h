// Code page 932 (Shift-JIS) byte classes, for code that walks text by characters.
#pragma once

namespace vermiq {

// A byte that starts a double-byte character; the byte after it may be any of 0x40 to 0xFC,
// '\\' and '|' included, so byte-wise searches must step over it.
constexpr bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

} // namespace vermiq
