// The entity tables of the latest DXF read: lines, texts, arcs, circles, polylines, ellipses,
// splines and styles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vermiq {

// Texts longer than their field are cut to these many bytes (code page 932 bytes, not characters).
inline constexpr std::size_t kLayerNameBytes = 60;
inline constexpr std::size_t kStyleNameBytes = 40;
inline constexpr std::size_t kTextBytes = 255;

// The first layer name of every read; a record whose file gives no layer refers to it.
inline constexpr std::uint32_t kNoLayer = 0;

// Where an element stands among the measurable elements of its read (lines, arcs, circles,
// polylines, ellipses, splines), counted from 0 in file order: the tables keep each kind apart,
// and a take-off lists its rows in the order the file gives them.
using ReadingOrder = std::uint32_t;

struct Point3 {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};

// The normal of an entity's own coordinate system (codes 210, 220, 230). Arcs, circles and
// polylines hold their points in that system; (0,0,1) makes it the world's, while a mirrored
// element has (0,0,-1).
inline constexpr Point3 kWorldNormal{0.0, 0.0, 1.0};

// Every record starts value-initialised: a field its file does not set is zero (or empty), never
// a value left from an earlier record or an earlier read.
struct LineRec {
    Point3 Start;
    Point3 End;
    std::uint32_t Layer = kNoLayer; // index into EntityTables::LayerNames
    ReadingOrder Order = 0;
};

// TEXT and MTEXT. For an MTEXT the second point is the direction vector, the horizontal
// justification the drawing direction and the vertical one the line spacing style.
struct TextRec {
    Point3 First;
    Point3 Second;
    std::string Text;
    std::int32_t HorizontalJustification = 0;
    std::int32_t VerticalJustification = 0;
    double Height = 0.0;
};

struct ArcRec {
    Point3 Centre;
    double Radius = 0.0;
    double StartAngle = 0.0; // degrees, counter-clockwise from the X axis
    double EndAngle = 0.0;
    std::uint32_t Layer = kNoLayer;
    ReadingOrder Order = 0;
    Point3 Extrusion = kWorldNormal;
};

struct CircleRec {
    Point3 Centre;
    double Radius = 0.0;
    std::uint32_t Layer = kNoLayer;
    ReadingOrder Order = 0;
    Point3 Extrusion = kWorldNormal;
};

// Bulge: tangent of a quarter of the included angle of the arc from this vertex to the next,
// negative when the arc runs clockwise; 0 for a straight segment.
struct Vertex {
    double X = 0.0;
    double Y = 0.0;
    double Bulge = 0.0;
    std::int32_t Flags = 0; // code 70 of a VERTEX record; always 0 for an LWPOLYLINE
};

inline constexpr std::int32_t kPolylineClosed = 1;          // polyline flags, bit 1
inline constexpr std::int32_t kPolylinePolygonMesh = 16;    // polyline flags: a mesh, not a path
inline constexpr std::int32_t kPolylinePolyfaceMesh = 64;
inline constexpr std::int32_t kVertexSplineFrame = 16;      // vertex flags: control point, not on the curve

// A POLYLINE with the VERTEX records that follow it, or one LWPOLYLINE.
struct PolylineRec {
    std::vector<Vertex> Vertices;
    std::int32_t Flags = 0; // code 70 of the POLYLINE header or of the LWPOLYLINE
    std::uint32_t Layer = kNoLayer;
    ReadingOrder Order = 0;
    double Elevation = 0.0; // code 38 of an LWPOLYLINE, the Z of a POLYLINE header's point
    Point3 Extrusion = kWorldNormal;

    std::int32_t VertexCount() const { return static_cast<std::int32_t>(Vertices.size()); }
    bool Closed() const { return (Flags & kPolylineClosed) != 0; }
};

// Codes a file leaves out keep DXF's defaults: a whole ellipse in the XY plane.
struct EllipseRec {
    Point3 Centre;
    Point3 MajorAxis;                 // end point of the major axis, relative to the centre
    Point3 Extrusion = kWorldNormal;  // the minor axis lies along Extrusion × MajorAxis
    double Ratio = 1.0;               // minor axis length over major axis length
    double StartParameter = 0.0;      // radians
    double EndParameter = 6.283185307179586;
    std::uint32_t Layer = kNoLayer;
    ReadingOrder Order = 0;
};

inline constexpr std::int32_t kSplineClosed = 1; // spline flags
inline constexpr std::int32_t kSplinePeriodic = 2;
inline constexpr std::int32_t kSplineRational = 4;
inline constexpr std::int32_t kSplinePlanar = 8;
inline constexpr std::int32_t kSplineLinear = 16;

// A NURBS curve as DXF gives it: knots, weights (none when all are 1) and control points in
// file order, whatever their counts; the measurement decides whether they make a curve.
// Fit points are not kept: the curve is the one the control points define.
struct SplineRec {
    std::int32_t Flags = 0;
    std::int32_t Degree = 0;
    std::vector<double> Knots;
    std::vector<double> Weights;
    std::vector<Point3> ControlPoints;
    std::uint32_t Layer = kNoLayer;
    ReadingOrder Order = 0;
};

struct StyleRec {
    std::string Name;
    double FixedHeight = 10.0;
};

// One instance belongs to whoever reads (the app owns one for the process; tests make their own).
// Records are in reading order; record 1 of a kind is element [0] of its table. Layer names are
// kept once per read in LayerNames and referred to by index: a large drawing has few layers and
// many entities.
class EntityTables {
public:
    std::vector<LineRec> LineTable;
    std::vector<TextRec> TextTable;
    std::vector<ArcRec> ArcTable;
    std::vector<CircleRec> CircleTable;
    std::vector<PolylineRec> PolylineTable;
    std::vector<EllipseRec> EllipseTable;
    std::vector<SplineRec> SplineTable;
    std::vector<StyleRec> StyleTable;
    std::vector<std::string> LayerNames{std::string()};
    // The handle (code 5) of every entity of the ENTITIES section, in reading order: the same
    // object exported twice carries the same handle.
    std::vector<std::string> EntityHandles;
    // The read met the pair 0/EOF that ends every whole DXF file. A file cut short (still being
    // written, or broken off) has none; bytes after it are no part of the file.
    bool ReachedEof = false;

    std::int32_t LineCount() const { return Count(LineTable); }
    std::int32_t TextCount() const { return Count(TextTable); }
    std::int32_t ArcCount() const { return Count(ArcTable); }
    std::int32_t CircleCount() const { return Count(CircleTable); }
    std::int32_t PolylineCount() const { return Count(PolylineTable); }
    std::int32_t EllipseCount() const { return Count(EllipseTable); }
    std::int32_t SplineCount() const { return Count(SplineTable); }
    std::int32_t StyleCount() const { return Count(StyleTable); }
    // Elements that have a length: lines, arcs, circles, polylines, ellipses and splines.
    std::int32_t MeasurableCount() const {
        return LineCount() + ArcCount() + CircleCount() + PolylineCount() + EllipseCount() + SplineCount();
    }

    std::string_view LayerName(std::uint32_t layer) const {
        return layer < LayerNames.size() ? std::string_view(LayerNames[layer]) : std::string_view();
    }

    // Empties every table and gives back its memory: a large read is not kept alive by the next.
    void Clear() { *this = EntityTables(); }

private:
    template <class Table>
    static std::int32_t Count(const Table& table) { return static_cast<std::int32_t>(table.size()); }
};

} // namespace vermiq
