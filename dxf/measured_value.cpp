// The value a run labels for the whole export: lengths and areas of one element or of all.
#include "dxf/measured_value.h"

#include <cmath>
#include <optional>

#include "dxf/area.h"
#include "dxf/measure.h"

namespace vermiq {
namespace {

// The measuring operations read record 1 of their table; a table of one record makes any record
// the one they measure, so every kind has one measure for its records.
template <class Record, class Measure>
long double SumOver(const EntityTables& tables, std::vector<Record> EntityTables::*member, Measure measure) {
    EntityTables one;
    long double sum = 0;
    for (const Record& record : tables.*member) {
        (one.*member).assign(1, record);
        double length = 0.0;
        measure(one, length);
        sum += length;
    }
    return sum;
}

std::optional<double> AsValue(long double sum, bool any) {
    const double value = static_cast<double>(sum);
    if (!any || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace

double TotalLength(const EntityTables& t) {
    const long double sum = SumOver(t, &EntityTables::LineTable, MeasureLine) +
                            SumOver(t, &EntityTables::ArcTable, MeasureArc) +
                            SumOver(t, &EntityTables::CircleTable, MeasureCircle) +
                            SumOver(t, &EntityTables::PolylineTable, MeasurePolyline) +
                            SumOver(t, &EntityTables::EllipseTable, MeasureEllipse) +
                            SumOver(t, &EntityTables::SplineTable, MeasureSpline);
    const double value = static_cast<double>(sum);
    return std::isfinite(value) ? value : 0.0;
}

std::optional<double> DecidingArea(const EntityTables& t) {
    // The same order as MeasuredLength: the kind present last decides.
    if (t.SplineCount() > 0) return SplineArea(t.SplineTable.front());
    if (t.EllipseCount() > 0) return EllipseArea(t.EllipseTable.front());
    if (t.PolylineCount() > 0) return PolylineArea(t.PolylineTable.front());
    if (t.CircleCount() > 0) return CircleArea(t.CircleTable.front());
    return std::nullopt;
}

std::optional<double> TotalArea(const EntityTables& t) {
    long double sum = 0;
    bool any = false;
    auto add = [&](std::optional<double> area) {
        if (!area) return;
        sum += *area;
        any = true;
    };
    for (const CircleRec& circle : t.CircleTable) add(CircleArea(circle));
    for (const PolylineRec& polyline : t.PolylineTable) add(PolylineArea(polyline));
    for (const EllipseRec& ellipse : t.EllipseTable) add(EllipseArea(ellipse));
    for (const SplineRec& spline : t.SplineTable) add(SplineArea(spline));
    return AsValue(sum, any);
}

MeasuredValue MeasureForLabel(const EntityTables& tables, MeasureRules rules) {
    if (rules.area) {
        if (std::optional<double> area = rules.total ? TotalArea(tables) : DecidingArea(tables)) return {*area, true};
    }
    return {rules.total ? TotalLength(tables) : MeasuredLength(tables), false};
}

} // namespace vermiq
