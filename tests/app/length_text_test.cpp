// The label's text and width: "%5.*f" with halves rounded up, the unit mark, the size rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "app/length_text.h"
#include "app/run.h"

namespace vermiq {
namespace {

TEST(FormatLength, FixedPointRightAlignedInFiveCharacters) {
    struct Case {
        double length;
        int decimals;
        const char* text;
    } cases[] = {
        {1234.5678, 2, "1234.57"},
        {3.2, 0, "    3"},
        {0.125, 2, " 0.13"},      // the 18-digit form rounds half up, not to the binary value
        {2.675, 2, " 2.67"},      // its 18-digit form is 2.67499999999999982
        {1.0, -1, " 1.00"},       // no item selected: two decimals
        {5.0, 8, "5.00000000"},
        {15.707963267948966, 3, "15.708"},
        {99.995, 2, "100.00"},    // a carry that adds a digit before the point
        {9.5, 0, "   10"},
        {0.5, 0, "    1"},
        {0.4, 0, "    0"},
        {123456.0, 0, "123456"},
        {0.00049, 3, "0.000"},
        {1e20, 1, "100000000000000000000.0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatLength(c.length, c.decimals), c.text) << c.length << " / " << c.decimals;
}

TEST(RoundedSize, HalvesGoToTheEvenNeighbour) {
    struct Case {
        const char* text;
        int size;
    } cases[] = {
        {"50", 50}, {"2.5", 2}, {"3.5", 4}, {"0", 0}, {"-2.5", -2}, {"  7.49 ", 7}, {"1e2", 100},
    };
    for (const Case& c : cases) EXPECT_EQ(RoundedSize(c.text), c.size) << c.text;
}

TEST(RoundedSize, ATextThatIsNotANumberIsReportedWithTheText) {
    for (const char* text : {"abc", "", "5mm", "1e400", "99999999999"}) {
        try {
            RoundedSize(text);
            ADD_FAILURE() << text;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' は浮動小数点数ではありません");
        }
    }
}

TEST(LabelWidth, CountsCodePageBytesTimesTheSize) {
    std::string text = FormatLength(1234.5678, 2) + kUnitMark;
    EXPECT_EQ(text, "1234.57ｍ");
    EXPECT_EQ(text.size(), 9u);
    EXPECT_EQ(LabelWidth(text, 50), 450);
    std::string small = FormatLength(3.2, 0) + kUnitMark;
    EXPECT_EQ(small, "    3ｍ");
    EXPECT_EQ(LabelWidth(small, 50), 350);
    EXPECT_EQ(LabelWidth(small, RoundedSize("2.5")), 14);
    EXPECT_EQ(LabelWidth(small, 0), 0);
    // Far beyond 32 bits: the width is still the true product.
    EXPECT_EQ(LabelWidth(small, 2147483647), 7LL * 2147483647);
}

TEST(Commands, ExportAndLabelByteForByte) {
    EXPECT_EQ(ExportCommand("C:\\W\\1.dxf"),
              "DXFOUT \"C:\\W\\1.dxf\"\rVER 2000 OBJ PREV \r16 ");
    EXPECT_EQ(LabelCommand("10.5", "-3", "2.5", 14, "    3ｍ"),
              "\x03-mtext 10.5,-3 h 2.5 r 0 j mc w 14     3ｍ\r\r");
    EXPECT_EQ(LabelCommand("", "", "50", -7, "x"), "\x03-mtext , h 50 r 0 j mc w -7 x\r\r");
}

} // namespace
} // namespace vermiq
