// The stand-in's drawing format, its geometry, and the form of the DXF it writes.
#include "standin/drawing.h"
#include "standin/dxf_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <sstream>

namespace standin {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(DrawingFormat, EveryKindReadsBackAsWritten) {
    Drawing d = Drawing::Load(std::string(VERMIQ_TEST_DATA) + "/standin/all_kinds.drawing");
    ASSERT_EQ(d.Entities().size(), 14u);
    EXPECT_EQ(Drawing::Parse(d.Format()).Entities(), d.Entities());
    const Entity& arc = d.Entities()[1];
    EXPECT_EQ(arc.kind, EntityKind::Arc);
    EXPECT_EQ(arc.radius, 33.3333333333333);
    const Entity& lw = d.Entities()[3];
    EXPECT_TRUE(lw.closed);
    EXPECT_EQ(lw.vertices[1], (Vertex{300, 0, 0.5}));
    EXPECT_EQ(lw.vertices[2], (Vertex{300, 100, -0.25}));
    EXPECT_EQ(d.Entities()[5].kind, EntityKind::Polyline);
    const Entity& label = d.Entities()[8];
    EXPECT_EQ(label.text, "    3ｍ");
    EXPECT_EQ(label.attachment, 7);
    EXPECT_EQ(label.rotation, 30);
    const Entity& ellipse = d.Entities()[10];
    EXPECT_EQ(ellipse.kind, EntityKind::Ellipse);
    EXPECT_EQ(ellipse.majorAxis, (Point{-120.5, 40.25}));
    EXPECT_EQ(ellipse.ratio, 0.3333333333333333);
    EXPECT_EQ(ellipse.endParameter, 0.75);
    const Entity& spline = d.Entities()[11];
    EXPECT_EQ(spline.degree, 3);
    EXPECT_EQ(spline.controlPoints[4], (Point{170, 300}));
    EXPECT_EQ(spline.weights, (std::vector<double>{1, 0.5, 2.25, 1, 1}));
    EXPECT_EQ(spline.knots, (std::vector<double>{0, 0, 0, 0, 0.4, 1.75, 1.75, 1.75, 1.75}));
    EXPECT_EQ(Drawing::Parse("SPLINE 2 0,0 1,1 2,0 3,1").Entities()[0].knots,
              (std::vector<double>{0, 0, 0, 1, 2, 2, 2})) << "clamped and uniform without KNOTS";
    EXPECT_TRUE(d.Entities()[12].mirrored && d.Entities()[12].closed);
    EXPECT_TRUE(d.Entities()[13].mirrored && !d.Entities()[13].closed);
    EXPECT_EQ(d.Entities()[9].layer, "0");
    EXPECT_EQ(d.Entities()[10].layer, "水路・表示 1");
}

TEST(DrawingFormat, NumbersKeepEveryBit) {
    Entity e;
    e.kind = EntityKind::Line;
    e.start = {0.1 + 0.2, -1e-300};
    e.end = {1e22, std::nextafter(1.0, 2.0)};
    Drawing d;
    d.Add(e);
    EXPECT_EQ(Drawing::Parse(d.Format()).Entities()[0], e);
    EXPECT_EQ(FormatNumber(-0.0), "0");
}

TEST(DrawingFormat, RejectsMalformedLinesNamingTheLine) {
    const char* bad[] = {"LINE 0,0", "LINE 0,0 1", "LINE 0;0 1,1", "ARC 0,0 5 0", "ARC 0,0 -5 0 90", "CIRCLE 0,0 0",
                         "LWPOLYLINE 0,0", "POLYLINE CLOSED 0,0", "LWPOLYLINE 0,0 1,1,2,3", "MTEXT 0,0 5 0 XX 0 t",
                         "MTEXT 0,0 5 0 MC", "SPLINE 0,0 1,1", "LINE nan,0 1,1", "LINE inf,0 1,1",
                         "ELLIPSE 0,0 0,0 0.5 0 1", "ELLIPSE 0,0 5,0 1.5 0 1", "ELLIPSE 0,0 5,0 0.5 0",
                         "SPLINE 0 0,0 1,1", "SPLINE 2.5 0,0 1,1 2,2", "SPLINE 3 0,0 1,1 2,2", "SPLINE 1 0,0 1,1,0",
                         "SPLINE 2 0,0 1,1 2,2 KNOTS 0 0 0 1 1", "SPLINE 1 0,0 1,1 KNOTS 0 1 0 1"};
    for (const char* line : bad) {
        try {
            Drawing::Parse(std::string("# first\n\n") + line + "\n");
            ADD_FAILURE() << "accepted: " << line;
        } catch (const FormatError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("line 3:", 0), 0u) << error.what();
        }
    }
}

TEST(Geometry, BulgedSegmentPassesThroughItsArc) {
    // A bulge of 1 is a half circle; counter-clockwise from (0,0) to (10,0) it dips below.
    Entity e;
    e.kind = EntityKind::LwPolyline;
    e.vertices = {{0, 0, 1}, {10, 0, 0}};
    std::vector<Point> outline = Outline(e, 0.01);
    EXPECT_EQ(outline.front(), (Point{0, 0}));
    EXPECT_EQ(outline.back(), (Point{10, 0}));
    double lowest = 0;
    for (Point p : outline) {
        EXPECT_NEAR(std::hypot(p.x - 5, p.y), 5, 1e-9);
        lowest = std::min(lowest, p.y);
    }
    EXPECT_NEAR(lowest, -5, 1e-3);
    // Negative: clockwise, above the chord.
    e.vertices[0].bulge = -1;
    double highest = 0;
    for (Point p : Outline(e, 0.01)) highest = std::max(highest, p.y);
    EXPECT_NEAR(highest, 5, 1e-3);
}

TEST(Geometry, ArcCrossingZeroAndClosedShapes) {
    Drawing d = Drawing::Parse("ARC 0,0 10 350 10\nCIRCLE 100,0 5\nLWPOLYLINE CLOSED 0,50 10,50 10,60\n");
    std::vector<Point> arc = Outline(d.Entities()[0]);
    EXPECT_NEAR(arc.front().y, 10 * std::sin(-10 * std::numbers::pi / 180), 1e-9);
    EXPECT_NEAR(arc.back().y, 10 * std::sin(10 * std::numbers::pi / 180), 1e-9);
    for (Point p : arc) EXPECT_GT(p.x, 9.8); // the short way round
    std::vector<Point> circle = Outline(d.Entities()[1]);
    EXPECT_NEAR(circle.front().x, circle.back().x, 1e-9);
    std::vector<Point> triangle = Outline(d.Entities()[2]);
    EXPECT_EQ(triangle.size(), 4u);
    EXPECT_EQ(triangle.front(), triangle.back());
}

TEST(Geometry, EllipseArcAndSplineOutlines) {
    // A 4 by 2 ellipse whose major axis points up, so its minor axis points left: from the
    // start parameter 3π/2 (its right end) round through 0 (the top) to π/2, the upper half.
    Drawing d = Drawing::Parse("ELLIPSE 10,20 0,4 0.5 4.71238898038469 1.5707963267948966\n"
                               "SPLINE 3 0,0 10,10,3 20,-10 30,0\nSPLINE 1 0,0 5,0 5,5\n");
    std::vector<Point> ellipse = Outline(d.Entities()[0]);
    EXPECT_NEAR(ellipse.front().x, 12, 1e-9);
    EXPECT_NEAR(ellipse.back().x, 8, 1e-9);
    for (Point p : ellipse) {
        EXPECT_GE(p.y, 20 - 1e-9);
        EXPECT_NEAR((p.x - 10) * (p.x - 10) / 4 + (p.y - 20) * (p.y - 20) / 16, 1, 1e-9);
    }
    std::vector<Point> cubic = Outline(d.Entities()[1]);
    EXPECT_EQ(cubic.front(), (Point{0, 0})); // clamped: through the end control points
    EXPECT_NEAR(cubic.back().x, 30, 1e-12);
    std::vector<Point> polygon = Outline(d.Entities()[2]); // degree 1: the control polygon
    EXPECT_EQ(polygon.size(), 65u);
    EXPECT_EQ(polygon.back(), (Point{5, 5}));
    for (Point p : polygon) EXPECT_TRUE(p.y == 0 || p.x == 5) << p.x << "," << p.y;
}

TEST(Geometry, HitTestFindsTheTopmostWithinTolerance) {
    Drawing d = Drawing::Parse("LINE 0,0 100,0\nCIRCLE 50,0 10\nMTEXT 200,200 10 0 MC 0 ABCD\n");
    EXPECT_EQ(d.HitTest({20, 0.5}, 1), 0);
    EXPECT_EQ(d.HitTest({20, 2}, 1), -1);
    EXPECT_EQ(d.HitTest({60, 0}, 1), 1); // both pass there; the later one is on top
    EXPECT_EQ(d.HitTest({50, 0}, 1), 0); // the circle's centre is not the circle
    EXPECT_EQ(d.HitTest({200, 200}, 0), 2);
    EXPECT_EQ(d.HitTest({215, 200}, 0), -1); // four characters of 0.6 height: 12 each side
}

TEST(Geometry, BoundsCoverOutlinesAndLabels) {
    Drawing d = Drawing::Parse("ARC 0,0 10 0 180\nMTEXT 100,50 10 0 BL 0 AB\n");
    Extents e = d.Bounds();
    EXPECT_NEAR(e.min.x, -10, 1e-9);
    EXPECT_NEAR(e.min.y, 0, 1e-9);
    EXPECT_NEAR(e.max.x, 112, 1e-9); // two characters of 6 from the bottom left
    EXPECT_NEAR(e.max.y, 60, 1e-9);
}

// ---- the form of the DXF file

TEST(DxfForm, GroupCodesRightAlignedAndRealsWithTheRequestedDecimals) {
    Drawing d = Drawing::Load(std::string(VERMIQ_TEST_DATA) + "/standin/all_kinds.drawing");
    std::vector<const Entity*> all;
    for (const Entity& e : d.Entities()) all.push_back(&e);
    for (int decimals : {0, 5, 16}) {
        std::string dxf = WriteDxf(all, decimals);
        ASSERT_EQ(dxf.find('\n'), dxf.find("\r\n") + 1) << "lines end with CR LF";
        std::vector<std::string> lines = Lines(dxf);
        ASSERT_EQ(lines.size() % 2, 0u);
        EXPECT_EQ(lines[lines.size() - 2], "  0");
        EXPECT_EQ(lines.back(), "EOF");
        std::set<std::string> handles;
        for (size_t i = 0; i < lines.size(); i += 2) {
            const std::string& code = lines[i];
            ASSERT_EQ(code.size(), 3u) << "pair " << i / 2;
            int value = std::stoi(code);
            EXPECT_EQ(code, std::string(3 - std::to_string(value).size(), ' ') + std::to_string(value));
            const std::string& v = lines[i + 1];
            bool real = (value >= 10 && value <= 59) || (value >= 140 && value <= 147);
            if (real) {
                size_t point = v.find('.');
                if (decimals == 0) {
                    EXPECT_EQ(point, std::string::npos) << v;
                } else {
                    EXPECT_EQ(v.size() - point - 1, static_cast<size_t>(decimals)) << v;
                }
            }
            if (value == 5 || value == 105) {
                EXPECT_TRUE(handles.insert(v).second) << "handle " << v << " twice";
            }
        }
    }
}

TEST(DxfForm, SectionsStyleAndCodePage) {
    std::string dxf = WriteDxf({}, 16);
    size_t at = 0;
    for (const char* section : {"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS"}) {
        size_t found = dxf.find(std::string("  0\r\nSECTION\r\n  2\r\n") + section + "\r\n", at);
        ASSERT_NE(found, std::string::npos) << section;
        at = found;
    }
    EXPECT_NE(dxf.find("  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n"), std::string::npos);
    EXPECT_NE(dxf.find("  9\r\n$DWGCODEPAGE\r\n  3\r\nANSI_932\r\n"), std::string::npos);
    EXPECT_NE(dxf.find("  0\r\nSTYLE\r\n"), std::string::npos);
    EXPECT_NE(dxf.find("  2\r\nStandard\r\n"), std::string::npos);
}

TEST(DxfForm, LongLabelTextSplitsIntoChunksBetweenCharacters) {
    Entity label;
    label.kind = EntityKind::Mtext;
    label.height = 1;
    label.text = "A";
    for (int i = 0; i < 300; ++i) label.text += "あ"; // 601 bytes: a chunk of 250 would split a character
    std::vector<std::string> lines = Lines(WriteDxf({&label}, 4));
    size_t i = 0;
    while (i + 1 < lines.size() && !(lines[i] == "  0" && lines[i + 1] == "MTEXT")) i += 2;
    std::string joined;
    int chunks = 0;
    for (i += 2; i + 1 < lines.size() && lines[i] != "  0"; i += 2) {
        if (lines[i] != "  3" && lines[i] != "  1") continue;
        EXPECT_LE(lines[i + 1].size(), 250u);
        EXPECT_EQ(lines[i] == "  1", joined.size() + lines[i + 1].size() == label.text.size()) << "code 1 comes last";
        joined += lines[i + 1];
        ++chunks;
    }
    EXPECT_EQ(chunks, 3);
    EXPECT_EQ(joined, label.text);
}

} // namespace
} // namespace standin
