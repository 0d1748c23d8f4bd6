// Integer and real conversions: accepted forms, rejected forms, messages, exact values.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "dxf/convert.h"

namespace vermiq {
namespace {

struct IntCase {
    const char* text;
    std::int32_t value;
};

TEST(StrToIntTest, AcceptsRightAlignedSignedAndHexadecimal) {
    const IntCase cases[] = {
        {"0", 0},          {"  0", 0},         {" 10", 10},           {"330", 330},
        {"+7", 7},         {"-7", -7},         {"   -12", -12},       {"007", 7},
        {"2147483647", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"$1A", 26},       {"x1a", 26},        {"X1A", 26},           {"0x1A", 26},
        {"-$10", -16},     {"  +0x7FFFFFFF", 0x7FFFFFFF},             {"-$80000000", std::numeric_limits<std::int32_t>::min()},
    };
    for (const IntCase& c : cases) {
        std::int32_t value = 99;
        EXPECT_TRUE(TryStrToInt(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
    }
}

TEST(StrToIntTest, RejectsTrailingBlanksOtherCharactersAndOverflow) {
    const char* const cases[] = {
        "",     " ",    "10 ",  "1 0",   "\t10",  "10\t", "+",     "-",   "--1", "+-1",
        "$",    "0x",   "$G",   "0x1G",  "1.0",   "1e3",  "0X1A",  "x",   "10\r",
        "2147483648", "-2147483649", "$80000000", "99999999999999999999", "0x100000000",
    };
    for (const char* text : cases) {
        std::int32_t value = 42;
        EXPECT_FALSE(TryStrToInt(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 42) << "a failed conversion must leave the value alone: " << text;
        EXPECT_THROW(StrToInt(text), ConversionError) << text;
    }
}

TEST(StrToIntTest, MessageQuotesTheTextAsRead) {
    try {
        StrToInt("10 ");
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(std::string(e.what()), "'10 ' は整数ではありません");
    }
}

struct FloatCase {
    const char* text;
    double value;
};

TEST(StrToFloatTest, AcceptsBlanksSignsPeriodAndExponent) {
    const FloatCase cases[] = {
        {"0", 0.0},          {"1.5", 1.5},        {" 2.5 ", 2.5},       {"-0.125", -0.125},
        {"+3", 3.0},         {"1e3", 1000.0},     {"1E-3", 0.001},      {".5", 0.5},
        {"5.", 5.0},         {"1.e2", 100.0},     {"-.25e+1", -2.5},    {"0.1", 0.1},
        {".", 0.0},          {"  -12345.678901234567  ", -12345.678901234567},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"1e-400", 0.0},     {"0.0000000000000000000001e-380", 0.0},
        {"00000000000000000000000000000000000000001.25", 1.25},
    };
    for (const FloatCase& c : cases) {
        double value = 99.0;
        EXPECT_TRUE(TryStrToFloat(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(StrToFloat(c.text), c.value) << c.text;
    }
    EXPECT_TRUE(std::signbit(StrToFloat("-1e-400")));
}

TEST(StrToFloatTest, RejectsCommasWordsAndOverflow) {
    const char* const cases[] = {
        "",    " ",    "-",     "+",     "e5",   "1e",   "1e+",  "1,5",  "1.5x", "inf",
        "nan", "NaN",  "0x10",  "--1",   "1 .5", ". .",  "\t1",  "1\t",  "1.5.", "1e5.5",
        "1e400", "-2e308", "12345678901234567890e300",
    };
    for (const char* text : cases) {
        double value = 42.0;
        EXPECT_FALSE(TryStrToFloat(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 42.0) << text;
        EXPECT_THROW(StrToFloat(text), ConversionError) << text;
    }
}

TEST(StrToFloatTest, MessageQuotesTheTextAsRead) {
    try {
        StrToFloat("1,5");
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(std::string(e.what()), "'1,5' は浮動小数点数ではありません");
    }
}

// The messages go to a code page 932 error box; checked against the bytes themselves, so that
// literals compiled in another code page (a build without the code page 932 setting) fail here.
TEST(StrToFloatTest, MessagesAreCodePage932) {
    EXPECT_EQ(std::strlen("は"), 2u) << "literals are not built as code page 932";
    const std::string notAnInteger = "\x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
    const std::string notAReal = "\x82\xcd\x95\x82\x93\xae\x8f\xac\x90\x94\x93\x5f\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
    std::string intMessage = "<nothing thrown>", realMessage = "<nothing thrown>";
    try {
        StrToInt("x");
    } catch (const ConversionError& e) {
        intMessage = e.what();
    }
    try {
        StrToFloat("y");
    } catch (const ConversionError& e) {
        realMessage = e.what();
    }
    EXPECT_EQ(intMessage, "'x' " + notAnInteger);
    EXPECT_EQ(realMessage, "'y' " + notAReal);
}

// Every double written in the ways a DXF writer may write it reads back to the same bits.
TEST(StrToFloatTest, RoundTripsRandomDoublesInEveryNotation) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    const std::chars_format formats[] = {std::chars_format::general, std::chars_format::scientific};
    for (int i = 0; i < 20000; ++i) {
        const double value = std::ldexp(mantissa(random), exponent(random) * 10);
        for (const std::chars_format format : formats) {
            char text[64];
            const auto r = std::to_chars(text, text + sizeof text, value, format, 17);
            const std::string written(text, r.ptr);
            EXPECT_EQ(StrToFloat(written), value) << written;
        }
        char shortest[64];
        const auto r = std::to_chars(shortest, shortest + sizeof shortest, value);
        EXPECT_EQ(StrToFloat(std::string(shortest, r.ptr)), value);
    }
}

} // namespace
} // namespace vermiq
