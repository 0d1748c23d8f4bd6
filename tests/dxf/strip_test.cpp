// MTEXT code stripping: the documented examples, and the one-pass implementation against the
// literal search-and-delete procedure on random texts made of the characters that matter.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dxf/reader.h"
#include "tests/dxf/strip_reference.h"

namespace vermiq {
namespace {

using test::StripByRepeatedSearch;

TEST(StripMtextCodesTest, DocumentedExamples) {
    const struct {
        const char* text;
        const char* stripped;
    } cases[] = {
        {"A\\PB", "AB"},
        {"\\C1;Red", "Red"},
        {"x\\T1.5abc", "x\\T1.5abc"},           // no semicolon after the code: unchanged
        {"\\T1.1;\\C3;L=12.5\\P", "L=12.5"},
        {"\\Ooverline\\o and \\Lunder\\l", "overline and under"},
        {"{\\H2.5x;\\fArial|b0;big}", "{\\H2.5x;\\fArial|b0;big}"}, // other codes stay
        {"\\\\PP", ""},                           // a deletion that makes the next code
        {"a\\C1;b\\C2", "ab\\C2"},                // the second has no semicolon
        {"\\", "\\"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(StripMtextCodes(c.text), c.stripped) << c.text;
}

TEST(StripMtextCodesTest, AgreesWithRepeatedSearchOnRandomTexts) {
    const char alphabet[] = {'\\', '\\', '\\', 'P', 'O', 'o', 'L', 'l', 'T', 'C', ';', 'x'};
    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<int> length(0, 24);
    for (int i = 0; i < 50000; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n) text += alphabet[pick(random)];
        ASSERT_EQ(StripMtextCodes(text), StripByRepeatedSearch(text)) << text;
    }
}

// Long values of codes: one pass each, where deleting by repeated search from the start would
// take minutes on these and hit the test's time-out.
TEST(StripMtextCodesTest, LongValuesTakeLinearTime) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += "\\C1;";
    text += "end";
    std::string pairs(400000, 'P');
    pairs.insert(0, 400000, '\\');
    EXPECT_EQ(StripMtextCodes(text), "end");
    EXPECT_EQ(StripMtextCodes(pairs), "");
}

} // namespace
} // namespace vermiq
