// The DXF reader: pairs and line breaks, the section and record states, each entity kind, the
// style table, byte limits, errors, repeated reads and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <share.h>
#else
#include <unistd.h>
#endif

#include "dxf/convert.h"
#include "dxf/reader.h"
#include "tests/dxf/dxf_text.h"

namespace vermiq {
namespace {

using test::Concat;
using test::DxfText;
using test::EntitiesText;
using test::InEntities;
using test::Pairs;
using test::StyleTable;

const Pairs kLine = {{0, "LINE"}, {8, "0"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}};

void ExpectCounts(const EntityTables& t, int lines, int texts, int arcs, int circles, int polylines) {
    EXPECT_EQ(t.LineCount(), lines);
    EXPECT_EQ(t.TextCount(), texts);
    EXPECT_EQ(t.ArcCount(), arcs);
    EXPECT_EQ(t.CircleCount(), circles);
    EXPECT_EQ(t.PolylineCount(), polylines);
}

std::string ConversionMessage(EntityTables& t, const std::string& text) {
    try {
        ReadDxfText(t, text);
    } catch (const ConversionError& e) {
        return e.what();
    }
    return "no error";
}

TEST(ReadDxfTextTest, NoPairsNoRecords) {
    EntityTables t;
    for (const char* text : {"", "  0", "  0\n", "\n"}) {
        EXPECT_EQ(ReadDxfText(t, text), 0) << text;
        ExpectCounts(t, 0, 0, 0, 0, 0);
    }
}

TEST(ReadDxfTextTest, OddLastLineIsIgnoredUnconverted) {
    EntityTables t;
    EXPECT_EQ(ReadDxfText(t, DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {10, "7"}}) + "not a code"), 1);
    EXPECT_EQ(t.LineTable[0].Start.X, 7.0);
    EXPECT_EQ(ReadDxfText(t, DxfText({{0, "SECTION"}, {2, "HEADER"}}) + "x1"), 0);
}

TEST(ReadDxfTextTest, LineBreaksCrLfCrLfAndNulEndsTheText) {
    EntityTables t;
    for (const char* lineBreak : {"\n", "\r\n", "\r"}) {
        EXPECT_EQ(ReadDxfText(t, DxfText(InEntities(kLine), lineBreak)), 1) << int(lineBreak[0]);
        EXPECT_EQ(t.LineTable[0].End.Z, 6.0);
    }
    // Mixed: a CR directly followed by LF is one break; LF CR is two, making an empty line.
    EXPECT_EQ(ReadDxfText(t, "  0\r\nSECTION\n  2\rENTITIES\r\n  0\nLINE\n  8\n\n"), 1) << "an empty value line";
    EXPECT_THROW(ReadDxfText(t, "  0\r\nSECTION\n\r  2\nENTITIES\n"), ConversionError) << "LF CR makes an empty code line";

    std::string withNul = EntitiesText(kLine);
    withNul.insert(withNul.find("LINE") - 4, std::string("\0garbage\n", 9));
    EXPECT_EQ(ReadDxfText(t, withNul), 0);
}

TEST(ReadDxfTextTest, GroupCodesRightAlignedConvertAndTrailingBlankFails) {
    EntityTables t;
    EXPECT_EQ(ReadDxfText(t, "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n1.5\n"), 1);
    EXPECT_EQ(t.LineTable[0].Start.X, 1.5);
    EXPECT_EQ(ConversionMessage(t, "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n10 \n1.5\n"), "'10 ' は整数ではありません");
    EXPECT_EQ(t.LineCount(), 1) << "what was read before the failing pair stays";
    EXPECT_EQ(ConversionMessage(t, "HEADER\n  0\n"), "'HEADER' は整数ではありません");
}

TEST(ReadDxfTextTest, ConsecutiveLinesEachGetACleanRecord) {
    EntityTables t;
    ASSERT_EQ(ReadDxfText(t, EntitiesText({{0, "LINE"}, {0, "LINE"}, {8, "壁"}, {30, "1"}})), 2);
    EXPECT_EQ(t.LayerName(t.LineTable[0].Layer), "");
    EXPECT_EQ(t.LineTable[0].Start.Z, 0.0);
    EXPECT_EQ(t.LineTable[0].End.Z, 0.0);
    EXPECT_EQ(t.LayerName(t.LineTable[1].Layer), "壁");
    EXPECT_EQ(t.LineTable[1].Start.Z, 1.0);
}

TEST(ReadDxfTextTest, OnlyTheEntitiesSectionCountsAndItsEndsecStopsTheRead) {
    const Pairs blocks = {{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "B"},
                          {0, "LINE"}, {10, "9"}, {0, "CIRCLE"}, {40, "1"}, {0, "ENDBLK"}, {0, "ENDSEC"}};
    EntityTables t;
    ReadDxfText(t, DxfText(Concat({blocks, InEntities(kLine)})));
    ExpectCounts(t, 1, 0, 0, 0, 0);
    EXPECT_EQ(t.LineTable[0].Start.X, 1.0);

    // After the ENDSEC of ENTITIES nothing is looked at, not even a broken code line.
    const std::string afterEnd = DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"},
                                          {0, "SECTION"}, {2, "OBJECTS"}, {0, "LINE"}}) + "1x\nbad\n";
    EXPECT_NO_THROW(ReadDxfText(t, afterEnd));
    ExpectCounts(t, 0, 0, 0, 0, 0);
    // An ENDSEC before ENTITIES (end of HEADER) does not stop it.
    EXPECT_EQ(ReadDxfText(t, DxfText(Concat({{{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}}, InEntities(kLine)}))), 1);
    // A file without ENTITIES is read to its end and yields nothing.
    EXPECT_EQ(ReadDxfText(t, DxfText(blocks)), 0);
}

TEST(ReadDxfTextTest, EachKindTakesItsOwnCodes) {
    EntityTables t;
    ReadDxfText(t, EntitiesText({
        {0, "ARC"}, {8, "A"}, {10, "1"}, {20, "2"}, {30, "3"}, {40, "4"}, {50, "350"}, {51, "10"}, {11, "99"},
        {230, "-1"},
        {0, "CIRCLE"}, {8, "C"}, {10, "5"}, {20, "6"}, {30, "7"}, {40, "8"}, {50, "99"}, {210, "0.6"}, {220, "0.8"}, {230, "0"},
        {0, "TEXT"}, {8, "ignored"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"},
        {40, "2.5"}, {1, "abc"}, {72, "  2"}, {73, "3"},
        {0, "POINT"}, {10, "100"}, {8, "P"},
    }));
    ExpectCounts(t, 0, 1, 1, 1, 0);
    const ArcRec& arc = t.ArcTable[0];
    EXPECT_EQ(t.LayerName(arc.Layer), "A");
    EXPECT_EQ(arc.Centre.Z, 3.0);
    EXPECT_EQ(arc.Radius, 4.0);
    EXPECT_EQ(arc.StartAngle, 350.0);
    EXPECT_EQ(arc.EndAngle, 10.0);
    EXPECT_EQ(arc.Extrusion.X, 0.0);
    EXPECT_EQ(arc.Extrusion.Z, -1.0);
    const CircleRec& circle = t.CircleTable[0];
    EXPECT_EQ(t.LayerName(circle.Layer), "C");
    EXPECT_EQ(circle.Centre.X, 5.0);
    EXPECT_EQ(circle.Radius, 8.0);
    EXPECT_EQ(circle.Extrusion.X, 0.6);
    EXPECT_EQ(circle.Extrusion.Y, 0.8);
    EXPECT_EQ(circle.Extrusion.Z, 0.0);
    const TextRec& text = t.TextTable[0];
    EXPECT_EQ(text.First.Z, 3.0);
    EXPECT_EQ(text.Second.Y, 5.0);
    EXPECT_EQ(text.Height, 2.5);
    EXPECT_EQ(text.Text, "abc");
    EXPECT_EQ(text.HorizontalJustification, 2);
    EXPECT_EQ(text.VerticalJustification, 3);
    EXPECT_EQ(t.LayerNames.size(), 3u) << "layers are those of lines, arcs, circles and polylines only";
}

TEST(ReadDxfTextTest, PolylineWithVertexRecordsAndSeqend) {
    EntityTables t;
    ReadDxfText(t, EntitiesText({
        {0, "POLYLINE"}, {8, "P"}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "7.5"}, {70, "1"}, {230, "-1"},
        {0, "VERTEX"}, {8, "P"}, {10, "1"}, {20, "2"}, {30, "0"}, {42, "0.5"},
        {0, "VERTEX"}, {8, "P"}, {10, "3"}, {20, "4"}, {70, "16"},
        {0, "SEQEND"}, {8, "P"},
        {0, "VERTEX"}, {42, "1"}, {70, "1x"}, {20, "-"}, {10, "5"}, {20, "6"}, {0, "SEQEND"},
    }));
    ASSERT_EQ(t.PolylineCount(), 1);
    const PolylineRec& p = t.PolylineTable[0];
    EXPECT_EQ(t.LayerName(p.Layer), "P");
    EXPECT_EQ(p.Flags, 1);
    EXPECT_TRUE(p.Closed());
    EXPECT_EQ(p.Elevation, 7.5);
    EXPECT_EQ(p.Extrusion.Z, -1.0);
    ASSERT_EQ(p.VertexCount(), 3) << "the header's own 10 adds no vertex";
    EXPECT_EQ(p.Vertices[0].X, 1.0);
    EXPECT_EQ(p.Vertices[0].Y, 2.0);
    EXPECT_EQ(p.Vertices[0].Bulge, 0.5);
    EXPECT_EQ(p.Vertices[1].Flags, 16);
    EXPECT_EQ(p.Vertices[1].Y, 4.0) << "a 20 before the next vertex's 10 does not land here";
    EXPECT_EQ(p.Vertices[1].Bulge, 0.0);
    EXPECT_EQ(p.Vertices[2].X, 5.0);
    EXPECT_EQ(p.Vertices[2].Y, 6.0);
    EXPECT_EQ(p.Vertices[2].Flags, 0);
}

TEST(ReadDxfTextTest, VertexWithoutPolylineIsPassedOver) {
    EntityTables t;
    EXPECT_NO_THROW(ReadDxfText(t, EntitiesText({{0, "VERTEX"}, {10, "1"}, {20, "2"}, {0, "LINE"}})));
    ExpectCounts(t, 1, 0, 0, 0, 0);
}

TEST(ReadDxfTextTest, LwPolylineKeepsFlagsBulgesAndEveryVertex) {
    Pairs pairs = {{0, "LWPOLYLINE"}, {8, "L"}, {90, "4"}, {70, "1"}, {38, "-2"}, {43, "0.0"}, {42, "9"}, {20, "9"},
                   {210, "0"}, {220, "0"}, {230, "-1"}};
    const char* const points[][3] = {{"0", "0", "0"}, {"10", "0", "1"}, {"10", "10", "0"}, {"0", "10", "-0.5"}};
    for (const auto& point : points) pairs.insert(pairs.end(), {{10, point[0]}, {20, point[1]}, {42, point[2]}});
    EntityTables t;
    ReadDxfText(t, EntitiesText(pairs));
    ASSERT_EQ(t.PolylineCount(), 1);
    const PolylineRec& p = t.PolylineTable[0];
    EXPECT_TRUE(p.Closed());
    EXPECT_EQ(p.Elevation, -2.0);
    EXPECT_EQ(p.Extrusion.Z, -1.0);
    ASSERT_EQ(p.VertexCount(), 4);
    EXPECT_EQ(p.Vertices[0].Bulge, 0.0) << "a 42 before the first 10 is passed over";
    EXPECT_EQ(p.Vertices[0].Y, 0.0);
    EXPECT_EQ(p.Vertices[1].Bulge, 1.0);
    EXPECT_EQ(p.Vertices[2].Y, 10.0);
    EXPECT_EQ(p.Vertices[3].Bulge, -0.5);

    // 5000 vertices, more than the announced count; then a false, huge count.
    Pairs many = {{0, "LWPOLYLINE"}, {90, "3"}};
    for (int i = 0; i < 5000; ++i) many.insert(many.end(), {{10, std::to_string(i)}, {20, "1"}});
    many.insert(many.end(), {{0, "LWPOLYLINE"}, {90, "2147483647"}, {10, "1"}, {20, "2"}, {90, "x"}});
    ReadDxfText(t, EntitiesText(many));
    ASSERT_EQ(t.PolylineCount(), 2);
    ASSERT_EQ(t.PolylineTable[0].VertexCount(), 5000);
    EXPECT_EQ(t.PolylineTable[0].Vertices[4999].X, 4999.0);
    EXPECT_EQ(t.PolylineTable[1].VertexCount(), 1);
}

TEST(ReadDxfTextTest, EllipseAndSplineKeepTheirCodesInFileOrder) {
    const Pairs entities = {
        {0, "ELLIPSE"}, {8, "E"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"},
        {210, "0"}, {220, "0.6"}, {230, "0.8"}, {40, "0.5"}, {41, "0.25"}, {42, "3"},
        {0, "SPLINE"}, {8, "S"}, {210, "0"}, {70, "14"}, {71, "2"}, {72, "6"}, {73, "3"}, {74, "1"}, {42, "1e-10"},
        {40, "0"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"}, {40, "1"}, {41, "1"}, {41, "0.5"}, {41, "1"},
        {20, "99"},                                   // before any control point: passed over
        {10, "1"}, {20, "2"}, {30, "3"}, {10, "4"}, {20, "5"}, {10, "7"}, {20, "8"}, {30, "9"},
        {11, "50"}, {21, "60"}, {31, "70"},           // fit point: not kept
        {0, "ELLIPSE"}};
    EntityTables t;
    ReadDxfText(t, EntitiesText(entities));
    ASSERT_EQ(t.EllipseCount(), 2);
    ASSERT_EQ(t.SplineCount(), 1);
    const EllipseRec& e = t.EllipseTable[0];
    EXPECT_EQ(t.LayerName(e.Layer), "E");
    EXPECT_EQ(e.Centre.Z, 3.0);
    EXPECT_EQ(e.MajorAxis.Y, 5.0);
    EXPECT_EQ(e.Extrusion.Y, 0.6);
    EXPECT_EQ(e.Extrusion.Z, 0.8);
    EXPECT_EQ(e.Ratio, 0.5);
    EXPECT_EQ(e.StartParameter, 0.25);
    EXPECT_EQ(e.EndParameter, 3.0);
    const EllipseRec& defaults = t.EllipseTable[1];
    EXPECT_EQ(defaults.Ratio, 1.0);
    EXPECT_EQ(defaults.EndParameter, 6.283185307179586);
    EXPECT_EQ(defaults.Extrusion.Z, 1.0);

    const SplineRec& s = t.SplineTable[0];
    EXPECT_EQ(t.LayerName(s.Layer), "S");
    EXPECT_EQ(s.Flags, 14);
    EXPECT_EQ(s.Degree, 2);
    EXPECT_EQ(s.Knots, (std::vector<double>{0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(s.Weights, (std::vector<double>{1, 0.5, 1}));
    ASSERT_EQ(s.ControlPoints.size(), 3u);
    EXPECT_EQ(s.ControlPoints[0].Y, 2.0);
    EXPECT_EQ(s.ControlPoints[1].Z, 0.0);
    EXPECT_EQ(s.ControlPoints[2].X, 7.0);
    EXPECT_EQ(s.ControlPoints[2].Z, 9.0);

    EXPECT_EQ(ConversionMessage(t, EntitiesText({{0, "SPLINE"}, {71, "3.0"}})), "'3.0' は整数ではありません");
    EXPECT_EQ(ConversionMessage(t, EntitiesText({{0, "ELLIPSE"}, {40, "1/2"}})), "'1/2' は浮動小数点数ではありません");
}

// Polygon (16) and polyface (64) meshes are no paths; a polyface's face records sit at 0,0.
TEST(ReadDxfTextTest, MeshPolylinesArePassedOverWithTheirVertices) {
    for (const char* flags : {"16", "64", "80"}) {
        const Pairs entities = {
            {0, "POLYLINE"}, {66, "1"}, {70, flags}, {71, "3"},
            {0, "VERTEX"}, {10, "5"}, {20, "5"}, {70, "192"}, {0, "VERTEX"}, {10, "0"}, {20, "0"}, {70, "128"},
            {0, "SEQEND"},
            {0, "POLYLINE"}, {70, "1"}, {0, "VERTEX"}, {10, "1"}, {20, "1"}, {0, "VERTEX"}, {10, "4"}, {20, "5"},
            {0, "SEQEND"}};
        EntityTables t;
        ReadDxfText(t, EntitiesText(entities));
        ASSERT_EQ(t.PolylineCount(), 1) << flags;
        EXPECT_EQ(t.PolylineTable[0].VertexCount(), 2) << flags;
        EXPECT_EQ(t.PolylineTable[0].Vertices[0].X, 1.0) << flags;

        ReadDxfText(t, EntitiesText(Pairs(entities.begin(), entities.begin() + 13)));
        EXPECT_EQ(t.PolylineCount(), 0) << "a mesh alone: nothing to measure";
    }
}

TEST(ReadDxfTextTest, TablesGrowPastAHundredRecords) {
    Pairs styles = {{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "STYLE"}};
    for (int i = 1; i <= 150; ++i) styles.insert(styles.end(), {{0, "STYLE"}, {2, "S" + std::to_string(i)}, {40, std::to_string(i)}});
    styles.insert(styles.end(), {{0, "ENDTAB"}, {0, "ENDSEC"}});
    Pairs entities;
    for (int i = 0; i < 250; ++i) {
        const std::string n = std::to_string(i);
        entities.insert(entities.end(), {{0, "LINE"}, {10, n}, {0, "ARC"}, {40, n}, {0, "CIRCLE"}, {40, n},
                                         {0, "TEXT"}, {7, "S" + std::to_string(i % 150 + 1)}, {0, "LWPOLYLINE"}, {10, n}});
    }
    EntityTables t;
    EXPECT_EQ(ReadDxfText(t, DxfText(Concat({styles, InEntities(entities)}))), 250);
    ExpectCounts(t, 250, 250, 250, 250, 250);
    EXPECT_EQ(t.StyleCount(), 150);
    for (int i = 0; i < 250; ++i) {
        ASSERT_EQ(t.LineTable[i].Start.X, i);
        ASSERT_EQ(t.ArcTable[i].Radius, i);
        ASSERT_EQ(t.CircleTable[i].Radius, i);
        ASSERT_EQ(t.TextTable[i].Height, i % 150 + 1);
        ASSERT_EQ(t.PolylineTable[i].Vertices.at(0).X, i);
    }
}

TEST(ReadDxfTextTest, TextValuesAreStrippedPhiReplacedAndCut) {
    const std::string phi = "\x83\xD3"; // φ in code page 932
    const struct {
        Pairs pairs;
        std::string text;
    } cases[] = {
        {{{1, "\\U+03C6100"}}, phi + "100"},
        {{{1, "\\U+03C6\\U+03C6"}}, phi + "\\U+03C6"},
        {{{1, "A\\PB"}}, "AB"},
        {{{1, "\\C1;Red"}}, "Red"},
        {{{1, "x\\T1.5abc"}}, "x\\T1.5abc"},
        {{{3, "chunk\\P1"}, {3, "chunk2"}, {1, "end"}}, "end"},
        {{{1, "a"}, {3, "\\Pb"}}, "a\\Pb"},
        {{{1, std::string(300, 'z')}}, std::string(255, 'z')},
        {{{1, std::string(250, 'z')}, {3, "0123456789"}}, std::string(250, 'z') + "01234"},
        {{{1, "\\P" + std::string(255, 'z')}}, std::string(255, 'z')},
    };
    EntityTables t;
    for (const auto& c : cases) {
        Pairs pairs = {{0, "MTEXT"}};
        pairs.insert(pairs.end(), c.pairs.begin(), c.pairs.end());
        ReadDxfText(t, EntitiesText(pairs));
        ASSERT_EQ(t.TextCount(), 1);
        EXPECT_EQ(t.TextTable[0].Text, c.text) << c.pairs.front().second;
    }
}

TEST(ReadDxfTextTest, TextHeightFromStylesAndCode40WhicheverComesLast) {
    const Pairs styles = StyleTable({{"Standard", "1.25"}, {"Fixed", "2.5"}, {"Fixed", "7"}, {std::string(50, 'N'), "3"}});
    const struct {
        Pairs text;
        double height;
    } cases[] = {
        {{{0, "TEXT"}}, 1.25},                             // Standard's fixed height
        {{{0, "TEXT"}, {40, "4"}, {7, "Fixed"}}, 2.5},     // the first style of that name
        {{{0, "TEXT"}, {7, "Fixed"}, {40, "4"}}, 4.0},
        {{{0, "TEXT"}, {7, "fixed"}}, 0.0},                // exact, case-sensitive; no style: 0
        {{{0, "TEXT"}, {7, std::string(40, 'N')}}, 3.0},   // style names are cut to 40 bytes
    };
    EntityTables t;
    for (const auto& c : cases) {
        ReadDxfText(t, DxfText(Concat({styles, InEntities(c.text)})));
        ASSERT_EQ(t.TextCount(), 1);
        EXPECT_EQ(t.TextTable[0].Height, c.height) << &c - cases;
    }
    EXPECT_EQ(t.StyleTable[0].Name, "Standard");
    EXPECT_EQ(t.StyleTable[3].Name, std::string(40, 'N'));
    EXPECT_EQ(LookupStyleHeight(t, "Fixed"), 2.5);
    EXPECT_EQ(LookupStyleHeight(t, "none"), 0.0);

    // A style record without a height has 10; a STYLE outside the STYLE table is no style.
    ReadDxfText(t, DxfText({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {0, "STYLE"}, {2, "Early"},
                            {2, "STYLE"}, {0, "STYLE"}, {2, "Plain"}, {0, "ENDTAB"}, {2, "ENTITIES"}, {0, "STYLE"},
                            {2, "Late"}, {0, "TEXT"}}));
    ASSERT_EQ(t.StyleCount(), 1);
    EXPECT_EQ(LookupStyleHeight(t, "Plain"), 10.0);
    EXPECT_EQ(t.TextTable.at(0).Height, 0.0) << "no Standard style in this file";
}

// Names in code page 932 pass as their bytes, a trail byte 0x5C (表, ソ) or 0x7C (ポ) included; a
// cut never leaves half a character.
TEST(ReadDxfTextTest, LayerNamesAreCutToSixtyBytes) {
    EntityTables t;
    ReadDxfText(t, EntitiesText({{0, "LINE"}, {8, std::string(70, 'L')}, {0, "CIRCLE"}, {8, std::string(60, 'L') + "x"},
                                 {0, "ARC"}, {8, "Ａ"}, {0, "LINE"}, {8, "表示ソポ"}, {0, "LINE"}, {8, std::string(59, 'L') + "表"},
                                 {0, "LINE"}, {8, std::string(58, 'L') + "表示"}}));
    EXPECT_EQ(t.LayerName(t.LineTable[0].Layer), std::string(60, 'L'));
    EXPECT_EQ(t.CircleTable[0].Layer, t.LineTable[0].Layer) << "the same name after cutting";
    EXPECT_EQ(t.LayerName(t.ArcTable[0].Layer), "Ａ");
    EXPECT_EQ(t.LayerName(t.LineTable[1].Layer), "表示ソポ");
    EXPECT_EQ(t.LayerName(t.LineTable[2].Layer), std::string(59, 'L'));
    EXPECT_EQ(t.LayerName(t.LineTable[3].Layer), std::string(58, 'L') + "表");
}

TEST(ReadDxfTextTest, ConversionFailuresStopTheReadKeepingWhatWasRead) {
    const struct {
        Pairs entities;
        const char* message;
        int lines;
    } cases[] = {
        {{{0, "LINE"}, {10, "1,5"}}, "'1,5' は浮動小数点数ではありません", 1},
        {{{0, "LINE"}, {0, "ARC"}, {50, ""}}, "'' は浮動小数点数ではありません", 1},
        {{{0, "TEXT"}, {72, "1 "}}, "'1 ' は整数ではありません", 0},
        {{{0, "MTEXT"}, {73, "1.0"}}, "'1.0' は整数ではありません", 0},
        {{{0, "POLYLINE"}, {70, "x"}}, "'x' は整数ではありません", 0},
        {{{0, "LWPOLYLINE"}, {10, "0"}, {20, "-"}}, "'-' は浮動小数点数ではありません", 0},
    };
    EntityTables t;
    for (const auto& c : cases) {
        EXPECT_EQ(ConversionMessage(t, EntitiesText(c.entities)), c.message);
        EXPECT_EQ(t.LineCount(), c.lines);
    }
    // Outside a record the same values are not looked at.
    EXPECT_NO_THROW(ReadDxfText(t, EntitiesText({{0, "INSERT"}, {10, "x"}, {70, "y"}, {0, "SEQEND"}, {72, "z"}})));
}

TEST(ReadDxfTextTest, ASecondReadDescribesOnlyTheSecondFile) {
    Pairs big;
    for (int i = 0; i < 120; ++i)
        big.insert(big.end(), {{0, "LINE"}, {8, "Old"}, {10, "5"}, {0, "TEXT"}, {72, "4"}, {40, "9"}, {1, "old"}});
    big.insert(big.end(), {{0, "LWPOLYLINE"}, {70, "1"}, {10, "1"}, {42, "1"}});
    EntityTables t;
    ReadDxfText(t, DxfText(Concat({StyleTable({{"Standard", "3"}}), InEntities(big)})));
    ExpectCounts(t, 120, 120, 0, 0, 1);

    ReadDxfText(t, EntitiesText({{0, "LINE"}, {11, "1"}, {0, "TEXT"}, {0, "LWPOLYLINE"}, {10, "2"}}));
    ExpectCounts(t, 1, 1, 0, 0, 1);
    EXPECT_EQ(t.LineTable[0].Start.X, 0.0);
    EXPECT_EQ(t.LayerName(t.LineTable[0].Layer), "");
    EXPECT_EQ(t.TextTable[0].HorizontalJustification, 0);
    EXPECT_EQ(t.TextTable[0].Text, "");
    EXPECT_EQ(t.TextTable[0].Height, 0.0) << "the earlier file's Standard style is gone";
    EXPECT_EQ(t.StyleCount(), 0);
    EXPECT_FALSE(t.PolylineTable[0].Closed());
    EXPECT_EQ(t.PolylineTable[0].Vertices.at(0).Bulge, 0.0);
}

// Whether a read met the EOF pair: a file cut short is no whole export; what follows the EOF
// pair is no part of the file, not even a broken code line.
TEST(ReadDxfTextTest, ReachedEofOnlyWithTheEofPair) {
    const std::string whole = EntitiesText(kLine);
    const std::string noEntities = DxfText({{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}, {0, "EOF"}});
    const struct {
        const char* what;
        std::string text;
        bool reached;
        int lines;
    } rows[] = {
        {"whole", whole, true, 1},
        {"no text", "", false, 0},
        {"cut before the EOF pair", whole.substr(0, whole.size() - 8), false, 1},
        {"cut inside EOF", whole.substr(0, whole.size() - 2), false, 1},
        {"cut inside the LINE", whole.substr(0, whole.find(" 11")), false, 1},
        {"no break after EOF", whole.substr(0, whole.size() - 1), true, 1},
        {"trailing bytes", whole + "\x1a\r\nleft over\n 1x\n", true, 1},
        {"a NUL after EOF", whole + std::string("\0\0\0", 3), true, 1},
        {"trailing bytes, no ENTITIES", noEntities + "not a code\nvalue\n", true, 0},
        {"EOF inside ENTITIES", DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {0, "EOF"}, {0, "LINE"}}), true, 1},
        {"EOF as another code's value", DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}, {1, "EOF"}}), false, 0},
        {"a broken code after ENDSEC", DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}}) + "1x\n\n 00\nEOF\n", true, 0},
    };
    EntityTables t;
    for (const auto& row : rows) {
        EXPECT_EQ(ReadDxfText(t, row.text), row.lines) << row.what;
        EXPECT_EQ(t.ReachedEof, row.reached) << row.what;
    }
    EXPECT_THROW(ReadDxfText(t, "  0\nSECTION\n  2\nENTITIES\n 1x\nEOF\n"), ConversionError) << "a broken code before ENDSEC";
    EXPECT_FALSE(t.ReachedEof);
}

std::ostream& operator<<(std::ostream& out, const Point3& q) { return out << q.X << ',' << q.Y << ',' << q.Z << ' '; }

// Everything a read leaves in the tables, to the bit, and its error.
std::string Dump(const EntityTables& t, const std::string& error) {
    std::ostringstream out;
    out.precision(17);
    for (const LineRec& r : t.LineTable) out << "L " << r.Start << r.End << r.Layer << '\n';
    for (const TextRec& r : t.TextTable)
        out << "T " << r.First << r.Second << r.Text << '|' << r.HorizontalJustification << ' ' << r.VerticalJustification << ' ' << r.Height << '\n';
    for (const ArcRec& r : t.ArcTable)
        out << "A " << r.Centre << r.Radius << ' ' << r.StartAngle << ' ' << r.EndAngle << ' ' << r.Layer << ' ' << r.Extrusion << '\n';
    for (const CircleRec& r : t.CircleTable) out << "C " << r.Centre << r.Radius << ' ' << r.Layer << ' ' << r.Extrusion << '\n';
    for (const PolylineRec& r : t.PolylineTable) {
        out << "P " << r.Extrusion << r.Flags << ' ' << r.Layer << ' ' << r.Elevation << ':';
        for (const Vertex& v : r.Vertices) out << v.X << ',' << v.Y << ',' << v.Bulge << ',' << v.Flags << ' ';
        out << '\n';
    }
    for (const EllipseRec& r : t.EllipseTable)
        out << "E " << r.Centre << r.MajorAxis << r.Extrusion << r.Ratio << ' ' << r.StartParameter << ' ' << r.EndParameter << ' ' << r.Layer << '\n';
    for (const SplineRec& r : t.SplineTable) {
        out << "S " << r.Flags << ' ' << r.Degree << ' ' << r.Layer << ':';
        for (const double k : r.Knots) out << k << ' ';
        for (const double w : r.Weights) out << w << ' ';
        for (const Point3& q : r.ControlPoints) out << q;
        out << '\n';
    }
    for (const StyleRec& r : t.StyleTable) out << r.Name << '=' << r.FixedHeight << '\n';
    for (const std::string& name : t.LayerNames) out << name << ';';
    out << "\nEOF " << t.ReachedEof << ' ' << error;
    return out.str();
}

// Reads `text` in pieces through a buffer of `bufferBytes`: the first piece `first` bytes long,
// the others as long as there is room for, up to `most`.
std::string ReadInPieces(const std::string& text, std::size_t bufferBytes, std::size_t first, std::size_t most) {
    EntityTables t;
    std::size_t at = 0;
    std::string error;
    try {
        ReadDxfPieces(t, [&](char* buffer, std::size_t room) {
            const std::size_t n = std::min({room, text.size() - at, at == 0 ? first : most});
            text.copy(buffer, n, at);
            at += n;
            return n;
        }, text.size(), bufferBytes);
    } catch (const ConversionError& e) {
        error = e.what();
    }
    return Dump(t, error);
}

// A pair cut by the end of a piece, at any byte of it (between CR and LF too), reads as it does
// in one piece; so does one longer than the whole buffer.
TEST(ReadDxfPiecesTest, PairsCutAtEveryPositionReadAsInOnePiece) {
    Pairs entities = {
        {0, "LINE"}, {8, "壁"}, {10, "1.25"}, {20, "-2.5e3"}, {11, "4"}, {21, "5"}, {31, "6"},
        {0, "TEXT"}, {7, "Big"}, {1, "\\U+03C6100 longer than the smallest buffers\\P"}, {72, "1"},
        {0, "ARC"}, {8, "A"}, {10, "1"}, {40, "2"}, {50, "350"}, {51, "10"}, {230, "-1"},
        {0, "CIRCLE"}, {40, "3"},
        {0, "LWPOLYLINE"}, {90, "3"}, {70, "1"}, {10, "0"}, {20, "0"}, {42, "0.5"}, {10, "10"}, {20, "0"}, {10, "10"}, {20, "10"},
        {0, "POLYLINE"}, {70, "0"}, {0, "VERTEX"}, {10, "1"}, {20, "2"}, {70, "16"}, {0, "VERTEX"}, {10, "3"}, {0, "SEQEND"},
        {0, "ELLIPSE"}, {11, "2"}, {40, "0.5"},
        {0, "SPLINE"}, {71, "1"}, {72, "4"}, {73, "2"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"}, {10, "0"}, {20, "0"}, {10, "3"}};
    Pairs pairs = Concat({StyleTable({{"Standard", "2.5"}, {"Big", "7"}}), InEntities(entities)});
    pairs.insert(pairs.end() - 1, {{0, "SECTION"}, {2, "OBJECTS"}, {0, "DICTIONARY"}, {0, "ENDSEC"}});
    const std::string crlf = DxfText(pairs, "\r\n");
    std::string broken = DxfText(pairs, "\n");
    broken.replace(broken.find(" 21\n"), 4, " 21 \n");
    std::string nul = DxfText(pairs, "\r");
    nul.insert(nul.find("ARC") - 4, std::string("\0rest", 5));
    for (const std::string& text : {crlf, crlf.substr(0, crlf.size() / 2), crlf + "\x1a\r\n", broken, nul, broken + "x"}) {
        EntityTables t;
        std::string error;
        try {
            ReadDxfText(t, text);
        } catch (const ConversionError& e) {
            error = e.what();
        }
        const std::string expected = Dump(t, error);
        for (std::size_t cut = 1; cut < text.size(); ++cut)
            ASSERT_EQ(ReadInPieces(text, kDxfBufferBytes, cut, text.size()), expected) << "cut after byte " << cut;
        for (std::size_t bufferBytes = 1; bufferBytes <= 9; ++bufferBytes)
            ASSERT_EQ(ReadInPieces(text, bufferBytes, bufferBytes, bufferBytes), expected) << "buffer " << bufferBytes;
        ASSERT_EQ(ReadInPieces(text, 16, 1, 1), expected) << "pieces of a byte";
    }
}

class ReadDxfEntitiesTest : public ::testing::Test {
protected:
    static std::string Fixture(const char* name) { return std::string(VERMIQ_TEST_DATA) + "/dxf/" + name; }

    std::string TempFile(const std::string& contents) {
        path_ = (std::filesystem::temp_directory_path() / ("vermiq_dxf_test_" + std::to_string(counter_++) + ".dxf")).string();
        std::ofstream(path_, std::ios::binary) << contents;
        return path_;
    }

    void TearDown() override {
        if (!path_.empty()) std::filesystem::remove(path_);
    }

    std::string path_;
    static inline int counter_ = 0;
};

TEST_F(ReadDxfEntitiesTest, ReadsFilesOfAnotherWriter) {
    EntityTables t;
    EXPECT_EQ(ReadDxfEntities(t, Fixture("line_3d.dxf")), 1);
    ExpectCounts(t, 1, 0, 0, 0, 0);
    EXPECT_EQ(t.LineTable[0].Start.Z, 5.0);
    EXPECT_EQ(t.LineTable[0].End.Z, -7.0);
    EXPECT_EQ(t.LayerName(t.LineTable[0].Layer), "外形");

    EXPECT_EQ(ReadDxfEntities(t, Fixture("block_and_line.dxf")), 1);
    ExpectCounts(t, 1, 0, 0, 0, 0);
    EXPECT_GT(t.StyleCount(), 0);
    EXPECT_EQ(LookupStyleHeight(t, "Standard"), 0.0);

    ReadDxfEntities(t, Fixture("text_only.dxf"));
    ExpectCounts(t, 0, 1, 0, 0, 0);
    EXPECT_EQ(t.TextTable[0].Text, "φ寸法");
    EXPECT_EQ(t.TextTable[0].Height, 2.5);
}

TEST_F(ReadDxfEntitiesTest, NoFileIsNoError) {
    EntityTables t;
    ReadDxfEntities(t, Fixture("line_3d.dxf"));
    EXPECT_EQ(ReadDxfEntities(t, Fixture("no such file.dxf")), 0);
    ExpectCounts(t, 0, 0, 0, 0, 0);
    EXPECT_EQ(ReadDxfEntities(t, std::string(VERMIQ_TEST_DATA) + "/dxf"), 0) << "a folder is no file";
}

TEST_F(ReadDxfEntitiesTest, ConversionErrorFromAFile) {
    EntityTables t;
    const std::string path = TempFile("  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n 10\r\n0.5\r\n20 \r\n1\r\n");
    try {
        ReadDxfEntities(t, path);
        FAIL() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(std::string(e.what()), "'20 ' は整数ではありません");
    }
    EXPECT_EQ(t.LineTable.at(0).Start.X, 0.5);
}

// A file that another program holds open without sharing, as the CAD may while it writes; on
// Linux one without read permission (for root, which reads any file, a write-only kernel file).
TEST_F(ReadDxfEntitiesTest, FileThatCannotBeOpenedNamesPathAndReason) {
    std::string path = TempFile(EntitiesText(kLine));
#ifdef _WIN32
    std::FILE* holder = _fsopen(path.c_str(), "r+b", _SH_DENYRW);
    ASSERT_NE(holder, nullptr);
#else
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (geteuid() == 0) path = "/proc/sys/vm/compact_memory";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no unreadable file here";
#endif
    EntityTables t;
    try {
        ReadDxfEntities(t, path);
        ADD_FAILURE() << "no error";
    } catch (const FileOpenError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
        EXPECT_NE(message.find("開けません"), std::string::npos) << message;
        EXPECT_EQ(message.back(), ')') << message;
    }
    ExpectCounts(t, 0, 0, 0, 0, 0);
#ifdef _WIN32
    std::fclose(holder);
#endif
}

} // namespace
} // namespace vermiq
