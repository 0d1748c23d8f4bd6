// The value a run labels for the whole export: the deciding element's length as always, or the
// total of every measurable element, or an area.
#pragma once

#include <optional>

#include "dxf/entity_tables.h"

namespace vermiq {

// What to label beyond the deciding element's length.
struct MeasureRules {
    bool total = false; // the sum over every measurable element of the export
    bool area = false;  // a closed element's area in place of its length
};

struct MeasuredValue {
    double value = 0.0;
    bool isArea = false;
};

// The sum of the lengths of every line, arc, circle, polyline, ellipse and spline of the read
// (meshes are not read; a spline that is no curve measures 0).
double TotalLength(const EntityTables& tables);

// The area of the element that decides the length (the first of the kind present last in the
// order line, arc, circle, polyline, ellipse, spline) when it is closed; nothing otherwise.
std::optional<double> DecidingArea(const EntityTables& tables);

// The sum of the areas of every closed element of the read; nothing when none is closed.
std::optional<double> TotalArea(const EntityTables& tables);

// Without rules: MeasuredLength. With `area`: the area where there is one (the deciding
// element's, or with `total` the sum over the closed elements), and otherwise the length (the
// deciding element's, or with `total` the sum over all). With `total` alone: TotalLength.
MeasuredValue MeasureForLabel(const EntityTables& tables, MeasureRules rules);

} // namespace vermiq
