// The project's own DXF reader takes every kind of entity the stand-in exports, with the same
// coordinates: the two sides of the export meet as the tool needs them to.
#include "dxf/reader.h"
#include "standin/drawing.h"
#include "standin/dxf_writer.h"

#include <gtest/gtest.h>

namespace standin {
namespace {

Drawing AllKinds() { return Drawing::Load(std::string(VERMIQ_TEST_DATA) + "/standin/all_kinds.drawing"); }

vermiq::EntityTables Read(const Entity& e, int decimals = 16) {
    vermiq::EntityTables tables;
    vermiq::ReadDxfText(tables, WriteDxf({&e}, decimals));
    return tables;
}

TEST(ReaderInterop, EachKindAloneLandsInItsTable) {
    Drawing d = AllKinds();
    for (const Entity& e : d.Entities()) {
        vermiq::EntityTables t = Read(e);
        int expected[7] = {e.kind == EntityKind::Line, e.kind == EntityKind::Mtext, e.kind == EntityKind::Arc,
                           e.kind == EntityKind::Circle,
                           e.kind == EntityKind::LwPolyline || e.kind == EntityKind::Polyline,
                           e.kind == EntityKind::Ellipse, e.kind == EntityKind::Spline};
        int counts[7] = {t.LineCount(), t.TextCount(), t.ArcCount(), t.CircleCount(), t.PolylineCount(),
                         t.EllipseCount(), t.SplineCount()};
        for (int k = 0; k < 7; ++k) EXPECT_EQ(counts[k], expected[k]) << d.Format();
        EXPECT_EQ(t.StyleCount(), 1);
        switch (e.kind) {
        case EntityKind::Line:
            EXPECT_EQ(t.LineTable[0].Start.X, e.start.x);
            EXPECT_EQ(t.LineTable[0].Start.Y, e.start.y);
            EXPECT_EQ(t.LineTable[0].End.X, e.end.x);
            EXPECT_EQ(t.LineTable[0].End.Y, e.end.y);
            break;
        case EntityKind::Arc:
            EXPECT_NEAR(t.ArcTable[0].Radius, e.radius, 1e-15 * e.radius);
            EXPECT_EQ(t.ArcTable[0].StartAngle, e.startAngle);
            EXPECT_EQ(t.ArcTable[0].EndAngle, e.endAngle);
            EXPECT_EQ(t.ArcTable[0].Centre.Y, e.centre.y);
            break;
        case EntityKind::Circle:
            EXPECT_NEAR(t.CircleTable[0].Radius, e.radius, 1e-15);
            EXPECT_NEAR(t.CircleTable[0].Centre.X, e.centre.x, 1e-15);
            break;
        case EntityKind::LwPolyline:
        case EntityKind::Polyline: {
            // A mirrored polyline is written in its own coordinates, X against the world's.
            const vermiq::PolylineRec& p = t.PolylineTable[0];
            EXPECT_EQ(p.Closed(), e.closed);
            EXPECT_EQ(p.Extrusion.Z, e.mirrored ? -1.0 : 1.0);
            EXPECT_EQ(p.Extrusion.X, 0.0);
            const double sense = e.mirrored ? -1 : 1;
            ASSERT_EQ(p.Vertices.size(), e.vertices.size());
            for (size_t i = 0; i < p.Vertices.size(); ++i) {
                EXPECT_EQ(p.Vertices[i].X, sense * e.vertices[i].x);
                EXPECT_EQ(p.Vertices[i].Y, e.vertices[i].y);
                EXPECT_EQ(p.Vertices[i].Bulge, sense * e.vertices[i].bulge);
            }
            break;
        }
        case EntityKind::Ellipse:
            EXPECT_EQ(t.EllipseTable[0].Centre.X, e.centre.x);
            EXPECT_EQ(t.EllipseTable[0].MajorAxis.Y, e.majorAxis.y);
            EXPECT_EQ(t.EllipseTable[0].Ratio, e.ratio);
            EXPECT_EQ(t.EllipseTable[0].StartParameter, e.startParameter);
            EXPECT_EQ(t.EllipseTable[0].EndParameter, e.endParameter);
            break;
        case EntityKind::Spline: {
            const vermiq::SplineRec& s = t.SplineTable[0];
            EXPECT_EQ(s.Degree, e.degree);
            EXPECT_EQ(s.Knots, e.knots);
            EXPECT_EQ(s.Weights, e.weights);
            ASSERT_EQ(s.ControlPoints.size(), e.controlPoints.size());
            for (size_t i = 0; i < s.ControlPoints.size(); ++i) {
                EXPECT_EQ(s.ControlPoints[i].X, e.controlPoints[i].x);
                EXPECT_EQ(s.ControlPoints[i].Y, e.controlPoints[i].y);
            }
            break;
        }
        case EntityKind::Mtext:
            EXPECT_EQ(t.TextTable[0].First.X, e.position.x);
            EXPECT_EQ(t.TextTable[0].Height, e.height);
            if (e.text.size() < 200) {
                EXPECT_EQ(t.TextTable[0].Text, e.text);
            }
            break;
        }
    }
}

TEST(ReaderInterop, AtZeroDecimalsTheValuesAreRounded) {
    Entity line;
    line.kind = EntityKind::Line;
    line.start = {1.4, -2.6};
    line.end = {1000.5, 7};
    vermiq::EntityTables t = Read(line, 0);
    ASSERT_EQ(t.LineCount(), 1);
    EXPECT_EQ(t.LineTable[0].Start.X, 1);
    EXPECT_EQ(t.LineTable[0].Start.Y, -3);
    EXPECT_EQ(t.LineTable[0].End.Y, 7);
}

} // namespace
} // namespace standin
