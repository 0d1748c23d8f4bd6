// Side labels and aligned labels: midpoints, readable rotations, the side a label goes to, arc
// sides, mirrored elements, and the numbers as the CAD is given them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "app/side_labels.h"
#include "dxf/entity_tables.h"

namespace vermiq {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTol = 1e-9;

EntityTables Polyline(std::vector<Vertex> vertices, bool closed, Point3 extrusion = kWorldNormal,
                      double elevation = 0, std::int32_t flags = 0) {
    EntityTables t;
    PolylineRec& p = t.PolylineTable.emplace_back();
    p.Vertices = std::move(vertices);
    p.Flags = flags | (closed ? kPolylineClosed : 0);
    p.Extrusion = extrusion;
    p.Elevation = elevation;
    return t;
}

EntityTables Line(double x1, double y1, double x2, double y2) {
    EntityTables t;
    t.LineTable.push_back({{x1, y1, 0}, {x2, y2, 0}});
    return t;
}

EntityTables Arc(double cx, double cy, double r, double start, double end, Point3 extrusion = kWorldNormal) {
    EntityTables t;
    ArcRec& a = t.ArcTable.emplace_back();
    a.Centre = {cx, cy, 0};
    a.Radius = r;
    a.StartAngle = start;
    a.EndAngle = end;
    a.Extrusion = extrusion;
    return t;
}

EntityTables Circle(double cx, double cy, double r) {
    EntityTables t;
    CircleRec& c = t.CircleTable.emplace_back();
    c.Centre = {cx, cy, 0};
    c.Radius = r;
    return t;
}

TEST(ReadableRotation, ReadsLeftToRightOrBottomToTopInEveryQuadrant) {
    const double s3 = std::sqrt(3.0);
    struct Case {
        double dx, dy, degrees;
    } cases[] = {
        {1, 0, 0},    {-1, 0, 0},    {0, 1, 90},    {0, -1, 90},   {1, 1, 45},    {-1, -1, 45},
        {-1, 1, -45}, {1, -1, -45},  {s3, 1, 30},   {-s3, 1, -30}, {-s3, -1, 30}, {s3, -1, -30},
        {1, s3, 60},  {-1, -s3, 60}, {-1, s3, -60}, {1, -s3, -60},
    };
    for (const Case& c : cases) {
        double r = ReadableRotation(c.dx, c.dy);
        EXPECT_NEAR(r, c.degrees, 1e-12) << c.dx << "," << c.dy;
        EXPECT_TRUE(r > -90 && r <= 90) << r;
    }
    // Axis-parallel sides give exact angles.
    EXPECT_EQ(ReadableRotation(0, -5), 90.0);
    EXPECT_EQ(ReadableRotation(-5, 0), 0.0);
}

struct Expected {
    double length, x, y, rotation;
};

void ExpectLabels(const std::vector<SideLabel>& got, const std::vector<Expected>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i].Length, want[i].length, kTol) << what << " side " << i;
        EXPECT_NEAR(got[i].X, want[i].x, kTol) << what << " side " << i;
        EXPECT_NEAR(got[i].Y, want[i].y, kTol) << what << " side " << i;
        EXPECT_NEAR(got[i].Rotation, want[i].rotation, kTol) << what << " side " << i;
    }
}

TEST(SideLabels, EachSideAtItsMiddleTurnedToReadAndMovedOffByThreeQuartersOfTheHeight) {
    const double h = 4, off = 3; // three quarters of the text height
    const double r2 = std::sqrt(0.5) * off;
    struct Case {
        const char* what;
        EntityTables tables;
        std::vector<Expected> labels;
    } cases[] = {
        // Closed: outside, whichever way the sides run, the closing side included.
        {"counter-clockwise square", Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true),
         {{10, 5, -off, 0}, {10, 10 + off, 5, 90}, {10, 5, 10 + off, 0}, {10, -off, 5, 90}}},
        {"clockwise square", Polyline({{0, 0}, {0, 10}, {10, 10}, {10, 0}}, true),
         {{10, -off, 5, 90}, {10, 5, 10 + off, 0}, {10, 10 + off, 5, 90}, {10, 5, -off, 0}}},
        {"last vertex on the first, not flagged closed", Polyline({{0, 0}, {10, 0}, {0, 10}, {0, 0}}, false),
         {{10, 5, -off, 0}, {std::sqrt(200.0), 5 + r2, 5 + r2, -45}, {10, -off, 5, 90}}},
        {"circle drawn as two half circles", Polyline({{0, 0, 1}, {10, 0, 1}}, true),
         {{5 * kPi, 5, -5 - off, 0}, {5 * kPi, 5, 5 + off, 0}}},
        {"closed there and back", Polyline({{0, 0}, {10, 0}}, true), {{10, 5, -off, 0}, {10, 5, off, 0}}},
        // A bulged side outward (semicircle below the bottom side) and one inward.
        {"outward arc side", Polyline({{0, 0, 1}, {10, 0}, {10, 10}, {0, 10}}, true),
         {{5 * kPi, 5, -5 - off, 0}, {10, 10 + off, 5, 90}, {10, 5, 10 + off, 0}, {10, -off, 5, 90}}},
        {"inward arc side", Polyline({{0, 0, -1}, {10, 0}, {10, 10}, {0, 10}}, true),
         {{5 * kPi, 5, 5 - off, 0}, {10, 10 + off, 5, 90}, {10, 5, 10 + off, 0}, {10, -off, 5, 90}}},
        // Mirrored: the own coordinates run the other way in X, the bulge's sense turns with
        // them; the labels still go outside, and the elevation moves nothing seen from above.
        {"mirrored polyline", Polyline({{0, 0, 1}, {10, 0}, {10, 10}, {0, 10}}, true, {0, 0, -1}, 7),
         {{5 * kPi, -5, -5 - off, 0}, {10, -10 - off, 5, 90}, {10, -5, 10 + off, 0}, {10, off, 5, 90}}},
        // Open: towards the text's top; an arc side to its convex side.
        {"open polyline", Polyline({{0, 0}, {10, 0}, {10, 10, 1}, {0, 10}}, false),
         {{10, 5, off, 0}, {10, 10 - off, 5, 90}, {5 * kPi, 5, 15 + off, 0}}},
        {"line up to the left", Line(10, 10, 0, 0), {{std::sqrt(200.0), 5 - r2, 5 + r2, 45}}},
        {"line down the Y axis", Line(0, 10, 0, 0), {{10, -off, 5, 90}}},
        {"upper half arc", Arc(0, 0, 10, 0, 180), {{10 * kPi, 0, 10 + off, 0}}},
        {"lower half arc", Arc(0, 0, 10, 180, 360), {{10 * kPi, 0, -10 - off, 0}}},
        {"arc through 0 degrees", Arc(0, 0, 10, 270, 90), {{10 * kPi, 10 + off, 0, 90}}},
        {"second quadrant arc", Arc(0, 0, 10, 90, 180),
         {{5 * kPi, -std::sqrt(50.0) - r2, std::sqrt(50.0) + r2, 45}}},
        {"mirrored arc", Arc(0, 0, 10, 90, 180, {0, 0, -1}),
         {{5 * kPi, std::sqrt(50.0) + r2, std::sqrt(50.0) + r2, -45}}},
        // No sides: a circle, a curve-fitted polyline; nothing selected.
        {"circle", Circle(0, 0, 5), {}},
        {"spline-fit polyline", Polyline({{0, 0}, {10, 0}, {10, 10}}, false, kWorldNormal, 0, 4), {}},
        {"nothing", EntityTables(), {}},
    };
    for (const Case& c : cases) ExpectLabels(SideLabels(c.tables, h), c.labels, c.what);
}

TEST(SideLabels, TheElementThatDecidesTheValueIsLabelledAndEmptySidesAreLeftOut) {
    EntityTables t = Polyline({{0, 0}, {0, 0}, {4, 0}, {4, 0}}, false);
    t.LineTable.push_back({{0, 0, 0}, {100, 0, 0}});
    t.CircleTable.emplace_back().Radius = 3;
    std::vector<SideLabel> labels = SideLabels(t, 2);
    ASSERT_EQ(labels.size(), 1u) << "the polyline wins; its zero-length sides get no label";
    EXPECT_DOUBLE_EQ(labels[0].Length, 4);
    EXPECT_DOUBLE_EQ(labels[0].X, 2);
    EXPECT_DOUBLE_EQ(labels[0].Y, 1.5);
    // An ellipse or a spline decides over every other kind, and has no sides.
    t.EllipseTable.emplace_back();
    EXPECT_TRUE(SideLabels(t, 2).empty());
    EXPECT_FALSE(RotationAlong(t, 2, 0));
}

TEST(RotationAlong, FollowsTheNearestSideOrTheTangentAtTheNearestPoint) {
    const double s = std::sqrt(0.5);
    struct Case {
        const char* what;
        EntityTables tables;
        double x, y, rotation;
    } cases[] = {
        {"square, near the right side", Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true), 10.5, 4, 90},
        {"square, near the bottom", Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true), 3, -1, 0},
        {"square, near the closing side", Polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true), -0.2, 6, 90},
        {"outward arc side, on the arc", Polyline({{0, 0, 1}, {10, 0}, {10, 10}, {0, 10}}, true), 5 + 5 * s, -5 * s, 45},
        {"mirrored, near the diagonal", Polyline({{0, 0}, {10, 10}, {10, 0}}, false, {0, 0, -1}), -5, 5.5, -45},
        {"circle, at the right", Circle(0, 0, 10), 12, 0, 90},
        {"circle, at 45 degrees", Circle(0, 0, 10), 7, 7, -45},
        {"arc, past its end", Arc(0, 0, 10, 0, 90), -3, 12, 0},
        {"arc, past its start", Arc(0, 0, 10, 0, 90), 12, -3, 90},
        {"line", Line(0, 0, -10, 10), 3, 3, -45},
    };
    for (const Case& c : cases) {
        std::optional<double> r = RotationAlong(c.tables, c.x, c.y);
        ASSERT_TRUE(r) << c.what;
        EXPECT_NEAR(*r, c.rotation, 1e-9) << c.what;
    }
    EXPECT_FALSE(RotationAlong(EntityTables(), 0, 0));
}

TEST(CadNumbers, ShortestExactDecimalWithAPeriodAndNoExponent) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"}, {-0.0, "0"}, {0.1, "0.1"}, {-12.5, "-12.5"}, {1.0 / 3, "0.3333333333333333"},
        {1e21, "1000000000000000000000"}, {1e-7, "0.0000001"}, {123456.789, "123456.789"},
    };
    for (const Case& c : cases) EXPECT_EQ(CadNumber(c.value), c.text);
    EXPECT_EQ(WorldPointText(-3.25, 1e-3), "*-3.25,0.001");
    // Whatever the value, the text reads back as the same double.
    std::mt19937_64 random(14);
    std::uniform_real_distribution<double> spread(-1e6, 1e6);
    for (int i = 0; i < 2000; ++i) {
        double v = spread(random) / (1 + (i % 7) * 1000.0);
        std::string text = CadNumber(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
        EXPECT_EQ(text.find_first_of("eE,"), std::string::npos) << text;
    }
}

TEST(OcsToWcs, ArbitraryAxisRuleWithElevation) {
    struct Case {
        Point3 normal, point, world;
    } cases[] = {
        {{0, 0, 1}, {3, 4, 5}, {3, 4, 5}},
        {{0, 0, -1}, {3, 4, 5}, {-3, 4, -5}},
        {{1, 0, 0}, {3, 4, 5}, {5, 3, 4}},
        {{0, 0, 2}, {1, 2, 0}, {1, 2, 0}}, // the normal's length does not matter
    };
    for (const Case& c : cases) {
        Point3 w = OcsToWcs(c.normal, c.point);
        EXPECT_NEAR(w.X, c.world.X, kTol);
        EXPECT_NEAR(w.Y, c.world.Y, kTol);
        EXPECT_NEAR(w.Z, c.world.Z, kTol);
    }
}

} // namespace
} // namespace vermiq
