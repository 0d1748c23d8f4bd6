// Lengths of lines, arcs, circles and polylines, straight and bulged, open and closed, and which
// kind decides the labelled value (ellipses and splines themselves: curve_length_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dxf/measure.h"
#include "dxf/reader.h"
#include "tests/dxf/dxf_text.h"

namespace vermiq {
namespace {

using test::Concat;
using test::EntitiesText;
using test::Pairs;

constexpr double kPi = 3.14159265358979323846;

Pairs Lw(std::initializer_list<std::pair<std::string, std::string>> points, const char* flags = "0",
         std::initializer_list<std::pair<int, std::string>> bulges = {}) {
    Pairs pairs = {{0, "LWPOLYLINE"}, {90, std::to_string(points.size())}, {70, flags}};
    int n = 0;
    for (const auto& [x, y] : points) {
        pairs.insert(pairs.end(), {{10, x}, {20, y}});
        for (const auto& [at, bulge] : bulges)
            if (at == n) pairs.push_back({42, bulge});
        ++n;
    }
    return pairs;
}

Pairs Polyline(std::initializer_list<std::pair<std::string, std::string>> points, const char* flags = "0") {
    Pairs pairs = {{0, "POLYLINE"}, {66, "1"}, {10, "0"}, {20, "0"}, {70, flags}};
    for (const auto& [x, y] : points) pairs.insert(pairs.end(), {{0, "VERTEX"}, {10, x}, {20, y}});
    pairs.push_back({0, "SEQEND"});
    return pairs;
}

const Pairs kLine345 = {{0, "LINE"}, {10, "0"}, {20, "0"}, {30, "5"}, {11, "3"}, {21, "4"}, {31, "-7"}};
const Pairs kCircle1 = {{0, "CIRCLE"}, {10, "7"}, {20, "7"}, {40, "1"}};
const Pairs kEllipseCircle2 = {{0, "ELLIPSE"}, {11, "0"}, {21, "2"}, {40, "1"}, {41, "0"}, {42, "6.283185307179586"}};
const Pairs kSplinePolygon11 = {{0, "SPLINE"}, {71, "1"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "2"}, {40, "2"},
                                {10, "0"}, {20, "0"}, {10, "3"}, {20, "4"}, {10, "3"}, {20, "10"}};

struct LengthCase {
    const char* what;
    Pairs entities;
    double length;
};

TEST(MeasuredLengthTest, ValueTheRunLabels) {
    const LengthCase cases[] = {
        {"line, Z left out", kLine345, 5.0},
        {"quarter arc", {{0, "ARC"}, {40, "10"}, {50, "0"}, {51, "90"}}, 5 * kPi},
        {"arc through 0 degrees", {{0, "ARC"}, {40, "10"}, {50, "350"}, {51, "10"}}, 20.0 / 360 * 2 * kPi * 10},
        {"arc of equal angles", {{0, "ARC"}, {40, "10"}, {50, "45"}, {51, "45"}}, 0.0},
        {"arc from 0 to 360", {{0, "ARC"}, {40, "1"}, {50, "0"}, {51, "360"}}, 2 * kPi},
        {"angles past a turn", {{0, "ARC"}, {40, "1"}, {50, "450"}, {51, "0"}}, 1.5 * kPi},
        {"negative angles", {{0, "ARC"}, {40, "1"}, {50, "-90"}, {51, "-450"}}, 0.0},
        {"angles past a turn, start above end", {{0, "ARC"}, {40, "1"}, {50, "370"}, {51, "0"}}, kPi * 350 / 180},
        {"circle", kCircle1, 2 * kPi},
        {"open chain", Lw({{"0", "0"}, {"3", "4"}, {"3", "10"}}), 11.0},
        {"closed chain adds the closing segment", Lw({{"0", "0"}, {"3", "4"}, {"3", "10"}}, "1"), 11.0 + std::sqrt(109.0)},
        {"closed square", Lw({{"0", "0"}, {"10", "0"}, {"10", "10"}, {"0", "10"}}, "1"), 40.0},
        {"other flag bits are not closing", Lw({{"0", "0"}, {"10", "0"}, {"10", "10"}}, "128"), 20.0},
        {"POLYLINE with VERTEX records", Polyline({{"0", "0"}, {"3", "4"}, {"3", "10"}}), 11.0},
        {"closed POLYLINE", Polyline({{"0", "0"}, {"3", "4"}, {"3", "10"}}, "1"), 11.0 + std::sqrt(109.0)},
        {"half circle bulge", Lw({{"0", "0"}, {"10", "0"}}, "0", {{0, "1"}}), 5 * kPi},
        {"clockwise half circle", Lw({{"0", "0"}, {"10", "0"}}, "0", {{0, "-1"}}), 5 * kPi},
        {"quarter circle bulge", Lw({{"10", "0"}, {"0", "10"}}, "0", {{0, "0.41421356237309503"}}), 5 * kPi},
        {"three-quarter circle", Lw({{"10", "0"}, {"0", "-10"}}, "0", {{0, "2.4142135623730950"}}), 15 * kPi},
        {"last bulge of an open chain unused", Lw({{"0", "0"}, {"10", "0"}}, "0", {{1, "1"}}), 10.0},
        {"closing segment takes the last bulge", Lw({{"0", "0"}, {"10", "0"}}, "1", {{1, "1"}}), 10.0 + 5 * kPi},
        {"one vertex", Lw({{"5", "5"}}, "1"), 0.0},
        {"no vertex", Lw({}), 0.0},
        {"polyline of no length clears a line", Concat({kLine345, Lw({{"1", "1"}})}), 0.0},
        {"circle over line", Concat({kLine345, kCircle1}), 2 * kPi},
        {"polyline over circle and arc", Concat({kCircle1, {{0, "ARC"}, {40, "1"}, {51, "90"}}, Lw({{"0", "0"}, {"0", "2"}})}), 2.0},
        {"first of two lines", Concat({kLine345, {{0, "LINE"}, {11, "100"}}}), 5.0},
        {"first of two polylines", Concat({Lw({{"0", "0"}, {"0", "3"}}), Lw({{"0", "0"}, {"0", "7"}})}), 3.0},
        {"text alone", {{0, "TEXT"}, {1, "12"}}, 0.0},
        {"ellipse over polyline", Concat({kEllipseCircle2, Lw({{"0", "0"}, {"0", "2"}})}), 4 * kPi},
        {"spline over ellipse, whatever the file order", Concat({kSplinePolygon11, kEllipseCircle2, kLine345}), 11.0},
        {"first of two ellipses", Concat({kEllipseCircle2, {{0, "ELLIPSE"}, {11, "9"}}}), 4 * kPi},
        {"ellipse with DXF's defaults: a whole circle", {{0, "ELLIPSE"}, {11, "1"}}, 2 * kPi},
    };
    EntityTables t;
    for (const LengthCase& c : cases) {
        ReadDxfText(t, EntitiesText(c.entities));
        EXPECT_NEAR(MeasuredLength(t), c.length, 1e-12 * std::fmax(1.0, c.length)) << c.what;
    }
}

// A splined POLYLINE carries its frame (flag 16) besides the fitted vertices on the curve.
TEST(MeasuredLengthTest, SplineFramePointsAreNotOnThePath) {
    const Pairs splined = {{0, "POLYLINE"}, {70, "4"},
                           {0, "VERTEX"}, {10, "0"}, {20, "0"}, {70, "8"},
                           {0, "VERTEX"}, {10, "50"}, {20, "50"}, {70, "16"},
                           {0, "VERTEX"}, {10, "3"}, {20, "4"}, {70, "8"},
                           {0, "VERTEX"}, {10, "-50"}, {20, "0"}, {70, "16"},
                           {0, "SEQEND"}};
    EntityTables t;
    ReadDxfText(t, EntitiesText(splined));
    EXPECT_DOUBLE_EQ(MeasuredLength(t), 5.0);
}

TEST(MeasureTest, OperationsWriteOnlyTheirOwnKind) {
    EntityTables t;
    ReadDxfText(t, EntitiesText(Concat({kLine345, kCircle1})));
    double length = -1.0;
    MeasureArc(t, length);
    EXPECT_EQ(length, -1.0) << "no arc: left as it is";
    MeasureLine(t, length);
    EXPECT_DOUBLE_EQ(length, 5.0);
    MeasureCircle(t, length);
    EXPECT_DOUBLE_EQ(length, 2 * kPi);
    MeasurePolyline(t, length);
    EXPECT_EQ(length, 0.0) << "the polyline measure clears first";
}

TEST(SegmentLengthTest, ArcOverChordForAnyBulge) {
    // Sweep θ = 4·atan b; radius c / (2·sin(θ/2)).
    for (const double bulge : {1e-300, 1e-9, 0.1, 0.5, 1.0, 3.0, 1e6}) {
        const long double theta = 4 * std::atan(static_cast<long double>(bulge));
        const double expected = static_cast<double>(10 * theta / (2 * std::sin(theta / 2)));
        EXPECT_NEAR(SegmentLength(0, 0, 6, 8, bulge), expected, 1e-12 * expected) << bulge;
        EXPECT_EQ(SegmentLength(0, 0, 6, 8, bulge), SegmentLength(6, 8, 0, 0, -bulge)) << bulge;
    }
    EXPECT_EQ(SegmentLength(0, 0, 6, 8, 0.0), 10.0);
    EXPECT_EQ(SegmentLength(1, 1, 1, 1, 1.0), 0.0);
}

} // namespace
} // namespace vermiq
