// Where and in which colours the shadowed label draws its text copies and face bands, worked
// out without a device context so that the geometry can be checked on its own.
#pragma once

#include "widgets/label_look.h"

#include <cstdint>
#include <vector>

namespace vermiq {

// DrawText format bits the plan looks at (same values as the Win32 DT_ constants).
inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtRight = 0x2;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtExpandTabs = 0x40;
inline constexpr unsigned kDtCalcRect = 0x400;
inline constexpr unsigned kDtNoPrefix = 0x800;

// Marks the face on the mask bitmap when the face carries a gradient.
inline constexpr EsColor FaceKeyColor = 0xFE09F1;

struct EsRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const EsRect&, const EsRect&) = default;
};

struct TextLayer {
    EsRect rect; // where DrawText gets the whole caption
    EsColor color;
};

struct FaceBand {
    EsRect rect;
    EsColor color;
};

// All coordinates are relative to the top-left corner of the rectangle the text is drawn in.
struct ShadowedTextPlan {
    int shadeMin = 0;
    int shadeMax = 0;
    int alignShift = 0;
    std::vector<TextLayer> layers; // shadow copies deepest first, then the highlight copies
    TextLayer face;                // in the font colour, or in FaceKeyColor under a gradient
    std::vector<FaceBand> bands;   // 16 when the face is graduated, else none
};

// Nearest integer, halves to the even neighbour.
long RoundHalfEven(double value);

// width and height: the rectangle the text goes into; format: its DrawText format;
// textWidth: the caption's width in the font, needed only by a graduated face.
ShadowedTextPlan PlanShadowedText(const TEsCustomSettings& settings, EsColor fontColor, int width,
                                  int height, unsigned format, int textWidth);

} // namespace vermiq
