"""Reads every DXF file the stand-in wrote with ezdxf, an independent reader, and compares
its entities and their coordinates with the .expect file beside it.

Usage: /usr/bin/python3 ezdxf_check.py OUTDIR
An .expect file holds the number of decimals on its first line and then the entities in the
stand-in's drawing format (code page 932)."""
import math
import pathlib
import sys

import ezdxf
from ezdxf.math import Vec3

JUST = ["TL", "TC", "TR", "ML", "MC", "MR", "BL", "BC", "BR"]


def parse_expect(path):
    lines = path.read_bytes().decode("cp932").splitlines()
    decimals = int(lines[0])
    entities = []
    layer = "0"
    for line in lines[1:]:
        words = line.split(" ")
        kind = words[0]
        if kind == "LAYER":  # the entities before it are on the layer before it
            for entity in entities:
                entity.setdefault("layer", layer)
            layer = line.split(" ", 1)[1].strip()
            continue
        if kind == "MTEXT":
            head = line.split(" ", 6)
            x, y = map(float, head[1].split(","))
            entities.append(dict(kind=kind, insert=(x, y), height=float(head[2]), width=float(head[3]),
                                 attachment=JUST.index(head[4]) + 1, rotation=float(head[5]), text=head[6]))
            continue
        if kind == "SPLINE":
            knots_at = [w.upper() for w in words].index("KNOTS")
            points, weights = [], []
            for v in words[2:knots_at]:
                values = [float(n) for n in v.split(",")]
                points.append(values[:2])
                weights.append(values[2] if len(values) > 2 else 1.0)
            entities.append(dict(kind=kind, degree=int(words[1]), points=points,
                                 weights=weights if any(w != 1.0 for w in weights) else [],
                                 knots=[float(k) for k in words[knots_at + 1:]]))
            continue
        if kind in ("LWPOLYLINE", "POLYLINE"):
            closed = words[1] == "CLOSED"
            first = 2 if closed else 1
            mirrored = words[first] == "MIRRORED"
            points = []
            for v in words[first + 1 if mirrored else first:]:
                values = [float(n) for n in v.split(",")]
                points.append((values[0], values[1], values[2] if len(values) > 2 else 0.0))
            entities.append(dict(kind=kind, closed=closed, mirrored=mirrored, points=points))
            continue
        numbers = []
        for w in words[1:]:
            numbers.extend(float(n) for n in w.split(","))
        entities.append(dict(kind=kind, numbers=numbers))
    for entity in entities:
        entity.setdefault("layer", layer)
    return decimals, entities


class Mismatch(Exception):
    pass


def close(a, b, decimals, what):
    tolerance = 0.5 * 10.0 ** -decimals + 1e-9 * max(1.0, abs(b))
    if not math.isclose(a, b, rel_tol=0, abs_tol=tolerance):
        raise Mismatch(f"{what}: read {a!r}, expected {b!r} (±{tolerance:g})")


def compare(entity, expected, decimals):
    kind = entity.dxftype()
    if kind != expected["kind"]:
        raise Mismatch(f"read a {kind}, expected a {expected['kind']}")
    d = entity.dxf
    if d.layer != expected["layer"] or d.layer not in entity.doc.layers:
        raise Mismatch(f"layer {d.layer!r}, expected {expected['layer']!r} in the layer table")
    if kind == "LINE":
        got = [d.start.x, d.start.y, d.end.x, d.end.y]
    elif kind == "CIRCLE":
        got = [d.center.x, d.center.y, d.radius]
    elif kind == "ARC":
        got = [d.center.x, d.center.y, d.radius, d.start_angle, d.end_angle]
    elif kind in ("LWPOLYLINE", "POLYLINE"):
        if kind == "LWPOLYLINE":
            points = list(entity.get_points("xyb"))
            closed = entity.closed
        else:
            if not entity.is_2d_polyline:
                raise Mismatch("the POLYLINE is not a 2D polyline")
            points = [(v.dxf.location.x, v.dxf.location.y, v.dxf.bulge) for v in entity.vertices]
            closed = entity.is_closed
        if closed != expected["closed"]:
            raise Mismatch(f"closed flag {closed}, expected {expected['closed']}")
        # The drawing holds world points; the file holds the polyline's own coordinates, which
        # ezdxf carries into the world by its own rule. Seen from above, a mirrored arc turns
        # the other way.
        extrusion = tuple(d.get("extrusion", (0, 0, 1)))
        if extrusion != ((0, 0, -1) if expected["mirrored"] else (0, 0, 1)):
            raise Mismatch(f"extrusion {extrusion}, mirrored {expected['mirrored']}")
        ocs = entity.ocs()
        sense = -1 if expected["mirrored"] else 1
        points = [(w.x, w.y, sense * b) for w, b in ((Vec3(ocs.to_wcs((x, y, 0))), b) for x, y, b in points)]
        if len(points) != len(expected["points"]):
            raise Mismatch(f"{len(points)} vertices, expected {len(expected['points'])}")
        for i, (p, q) in enumerate(zip(points, expected["points"])):
            for a, b, name in zip(p, q, "xyb"):
                close(a, b, decimals, f"vertex {i + 1} {name}")
        return
    elif kind == "ELLIPSE":
        got = [d.center.x, d.center.y, d.major_axis.x, d.major_axis.y, d.ratio, d.start_param, d.end_param]
    elif kind == "SPLINE":
        if d.degree != expected["degree"]:
            raise Mismatch(f"degree {d.degree}, expected {expected['degree']}")
        if bool(d.flags & 4) != bool(expected["weights"]):
            raise Mismatch(f"flags {d.flags}: rational should be {bool(expected['weights'])}")
        for name, got_list, want_list in (("knot", list(entity.knots), expected["knots"]),
                                          ("weight", list(entity.weights), expected["weights"]),
                                          ("control point", [v for p in entity.control_points for v in (p[0], p[1])],
                                           [v for p in expected["points"] for v in p])):
            if len(got_list) != len(want_list):
                raise Mismatch(f"{len(got_list)} {name} values, expected {len(want_list)}")
            for i, (a, b) in enumerate(zip(got_list, want_list)):
                close(a, b, decimals, f"{name} value {i + 1}")
        return
    elif kind == "MTEXT":
        close(d.insert.x, expected["insert"][0], decimals, "insert x")
        close(d.insert.y, expected["insert"][1], decimals, "insert y")
        close(d.char_height, expected["height"], decimals, "height")
        close(d.width, expected["width"], decimals, "width")
        close(d.get("rotation", 0.0), expected["rotation"], decimals, "rotation")
        if d.attachment_point != expected["attachment"]:
            raise Mismatch(f"attachment {d.attachment_point}, expected {expected['attachment']}")
        if entity.text != expected["text"]:
            raise Mismatch(f"text {entity.text!r}, expected {expected['text']!r}")
        return
    else:
        raise Mismatch(f"unexpected entity {kind}")
    if len(got) != len(expected["numbers"]):
        raise Mismatch(f"{kind} compared with {expected['numbers']}")
    for i, (a, b) in enumerate(zip(got, expected["numbers"])):
        close(a, b, decimals, f"{kind} value {i + 1}")


def main():
    out = pathlib.Path(sys.argv[1])
    failures = 0
    cases = sorted(out.glob("*.expect"))
    if not cases:
        print(f"no cases in {out}")
        return 1
    for expect in cases:
        dxf = expect.with_suffix(".dxf")
        decimals, expected = parse_expect(expect)
        try:
            doc = ezdxf.readfile(str(dxf))
            if doc.dxfversion != "AC1015":
                raise Mismatch(f"version {doc.dxfversion}")
            auditor = doc.audit()
            if auditor.has_errors:
                raise Mismatch("audit: " + "; ".join(e.message for e in auditor.errors))
            entities = list(doc.modelspace())
            if len(entities) != len(expected):
                raise Mismatch(f"{len(entities)} entities, expected {len(expected)}")
            for n, (entity, want) in enumerate(zip(entities, expected)):
                try:
                    compare(entity, want, decimals)
                except Mismatch as m:
                    raise Mismatch(f"entity {n + 1}: {m}")
            if doc.styles.get("Standard") is None:
                raise Mismatch("no text style Standard")
            print(f"ok   {dxf.name}: {len(entities)} entities")
        except (Mismatch, IOError, ezdxf.DXFError) as error:
            failures += 1
            print(f"FAIL {dxf.name}: {error}")
    print(f"{len(cases) - failures} of {len(cases)} files read back as written")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
