#!/usr/bin/python3
"""Writes the DXF fixtures of the dxf tests with ezdxf, an independent DXF writer, so that the
reader is checked against files it did not shape. Run from anywhere; the files land beside
this script. The outputs are committed; rerun only to change them."""
import os
import ezdxf

here = os.path.dirname(os.path.abspath(__file__))


def new_doc():
    doc = ezdxf.new("R2000")
    doc.header["$DWGCODEPAGE"] = "ANSI_932"
    return doc


def save(doc, name, crlf=False):
    path = os.path.join(here, name)
    doc.saveas(path, encoding="cp932")
    if crlf:
        with open(path, "rb") as f:
            data = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        with open(path, "wb") as f:
            f.write(data)


doc = new_doc()
doc.modelspace().add_line((0, 0, 5), (3, 4, -7), dxfattribs={"layer": "外形"})
save(doc, "line_3d.dxf", crlf=True)

doc = new_doc()
doc.modelspace().add_arc(center=(1, 2), radius=10, start_angle=0, end_angle=90)
save(doc, "arc_quarter.dxf")

doc = new_doc()
doc.modelspace().add_lwpolyline([(0, 0), (10, 0), (10, 10), (0, 10)], close=True)
save(doc, "lwpolyline_closed_square.dxf")

doc = new_doc()
doc.modelspace().add_lwpolyline([(0, 0, 1), (10, 0, 0)], format="xyb")
save(doc, "lwpolyline_bulge.dxf")

doc = new_doc()
doc.modelspace().add_text("φ寸法", dxfattribs={"height": 2.5})
save(doc, "text_only.dxf")

# A closed 2D POLYLINE with VERTEX records and a bulge: (0,0) -> (10,0) straight, (10,0) ->
# (10,10) a half circle, (10,10) -> (0,10) straight, closing (0,10) -> (0,0).
doc = new_doc()
doc.modelspace().add_polyline2d([(0, 0, 0, 0, 0), (10, 0, 0, 0, 1), (10, 10, 0, 0, 0), (0, 10, 0, 0, 0)],
                                format="xyseb", close=True)
save(doc, "polyline_closed_bulge.dxf")

# The same LINE inside a block definition and in the entities: only the second counts.
doc = new_doc()
block = doc.blocks.new("PART")
block.add_line((0, 0), (100, 0))
block.add_circle((0, 0), 50)
doc.modelspace().add_line((0, 0), (6, 8))
save(doc, "block_and_line.dxf")

# An ellipse arc followed by a rational cubic spline; the spline, measured last, decides.
doc = new_doc()
msp = doc.modelspace()
msp.add_ellipse((5, 5), major_axis=(4, 2), ratio=0.5, start_param=5.5, end_param=0.5)
msp.add_rational_spline([(0, 0), (2, 5), (6, -3), (9, 4), (12, 0)], weights=[1, 2, 0.5, 3, 1], degree=3)
save(doc, "ellipse_spline.dxf")

# A closed rational cubic spline as a CAD writes a closed spline: periodic, its first three
# control points repeated at its end, uniform knots; then an open line. The spline decides, and
# with the area asked for its area is labelled.
doc = new_doc()
msp = doc.modelspace()
loop = [(100, 50), (160, 40), (190, 90), (150, 150), (90, 140), (60, 90)]
loop_weights = [1, 2, 0.5, 1.5, 1, 3]
spline = msp.add_spline(dxfattribs={"degree": 3, "flags": 11})
spline.control_points = loop + loop[:3]
spline.weights = loop_weights + loop_weights[:3]
spline.knots = list(range(len(loop) + 3 + 4))
msp.add_line((0, 0), (30, 40))
save(doc, "spline_closed.dxf")

# The same line in a binary DXF, which the reader does not take.
doc = new_doc()
doc.modelspace().add_line((0, 0), (6, 8))
doc.saveas(os.path.join(here, "line_binary.dxf"), fmt="bin")
