// Side labels and aligned labels: the sides of the measured element worked out in the element's
// own plane, and only the results (points, directions) carried into world coordinates.
#include "app/side_labels.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

#include "dxf/measure.h"

namespace vermiq {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180.0;

struct V2 {
    double x = 0.0;
    double y = 0.0;
};
V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
V2 operator*(double k, V2 a) { return {k * a.x, k * a.y}; }
double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
double Norm(V2 a) { return std::hypot(a.x, a.y); }
V2 Unit(V2 a) {
    double n = Norm(a);
    return n > 0 ? V2{a.x / n, a.y / n} : V2{};
}
V2 RightOf(V2 d) { return {d.y, -d.x}; }

Point3 Cross(const Point3& a, const Point3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
Point3 Unit3(const Point3& a) {
    double n = std::sqrt(a.X * a.X + a.Y * a.Y + a.Z * a.Z);
    return n > 0 ? Point3{a.X / n, a.Y / n, a.Z / n} : kWorldNormal;
}

// The axes of an entity's own coordinate system.
struct Plane {
    Point3 ax, ay, n;
    double elevation = 0.0;

    Plane(const Point3& normal, double elevationZ) : elevation(elevationZ) {
        n = Unit3(normal);
        // Normals close to the world Z axis take their X axis from the world Y axis, all others
        // from the world Z axis.
        constexpr double kLimit = 1.0 / 64.0;
        ax = Unit3(std::fabs(n.X) < kLimit && std::fabs(n.Y) < kLimit ? Cross({0, 1, 0}, n)
                                                                      : Cross({0, 0, 1}, n));
        ay = Unit3(Cross(n, ax));
    }
    // A point of the plane, seen from above in world coordinates.
    V2 Point(V2 p) const {
        return {p.x * ax.X + p.y * ay.X + elevation * n.X, p.x * ax.Y + p.y * ay.Y + elevation * n.Y};
    }
    V2 Direction(V2 v) const { return {v.x * ax.X + v.y * ay.X, v.x * ax.Y + v.y * ay.Y}; }
    // A world point seen along the plane's normal, in the plane's coordinates.
    V2 FromWorld(V2 p) const { return {p.x * ax.X + p.y * ax.Y, p.x * ay.X + p.y * ay.Y}; }
};

// One side in its element's plane: a straight segment from a to b, or an arc around `centre`
// from the angle `start` through the signed `sweep` (radians, counter-clockwise positive).
struct Side {
    V2 a, b;
    bool arc = false;
    V2 centre;
    double radius = 0.0, start = 0.0, sweep = 0.0;
    double length = 0.0;

    V2 At(double angle) const { return centre + radius * V2{std::cos(angle), std::sin(angle)}; }
    V2 Middle() const { return arc ? At(start + sweep / 2) : 0.5 * (a + b); }
    // Direction along the side at the given angle of an arc, or along a segment.
    V2 TangentAt(double angle) const {
        return arc ? V2{-std::sin(angle) * sweep, std::cos(angle) * sweep} : b - a;
    }
    V2 MiddleTangent() const { return TangentAt(start + sweep / 2); }
};

Side Straight(V2 a, V2 b) {
    Side s;
    s.a = a;
    s.b = b;
    s.length = Norm(b - a);
    return s;
}

// A polyline segment with the bulge of its start vertex: the tangent of a quarter of the arc's
// sweep, positive counter-clockwise.
Side Bulged(V2 a, V2 b, double bulge) {
    Side s = Straight(a, b);
    s.length = SegmentLength(a.x, a.y, b.x, b.y, bulge);
    if (bulge == 0 || !std::isfinite(bulge) || s.length == 0) return s;
    s.arc = true;
    s.sweep = 4 * std::atan(bulge);
    double chord = Norm(b - a);
    V2 d = Unit(b - a);
    // The centre lies on the chord's perpendicular bisector, left of the chord for a
    // counter-clockwise sweep of less than half a turn.
    V2 left{-d.y, d.x};
    s.centre = 0.5 * (a + b) + (chord / 2 / std::tan(s.sweep / 2)) * left;
    s.radius = chord / (2 * std::fabs(std::sin(s.sweep / 2)));
    s.start = std::atan2(a.y - s.centre.y, a.x - s.centre.x);
    return s;
}

Side ArcSide(V2 centre, double radius, double startDegrees, double sweepDegrees) {
    Side s;
    s.arc = true;
    s.centre = centre;
    s.radius = radius;
    s.start = startDegrees * kDegree;
    s.sweep = sweepDegrees * kDegree;
    s.a = s.At(s.start);
    s.b = s.At(s.start + s.sweep);
    s.length = radius * s.sweep;
    return s;
}

// The element that decides a run's value, as its sides in its own plane.
struct Element {
    Plane plane{kWorldNormal, 0.0};
    std::vector<Side> sides;
    bool closed = false;   // sides enclose an area
    bool hasSides = false; // a circle is one curve without sides
};

constexpr std::int32_t kCurveFitted = 2 | 4;     // polyline flags: curve-fit or spline-fit vertices
constexpr std::int32_t k3dPolyline = 8;          // vertices in world coordinates
constexpr std::int32_t kMeshes = 16 | 64;        // polygon or polyface mesh

std::optional<Element> DecidingElement(const EntityTables& t) {
    // The same order as the run's measurement: the kind present last wins, its first record. An
    // ellipse or a spline has no sides, and no tangent is taken of it here.
    if (t.SplineCount() > 0 || t.EllipseCount() > 0) return std::nullopt;
    if (t.PolylineCount() > 0) {
        const PolylineRec& p = t.PolylineTable.front();
        Element e;
        if ((p.Flags & k3dPolyline) == 0) e.plane = Plane(p.Extrusion, p.Elevation);
        e.hasSides = (p.Flags & (kCurveFitted | kMeshes)) == 0;
        std::vector<const Vertex*> points;
        for (const Vertex& v : p.Vertices)
            if ((v.Flags & kVertexSplineFrame) == 0) points.push_back(&v);
        for (size_t i = 0; i + 1 < points.size(); ++i)
            e.sides.push_back(Bulged({points[i]->X, points[i]->Y}, {points[i + 1]->X, points[i + 1]->Y}, points[i]->Bulge));
        if (points.size() >= 2) {
            const Vertex& first = *points.front();
            const Vertex& last = *points.back();
            bool meets = first.X == last.X && first.Y == last.Y;
            if (p.Closed() && !meets) e.sides.push_back(Bulged({last.X, last.Y}, {first.X, first.Y}, last.Bulge));
            // Drawn back to its start without being marked closed, it still encloses its figure.
            e.closed = p.Closed() || (meets && points.size() > 3);
        }
        return e;
    }
    if (t.CircleCount() > 0) {
        const CircleRec& c = t.CircleTable.front();
        Element e;
        e.plane = Plane(c.Extrusion, c.Centre.Z);
        e.sides.push_back(ArcSide({c.Centre.X, c.Centre.Y}, c.Radius, 0, 360));
        return e;
    }
    if (t.ArcCount() > 0) {
        const ArcRec& a = t.ArcTable.front();
        Element e;
        e.plane = Plane(a.Extrusion, a.Centre.Z);
        e.hasSides = true;
        e.sides.push_back(ArcSide({a.Centre.X, a.Centre.Y}, a.Radius, a.StartAngle, ArcSweepDegrees(a)));
        return e;
    }
    if (t.LineCount() > 0) {
        const LineRec& l = t.LineTable.front();
        Element e;
        e.hasSides = true;
        e.sides.push_back(Straight({l.Start.X, l.Start.Y}, {l.End.X, l.End.Y}));
        return e;
    }
    return std::nullopt;
}

// Twice the signed area that the closed sides enclose: positive when they run counter-clockwise.
// A bulge adds or takes away the area between its arc and its chord.
double SignedArea(const std::vector<Side>& sides) {
    double area = 0.0;
    for (const Side& s : sides) {
        area += s.a.x * s.b.y - s.b.x * s.a.y;
        if (s.arc) area += s.radius * s.radius * (s.sweep - std::sin(s.sweep));
    }
    return area;
}

// An arc side's convex side at its middle, in the element's plane.
V2 Convex(const Side& s) { return Unit(s.Middle() - s.centre); }

} // namespace

double ReadableRotation(double dx, double dy) {
    // Sides along the axes give exact angles, not the nearest double of a computed one.
    if (dy == 0) return 0.0;
    if (dx == 0) return 90.0;
    double degrees = std::atan2(dy, dx) / kDegree;
    if (degrees > 90) degrees -= 180;
    else if (degrees <= -90) degrees += 180;
    return degrees;
}

std::string CadNumber(double value) {
    if (value == 0 || !std::isfinite(value)) value = 0; // never "-0"
    std::array<char, 400> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    return std::string(buffer.data(), result.ptr);
}

std::string WorldPointText(double x, double y) {
    // Built up in place: GCC 12's -Wrestrict misreads "*" + std::string&& when inlined.
    std::string text = "*";
    text += CadNumber(x);
    text += ',';
    text += CadNumber(y);
    return text;
}

Point3 OcsToWcs(const Point3& normal, const Point3& point) {
    Plane plane(normal, point.Z);
    V2 p = plane.Point({point.X, point.Y});
    return {p.x, p.y, point.X * plane.ax.Z + point.Y * plane.ay.Z + point.Z * plane.n.Z};
}

std::vector<SideLabel> SideLabels(const EntityTables& tables, double textHeight) {
    std::vector<SideLabel> labels;
    std::optional<Element> element = DecidingElement(tables);
    if (!element || !element->hasSides) return labels;
    const Plane& plane = element->plane;
    // A closed figure of no area (two straight sides, there and back) still has an inside to
    // keep its labels apart by: that of a counter-clockwise figure.
    const double outward = !element->closed ? 0.0 : SignedArea(element->sides) < 0 ? -1.0 : 1.0;
    for (const Side& side : element->sides) {
        if (!(side.length > 0)) continue;
        V2 along = plane.Direction(side.MiddleTangent());
        double rotation = ReadableRotation(along.x, along.y);
        V2 away;
        if (outward != 0) {
            // Outside: right of the direction of travel when the sides run counter-clockwise.
            away = plane.Direction(outward * RightOf(Unit(side.MiddleTangent())));
        } else if (side.arc) {
            away = plane.Direction(Convex(side));
        } else {
            away = {-std::sin(rotation * kDegree), std::cos(rotation * kDegree)};
        }
        V2 at = plane.Point(side.Middle()) + (0.75 * textHeight) * Unit(away);
        labels.push_back({side.length, at.x, at.y, rotation});
    }
    return labels;
}

std::optional<double> RotationAlong(const EntityTables& tables, double x, double y) {
    std::optional<Element> element = DecidingElement(tables);
    if (!element || element->sides.empty()) return std::nullopt;
    const Plane& plane = element->plane;
    // The click is a world point; the sides lie in their plane, seen along its normal.
    V2 p = plane.FromWorld({x, y});
    double best = INFINITY;
    V2 tangent{1, 0};
    for (const Side& s : element->sides) {
        double distance = 0.0;
        V2 direction;
        if (s.arc) {
            double angle = std::atan2(p.y - s.centre.y, p.x - s.centre.x);
            // How far the point's angle lies into the sweep; past its end, the nearer end counts.
            double into = std::fmod(s.sweep > 0 ? angle - s.start : s.start - angle, 2 * kPi);
            if (into < 0) into += 2 * kPi;
            if (into <= std::fabs(s.sweep)) {
                distance = std::fabs(Norm(p - s.centre) - s.radius);
                direction = s.TangentAt(angle);
            } else {
                double toA = Norm(p - s.a), toB = Norm(p - s.b);
                distance = std::min(toA, toB);
                direction = s.TangentAt(toA <= toB ? s.start : s.start + s.sweep);
            }
        } else {
            V2 d = s.b - s.a;
            double len2 = Dot(d, d);
            double t = len2 > 0 ? std::clamp(Dot(p - s.a, d) / len2, 0.0, 1.0) : 0.0;
            distance = Norm(p - (s.a + t * d));
            direction = d;
        }
        if (distance < best) {
            best = distance;
            tangent = direction;
        }
    }
    V2 along = plane.Direction(tangent);
    return ReadableRotation(along.x, along.y);
}

} // namespace vermiq
