// Where labels along an element go: one label per side of the measured element, each along its
// side and off it, and the direction of the element at a clicked point; all in world coordinates.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dxf/entity_tables.h"

namespace vermiq {

// One side's label, middle-centre justified at (X, Y) in world coordinates.
struct SideLabel {
    double Length = 0.0;   // the side's own length, measured in its element's plane
    double X = 0.0;
    double Y = 0.0;
    double Rotation = 0.0; // degrees, counter-clockwise from the world X axis, in (-90, 90]
};

// The labels for every side of the element whose length a run labels (of the kinds present,
// the last in the order line, arc, circle, polyline, ellipse, spline; the first of its kind). A line or an arc is
// one side; a polyline has one per segment, a bulged segment counting as its arc and a closed
// polyline's closing segment included. Each sits at the middle of its side, moved off the side by
// three quarters of `textHeight`: away from the inside of a closed polyline, to the convex side
// of an arc, and otherwise to the side the upright text's top faces. Empty when the element has
// no sides (a circle, an ellipse, a spline, a curve-fitted polyline) or there is no element.
std::vector<SideLabel> SideLabels(const EntityTables& tables, double textHeight);

// The rotation for a label at the world point (x, y) along the element whose length a run
// labels: the direction of its side nearest to the point, or the tangent of an arc or a circle
// at its point nearest to it, turned to read. Nothing when there is no element.
std::optional<double> RotationAlong(const EntityTables& tables, double x, double y);

// The rotation, in degrees within (-90, 90], of a text running along (dx, dy) and turned so that
// it reads from left to right, or from bottom to top when it runs vertically.
double ReadableRotation(double dx, double dy);

// A number as the CAD is given it: the shortest decimal form that reads back as the same double,
// with '.' as the decimal mark and never an exponent.
std::string CadNumber(double value);
// A point in world coordinates whatever the user's coordinate system: "*x,y".
std::string WorldPointText(double x, double y);

// A point given in the coordinate system of an entity with extrusion `normal` (the arbitrary
// axis rule; the Z of `point` is the elevation), in world coordinates.
Point3 OcsToWcs(const Point3& normal, const Point3& point);

} // namespace vermiq
