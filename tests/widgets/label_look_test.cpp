// The label's presets: what each writes into the settings and how they turn each other custom.
#include "widgets/label_look.h"

#include <gtest/gtest.h>

#include <string>

namespace vermiq {
namespace {

using A = TEsAppearance;
using C = TEsColorScheme;
using D = TEsShadeDirection;

// A look whose hooks write what they were told into a log.
struct LoggedLook {
    std::string log;
    EsLabelLook look{EsLabelLook::Hooks{[this] { log += "i"; }, [this] { log += "C"; },
                                        [this] { log += "T"; }, [this] { log += "F"; }}};
};

TEST(LabelLook, StartsRaisedInWindowsColours) {
    LoggedLook l;
    const TEsCustomSettings& s = l.look.CustomSettings();
    EXPECT_EQ(l.look.Appearance(), A::apRaised);
    EXPECT_EQ(l.look.ColorScheme(), C::csWindows);
    EXPECT_EQ(l.look.FontColor(), 0x808080u);
    EXPECT_EQ(s.HighlightColor(), 0xFFFFFFu);
    EXPECT_EQ(s.ShadowColor(), 0x000000u);
    EXPECT_EQ(s.HighlightDirection(), D::sdUpLeft);
    EXPECT_EQ(s.ShadowDirection(), D::sdDownRight);
    EXPECT_EQ(l.log, "");
}

TEST(LabelLook, DirectChangesMakeThePresetsCustom) {
    LoggedLook l;
    l.look.CustomSettings().SetHighlightDepth(2);
    EXPECT_EQ(l.look.Appearance(), A::apCustom);
    EXPECT_EQ(l.look.ColorScheme(), C::csWindows);
    EXPECT_EQ(l.log, "iT");

    l.log.clear();
    l.look.CustomSettings().SetShadowColor(0x123456);
    EXPECT_EQ(l.look.ColorScheme(), C::csCustom);
    EXPECT_EQ(l.log, "iC");

    // Setting a value it already has tells nobody.
    l.log.clear();
    l.look.CustomSettings().SetShadowColor(0x123456);
    EXPECT_EQ(l.log, "");
}

TEST(LabelLook, SchemeSetsColoursAndTurnsTheAppearanceCustom) {
    LoggedLook l;
    l.look.SetColorScheme(C::csGold);
    const TEsCustomSettings& s = l.look.CustomSettings();
    EXPECT_EQ(l.look.ColorScheme(), C::csGold);
    EXPECT_EQ(s.HighlightColor(), 0x00FFFFu);
    EXPECT_EQ(s.ShadowColor(), 0x000000u);
    EXPECT_EQ(l.look.FontColor(), 0x008080u);
    // The update bracket ends with a shape notification, which the scheme does not hold back.
    EXPECT_EQ(l.look.Appearance(), A::apCustom);
    EXPECT_EQ(s.HighlightDirection(), D::sdUpLeft); // geometry untouched
    EXPECT_EQ(l.log, "F" "i" "iT" "T");

    // csCustom then keeps the gold colours: its row was copied from gold.
    l.look.SetColorScheme(C::csCustom);
    EXPECT_EQ(l.look.ColorScheme(), C::csCustom);
    EXPECT_EQ(s.HighlightColor(), 0x00FFFFu);
    EXPECT_EQ(l.look.FontColor(), 0x008080u);
    const SchemeRow custom = l.look.SchemeColors(C::csCustom);
    EXPECT_EQ(custom.highlight, 0x00FFFFu);
    EXPECT_EQ(custom.shadow, 0x000000u);
    EXPECT_EQ(custom.font, 0x008080u);
}

TEST(LabelLook, AppearancesWriteTheirGeometry) {
    const struct {
        A appearance;
        D highlight, shadow;
        int highlightDepth, shadowDepth;
    } cases[] = {
        {A::apNone, D::sdNone, D::sdNone, 0, 0},
        {A::apFlying, D::sdDownRight, D::sdDownRight, 1, 5},
        {A::apRaised, D::sdUpLeft, D::sdDownRight, 1, 1},
        {A::apSunken, D::sdDownRight, D::sdUpLeft, 1, 1},
        {A::apShadow, D::sdNone, D::sdDownRight, 0, 2},
    };
    for (const auto& c : cases) {
        LoggedLook l;
        l.look.SetAppearance(A::apCustom); // leave raised first, so that every case is a change
        l.look.CustomSettings().SetHighlightDepth(7);
        l.look.SetAppearance(c.appearance);
        const TEsCustomSettings& s = l.look.CustomSettings();
        SCOPED_TRACE(static_cast<int>(c.appearance));
        EXPECT_EQ(l.look.Appearance(), c.appearance);
        EXPECT_EQ(s.HighlightDirection(), c.highlight);
        EXPECT_EQ(s.ShadowDirection(), c.shadow);
        EXPECT_EQ(s.HighlightDepth(), c.highlightDepth);
        EXPECT_EQ(s.ShadowDepth(), c.shadowDepth);
        EXPECT_EQ(s.ShadowStyle(), TEsShadeStyle::ssPlain);
        // The bracket's colour notification turns the scheme custom.
        EXPECT_EQ(l.look.ColorScheme(), C::csCustom);
    }
}

TEST(LabelLook, FlyingHighlightTakesTheSchemeShadow) {
    LoggedLook l;
    l.look.SetColorScheme(C::csSteel);
    l.look.SetAppearance(A::apFlying);
    EXPECT_EQ(l.look.CustomSettings().HighlightColor(), 0x800000u);
    l.look.SetAppearance(A::apRaised);
    // The row consulted now is csCustom's, which kept steel's colours.
    EXPECT_EQ(l.look.CustomSettings().HighlightColor(), 0xFFFF00u);
}

TEST(LabelLook, AttachedLabelSequenceEndsCustomInTextColours) {
    // The attached label chooses csText, then apNone: the second choice turns the first custom.
    LoggedLook l;
    l.look.SetColorScheme(C::csText);
    l.look.SetAppearance(A::apNone);
    EXPECT_EQ(l.look.Appearance(), A::apNone);
    EXPECT_EQ(l.look.ColorScheme(), C::csCustom);
    EXPECT_EQ(l.look.FontColor(), 0x000000u);
    EXPECT_EQ(l.look.CustomSettings().ShadowColor(), 0x808080u);
}

TEST(LabelLook, EndUpdateFiresBothColourFirst) {
    TEsCustomSettings s;
    std::string log;
    s.ColorNotify = [&](TEsCustomSettings&) { log += "C"; };
    s.ShapeNotify = [&](TEsCustomSettings&) { log += "S"; };
    s.BeginUpdate();
    s.SetShadowDepth(4);
    s.SetShadowColor(0x10);
    EXPECT_EQ(log, "");
    s.EndUpdate();
    EXPECT_EQ(log, "CS");
    s.BeginUpdate();
    s.EndUpdate();
    EXPECT_EQ(log, "CSCS");

    TEsCustomSettings copy;
    copy.ColorNotify = [&](TEsCustomSettings&) { log += "c"; };
    copy.Assign(s);
    EXPECT_EQ(copy.ShadowDepth(), 4);
    EXPECT_EQ(copy.ShadowColor(), 0x10u);
    EXPECT_EQ(log, "CSCS");
}

TEST(LabelLook, LoadingKeepsStoredPresetsAndSettingsSideBySide) {
    LoggedLook l;
    l.look.BeginLoading();
    l.look.CustomSettings().SetShadowDepth(3);
    l.look.CustomSettings().SetShadowColor(0x0000FF);
    l.look.EndLoading();
    EXPECT_EQ(l.look.Appearance(), A::apRaised);
    EXPECT_EQ(l.look.ColorScheme(), C::csWindows);
    EXPECT_EQ(l.look.CustomSettings().ShadowDepth(), 3);
}

} // namespace
} // namespace vermiq
