// Lengths of the first line, arc, circle, polyline, ellipse and spline of the latest DXF read,
// and the value a measuring run labels.
#pragma once

#include "dxf/entity_tables.h"

namespace vermiq {

// Each writes the planar length of record 1 of its table into `length`; with an empty table
// `length` is left as it is (MeasurePolyline: set to 0.0).
void MeasureLine(const EntityTables& tables, double& length);
void MeasureArc(const EntityTables& tables, double& length);
void MeasureCircle(const EntityTables& tables, double& length);
// Straight and bulged segments in file order, plus the closing segment of a closed polyline.
// Spline frame control points are not on the curve and are left out. Clears `length` first.
void MeasurePolyline(const EntityTables& tables, double& length);
// The arc from the start to the end parameter (see EllipseLength).
void MeasureEllipse(const EntityTables& tables, double& length);
// The curve over its valid knot range; 0.0 for a record that is no curve (see SplineLength).
void MeasureSpline(const EntityTables& tables, double& length);

// The value a run labels: the measurements in the order line, arc, circle, polyline, ellipse,
// spline into one result that starts at 0.0, each only when its table holds a record, so the
// kind present last in that order wins. A run labels only a value above 0.
double MeasuredLength(const EntityTables& tables);

// The sweep of an arc in degrees, counter-clockwise from its start angle to its end angle and
// less than a turn however its angles are written.
double ArcSweepDegrees(const ArcRec& arc);

// Length of the segment from (x1, y1) to (x2, y2) with the bulge of its start vertex.
double SegmentLength(double x1, double y1, double x2, double y2, double bulge);

} // namespace vermiq
