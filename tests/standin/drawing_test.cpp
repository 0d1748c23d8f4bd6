// The stand-in's drawing format and geometry.
#include "standin/drawing.h"

#include <gtest/gtest.h>

namespace standin {
namespace {

TEST(Drawing, FormatReadsBack) {
    Drawing d = Drawing::Parse("LINE 0,0 100,0.5\nMTEXT 1,2 50 450 MC 0     3ｍ\n");
    EXPECT_EQ(Drawing::Parse(d.Format()).Entities(), d.Entities());
    EXPECT_EQ(d.Entities()[1].text, "    3ｍ");
}

} // namespace
} // namespace standin
