// Colours as the widgets store them, shared by the button and the label: $BBGGRR, the layout of
// a Win32 COLORREF. A value whose high byte is $FF names a system colour (its low byte is the
// COLOR_ index); painting resolves it, arithmetic takes the bytes as they stand.
#pragma once

#include <cstdint>

namespace vermiq {

using TColor = std::uint32_t;

inline constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == 0xFF000000u; }

namespace colors {
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clBtnHighlight = 0xFF000014;
} // namespace colors

} // namespace vermiq
