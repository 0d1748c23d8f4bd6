// The gradient push button's arithmetic, free of any window system: gradient rows, caption
// placement, the disabled greys and which frame and focus mark a style gets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/colors.h"

namespace vermiq {

enum class TplButtonStyle : std::uint8_t { bsNormal, bsFlat, bsFlatNoFrame, bsRoundRect, bsRoundRectNoFrame };
enum class TplBtnFrameType : std::uint8_t { bffFlat, bffEtched, bffBump };
enum class TplBtnAlignment : std::uint8_t { taCenter, taLeft, taRight, taEven };

namespace pl_colors = colors;

struct BtnRgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const BtnRgb&, const BtnRgb&) = default;
};

inline constexpr BtnRgb RgbOfColorRef(std::uint32_t colorRef) {
    return {static_cast<std::uint8_t>(colorRef), static_cast<std::uint8_t>(colorRef >> 8),
            static_cast<std::uint8_t>(colorRef >> 16)};
}
inline constexpr std::uint32_t ColorRefOf(BtnRgb c) {
    return static_cast<std::uint32_t>(c.r) | static_cast<std::uint32_t>(c.g) << 8 |
           static_cast<std::uint32_t>(c.b) << 16;
}

// Row y of a vertical gradient over `height` rows: the first row is exactly `begin`, the last
// exactly `end`. Valid for height > 1 and 0 <= y < height.
BtnRgb GradientRow(BtnRgb begin, BtnRgb end, int y, int height);
// One colour per row to paint: none for height <= 0, `begin` alone for height 1.
std::vector<BtnRgb> GradientRows(BtnRgb begin, BtnRgb end, int height);

// The grey that the disabled look gives a picture pixel: between 120 and 247.
inline constexpr std::uint8_t DisabledGrey(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    unsigned a = (unsigned{blue} + green + red) / 3;
    return static_cast<std::uint8_t>(a / 2 + 120);
}
// Turns a 24-bit picture (rows of blue-green-red triples, `stride` bytes apart) grey in place.
void MakeDisabledPixels(std::uint8_t* bits, int width, int height, std::ptrdiff_t stride);

// Where the two caption lines go vertically. `heightA`/`heightB` are the measured text heights.
struct CaptionRowsInput {
    int buttonHeight;
    int heightA;
    int heightB;
    bool captionAEmpty;
    bool captionBEmpty;
    int lineSpace;
    bool vertCenter;
    int captionTop;
};
struct CaptionRows {
    int y;          // first line
    int y2;         // second line
    int captionTop; // what CaptionTop holds afterwards (recomputed when centring)
};
CaptionRows PlaceCaptionRows(const CaptionRowsInput& in);

// How a device anchors the x of a text output.
enum class TextAnchor : std::uint8_t { Left, Center, Right };

// Horizontal placement of one caption line of n UTF-16 units.
struct CaptionLineInput {
    TplBtnAlignment alignment;
    int units;        // n
    int buttonWidth;
    int left;         // caption's Left margin
    int right;        // caption's Right margin
    bool shifted;     // pressed with focus handling on: one pixel right and down
    int textWidth;    // width of the whole caption, used by taEven
};
struct CaptionLine {
    TplBtnAlignment alignment; // taEven with a single unit becomes taCenter
    TextAnchor anchor;
    int x;
    int dy;          // 1 when shifted
    int gap = 0;     // taEven: extra pixels after every character
    int rem = 0;     // taEven: remainder spread one pixel at a time, signed like the slack
};
CaptionLine PlanCaptionLine(const CaptionLineInput& in);

// A caption as the platform's buttons show it: "&&" is one "&", and the first single "&" is
// left out and marks the character after it (the mnemonic) for underlining. Code page 932
// bytes; a lead byte's character is two bytes.
struct MnemonicCaption {
    std::string shown;
    int underlined = -1;     // byte offset of the marked character in `shown`, -1 for none
    int underlinedBytes = 0; // its length in bytes
};
MnemonicCaption SplitMnemonic(std::string_view caption);

// taEven: the left edge of each character, starting at x, given each character's width.
std::vector<int> EvenCharLefts(int x, std::span<const int> charWidths, int gap, int rem);

// Which frame a style draws.
enum class ButtonFrame : std::uint8_t {
    RaisedEdge,     // DrawEdge EDGE_RAISED, BF_RECT
    PressedOutline, // button-shadow outline, $808080 outline one pixel inside
    FlatBumpEdge,   // DrawEdge EDGE_BUMP, BF_RECT | BF_FLAT
    EtchedEdge,     // DrawEdge EDGE_ETCHED, BF_RECT
    BumpEdge,       // DrawEdge EDGE_BUMP, BF_RECT
    None,
    RoundOutline,   // $757575 rounded rectangle
};
ButtonFrame ChooseFrame(TplButtonStyle style, TplBtnFrameType frameType, bool pressed);

inline constexpr bool IsRoundStyle(TplButtonStyle s) {
    return s == TplButtonStyle::bsRoundRect || s == TplButtonStyle::bsRoundRectNoFrame;
}

struct BtnRect {
    int left, top, right, bottom;
    friend bool operator==(const BtnRect&, const BtnRect&) = default;
};

// The focus mark: a dotted rounded rectangle for the round styles, else a focus rectangle.
struct FocusMark {
    bool round;
    BtnRect rect;
    int corner; // ellipse size of the rounded mark
};
FocusMark PlanFocusMark(TplButtonStyle style, TplBtnFrameType frameType, int width, int height, int roundCorner);

// The state of the modifier keys and mouse buttons that the mouse events report.
struct TShiftState {
    enum Flag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
    unsigned bits = 0;
    bool Has(Flag f) const { return (bits & f) != 0; }
    friend bool operator==(const TShiftState&, const TShiftState&) = default;
};
// From a 256-byte keyboard state as GetKeyboardState gives it: a key is down when bit 7 is set.
TShiftState ShiftStateFromKeyboard(std::span<const std::uint8_t, 256> keys);

} // namespace vermiq
