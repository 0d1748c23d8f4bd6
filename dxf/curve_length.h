// Planar lengths of the curves without a closed form: ellipse arcs and splines (NURBS), by
// adaptive Gauss-Kronrod quadrature of the speed |dP/dt| in the widest floating type; and the
// areas that a whole ellipse and a closed spline enclose.
#pragma once

#include <optional>

#include "dxf/entity_tables.h"

namespace vermiq {

// The bound on the error estimate of each quadrature (relative to its result). The estimate,
// the difference of the Kronrod result and its embedded Gauss result, is in truth the error of
// the cruder rule, and overstates that of the Kronrod result by orders of magnitude: results
// agree with 30-digit references to the last bit or two of a double.
inline constexpr long double kCurveRelativeTolerance = 1e-13L;

// Splines of a higher degree are not measured: the cost of each point grows with the square of
// the degree, and the CAD itself draws degrees up to 11.
inline constexpr std::int32_t kMaxSplineDegree = 32;

// The sweep from `start` to `end` counter-clockwise, for angles or parameters of which `turn`
// make a full turn: an end below the start lies a turn further (an arc through 0), and values
// written outside one turn (-90, 450) still give a sweep of at most one turn.
long double Sweep(long double start, long double end, long double turn);

// The arc from the start to the end parameter, counter-clockwise about the extrusion; an end
// below the start is taken a full turn further. Z never enters: the arc is measured as seen
// from above.
long double EllipseLength(const EllipseRec& ellipse);

// The curve over its valid parameter range, knot number Degree to knot number (number of
// control points), counted from 0; clamped, unclamped and periodic alike, with the weights
// when there are any. 0 for a record that is no curve: no control points (fit points only),
// a degree below 1 or above kMaxSplineDegree, a knot count other than control points + degree
// + 1, knots that decrease, weights not one per control point or not positive.
long double SplineLength(const SplineRec& spline);
// False for a record that is no curve, as above: it has no length to measure.
bool IsCurve(const SplineRec& spline);

// The area of a whole ellipse, seen from above as its length is: π times the parallelogram of
// its two axes. Nothing for an ellipse arc, which encloses no area.
std::optional<long double> WholeEllipseArea(const EllipseRec& ellipse);

// The area that a closed spline encloses, by Green's theorem with the quadrature of the lengths,
// absolute. A spline is closed when its flag says so (a chord back to its start then closes a
// curve that does not return to it) or when its end point meets its start point. Nothing for
// an open spline or a record that is no curve.
std::optional<long double> ClosedSplineArea(const SplineRec& spline);

} // namespace vermiq
