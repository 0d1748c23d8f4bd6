// Length measurement over the entity tables, computed in the widest floating format at hand.
#include "dxf/measure.h"

#include <cmath>

#include "dxf/curve_length.h"

namespace vermiq {
namespace {

using Wide = long double;
constexpr Wide kPi = 3.141592653589793238462643383279502884L;

Wide Chord(Wide x1, Wide y1, Wide x2, Wide y2) {
    const Wide dx = x1 - x2;
    const Wide dy = y1 - y2;
    return std::sqrt(dx * dx + dy * dy);
}

// A bulge b makes the segment an arc of sweep 4·atan|b| over its chord c; its length
// c·θ / (2·sin(θ/2)) is c·atan|b|·(1 + b²)/|b|, written so that neither a tiny nor a huge
// bulge overflows.
Wide WideSegment(Wide x1, Wide y1, Wide x2, Wide y2, Wide bulge) {
    const Wide chord = Chord(x1, y1, x2, y2);
    const Wide b = std::fabs(bulge);
    if (b == 0 || !std::isfinite(b)) return chord;
    const Wide quarterSweep = std::atan(b);
    return chord * (quarterSweep * b + quarterSweep / b);
}

// A value that overflowed the double on its way is no length to write into a drawing.
double Finite(long double length) {
    const double value = static_cast<double>(length);
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

double SegmentLength(double x1, double y1, double x2, double y2, double bulge) {
    return static_cast<double>(WideSegment(x1, y1, x2, y2, bulge));
}

void MeasureLine(const EntityTables& tables, double& length) {
    if (tables.LineTable.empty()) return;
    const LineRec& line = tables.LineTable.front();
    length = static_cast<double>(Chord(line.Start.X, line.Start.Y, line.End.X, line.End.Y));
}

double ArcSweepDegrees(const ArcRec& arc) { return static_cast<double>(Sweep(arc.StartAngle, arc.EndAngle, 360)); }

void MeasureArc(const EntityTables& tables, double& length) {
    if (tables.ArcTable.empty()) return;
    const ArcRec& arc = tables.ArcTable.front();
    const Wide sweep = Sweep(arc.StartAngle, arc.EndAngle, 360);
    length = static_cast<double>(2 * static_cast<Wide>(arc.Radius) * kPi * sweep / 360);
}

void MeasureCircle(const EntityTables& tables, double& length) {
    if (tables.CircleTable.empty()) return;
    length = static_cast<double>(2 * static_cast<Wide>(tables.CircleTable.front().Radius) * kPi);
}

void MeasurePolyline(const EntityTables& tables, double& length) {
    length = 0.0;
    if (tables.PolylineTable.empty()) return;
    const PolylineRec& polyline = tables.PolylineTable.front();
    Wide sum = 0;
    const Vertex* first = nullptr;
    const Vertex* previous = nullptr;
    for (const Vertex& vertex : polyline.Vertices) {
        if ((vertex.Flags & kVertexSplineFrame) != 0) continue;
        if (previous != nullptr) sum += WideSegment(previous->X, previous->Y, vertex.X, vertex.Y, previous->Bulge);
        else first = &vertex;
        previous = &vertex;
    }
    if (polyline.Closed() && previous != first)
        sum += WideSegment(previous->X, previous->Y, first->X, first->Y, previous->Bulge);
    length = static_cast<double>(sum);
}

void MeasureEllipse(const EntityTables& tables, double& length) {
    if (tables.EllipseTable.empty()) return;
    length = Finite(EllipseLength(tables.EllipseTable.front()));
}

void MeasureSpline(const EntityTables& tables, double& length) {
    if (tables.SplineTable.empty()) return;
    length = Finite(SplineLength(tables.SplineTable.front()));
}

double MeasuredLength(const EntityTables& tables) {
    double length = 0.0;
    if (tables.LineCount() > 0) MeasureLine(tables, length);
    if (tables.ArcCount() > 0) MeasureArc(tables, length);
    if (tables.CircleCount() > 0) MeasureCircle(tables, length);
    if (tables.PolylineCount() > 0) MeasurePolyline(tables, length);
    if (tables.EllipseCount() > 0) MeasureEllipse(tables, length);
    if (tables.SplineCount() > 0) MeasureSpline(tables, length);
    return length;
}

} // namespace vermiq
