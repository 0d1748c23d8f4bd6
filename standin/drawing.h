// The stand-in CAD's drawing: the entities a user selects and the MTEXT labels drawn into it.
//
// Drawing file format. Text in code page 932, one entity per line; blank lines and lines whose
// first non-blank character is '#' are ignored. Keywords may be written in any case. Numbers
// are decimal (C notation: 12, -3.5, 1e3); a point is x,y with no blank around the comma.
//
//   LINE x1,y1 x2,y2
//   ARC cx,cy radius start end           angles in degrees, counter-clockwise from start to end
//   CIRCLE cx,cy radius
//   LWPOLYLINE [CLOSED] x,y[,bulge] x,y[,bulge] ...   two vertices or more; the bulge of a
//                                        vertex shapes the segment that starts there (tan of a
//                                        quarter of the included angle, positive = counter-clockwise)
//   POLYLINE [CLOSED] x,y[,bulge] ...    the same shape, kept and exported as a 2D POLYLINE
//   ELLIPSE cx,cy mx,my ratio start end  mx,my: end of the major axis relative to the centre;
//                                        ratio: minor over major axis; start, end: parameters
//                                        in radians, counter-clockwise (0 to 6.283185307179586
//                                        for the whole ellipse)
//   SPLINE degree x,y[,weight] ... [KNOTS k k ...]
//                                        a NURBS curve by its control points (degree + 1 or
//                                        more); without KNOTS the knots are clamped and uniform
//                                        (degree + 1 zeros, 1, 2 ..., degree + 1 times the last)
//                                        either polyline may carry MIRRORED after CLOSED (or in
//                                        its place): the points stay world points here, and the
//                                        export writes it as a mirrored polyline does, in its own
//                                        coordinates with the extrusion (0,0,-1)
//   MTEXT x,y height width just rotation text
//                                        just: TL TC TR ML MC MR BL BC BR; rotation in degrees;
//                                        text: the rest of the line after the one blank that
//                                        follows the rotation, exactly (leading blanks count);
//                                        a line break inside the text is written \P
//   LAYER name                           the entities after it are on that layer (before the
//                                        first such line: on layer "0")
//
// Entities are numbered from 1 in file order; the labels that -mtext adds follow them.
// Format() writes the same format, numbers in their shortest exact form, so that
// Parse(Format()) gives back the same drawing.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Vertex {
    double x = 0;
    double y = 0;
    double bulge = 0;
    bool operator==(const Vertex&) const = default;
};

enum class EntityKind { Line, Arc, Circle, LwPolyline, Polyline, Mtext, Ellipse, Spline };

// One flat record for every kind; each kind uses the fields named beside it.
struct Entity {
    EntityKind kind = EntityKind::Line;
    Point start, end;                    // Line
    Point centre;                        // Arc, Circle, Ellipse
    Point majorAxis;                     // Ellipse, relative to the centre
    double ratio = 1;                    // Ellipse
    double startParameter = 0, endParameter = 0; // Ellipse, in radians
    int degree = 0;                      // Spline
    std::vector<Point> controlPoints;    // Spline
    std::vector<double> weights, knots;  // Spline; weights empty when all are 1
    double radius = 0;                   // Arc, Circle
    double startAngle = 0, endAngle = 0; // Arc, in degrees
    std::vector<Vertex> vertices;        // LwPolyline, Polyline
    bool closed = false;                 // LwPolyline, Polyline
    bool mirrored = false;               // LwPolyline, Polyline: extrusion (0,0,-1) in the DXF
    Point position;                      // Mtext: insertion point
    double height = 0, width = 0;        // Mtext
    double rotation = 0;                 // Mtext, in degrees
    int attachment = 1;                  // Mtext: 1 TL, 2 TC, 3 TR, 4 ML ... 9 BR (as DXF code 71)
    std::string text;                    // Mtext, code-page-932 bytes, \P between lines
    std::string layer = "0";             // every kind: the layer it was drawn on
    bool operator==(const Entity&) const = default;
};

struct Extents {
    Point min, max;
    bool empty = true;
    void Add(Point p);
};

// A malformed drawing or scenario file; the message names the line.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Drawing {
public:
    Drawing() = default;
    // Throws FormatError for a line that is not one of the forms above.
    static Drawing Parse(std::string_view text);
    // Throws FormatError also when the file cannot be read.
    static Drawing Load(const std::string& path);
    std::string Format() const;

    const std::vector<Entity>& Entities() const { return entities_; }
    void Add(Entity entity) { entities_.push_back(std::move(entity)); }

    // The index (from 0) of the topmost entity within `tolerance` of p, or -1. A label counts
    // over its approximate text box.
    int HitTest(Point p, double tolerance) const;
    // The extents of the entities' outlines and the labels' boxes.
    Extents Bounds() const;

private:
    std::vector<Entity> entities_;
};

// The entity's outline as one polyline, arcs flattened into chords of at most `maxAngle`
// radians (an ellipse by its parameter, a spline in 32 chords per knot span); a closed shape
// repeats its first point at the end. Empty for a label.
std::vector<Point> Outline(const Entity& entity, double maxAngle = 0.05);

// The four corners of a label's approximate text box (each character as wide as 0.6 height,
// double-byte characters twice that), turned by its rotation around the insertion point.
std::vector<Point> LabelBox(const Entity& label);

// "TL" .. "BR" for an attachment 1 .. 9; and back (any case), 0 for an unknown name.
std::string_view JustificationName(int attachment);
int JustificationFromName(std::string_view name);

// Numbers as the formats above write them: the shortest text that reads back exactly.
std::string FormatNumber(double value);
// A whole-text decimal number (a leading '+' allowed); false for anything else or a non-finite value.
bool ParseNumber(std::string_view text, double& value);
// "x,y" or "x,y,z" (z ignored); blanks around the numbers are allowed.
bool ParsePoint(std::string_view text, Point& point);

// Code page 932: true for the first byte of a double-byte character.
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// ASCII letters raised to capitals, leaving the second bytes of double-byte characters alone.
std::string AsciiUpper(std::string_view text);

} // namespace standin
