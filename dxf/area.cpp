// Areas of closed elements, computed in the widest floating format at hand.
#include "dxf/area.h"

#include <cmath>
#include <vector>

#include "dxf/curve_length.h"

namespace vermiq {
namespace {

using Wide = long double;
constexpr Wide kPi = 3.141592653589793238462643383279502884L;

std::optional<double> Finite(std::optional<long double> area) {
    if (!area) return std::nullopt;
    const double value = static_cast<double>(*area);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::vector<const Vertex*> PointsOnTheCurve(const PolylineRec& polyline) {
    std::vector<const Vertex*> points;
    for (const Vertex& vertex : polyline.Vertices)
        if ((vertex.Flags & kVertexSplineFrame) == 0) points.push_back(&vertex);
    return points;
}

} // namespace

bool IsClosedPolyline(const PolylineRec& polyline) {
    const std::vector<const Vertex*> points = PointsOnTheCurve(polyline);
    if (points.size() < 2) return false;
    if (polyline.Closed()) return true;
    return points.size() >= 3 && points.front()->X == points.back()->X && points.front()->Y == points.back()->Y;
}

long double BulgeSegmentArea(long double chordSquared, long double bulge) {
    const Wide b = std::fabs(bulge);
    if (b == 0 || !std::isfinite(b) || chordSquared == 0) return 0;
    // The arc's sweep θ = 4·atan|b| and radius r = c / (2 sin(θ/2)) give r²/2 = c²(1+b²)²/(32b²),
    // and the segment is r²/2 (θ - sin θ). For a small sweep θ - sin θ loses its digits to
    // cancellation, and its series is taken instead.
    const Wide theta = 4 * std::atan(b);
    Wide thetaLessSine;
    if (theta < 0.1L) {
        const Wide t2 = theta * theta;
        thetaLessSine = theta * t2 / 6 * (1 - t2 / 20 * (1 - t2 / 42 * (1 - t2 / 72 * (1 - t2 / 110))));
    } else {
        thetaLessSine = theta - std::sin(theta);
    }
    const Wide halfSquaredRadius = chordSquared * (1 + b * b) * (1 + b * b) / (32 * b * b);
    const Wide area = halfSquaredRadius * thetaLessSine;
    return bulge < 0 ? -area : area;
}

std::optional<double> PolylineArea(const PolylineRec& polyline) {
    if (!IsClosedPolyline(polyline)) return std::nullopt;
    const std::vector<const Vertex*> points = PointsOnTheCurve(polyline);
    // Coordinates from the first vertex: a parcel far from the origin keeps its digits.
    const Wide x0 = points.front()->X, y0 = points.front()->Y;
    Wide twice = 0, segments = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vertex& a = *points[i];
        const Vertex& b = *points[(i + 1) % points.size()];
        // A polyline drawn back to its start without its flag has no closing segment after it.
        if (i + 1 == points.size() && !polyline.Closed()) break;
        const Wide ax = a.X - x0, ay = a.Y - y0, bx = b.X - x0, by = b.Y - y0;
        twice += ax * by - bx * ay;
        const Wide dx = bx - ax, dy = by - ay;
        segments += BulgeSegmentArea(dx * dx + dy * dy, a.Bulge);
    }
    return Finite(std::fabs(twice / 2 + segments));
}

double CircleArea(const CircleRec& circle) {
    const Wide r = circle.Radius;
    const double area = static_cast<double>(kPi * r * r);
    return std::isfinite(area) ? area : 0.0;
}

std::optional<double> EllipseArea(const EllipseRec& ellipse) { return Finite(WholeEllipseArea(ellipse)); }

std::optional<double> SplineArea(const SplineRec& spline) { return Finite(ClosedSplineArea(spline)); }

} // namespace vermiq
