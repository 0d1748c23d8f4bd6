// The factor and the unit: what the settings take, what a damaged settings file reads as, the
// unit of an area, and the value in the user's units.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/drawing_conventions.h"
#include "app/label_units.h"
#include "app/settings.h"

namespace vermiq {
namespace {

TEST(FactorFromText, OnlyAPositiveFiniteNumber) {
    const struct {
        const char* text;
        double factor; // 0: refused
    } cases[] = {
        {"1", 1},    {"0.001", 0.001}, {" 1000 ", 1000}, {"1e-3", 0.001}, {"2.5E2", 250}, {".5", 0.5},
        {"0", 0},    {"-1", 0},        {"-0", 0},        {"", 0},         {"abc", 0},    {"1,5", 0},
        {"1e999", 0}, {"inf", 0},      {"nan", 0},       {"1e-400", 0},   {"0x10", 0},   {"1 2", 0},
    };
    for (const auto& c : cases) {
        const std::optional<double> factor = FactorFromText(c.text);
        EXPECT_EQ(factor.value_or(0), c.factor) << c.text;
    }
    for (const double factor : {1.0, 0.001, 1e-20, 12345.678, 0.1 + 0.2})
        EXPECT_EQ(FactorFromText(FactorText(factor)), factor) << FactorText(factor);
    EXPECT_EQ(FactorText(1.0), "1");
    EXPECT_EQ(FactorText(0.001), "0.001");
}

TEST(IsUnitText, WholeCharactersOfCodePage932WithinSixteenBytes) {
    const struct {
        std::string text;
        bool unit;
    } cases[] = {
        {"ｍ", true},      {"m", true},       {"mm", true},       {"", true},            {"㎜", true},
        {"坪", true},      {"ｶﾝ", true},      {"0123456789abcdef", true},                 {"0123456789abcdefg", false},
        {"m\tm", false},   {"m\r", false},    {" m", false},      {"m ", false},         {"m m", true},
        {"\x82", false},   {"\x82\x20", false}, {"\x80", false},  {"\xFD", false},       {"a\x7F", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsUnitText(c.text), c.unit) << c.text;
}

TEST(StoredUnits, ADamagedValueReadsAsItsDefault) {
    const struct {
        const char *factor, *unit;
        double expectedFactor;
        const char* expectedUnit;
    } cases[] = {
        {"0.001", "ｍ", 0.001, "ｍ"}, {"1", "mm", 1, "mm"},   {"", "", 1, ""},           {"0", "m", 1, "m"},
        {"-2", "\x82", 1, "ｍ"},      {"x", "m\tm", 1, "ｍ"}, {"1e999", "ｍｍｍｍｍｍｍｍｍ", 1, "ｍ"},
    };
    for (const auto& c : cases) {
        const DisplayUnits units = StoredUnits(c.factor, c.unit);
        EXPECT_EQ(units.factor, c.expectedFactor) << c.factor;
        EXPECT_EQ(units.unit, c.expectedUnit) << c.unit;
    }
    // The defaults are the label as it always was.
    EXPECT_EQ(DisplayUnits{}.factor, 1.0);
    EXPECT_EQ(DisplayUnits{}.unit, kUnitMark);
}

// A length takes the factor and an area its square; an area's unit is "㎡" (two bytes of code
// page 932) for metres and the unit with "^2" otherwise. The defaults leave a value bit for bit.
TEST(InUnits, LengthsTakeTheFactorAndAreasItsSquareAndUnit) {
    const struct {
        double factor;
        const char* unit;
        double measured;
        bool isArea;
        double value;
        const char* shown;
    } cases[] = {
        {0.001, "ｍ", 4270, false, 4270 * 0.001, "ｍ"}, {0.001, "ｍ", 96e6, true, 96e6 * 0.001 * 0.001, "\x87\x75"},
        {1, "m", 2, true, 2, "㎡"},                   {1, "mm", 2, true, 2, "mm^2"},
        {1, "尺", 2, true, 2, "尺^2"},                {1, "", 2, true, 2, ""},
        {1, "ｍ", 0.1 + 0.2, false, 0.1 + 0.2, "ｍ"},
    };
    for (const auto& c : cases) {
        const LabelAmount amount = InUnits({c.measured, c.isArea}, {c.factor, c.unit});
        EXPECT_EQ(amount.value, c.value) << c.unit << " " << c.measured;
        EXPECT_EQ(amount.unit, c.shown) << c.unit << " " << c.measured;
    }
}

// The label layer: names a layer can take and the command line carries whole; a stored name
// that is neither reads as the current layer. "表" ends in the byte of '\\'.
TEST(LabelLayer, NamesThatALayerCanTake) {
    const struct {
        std::string name;
        bool taken;
    } cases[] = {{"寸法", true}, {"表示", true}, {"A-ANNO_01", true}, {"ｱﾉﾃｰｼｮﾝ", true}, {std::string(255, 'a'), true},
                 {"", false}, {std::string(256, 'a'), false}, {"a b", false}, {"a\tb", false}, {"寸\x90", false},
                 {"a<b", false}, {"a>b", false}, {"a/b", false}, {"a\\b", false}, {"a\"b", false}, {"a:b", false},
                 {"a;b", false}, {"a?b", false}, {"a*b", false}, {"a|b", false}, {"a,b", false}, {"a=b", false},
                 {"a`b", false}, {"a'b", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsLabelLayerName(c.name), c.taken) << c.name;
        EXPECT_EQ(StoredLabelLayer(c.name), c.taken ? c.name : "") << c.name;
    }
}

} // namespace
} // namespace vermiq
