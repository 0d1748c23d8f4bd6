#!/usr/bin/python3
"""Prints one line per label the demo drew: the element, its length, the label text, the point,
its rotation in the world (degrees counter-clockwise) and its layer when not "0".

The length is measured independently of the run: each element of the demo drawing is written
to a DXF file by ezdxf and read by the native dxflen. With SIDES, the labels after those of the
elements before it belong to the sides of that element (numbered from 1), each side measured on
its own in the same way.
usage: demo_report.py DRAWING STATE DXFLEN [SIDES]
"""
import os
import subprocess
import sys
import tempfile

import ezdxf


def entities(path):
    with open(path, encoding="cp932") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                yield line


def write_dxf(entity, path):
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    words = entity.split()
    kind = words[0].upper()
    pt = lambda w: tuple(float(v) for v in w.split(","))
    if kind == "LINE":
        msp.add_line(pt(words[1]), pt(words[2]))
    elif kind == "ARC":
        msp.add_arc(pt(words[1]), float(words[2]), float(words[3]), float(words[4]))
    elif kind == "CIRCLE":
        msp.add_circle(pt(words[1]), float(words[2]))
    elif kind in ("LWPOLYLINE", "POLYLINE"):
        closed = words[1].upper() == "CLOSED"
        vertices = [pt(w) for w in words[2 if closed else 1:]]
        points = [(v[0], v[1], 0, 0, v[2] if len(v) > 2 else 0) for v in vertices]
        msp.add_lwpolyline(points, format="xyseb", close=closed)
    elif kind == "ELLIPSE":
        msp.add_ellipse(pt(words[1]), pt(words[2]), float(words[3]), float(words[4]), float(words[5]))
    elif kind == "SPLINE":
        at = [w.upper() for w in words].index("KNOTS") if "KNOTS" in (w.upper() for w in words) else len(words)
        vertices = [pt(w) for w in words[2:at]]
        knots = [float(k) for k in words[at + 1:]] or None
        if any(len(v) > 2 for v in vertices):
            msp.add_rational_spline([v[:2] for v in vertices], [v[2] if len(v) > 2 else 1.0 for v in vertices],
                                    degree=int(words[1]), knots=knots)
        else:
            msp.add_open_spline(vertices, degree=int(words[1]), knots=knots)
    doc.saveas(path)


def sides_of(element):
    """The sides of a polyline line of the drawing, each as a drawing line of its own."""
    words = element.split()
    closed = words[1].upper() == "CLOSED"
    vertices = [w.split(",") for w in words[2 if closed else 1:]]
    count = len(vertices) if closed else len(vertices) - 1
    sides = []
    for k in range(count):
        a, b = vertices[k], vertices[(k + 1) % len(vertices)]
        bulge = f",{a[2]}" if len(a) > 2 else ""
        sides.append(f"LWPOLYLINE {a[0]},{a[1]}{bulge} {b[0]},{b[1]}")
    return sides


def main():
    drawing, state, dxflen = sys.argv[1:4]
    elements = [e for e in entities(drawing) if not e.upper().startswith("MTEXT")]
    targets = list(elements)
    factor = float(sys.argv[5]) if len(sys.argv) > 5 else None
    if len(sys.argv) > 4:
        sided = int(sys.argv[4]) - 1
        targets = elements[:sided] + [f"{side}  (side {k + 1} of element {sided + 1})"
                                      for k, side in enumerate(sides_of(elements[sided]))]
        if factor is not None:
            targets.append(f"{elements[sided]}  (area of element {sided + 1})")
    labels = []
    layer = "0"
    with open(state, encoding="cp932") as f:
        for line in f:
            if line.startswith("LAYER "):
                layer = line.rstrip("\n")[6:]
            if line.startswith("MTEXT "):
                # MTEXT x,y height width just rotation text
                head = line.rstrip("\n").split(" ", 6)
                labels.append((head[1], head[5], head[6], layer))
    with tempfile.TemporaryDirectory() as tmp:
        for i, (point, rotation, text, on) in enumerate(labels):
            element = targets[i] if i < len(targets) else "?"
            length = "?"
            if element != "?":
                path = os.path.join(tmp, f"e{i}.dxf")
                write_dxf(element.split("  (")[0], path)
                area = "(area of element" in element
                flags = ["--area"] if area else []
                length = subprocess.run([dxflen, *flags, path], capture_output=True, text=True).stdout.strip()
                if factor is not None and length != "none":
                    length = repr(float(length) * (factor * factor if area else factor))
            turned = f"  rotated {rotation}" if rotation != "0" else ""
            layered = f"  on layer {on}" if on != "0" else ""
            print(f"label {i + 1}: {element}  length {length}  text '{text}'  at {point}{turned}{layered}")
    if not labels:
        print("no label was drawn")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
