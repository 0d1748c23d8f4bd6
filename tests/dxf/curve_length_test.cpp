// Ellipse and spline lengths against references computed another way: the ellipse's perimeter
// by the arithmetic-geometric mean, parabola arcs in closed form, circles, control polygons;
// records that are no curve measure as nothing, and a long spline in linear time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dxf/convert.h"
#include "dxf/curve_length.h"
#include "dxf/measure.h"
#include "dxf/reader.h"
#include "tests/dxf/dxf_text.h"

namespace vermiq {
namespace {

using test::Concat;
using test::EntitiesText;
using test::Pairs;
using test::kPi;
using test::Real;

Pairs Ellipse(double majorX, double majorY, double ratio, long double start, long double end, double extrusionZ = 1) {
    return {{0, "ELLIPSE"}, {10, "100"}, {20, "-50"}, {30, "7"}, {11, Real(majorX)}, {21, Real(majorY)}, {31, "0"},
            {210, "0"}, {220, "0"}, {230, Real(extrusionZ)}, {40, Real(ratio)}, {41, Real(start)}, {42, Real(end)}};
}

struct Spline {
    int degree;
    std::vector<double> knots;
    std::vector<std::pair<double, double>> points;
    std::vector<double> weights = {};
    int flags = 8;

    operator Pairs() const {
        Pairs pairs = {{0, "SPLINE"}, {100, "AcDbSpline"}, {70, std::to_string(flags)}, {71, std::to_string(degree)},
                       {72, std::to_string(knots.size())}, {73, std::to_string(points.size())}, {42, "1e-10"}};
        for (const double k : knots) pairs.push_back({40, Real(k)});
        for (const double w : weights) pairs.push_back({41, Real(w)});
        for (const auto& [x, y] : points) pairs.insert(pairs.end(), {{10, Real(x)}, {20, Real(y)}, {30, "3"}});
        return pairs;
    }
};

// Perimeter of the ellipse of semi-axes a >= b: 4a E(k), k² = 1 - b²/a², with E from the
// arithmetic-geometric mean (E = K (1 - Σ 2^(n-1) c_n²), K = π / (2 AGM(1, b/a))).
long double PerimeterByAgm(long double a, long double b) {
    long double x = 1, y = b / a, c = std::sqrt(1 - y * y), sum = c * c / 2, power = 0.5L;
    while (c > 1e-19L) {
        const long double mean = (x + y) / 2;
        c = (x - y) / 2;
        y = std::sqrt(x * y);
        x = mean;
        power *= 2;
        sum += power * c * c;
    }
    return 4 * a * (kPi / (2 * x)) * (1 - sum);
}

// Length of a quadratic Bézier arc p0 p1 p2 in closed form: ∫ sqrt(A u² + B u + C) du on [0, 1].
long double ParabolaArc(std::pair<long double, long double> p0, std::pair<long double, long double> p1,
                        std::pair<long double, long double> p2) {
    const long double px = 2 * (p1.first - p0.first), py = 2 * (p1.second - p0.second);
    const long double qx = 2 * (p2.first - 2 * p1.first + p0.first), qy = 2 * (p2.second - 2 * p1.second + p0.second);
    const long double A = qx * qx + qy * qy, B = 2 * (px * qx + py * qy), C = px * px + py * py;
    const auto F = [&](long double u) {
        const long double root = std::sqrt(A * u * u + B * u + C);
        return (2 * A * u + B) * root / (4 * A) +
               (4 * A * C - B * B) / (8 * A * std::sqrt(A)) * std::log(2 * A * u + B + 2 * std::sqrt(A) * root);
    };
    return F(1) - F(0);
}

// A uniform periodic quadratic spline over a closed control polygon, as DXF holds one: the
// first two control points repeated at the end, knots 0, 1, 2 ...; each span is the parabola
// from the middle of one side over the corner to the middle of the next.
long double PeriodicQuadraticReference(const std::vector<std::pair<double, double>>& polygon) {
    long double total = 0;
    const std::size_t n = polygon.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto& a = polygon[i];
        const auto& b = polygon[(i + 1) % n];
        const auto& c = polygon[(i + 2) % n];
        total += ParabolaArc({(a.first + b.first) / 2.0L, (a.second + b.second) / 2.0L}, {b.first, b.second},
                             {(b.first + c.first) / 2.0L, (b.second + c.second) / 2.0L});
    }
    return total;
}

Spline PeriodicQuadratic(const std::vector<std::pair<double, double>>& polygon, double knotScale = 1) {
    Spline s{2, {}, polygon, {}, 8 | 2 | 1};
    s.points.push_back(polygon[0]);
    s.points.push_back(polygon[1]);
    for (std::size_t k = 0; k < s.points.size() + 3; ++k) s.knots.push_back(static_cast<double>(k) * knotScale);
    return s;
}

const double kHalfRoot2 = 0.70710678118654752440;
const Spline kQuarterCircle{2, {0, 0, 0, 1, 1, 1}, {{10, 0}, {10, 10}, {0, 10}}, {1, kHalfRoot2, 1}, 8 | 4};
// The full circle of radius 3 as four such quarters, interior knots doubled.
const Spline kNurbsCircle{2,
                          {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1},
                          {{3, 0}, {3, 3}, {0, 3}, {-3, 3}, {-3, 0}, {-3, -3}, {0, -3}, {3, -3}, {3, 0}},
                          {1, kHalfRoot2, 1, kHalfRoot2, 1, kHalfRoot2, 1, kHalfRoot2, 1},
                          8 | 4};
const Spline kPolygon{1, {0, 0, 1, 2, 2}, {{0, 0}, {3, 4}, {3, 10}}};
const std::vector<std::pair<double, double>> kKite = {{0, 0}, {4, -1}, {7, 3}, {1, 5}};

struct CurveCase {
    const char* what;
    Pairs entity;
    long double length;
};

TEST(CurveLengthTest, AgreesWithIndependentReferences) {
    const long double perimeter = PerimeterByAgm(4, 1);
    const CurveCase cases[] = {
        {"circle as an ellipse of ratio 1", Ellipse(0, 7, 1, 0, 2 * kPi), 14 * kPi},
        {"whole ellipse", Ellipse(4, 0, 0.25, 0, 2 * kPi), perimeter},
        {"turned ellipse, clockwise about -Z", Ellipse(0, -4, 0.25, 0, 2 * kPi, -1), perimeter},
        {"quarter", Ellipse(-4, 0, 0.25, 0, kPi / 2), perimeter / 4},
        {"across the start: 3π/2 to π/2 is the right half", Ellipse(0, 4, 0.25, kPi / 2 * 3, kPi / 2), perimeter / 2},
        {"negative start", Ellipse(0, 4, 0.25, -kPi / 2, kPi / 2), perimeter / 2},
        {"start and end past a turn", Ellipse(4, 0, 0.25, 5 * kPi, 4 * kPi), perimeter / 2},
        {"equal parameters", Ellipse(4, 0, 0.25, 1, 1), 0},
        {"rational quarter circle", kQuarterCircle, 5 * kPi},
        {"NURBS circle", kNurbsCircle, 6 * kPi},
        {"degree 1: the control polygon", kPolygon, 11},
        {"unclamped periodic quadratic", PeriodicQuadratic(kKite), PeriodicQuadraticReference(kKite)},
        {"knots of 1e300", PeriodicQuadratic(kKite, 1e300), PeriodicQuadraticReference(kKite)},
        {"knots of 1e-300", PeriodicQuadratic(kKite, 1e-300), PeriodicQuadraticReference(kKite)},
    };
    EntityTables t;
    for (const CurveCase& c : cases) {
        ReadDxfText(t, EntitiesText(c.entity));
        const long double length = t.EllipseCount() > 0 ? EllipseLength(t.EllipseTable.at(0)) : SplineLength(t.SplineTable.at(0));
        EXPECT_NEAR(static_cast<double>(length), static_cast<double>(c.length), 1e-13 * static_cast<double>(c.length)) << c.what;
    }
}

TEST(CurveLengthTest, SeenFromAbove) {
    // Tilted about the X axis until the minor axis points along Z: seen from above the ellipse
    // is its major axis, run over twice.
    EllipseRec standing{{}, {2, 0, 0}, {0, 1, 0}, 0.5, 0, 6.283185307179586, 0};
    EXPECT_NEAR(static_cast<double>(EllipseLength(standing)), 8.0, 1e-12);
    // Control points' Z is left out.
    Spline lifted = kPolygon;
    EntityTables t;
    std::string text = EntitiesText(lifted);
    for (std::size_t at; (at = text.find(" 30\n3\n")) != std::string::npos;) text.replace(at, 6, " 30\n-90\n");
    ReadDxfText(t, text);
    EXPECT_EQ(t.SplineTable.at(0).ControlPoints.at(1).Z, -90.0);
    EXPECT_NEAR(static_cast<double>(SplineLength(t.SplineTable[0])), 11.0, 1e-13);
}

TEST(CurveLengthTest, RecordsThatAreNoCurveMeasureNothing) {
    const Spline bad[] = {
        {0, {0, 1, 2}, {{0, 0}, {5, 5}}},                                     // degree 0: points, no curve
        {40, std::vector<double>(82, 0.0), std::vector<std::pair<double, double>>(41, {1.0, 2.0})}, // degree past the limit
        {1, {0, 0, 1, 2, 2, 3}, {{0, 0}, {3, 4}, {3, 10}}},                   // one knot too many
        {1, {0, 0, 1, 2}, {{0, 0}, {3, 4}, {3, 10}}},                         // one knot short
        {1, {0, 0, 1, 2, 2}, {{0, 0}, {3, 4}, {3, 10}}, {1, 1, 1, 1}},        // more weights than points
        {1, {0, 0, 1, 2, 2}, {{0, 0}, {3, 4}, {3, 10}}, {1, 0, 1}},           // a weight of 0
        {1, {0, 0, 1, 2, 2}, {{0, 0}, {3, 4}, {3, 10}}, {1, -1, 1}},          // a negative weight
        {1, {0, 0, 2, 1, 2}, {{0, 0}, {3, 4}, {3, 10}}},                      // knots that decrease
        {1, {0, 1, 1, 1, 2}, {{0, 0}, {3, 4}, {3, 10}}},                      // an empty valid range
        {3, {0, 0, 0, 0, 1, 1, 1, 1}, {}},                                    // no control points
    };
    EntityTables t;
    for (const Spline& s : bad) {
        ReadDxfText(t, EntitiesText(Concat({{{0, "LINE"}, {11, "5"}}, s})));
        EXPECT_EQ(SplineLength(t.SplineTable.at(0)), 0.0L) << EntitiesText(s);
        EXPECT_EQ(MeasuredLength(t), 0.0) << "a spline that is no curve, measured last, clears the line";
    }
    // Fit points only, as the CAD never exports but other writers may.
    ReadDxfText(t, EntitiesText({{0, "SPLINE"}, {70, "8"}, {71, "3"}, {74, "3"}, {11, "0"}, {21, "0"}, {11, "5"},
                                 {21, "5"}, {11, "9"}, {21, "0"}}));
    EXPECT_EQ(MeasuredLength(t), 0.0);
    // Not a number at all: the read stops with the conversion error.
    EXPECT_THROW(ReadDxfText(t, EntitiesText({{0, "SPLINE"}, {71, "1"}, {40, "NaN"}})), ConversionError);
}

} // namespace
} // namespace vermiq
