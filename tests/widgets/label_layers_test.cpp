// The shadowed label's layer plan: extents, alignment shift, copies per style, face bands.
#include "widgets/label_layers.h"

#include <gtest/gtest.h>

namespace vermiq {
namespace {

using D = TEsShadeDirection;
using S = TEsShadeStyle;

struct Corner {
    int x, y;
    friend bool operator==(const Corner&, const Corner&) = default;
};
Corner CornerOf(const TextLayer& layer) { return {layer.rect.left, layer.rect.top}; }

TEST(LabelLayers, RoundsHalvesToEven) {
    const struct { double in; long out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7.0, 7},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

// The raised look: highlight up-left, shadow down-right, both one pixel deep.
TEST(LabelLayers, RaisedOffsetsAndTheirShiftWithAlignment) {
    const TEsCustomSettings raised;
    const struct {
        unsigned format;
        int shift;
        Corner shadow, highlight, face;
    } cases[] = {
        {kDtExpandTabs, 0, {2, 2}, {0, 0}, {1, 1}},
        {kDtExpandTabs | kDtCenter, 1, {1, 2}, {-1, 0}, {0, 1}},
        {kDtExpandTabs | kDtRight, 2, {0, 2}, {-2, 0}, {-1, 1}},
        // Centre wins when both bits are present.
        {kDtCenter | kDtRight, 1, {1, 2}, {-1, 0}, {0, 1}},
    };
    for (const auto& c : cases) {
        const ShadowedTextPlan plan = PlanShadowedText(raised, 0x808080, 150, 35, c.format, 0);
        SCOPED_TRACE(c.format);
        EXPECT_EQ(plan.shadeMin, -1);
        EXPECT_EQ(plan.shadeMax, 1);
        EXPECT_EQ(plan.alignShift, c.shift);
        ASSERT_EQ(plan.layers.size(), 2u);
        EXPECT_EQ(CornerOf(plan.layers[0]), c.shadow);
        EXPECT_EQ(plan.layers[0].color, 0x000000u);
        EXPECT_EQ(CornerOf(plan.layers[1]), c.highlight);
        EXPECT_EQ(plan.layers[1].color, 0xFFFFFFu);
        EXPECT_EQ(CornerOf(plan.face), c.face);
        EXPECT_EQ(plan.face.color, 0x808080u);
        EXPECT_EQ(plan.face.rect.right - plan.face.rect.left, 150);
        EXPECT_EQ(plan.face.rect.bottom - plan.face.rect.top, 35);
        EXPECT_TRUE(plan.bands.empty());
    }
}

TEST(LabelLayers, FlyingPutsBothCopiesDownRight) {
    EsLabelLook look;
    look.SetAppearance(TEsAppearance::apFlying);
    const ShadowedTextPlan plan =
        PlanShadowedText(look.CustomSettings(), look.FontColor(), 100, 40, 0, 0);
    EXPECT_EQ(plan.shadeMin, 0);
    EXPECT_EQ(plan.shadeMax, 5);
    ASSERT_EQ(plan.layers.size(), 2u);
    EXPECT_EQ(CornerOf(plan.layers[0]), (Corner{5, 5}));
    EXPECT_EQ(CornerOf(plan.layers[1]), (Corner{1, 1}));
    // The highlight takes the scheme's shadow colour.
    EXPECT_EQ(plan.layers[1].color, look.SchemeColors(TEsColorScheme::csWindows).shadow);
    EXPECT_EQ(CornerOf(plan.face), (Corner{0, 0}));
}

TextLayer Layer(int x, int y, EsColor color) { return {{x, y, x + 50, y + 20}, color}; }

void ExpectLayers(const std::vector<TextLayer>& got, const std::vector<TextLayer>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].rect, want[i].rect) << "layer " << i;
        EXPECT_EQ(got[i].color, want[i].color) << "layer " << i;
    }
}

// Shadow only (no highlight), straight down-right, so each copy's place says its depth.
ShadowedTextPlan ShadowPlan(S style, TEsDepth depth, EsColor shadow, EsColor font) {
    TEsCustomSettings s;
    s.SetHighlightDepth(0);
    s.SetHighlightDirection(D::sdNone);
    s.SetShadowStyle(style);
    s.SetShadowDepth(depth);
    s.SetShadowColor(shadow);
    return PlanShadowedText(s, font, 50, 20, 0, 0);
}

TEST(LabelLayers, CopiesPerStyle) {
    const EsColor navy = 0x800000;
    // Plain: one copy at the full depth, then the highlight of depth 0 under the face.
    ExpectLayers(ShadowPlan(S::ssPlain, 3, navy, 0).layers,
                 {Layer(3, 3, navy), Layer(0, 0, 0xFFFFFF)});
    // Extrude: every depth from the deepest up, one colour.
    ExpectLayers(ShadowPlan(S::ssExtrude, 3, navy, 0).layers,
                 {Layer(3, 3, navy), Layer(2, 2, navy), Layer(1, 1, navy), Layer(0, 0, 0xFFFFFF)});
    // Graduated of depth 1 is the plain copy (no division by depth - 1 = 0).
    ExpectLayers(ShadowPlan(S::ssGraduated, 1, navy, 0x00FF00).layers,
                 {Layer(1, 1, navy), Layer(0, 0, 0xFFFFFF)});
    // Depth 0 still draws one copy, right under the face.
    ExpectLayers(ShadowPlan(S::ssExtrude, 0, navy, 0).layers,
                 {Layer(0, 0, navy), Layer(0, 0, 0xFFFFFF)});
}

TEST(LabelLayers, GraduatedCopiesFadeTowardsTheFaceWithHalvesToEven) {
    // From 0 to 10 in four steps of 2.5: 0, 2.5 -> 2, 5, 7.5 -> 8, 10 (depth 1 is the face colour).
    const ShadowedTextPlan plan = ShadowPlan(S::ssGraduated, 5, 0x000000, 0x0A0A0A);
    ASSERT_EQ(plan.layers.size(), 6u);
    const EsColor want[] = {0x000000, 0x020202, 0x050505, 0x080808, 0x0A0A0A};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(plan.layers[i].color, want[i]) << "depth " << 5 - i;
        EXPECT_EQ(CornerOf(plan.layers[i]), (Corner{5 - i, 5 - i}));
    }
    // Channels fade on their own, also downwards.
    const ShadowedTextPlan mixed = ShadowPlan(S::ssGraduated, 3, 0x00FF10, 0x000010);
    EXPECT_EQ(mixed.layers[1].color, 0x007F10u); // 255 + round(-127.5) = 255 - 128
    EXPECT_EQ(mixed.layers[2].color, 0x000010u);
}

TEST(LabelLayers, HorizontalFaceBandsSpanTheText) {
    TEsCustomSettings s; // raised: shadeMin -1
    s.SetGraduateStyle(TEsGraduateStyle::gsHorizontal);
    s.SetGraduateFromColor(0x000000);
    const EsColor font = 0x1E1E1E; // 30 per channel: 2 per band
    const struct { unsigned format; int x0; } cases[] = {{0, 1}, {kDtCenter, 24}, {kDtRight, 48}};
    for (const auto& c : cases) {
        // Text 151 wide: span 150, 10 pixels per band.
        const ShadowedTextPlan plan = PlanShadowedText(s, font, 200, 30, c.format, 151);
        SCOPED_TRACE(c.format);
        EXPECT_EQ(plan.face.color, FaceKeyColor);
        ASSERT_EQ(plan.bands.size(), 16u);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(plan.bands[i].rect, (EsRect{c.x0 + 10 * i, 0, c.x0 + 10 * (i + 1), 30}));
            EXPECT_EQ(plan.bands[i].color, MakeColor(2 * i, 2 * i, 2 * i));
        }
    }
}

TEST(LabelLayers, VerticalFaceBandsSpanTheWholeRectangle) {
    TEsCustomSettings s;
    s.SetGraduateStyle(TEsGraduateStyle::gsVertical);
    s.SetGraduateFromColor(0x0000FF);
    // Height 24: span 23, q = 23/15; the bands start at -shadeMin = 1 and abut.
    const ShadowedTextPlan plan = PlanShadowedText(s, 0xFF0000, 80, 24, 0, 10);
    ASSERT_EQ(plan.bands.size(), 16u);
    EXPECT_EQ(plan.bands.front().rect, (EsRect{0, 1, 80, 3}));
    EXPECT_EQ(plan.bands.back().rect.bottom, 1 + 25); // round(16 * 23 / 15) = 25
    for (int i = 1; i < 16; ++i) EXPECT_EQ(plan.bands[i].rect.top, plan.bands[i - 1].rect.bottom);
    EXPECT_EQ(plan.bands.front().color, 0x0000FFu);
    EXPECT_EQ(plan.bands.back().color, 0xFF0000u);
    EXPECT_EQ(plan.bands[1].color, 0x1100EEu); // 17 per band each way
}

} // namespace
} // namespace vermiq
