#!/usr/bin/python3
"""Prints one line per label the demo drew: the element, its length, the label text, the point,
its rotation in the world (degrees counter-clockwise) and its layer when not "0".

The length is measured independently of the run: each element of the demo drawing is written
to a DXF file by ezdxf and read by the native dxflen. With SIDES, the labels after those of the
elements before it belong to the sides of that element (numbered from 1), each side measured on
its own in the same way.
usage: demo_report.py DRAWING STATE DXFLEN [SIDES]

With --takeoff, prints the take-off table that the run put on the clipboard and checks every
row against the DXF file that the CAD exported, measured here with ezdxf and formulas of its own
(the ellipse's length by numerical integration), none of the tool's code:
usage: demo_report.py --takeoff EXPORT.dxf CLIPBOARD.txt FACTOR DECIMALS
"""
import decimal
import math
import os
import subprocess
import sys
import tempfile

import ezdxf


def entities(path):
    with open(path, encoding="cp932") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#") and not line.upper().startswith("LAYER "):
                yield line


KINDS = {"LINE": "線分", "ARC": "円弧", "CIRCLE": "円", "LWPOLYLINE": "ポリライン", "POLYLINE": "ポリライン",
         "ELLIPSE": "楕円", "SPLINE": "スプライン"}


def simpson(f, a, b, n=20000):
    h = (b - a) / n
    return h / 3 * (f(a) + f(b) + sum((4 if i % 2 else 2) * f(a + i * h) for i in range(1, n)))


def measure(e):
    """The element's length and, when it is closed, its area, seen from above."""
    kind = e.dxftype()
    if kind == "LINE":
        return math.hypot(e.dxf.end.x - e.dxf.start.x, e.dxf.end.y - e.dxf.start.y), None
    if kind == "ARC":
        return e.dxf.radius * math.radians((e.dxf.end_angle - e.dxf.start_angle) % 360), None
    if kind == "CIRCLE":
        return 2 * math.pi * e.dxf.radius, math.pi * e.dxf.radius ** 2
    if kind == "LWPOLYLINE":
        points = list(e.get_points("xyb"))
        pairs = list(zip(points, points[1:] + (points[:1] if e.closed else [])))
        length = twice_area = arcs = 0.0
        for (x1, y1, bulge), (x2, y2, _) in pairs:
            chord = math.hypot(x2 - x1, y2 - y1)
            twice_area += x1 * y2 - x2 * y1
            if bulge:
                theta = 4 * math.atan(abs(bulge))
                radius = chord / (2 * math.sin(theta / 2))
                length += radius * theta
                arcs += math.copysign(radius * radius * (theta - math.sin(theta)) / 2, bulge)
            else:
                length += chord
        return length, abs(twice_area / 2 + arcs) if e.closed else None
    if kind == "ELLIPSE":
        a = math.hypot(e.dxf.major_axis.x, e.dxf.major_axis.y)
        b = a * e.dxf.ratio
        start, end = e.dxf.start_param, e.dxf.end_param
        sweep = (end - start) % (2 * math.pi) or 2 * math.pi
        length = simpson(lambda t: math.hypot(a * math.sin(t), b * math.cos(t)), start, start + sweep)
        return length, math.pi * a * b if math.isclose(sweep, 2 * math.pi) else None
    raise ValueError(f"no independent measure for {kind}")


def rounded(value, decimals):
    return str(decimal.Decimal(repr(value)).quantize(decimal.Decimal(1).scaleb(-decimals), decimal.ROUND_HALF_UP))


def takeoff(export, clipboard, factor, decimals):
    rows, order = {}, []
    for e in ezdxf.readfile(export).modelspace():
        if e.dxftype() not in KINDS:
            continue
        key = (e.dxf.layer, KINDS[e.dxftype()])
        if key not in rows:
            rows[key] = [0, 0.0, None]
            order.append(key)
        length, area = measure(e)
        row = rows[key]
        row[0] += 1
        row[1] += length
        if area is not None:
            row[2] = (row[2] or 0.0) + area
    total = [sum(r[0] for r in rows.values()), sum(r[1] for r in rows.values()),
             sum(r[2] for r in rows.values() if r[2] is not None)]
    if all(r[2] is None for r in rows.values()):
        total[2] = None
    expected = ["画層\t種類\t本数\t延長\t面積"]
    for (layer, kind), (count, length, area) in [(k, rows[k]) for k in order] + [(("合計", ""), total)]:
        cells = [layer, kind, str(count), rounded(length * factor, decimals),
                 "" if area is None else rounded(area * factor * factor, decimals)]
        expected.append("\t".join(cells))
        print(f"  {layer} {kind}: {count}, length {length * factor!r}"
              + ("" if area is None else f", area {area * factor * factor!r}"))
    with open(clipboard, encoding="utf-8", newline="") as f:
        table = f.read()
    print("the table on the clipboard, as a spreadsheet takes it (tabs shown as |):")
    for line in table.split("\r\n")[:-1]:
        print("  " + line.replace("\t", " | "))
    if table == "\r\n".join(expected) + "\r\n":
        print("every cell agrees with the export measured by ezdxf")
        return 0
    print("the table differs from the export measured by ezdxf:\n  " + "\n  ".join(expected))
    return 1


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
    if sys.argv[1] == "--takeoff":
        return takeoff(sys.argv[2], sys.argv[3], float(sys.argv[4]), int(sys.argv[5]))
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
