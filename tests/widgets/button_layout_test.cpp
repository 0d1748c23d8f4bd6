// The gradient button's arithmetic: gradient rows, caption placement, taEven spacing, the
// disabled greys, frame and focus-mark choices, the shift state.
#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "widgets/button_layout.h"

namespace vermiq {
namespace {

constexpr BtnRgb kWhite{255, 255, 255};
constexpr BtnRgb kMoneyGreen{0xC0, 0xDC, 0xC0};

TEST(ButtonGradient, RowsForDegenerateAndDialogHeights) {
    EXPECT_TRUE(GradientRows(kWhite, kMoneyGreen, 0).empty());
    EXPECT_TRUE(GradientRows(kWhite, kMoneyGreen, -3).empty());
    ASSERT_EQ(GradientRows(kWhite, kMoneyGreen, 1), std::vector<BtnRgb>{kWhite});

    auto rows = GradientRows(kWhite, kMoneyGreen, 26);
    ASSERT_EQ(rows.size(), 26u);
    EXPECT_EQ(rows.front(), kWhite);
    EXPECT_EQ(rows.back(), kMoneyGreen);
    // Row 12: 255 + (192 - 255) * 12 / 25 = 255 - 30 (756 / 25 truncated), green 255 - 16.
    EXPECT_EQ(rows[12], (BtnRgb{225, 239, 225}));
    for (std::size_t y = 1; y < rows.size(); ++y) {
        EXPECT_LE(rows[y].r, rows[y - 1].r) << y;
        EXPECT_LE(rows[y].g, rows[y - 1].g) << y;
    }
}

TEST(ButtonGradient, RisingAndFallingChannelsTruncateTowardZero) {
    // Falling: -1 * 1 / 2 truncates to 0, not -1. Rising: 1 * 1 / 2 truncates to 0.
    auto rows = GradientRows(BtnRgb{10, 9, 0}, BtnRgb{9, 10, 255}, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (BtnRgb{10, 9, 127}));
    EXPECT_EQ(rows[2], (BtnRgb{9, 10, 255}));
    auto two = GradientRows(kWhite, BtnRgb{0, 0, 0}, 2);
    EXPECT_EQ(two, (std::vector<BtnRgb>{kWhite, BtnRgb{0, 0, 0}}));
}

TEST(ButtonDisabled, GreysSpanTheirRangeAndRewriteRowsInPlace) {
    EXPECT_EQ(DisabledGrey(0, 0, 0), 120);
    EXPECT_EQ(DisabledGrey(255, 255, 255), 247);
    EXPECT_EQ(DisabledGrey(0, 0, 255), 162); // 85 / 2 + 120
    EXPECT_EQ(DisabledGrey(1, 1, 0), 120);   // 2 / 3 = 0

    // Two rows of two pixels with two padding bytes per row that must stay untouched.
    std::array<std::uint8_t, 16> bits{0, 0, 255, 255, 255, 255, 0xAA, 0xAA,
                                      10, 20, 30, 200, 100, 0, 0xBB, 0xBB};
    MakeDisabledPixels(bits.data(), 2, 2, 8);
    std::array<std::uint8_t, 16> want{162, 162, 162, 247, 247, 247, 0xAA, 0xAA,
                                      130, 130, 130, 170, 170, 170, 0xBB, 0xBB};
    EXPECT_EQ(bits, want);
}

struct RowsCase {
    const char* what;
    CaptionRowsInput in;
    CaptionRows want;
};

TEST(ButtonCaption, VerticalPlacement) {
    const RowsCase cases[] = {
        // The dialog's buttons: fixed top 8, one line.
        {"fixed top", {26, 12, 0, false, true, 4, false, 8}, {8, 8 + 12 + 4, 8}},
        {"centred single line", {26, 12, 0, false, true, 4, true, 0}, {(26 - 12) / 2 + 1, 8 + 12 + 4, 8}},
        {"centred two lines", {40, 12, 12, false, false, 4, true, 0}, {(40 - 24 - 4) / 2, 6 + 16, 6}},
        // Only the second line: centred on its own height, no +1, and that is what CaptionTop keeps.
        {"centred second line only", {26, 13, 11, true, false, 4, true, 3}, {(26 - 26 - 4) / 2, (26 - 11) / 2, 7}},
        {"fixed, second line only", {26, 12, 12, true, false, 4, false, 5}, {5, 5, 5}},
        {"fixed two lines", {40, 12, 12, false, false, 2, false, 3}, {3, 17, 3}},
        // Too small a button: negative offsets truncate toward zero.
        {"tiny", {5, 12, 12, false, false, 4, true, 0}, {(5 - 28) / 2, (5 - 28) / 2 + 16, -11}},
    };
    for (const auto& c : cases) {
        CaptionRows got = PlaceCaptionRows(c.in);
        EXPECT_EQ(got.y, c.want.y) << c.what;
        EXPECT_EQ(got.y2, c.want.y2) << c.what;
        EXPECT_EQ(got.captionTop, c.want.captionTop) << c.what;
    }
}

TEST(ButtonCaption, HorizontalAnchors) {
    struct Case {
        TplBtnAlignment al;
        bool shifted;
        TplBtnAlignment wantAl;
        TextAnchor anchor;
        int x;
        int dy;
    };
    const Case cases[] = {
        {TplBtnAlignment::taCenter, false, TplBtnAlignment::taCenter, TextAnchor::Center, 37, 0},
        {TplBtnAlignment::taLeft, false, TplBtnAlignment::taLeft, TextAnchor::Left, 5 + 2, 0},
        {TplBtnAlignment::taRight, false, TplBtnAlignment::taRight, TextAnchor::Right, 75 - 6 - 2, 0},
        {TplBtnAlignment::taEven, false, TplBtnAlignment::taEven, TextAnchor::Left, 5 + 2, 0},
        {TplBtnAlignment::taCenter, true, TplBtnAlignment::taCenter, TextAnchor::Center, 38, 1},
        {TplBtnAlignment::taRight, true, TplBtnAlignment::taRight, TextAnchor::Right, 75 - 6 - 2 + 1, 1},
    };
    for (const auto& c : cases) {
        CaptionLine line = PlanCaptionLine({c.al, 3, 75, 5, 6, c.shifted, 36});
        EXPECT_EQ(line.alignment, c.wantAl);
        EXPECT_EQ(line.anchor, c.anchor);
        EXPECT_EQ(line.x, c.x);
        EXPECT_EQ(line.dy, c.dy);
    }
}

TEST(ButtonCaption, MnemonicIsLeftOutAndMarksTheNextCharacter) {
    const struct {
        const char* caption;
        const char* shown;
        int underlined, bytes;
    } cases[] = {
        {"Close", "Close", -1, 0},
        {"&Close", "Close", 0, 1},
        {"Cl&ose", "Close", 2, 1},
        {"A&&B", "A&B", -1, 0},
        {"A&&&B&C", "A&BC", 2, 1},       // only the first marks
        {"\x8E\xC0&\x8D\x73", "\x8E\xC0\x8D\x73", 2, 2},  // a double-byte mnemonic
        {"end&", "end&", -1, 0},
    };
    for (const auto& c : cases) {
        const MnemonicCaption m = SplitMnemonic(c.caption);
        EXPECT_EQ(m.shown, c.shown) << c.caption;
        EXPECT_EQ(m.underlined, c.underlined) << c.caption;
        EXPECT_EQ(m.underlinedBytes, c.bytes) << c.caption;
    }
}

TEST(ButtonCaption, EvenWithOneCharacterIsCentred) {
    CaptionLine line = PlanCaptionLine({TplBtnAlignment::taEven, 1, 75, 5, 6, false, 12});
    EXPECT_EQ(line.alignment, TplBtnAlignment::taCenter);
    EXPECT_EQ(line.anchor, TextAnchor::Center);
    EXPECT_EQ(line.x, 37);
    EXPECT_EQ(line.gap, 0);
    EXPECT_EQ(line.rem, 0);
}

// Where each character of an evenly spread caption starts and where the last one ends.
struct Spread {
    std::vector<int> lefts;
    int end;
};
Spread SpreadEvenly(int width, int left, int right, std::vector<int> charWidths) {
    int total = std::accumulate(charWidths.begin(), charWidths.end(), 0);
    CaptionLine line = PlanCaptionLine(
        {TplBtnAlignment::taEven, static_cast<int>(charWidths.size()), width, left, right, false, total});
    auto lefts = EvenCharLefts(line.x, charWidths, line.gap, line.rem);
    return {lefts, lefts.back() + charWidths.back()};
}

TEST(ButtonCaption, EvenSpreadEndsOnTheRightMargin) {
    // 75 wide, margins 0: usable 71 from x = 2; three 12-pixel characters leave 35 = 2 * 17 + 1.
    Spread s = SpreadEvenly(75, 0, 0, {12, 12, 12});
    EXPECT_EQ(s.lefts, (std::vector<int>{2, 2 + 12 + 17 + 1, 2 + 24 + 35}));
    EXPECT_EQ(s.end, 2 + 71);

    // Uneven widths and margins; the remainder goes to the first gaps.
    Spread t = SpreadEvenly(100, 4, 6, {7, 13, 5, 9});
    EXPECT_EQ(t.end, 4 + 2 + (100 - 4 - 6 - 4));
    EXPECT_EQ(t.lefts[1] - t.lefts[0] - 7, t.lefts[3] - t.lefts[2] - 5 + 1);
}

TEST(ButtonCaption, EvenSpreadOfTooWideTextOverlapsEvenly) {
    // Usable 71, text 4 * 24 = 96: slack -25 over 3 gaps, gap -8 and remainder -1.
    CaptionLine line = PlanCaptionLine({TplBtnAlignment::taEven, 4, 75, 0, 0, false, 96});
    EXPECT_EQ(line.gap, -8);
    EXPECT_EQ(line.rem, -1);
    Spread s = SpreadEvenly(75, 0, 0, {24, 24, 24, 24});
    EXPECT_EQ(s.lefts, (std::vector<int>{2, 2 + 24 - 9, 2 + 48 - 17, 2 + 72 - 25}));
    EXPECT_EQ(s.end, 2 + 71);
}

TEST(ButtonFrame, StyleAndStateChooseTheFrame) {
    using S = TplButtonStyle;
    using F = TplBtnFrameType;
    struct Case {
        S style;
        F frame;
        bool pressed;
        ButtonFrame want;
    };
    const Case cases[] = {
        {S::bsNormal, F::bffFlat, false, ButtonFrame::RaisedEdge},
        {S::bsNormal, F::bffBump, true, ButtonFrame::PressedOutline},
        {S::bsFlat, F::bffFlat, false, ButtonFrame::FlatBumpEdge},
        {S::bsFlat, F::bffEtched, true, ButtonFrame::EtchedEdge}, // only bsNormal shows the press
        {S::bsFlat, F::bffBump, false, ButtonFrame::BumpEdge},
        {S::bsFlatNoFrame, F::bffBump, true, ButtonFrame::None},
        {S::bsRoundRect, F::bffFlat, true, ButtonFrame::RoundOutline},
        {S::bsRoundRectNoFrame, F::bffFlat, false, ButtonFrame::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseFrame(c.style, c.frame, c.pressed), c.want) << int(c.style) << " " << int(c.frame);
}

TEST(ButtonFrame, FocusMarkFollowsTheFrame) {
    using S = TplButtonStyle;
    using F = TplBtnFrameType;
    struct Case {
        S style;
        F frame;
        FocusMark want;
    };
    const Case cases[] = {
        {S::bsNormal, F::bffBump, {false, {2, 2, 73, 24}, 0}},
        {S::bsFlat, F::bffFlat, {false, {2, 2, 73, 24}, 0}},
        {S::bsFlat, F::bffBump, {false, {2, 2, 74, 25}, 0}},
        {S::bsFlat, F::bffEtched, {false, {2, 2, 72, 23}, 0}},
        {S::bsFlatNoFrame, F::bffEtched, {false, {2, 2, 73, 24}, 0}},
        {S::bsRoundRect, F::bffBump, {true, {2, 2, 73, 24}, 5}},
        {S::bsRoundRectNoFrame, F::bffFlat, {true, {2, 2, 73, 24}, 5}},
    };
    for (const auto& c : cases) {
        FocusMark got = PlanFocusMark(c.style, c.frame, 75, 26, 7);
        EXPECT_EQ(got.round, c.want.round);
        EXPECT_EQ(got.rect, c.want.rect) << int(c.style) << " " << int(c.frame);
        EXPECT_EQ(got.corner, c.want.corner);
    }
}

TEST(ButtonShift, KeyboardStateBytes) {
    std::array<std::uint8_t, 256> keys{};
    EXPECT_EQ(ShiftStateFromKeyboard(keys).bits, 0u);
    keys[16] = 0x80; // shift down
    keys[17] = 0x01; // control toggled only: not down
    keys[18] = 0x81;
    keys[1] = 0x80;
    keys[4] = 0xFF;
    TShiftState s = ShiftStateFromKeyboard(keys);
    EXPECT_TRUE(s.Has(TShiftState::ssShift));
    EXPECT_FALSE(s.Has(TShiftState::ssCtrl));
    EXPECT_TRUE(s.Has(TShiftState::ssAlt));
    EXPECT_TRUE(s.Has(TShiftState::ssLeft));
    EXPECT_FALSE(s.Has(TShiftState::ssRight));
    EXPECT_TRUE(s.Has(TShiftState::ssMiddle));
}

} // namespace
} // namespace vermiq
