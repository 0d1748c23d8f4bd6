// Areas of closed elements and totals over a whole export, against references computed another
// way: shoelace sums and circular segments from the arc's radius and sweep, πr², πab, the exact
// rational circle of a spline, and the lengths of each element measured on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "dxf/area.h"
#include "dxf/measure.h"
#include "dxf/measured_value.h"
#include "dxf/reader.h"
#include "tests/dxf/dxf_text.h"
#include "tests/support/arc_reference.h"

namespace vermiq {
namespace {

using test::CircularSegment;
using test::Concat;
using test::EntitiesText;
using test::Pairs;
using test::kPi;
using test::Real;
using test::SweepOfBulge;

struct Point {
    double x, y, bulge = 0;
};

Pairs Lw(int flags, std::vector<Point> points) {
    Pairs pairs = {{0, "LWPOLYLINE"}, {90, std::to_string(points.size())}, {70, std::to_string(flags)}};
    for (const Point& p : points) {
        pairs.insert(pairs.end(), {{10, Real(p.x)}, {20, Real(p.y)}});
        if (p.bulge != 0) pairs.push_back({42, Real(p.bulge)});
    }
    return pairs;
}

// The NURBS circle of radius r about (cx, cy): nine control points on the square around it,
// the corners weighted √2/2, degree 2, exact.
Pairs RationalCircle(double cx, double cy, double r) {
    Pairs pairs = {{0, "SPLINE"}, {70, "11"}, {71, "2"}, {72, "12"}, {73, "9"}};
    for (const char* k : {"0", "0", "0", "0.25", "0.25", "0.5", "0.5", "0.75", "0.75", "1", "1", "1"})
        pairs.push_back({40, k});
    const double corner = std::sqrt(0.5);
    const int square[9][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
    for (int i = 0; i < 9; ++i) pairs.push_back({41, i % 2 ? Real(corner) : "1"});
    for (const auto& [x, y] : square) pairs.insert(pairs.end(), {{10, Real(cx + r * x)}, {20, Real(cy + r * y)}});
    return pairs;
}

// A spline of degree 1 through the given points, clamped: the polygon itself.
Pairs LinearSpline(int flags, std::vector<Point> points) {
    Pairs pairs = {{0, "SPLINE"}, {70, std::to_string(flags)}, {71, "1"}};
    pairs.push_back({40, "0"});
    for (size_t k = 0; k < points.size(); ++k) pairs.push_back({40, std::to_string(k)});
    pairs.push_back({40, std::to_string(points.size() - 1)});
    for (const Point& p : points) pairs.insert(pairs.end(), {{10, Real(p.x)}, {20, Real(p.y)}});
    return pairs;
}

struct AreaCase {
    const char* what;
    Pairs entity;
    std::optional<long double> area; // nothing: an open element
};

TEST(AreaTest, ClosedElementsAgainstIndependentReferences) {
    const double far = 1e6;
    const AreaCase cases[] = {
        {"square, counter-clockwise", Lw(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}), 100},
        {"square, clockwise", Lw(1, {{0, 0}, {0, 10}, {10, 10}, {10, 0}}), 100},
        {"a parcel far from the origin", Lw(1, {{far, far}, {far + 100, far}, {far + 100, far + 60}, {far, far + 60}}), 6000},
        {"drawn back to its start, not flagged", Lw(0, {{0, 0}, {4, 0}, {4, 3}, {0, 0}}), 6},
        {"flagged and drawn back to its start", Lw(1, {{0, 0}, {4, 0}, {4, 3}, {0, 0}}), 6},
        {"open chain", Lw(0, {{0, 0}, {4, 0}, {4, 3}}), std::nullopt},
        {"one vertex", Lw(1, {{5, 5}}), std::nullopt},
        {"half circle out of a square's side", Lw(1, {{0, 0}, {2, 0, 1}, {2, 2}, {0, 2}}), 4 + kPi / 2},
        {"half circle into a square's side", Lw(1, {{0, 0}, {2, 0, -1}, {2, 2}, {0, 2}}), 4 - kPi / 2},
        {"clockwise square, bulge outward", Lw(1, {{0, 0}, {0, 2}, {2, 2}, {2, 0, -1}}), 4 + kPi / 2},
        {"circle of two half circles", Lw(1, {{-5, 0, 1}, {5, 0, 1}}), 25 * kPi},
        {"circle of two half circles, drawn back", Lw(0, {{-5, 0, 1}, {5, 0, 1}, {-5, 0}}), 25 * kPi},
        {"lens of two arcs", Lw(1, {{0, 0, 0.3}, {10, 0, 0.3}}), 2 * CircularSegment(10, SweepOfBulge(0.3L))},
        {"slight bulge", Lw(1, {{0, 0}, {100, 0, 1e-4}, {100, 50}, {0, 50}}), 5000 + CircularSegment(50, SweepOfBulge(1e-4L))},
        {"closing segment bulged", Lw(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10, 0.5}}),
         100 + CircularSegment(10, SweepOfBulge(0.5L))},
        // The lobes 6.75 and 0.75 run opposite ways: the signed sum is their difference.
        {"crossing itself: signed sum", Lw(1, {{0, 0}, {6, 0}, {0, 3}, {2, 3}}), 6},
        {"circle", {{0, "CIRCLE"}, {10, "3"}, {20, "4"}, {40, "2.5"}}, kPi * 6.25L},
        {"whole ellipse", {{0, "ELLIPSE"}, {11, "3"}, {21, "4"}, {40, "0.5"}, {41, "0"}, {42, "6.283185307179586"}},
         kPi * 5 * 2.5L},
        {"whole ellipse, mirrored", {{0, "ELLIPSE"}, {11, "3"}, {21, "4"}, {230, "-1"}, {40, "0.5"}, {41, "1"}, {42, "7.283185307179586"}},
         kPi * 5 * 2.5L},
        {"ellipse arc", {{0, "ELLIPSE"}, {11, "3"}, {21, "4"}, {40, "0.5"}, {41, "0"}, {42, "3"}}, std::nullopt},
        {"rational spline circle", RationalCircle(1000, -40, 7), kPi * 49},
        {"degree-1 spline back to its start", LinearSpline(8, {{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}}), 12},
        {"degree-1 spline closed by its flag", LinearSpline(9, {{0, 0}, {4, 0}, {4, 3}}), 6},
        {"open spline", LinearSpline(8, {{0, 0}, {4, 0}, {4, 3}}), std::nullopt},
    };
    EntityTables t;
    for (const AreaCase& c : cases) {
        ReadDxfText(t, EntitiesText(c.entity));
        const std::optional<double> area = DecidingArea(t);
        ASSERT_EQ(area.has_value(), c.area.has_value()) << c.what;
        if (c.area) {
            EXPECT_NEAR(*area, static_cast<double>(*c.area), 1e-12 * static_cast<double>(*c.area)) << c.what;
        }
    }
}

// The segment over a chord of 10 from its radius and sweep, at 50 digits (mpmath): the direct
// formula loses its digits for small bulges, where the code under test takes a series.
TEST(AreaTest, ACircularSegmentAtAnyBulge) {
    const struct {
        long double bulge, area;
    } cases[] = {
        {1e-12L, 3.333333333333333333333334e-11L}, {1e-6L, 3.333333333334e-5L},
        {0.01L, 0.333339999904765079220787L},      {0.0249L, 0.830102912545817998387023L},
        {0.0251L, 0.8367720788538907600845062L},   {0.3L, 10.17775243321581833333026L},
        {1.0L, 39.26990816987241548078304L},       {7.0L, 997.0020868563346278179018L},
        {1e6L, 19634954084975.47761522808L},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(static_cast<double>(BulgeSegmentArea(100, c.bulge)), static_cast<double>(c.area),
                    1e-13 * static_cast<double>(c.area)) << static_cast<double>(c.bulge);
        EXPECT_EQ(BulgeSegmentArea(100, -c.bulge), -BulgeSegmentArea(100, c.bulge));
    }
    EXPECT_EQ(BulgeSegmentArea(100, 0), 0);
    EXPECT_EQ(BulgeSegmentArea(0, 1), 0);
}

// One export of every kind, two of some: the total is the sum of each element measured alone,
// and areas replace lengths only where an element is closed.
TEST(MeasureForLabelTest, TotalsAndAreasOverAWholeExport) {
    const Pairs line = {{0, "LINE"}, {10, "0"}, {20, "0"}, {11, "3"}, {21, "4"}};
    const Pairs arc = {{0, "ARC"}, {40, "10"}, {50, "0"}, {51, "90"}};
    const Pairs circle = {{0, "CIRCLE"}, {40, "2"}};
    const Pairs square = Lw(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    const Pairs chain = Lw(0, {{0, 0}, {3, 4}, {3, 10}});
    const Pairs ellipseArc = {{0, "ELLIPSE"}, {11, "2"}, {40, "1"}, {41, "0"}, {42, "3.141592653589793"}};
    const Pairs polygonSpline = LinearSpline(8, {{0, 0}, {3, 4}, {3, 10}});
    const Pairs noCurve = {{0, "SPLINE"}, {71, "3"}, {10, "0"}, {20, "0"}};
    const Pairs text = {{0, "TEXT"}, {1, "12"}};
    const long double lengths = 5 + 5 * kPi + 4 * kPi + 40 + 11 + 2 * kPi + 11 + 5;
    const Pairs all = Concat({line, arc, circle, square, chain, ellipseArc, polygonSpline, noCurve, text, line});
    const struct {
        const char* what;
        Pairs entities;
        MeasureRules rules;
        long double value;
        bool isArea;
    } cases[] = {
        {"the deciding element, as always", all, {}, 11, false},
        {"total of every element", all, {true, false}, lengths, false},
        {"total of the closed elements' areas", all, {true, true}, 100 + 4 * kPi, true},
        {"the deciding element is open: its length", all, {false, true}, 11, false},
        {"the deciding element is closed: its area", Concat({line, square, circle}), {false, true}, 100, true},
        {"a circle decides over a line", Concat({circle, line}), {false, true}, 4 * kPi, true},
        {"total and area, nothing closed: total length", Concat({line, arc, chain}), {true, true}, 16 + 5 * kPi, false},
        {"a text alone", text, {true, true}, 0, false},
    };
    EntityTables t;
    for (const auto& c : cases) {
        ReadDxfText(t, EntitiesText(c.entities));
        const MeasuredValue measured = MeasureForLabel(t, c.rules);
        EXPECT_NEAR(measured.value, static_cast<double>(c.value), 1e-12 * static_cast<double>(c.value)) << c.what;
        EXPECT_EQ(measured.isArea, c.isArea) << c.what;
    }
    // Without rules the value is the run's own, bit for bit.
    ReadDxfText(t, EntitiesText(Concat({arc, line})));
    EXPECT_EQ(MeasureForLabel(t, {}).value, MeasuredLength(t));
}

} // namespace
} // namespace vermiq
