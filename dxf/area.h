// Areas of the closed elements of a DXF read: polylines with their arc segments, circles, whole
// ellipses and closed splines, in each element's own plane as its length is measured.
#pragma once

#include <optional>

#include "dxf/entity_tables.h"

namespace vermiq {

// A polyline encloses an area when it is marked closed, or when it is drawn back to its start
// over at least two segments. Spline frame control points are not on it and are left out.
bool IsClosedPolyline(const PolylineRec& polyline);

// The area of a closed polyline: the shoelace sum over its vertices, each arc segment adding the
// circular segment between its arc and its chord (or taking it away, as its bulge turns), and
// the absolute value of that signed sum. A polyline that crosses itself thus gets its signed
// sum: loops that run the other way subtract. Nothing for an open polyline.
std::optional<double> PolylineArea(const PolylineRec& polyline);

// The signed area between the arc of a polyline segment and its chord: the segment from one
// vertex to the next, of squared chord `chordSquared`, with the bulge of its first vertex;
// positive for a positive bulge, which turns counter-clockwise and so bulges to the right.
long double BulgeSegmentArea(long double chordSquared, long double bulge);

// The area of an element, when it is closed.
double CircleArea(const CircleRec& circle);
std::optional<double> EllipseArea(const EllipseRec& ellipse);
std::optional<double> SplineArea(const SplineRec& spline);

} // namespace vermiq
