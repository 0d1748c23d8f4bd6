// The take-off table: rows by layer and kind in the order of their first element in the file,
// counts, summed lengths, areas of the closed elements only, and the text a spreadsheet pastes.
#include <gtest/gtest.h>

#include <string>

#include "dxf/reader.h"
#include "dxf/takeoff.h"
#include "tests/dxf/dxf_text.h"

namespace vermiq {
namespace {

TEST(TakeOffTest, RowsByLayerAndKindInFileOrderWithTotals) {
    EntityTables t;
    ReadDxfText(t, test::EntitiesText({
        {0, "LWPOLYLINE"}, {8, "敷地"}, {70, "1"}, {10, "0"}, {20, "0"}, {10, "4"}, {20, "0"}, {10, "4"}, {20, "3"},
        {0, "LINE"}, {8, "道路"}, {11, "3"}, {21, "4"},
        {0, "TEXT"}, {8, "道路"}, {1, "not measured"},
        {0, "CIRCLE"}, {8, "敷地"}, {40, "1"},
        {0, "LWPOLYLINE"}, {8, "敷地"}, {10, "0"}, {20, "0"}, {10, "0"}, {20, "2"},   // open: no area
        {0, "LINE"}, {8, "道路"}, {11, "1"},
        {0, "SPLINE"}, {8, "道路"}, {71, "3"}, {11, "1"}, {21, "1"},                  // fit points only: no curve
        {0, "ELLIPSE"}, {8, "道路"}, {11, "2"}, {40, "0.5"}, {42, "1"},               // an arc of it: no area
    }));
    const std::string text = TakeOffText(TakeOffByLayer(t), [](double value, bool area) {
        return std::to_string(static_cast<long long>(value * 1000 + 0.5)) + (area ? "a" : "");
    });
    EXPECT_EQ(text, "画層\t種類\t本数\t延長\t面積\r\n"
                    "敷地\tポリライン\t2\t14000\t6000a\r\n"
                    "道路\t線分\t2\t6000\t\r\n"
                    "敷地\t円\t1\t6283\t3142a\r\n"
                    "道路\t楕円\t1\t1326\t\r\n"    // ∫ from 0 to 1 of √(4 sin²t + cos²t) dt = 1.32566…
                    "合計\t\t6\t27609\t9142a\r\n");
}

} // namespace
} // namespace vermiq
