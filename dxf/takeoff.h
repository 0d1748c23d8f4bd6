// A quantity take-off of a read: count, length and area of the measurable elements, by layer
// and kind, and the table that carries them into a spreadsheet.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/entity_tables.h"

namespace vermiq {

enum class TakeOffKind { Line, Arc, Circle, Polyline, Ellipse, Spline };

// The kind as the table names it (code page 932): 線分, 円弧, 円, ポリライン, 楕円, スプライン.
std::string_view TakeOffKindName(TakeOffKind kind);

// One layer and kind, or the whole read. Lengths and areas are in drawing units, summed over
// the exact values of the elements; the area only over the closed ones, nothing when none is.
struct TakeOffRow {
    std::string layer;
    TakeOffKind kind = TakeOffKind::Line;
    std::int64_t count = 0;
    double length = 0.0;
    std::optional<double> area;
};

struct TakeOff {
    std::vector<TakeOffRow> rows; // in the order in which each layer and kind first appears
    TakeOffRow total;             // its layer and kind mean nothing
};

// Every line, arc, circle, polyline, ellipse and spline of the read, measured as a label
// measures it: each element's length, and the area of each closed one. A spline that is no
// curve cannot be measured and is in no row; texts are never in one.
TakeOff TakeOffByLayer(const EntityTables& tables);

// The table as a spreadsheet takes it in when pasted (code page 932): cells separated by tabs,
// every line ending in CR LF; the header 画層 種類 本数 延長 面積, a line per row, and the line
// 合計 with the totals. `number` writes a length (area false) or an area as the cell shows it;
// an area cell stays empty where there is no area.
using TakeOffNumber = std::function<std::string(double value, bool area)>;
std::string TakeOffText(const TakeOff& takeOff, const TakeOffNumber& number);

} // namespace vermiq
