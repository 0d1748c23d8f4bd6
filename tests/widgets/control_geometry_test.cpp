// Where a widget goes when its parent resizes: anchors, alignment and size limits.
#include "widgets/control_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace vermiq {
namespace {

TEST(ControlGeometry, AnchorsAlignmentAndLimits) {
    // A 50 x 20 widget at (10, 10) in a 200 x 100 client that grows to 260 x 130.
    const WidgetRect placed{10, 10, 50, 20};
    const struct {
        const char* what;
        WidgetAnchors anchors;
        WidgetRect want;
    } anchored[] = {
        {"left top: stays", AnchorLeft | AnchorTop, {10, 10, 50, 20}},
        {"right bottom: moves with the far edges", AnchorRight | AnchorBottom, {70, 40, 50, 20}},
        {"all four: stretches", AnchorLeft | AnchorTop | AnchorRight | AnchorBottom, {10, 10, 110, 50}},
        {"none: centre keeps its relative place", 0, {21, 16, 50, 20}},
    };
    for (const auto& c : anchored)
        EXPECT_EQ(Anchored(placed, 200, 100, 260, 130, c.anchors), c.want) << c.what;
    // Shrinking below the stretched widget's size leaves it no negative size.
    EXPECT_EQ(Anchored(placed, 200, 100, 100, 60, AnchorLeft | AnchorRight | AnchorTop | AnchorBottom),
              (WidgetRect{10, 10, 0, 0}));

    const struct {
        WidgetAlign align;
        WidgetRect want;
    } aligned[] = {
        {WidgetAlign::None, {10, 10, 50, 20}},    {WidgetAlign::Top, {0, 0, 260, 20}},
        {WidgetAlign::Bottom, {0, 110, 260, 20}}, {WidgetAlign::Left, {0, 0, 50, 130}},
        {WidgetAlign::Right, {210, 0, 50, 130}},  {WidgetAlign::Client, {0, 0, 260, 130}},
    };
    for (const auto& c : aligned)
        EXPECT_EQ(Aligned(placed, c.align, 260, 130), c.want) << static_cast<int>(c.align);

    // Two tops, a bottom, a left, two rights and a filler in a 260 x 130 client: each keeps its
    // own height or width and takes its side of what the ones before it left.
    const std::vector<AlignedWidget> together{
        {{5, 5, 50, 20}, WidgetAlign::Top},   {{5, 5, 50, 30}, WidgetAlign::Right},
        {{5, 5, 50, 10}, WidgetAlign::Top},   {{5, 5, 40, 15}, WidgetAlign::Bottom},
        {{5, 5, 25, 9}, WidgetAlign::Left},   {{5, 5, 20, 9}, WidgetAlign::Right},
        {{5, 5, 9, 9}, WidgetAlign::Client},  {{5, 5, 9, 9}, WidgetAlign::None},
    };
    EXPECT_EQ(AlignedTogether(together, 260, 130),
              (std::vector<WidgetRect>{{0, 0, 260, 20}, {210, 30, 50, 85}, {0, 20, 260, 10},
                                       {0, 115, 260, 15}, {0, 30, 25, 85}, {190, 30, 20, 85},
                                       {25, 30, 165, 85}, {}}));

    const struct {
        WidgetConstraints limits;
        int width, height;
    } limited[] = {
        {{}, 50, 20},                  // no limits
        {{60, 0, 0, 0}, 60, 20},       // minimum width
        {{0, 0, 40, 15}, 40, 15},      // maxima
        {{70, 0, 40, 0}, 70, 20},      // a maximum below the minimum gives way
    };
    for (const auto& c : limited) {
        const WidgetRect r = Constrained(placed, c.limits);
        EXPECT_EQ(r, (WidgetRect{10, 10, c.width, c.height}));
    }
}

} // namespace
} // namespace vermiq
