// A quantity take-off of a read: count, length and area of the measurable elements, by layer
// and kind, and the table that carries them into a spreadsheet.
#include "dxf/takeoff.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <type_traits>
#include <utility>

#include "dxf/area.h"
#include "dxf/curve_length.h"
#include "dxf/measure.h"

namespace vermiq {
namespace {

// A row while it is summed: long double sums, and where its first element stood in the file.
struct Sums {
    TakeOffRow row;
    ReadingOrder first = 0;
    long double length = 0;
    long double area = 0;
    bool anyArea = false;

    void Add(double elementLength, std::optional<double> elementArea) {
        ++row.count;
        length += elementLength;
        if (elementArea) {
            area += *elementArea;
            anyArea = true;
        }
    }
    TakeOffRow Done() {
        row.length = static_cast<double>(length);
        if (anyArea) row.area = static_cast<double>(area);
        return std::move(row);
    }
};

class Collector {
public:
    explicit Collector(const EntityTables& tables) : tables_(tables) {}

    // The measuring operations read record 1 of their table; a table of one record makes any
    // record the one they measure, so the take-off measures exactly as the labels do.
    template <class Record, class Measure, class Area>
    void AddAll(TakeOffKind kind, std::vector<Record> EntityTables::*member, Measure measure, Area area) {
        EntityTables one;
        for (const Record& record : tables_.*member) {
            if constexpr (std::is_same_v<Record, SplineRec>)
                if (!IsCurve(record)) continue;
            (one.*member).assign(1, record);
            double length = 0.0;
            measure(one, length);
            const std::optional<double> enclosed = area(record);
            RowOf(record.Layer, kind, record.Order).Add(length, enclosed);
            total_.Add(length, enclosed);
        }
    }

    TakeOff Result() {
        std::sort(rows_.begin(), rows_.end(), [](const Sums& a, const Sums& b) { return a.first < b.first; });
        TakeOff takeOff;
        for (Sums& sums : rows_) takeOff.rows.push_back(sums.Done());
        takeOff.total = total_.Done();
        return takeOff;
    }

private:
    Sums& RowOf(std::uint32_t layer, TakeOffKind kind, ReadingOrder order) {
        const auto [at, added] = index_.try_emplace({layer, kind}, rows_.size());
        if (added) {
            Sums& sums = rows_.emplace_back();
            sums.row.layer = std::string(tables_.LayerName(layer));
            sums.row.kind = kind;
            sums.first = order;
        }
        // Each kind's table is in file order: a row's first element is the one that made it.
        return rows_[at->second];
    }

    const EntityTables& tables_;
    std::vector<Sums> rows_;
    std::map<std::pair<std::uint32_t, TakeOffKind>, std::size_t> index_;
    Sums total_;
};

void Cell(std::string& out, std::string_view text, char after) {
    out += text;
    out += after;
    if (after == '\r') out += '\n';
}

void Line(std::string& out, std::string_view layer, std::string_view kind, const TakeOffRow& row,
          const TakeOffNumber& number) {
    Cell(out, layer, '\t');
    Cell(out, kind, '\t');
    Cell(out, std::to_string(row.count), '\t');
    Cell(out, number(row.length, false), '\t');
    Cell(out, row.area ? number(*row.area, true) : std::string(), '\r');
}

} // namespace

std::string_view TakeOffKindName(TakeOffKind kind) {
    switch (kind) {
    case TakeOffKind::Line: return "線分";
    case TakeOffKind::Arc: return "円弧";
    case TakeOffKind::Circle: return "円";
    case TakeOffKind::Polyline: return "ポリライン";
    case TakeOffKind::Ellipse: return "楕円";
    case TakeOffKind::Spline: return "スプライン";
    }
    return {};
}

TakeOff TakeOffByLayer(const EntityTables& tables) {
    const auto none = [](const auto&) { return std::optional<double>(); };
    Collector collector(tables);
    collector.AddAll(TakeOffKind::Line, &EntityTables::LineTable, MeasureLine, none);
    collector.AddAll(TakeOffKind::Arc, &EntityTables::ArcTable, MeasureArc, none);
    collector.AddAll(TakeOffKind::Circle, &EntityTables::CircleTable, MeasureCircle,
                     [](const CircleRec& circle) { return std::optional<double>(CircleArea(circle)); });
    collector.AddAll(TakeOffKind::Polyline, &EntityTables::PolylineTable, MeasurePolyline, PolylineArea);
    collector.AddAll(TakeOffKind::Ellipse, &EntityTables::EllipseTable, MeasureEllipse, EllipseArea);
    collector.AddAll(TakeOffKind::Spline, &EntityTables::SplineTable, MeasureSpline, SplineArea);
    return collector.Result();
}

std::string TakeOffText(const TakeOff& takeOff, const TakeOffNumber& number) {
    std::string out = "画層\t種類\t本数\t延長\t面積\r\n";
    for (const TakeOffRow& row : takeOff.rows) Line(out, row.layer, TakeOffKindName(row.kind), row, number);
    Line(out, "合計", "", takeOff.total, number);
    return out;
}

} // namespace vermiq
