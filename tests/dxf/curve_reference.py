#!/usr/bin/env python3
"""Reference lengths of the first ELLIPSE or SPLINE in the ENTITIES section of DXF files, at 30
significant digits with mpmath, independent of the project's code: its own pair reader, the
B-spline basis by the Cox-de Boor recursion (not de Boor's point algorithm) and mpmath's
tanh-sinh quadrature. The measuring tests take their expected values for these curves from here.
With --area, the area the curve encloses instead: a whole ellipse's πab, a closed spline's by
Green's theorem (half the integral of x dy - y dx around it) with the same basis and quadrature.

usage: curve_reference.py [--area] FILE...    (needs mpmath; prints FILE KIND LENGTH-OR-AREA)"""
import re
import sys

from mpmath import mp, mpf, quad, sqrt, cos, sin, fsum

mp.dps = 40


def pairs(path):
    with open(path, "rb") as f:
        text = f.read().split(b"\0")[0].decode("latin-1")
    lines = re.split("\r\n|\r|\n", text)
    for k in range(0, len(lines) - 1, 2):
        yield int(lines[k].strip()), lines[k + 1]


def first_curves(path):
    """The first ELLIPSE and SPLINE records of the ENTITIES section, as lists of (code, value)."""
    found, current, in_entities = {}, None, False
    for code, value in pairs(path):
        if code == 2 and value == "ENTITIES":
            in_entities = True
        if not in_entities:
            continue
        if code == 0:
            current = None
            if value == "ENDSEC":
                break
            if value in ("ELLIPSE", "SPLINE") and value not in found:
                current = found[value] = []
            continue
        if current is not None:
            current.append((code, value))
    return found


def ellipse_length(tags):
    v = {c: mpf(x) for c, x in tags if c in (11, 21, 31, 40, 41, 42, 210, 220, 230)}
    m = [v.get(11, 0), v.get(21, 0), v.get(31, 0)]
    n = [v.get(210, 0), v.get(220, 0), v.get(230, 1)]
    norm = sqrt(fsum(c * c for c in n))
    n = [c / norm for c in n]
    ratio = v.get(40, 1)
    minor = [ratio * (n[1] * m[2] - n[2] * m[1]), ratio * (n[2] * m[0] - n[0] * m[2])]
    start, end = v.get(41, 0), v.get(42, 2 * mp.pi)
    if end < start:
        end += 2 * mp.pi
    speed = lambda t: sqrt((minor[0] * cos(t) - m[0] * sin(t)) ** 2 + (minor[1] * cos(t) - m[1] * sin(t)) ** 2)
    cuts = [start + (end - start) * k / 8 for k in range(9)]
    return quad(speed, cuts)


def basis(knots, i, p, t):
    """N_{i,p}(t) and its derivative by the Cox-de Boor recursion, on the half-open spans."""
    if p == 0:
        return (mpf(1) if knots[i] <= t < knots[i + 1] else mpf(0)), mpf(0)
    n1, d1 = basis(knots, i, p - 1, t)
    n2, d2 = basis(knots, i + 1, p - 1, t)
    a = knots[i + p] - knots[i]
    b = knots[i + p + 1] - knots[i + 1]
    value = (t - knots[i]) / a * n1 if a else 0
    deriv = (n1 + (t - knots[i]) * d1) / a if a else 0
    if b:
        value += (knots[i + p + 1] - t) / b * n2
        deriv += (-n2 + (knots[i + p + 1] - t) * d2) / b
    return value, deriv


def ellipse_area(tags):
    v = {c: mpf(x) for c, x in tags if c in (11, 21, 31, 40)}
    major = sqrt(v.get(11, 0) ** 2 + v.get(21, 0) ** 2 + v.get(31, 0) ** 2)
    return mp.pi * major * major * v.get(40, 1)


def spline_length(tags, area=False):
    degree = int(next(x for c, x in tags if c == 71))
    knots = [mpf(x) for c, x in tags if c == 40]
    weights = [mpf(x) for c, x in tags if c == 41]
    points = []
    for c, x in tags:
        if c == 10:
            points.append([mpf(x), mpf(0)])
        elif c == 20:
            points[-1][1] = mpf(x)
    n = len(points)
    assert len(knots) == n + degree + 1, "knot count"
    w = weights or [mpf(1)] * n

    def speed(t):
        s = [mpf(0)] * 6  # x, y, w and their derivatives
        for j in range(n):
            b, db = basis(knots, j, degree, t)
            if b == 0 and db == 0:
                continue
            for k, value in enumerate((points[j][0] * w[j], points[j][1] * w[j], w[j])):
                s[k] += b * value
                s[3 + k] += db * value
        x, y, h, dx, dy, dh = s
        vx, vy = (dx * h - x * dh) / h ** 2, (dy * h - y * dh) / h ** 2
        if area:
            return (x / h * vy - y / h * vx) / 2
        return sqrt(vx ** 2 + vy ** 2)

    total = mpf(0)
    for i in range(degree, n):
        if knots[i + 1] > knots[i]:
            total += quad(speed, [knots[i], knots[i + 1]])
    return abs(total) if area else total


def main():
    area = sys.argv[1:2] == ["--area"]
    for path in sys.argv[2 if area else 1:]:
        curves = first_curves(path)
        kind = "SPLINE" if "SPLINE" in curves else "ELLIPSE" if "ELLIPSE" in curves else None
        if kind is None:
            print(path, "none")
            continue
        if area:
            length = spline_length(curves[kind], True) if kind == "SPLINE" else ellipse_area(curves[kind])
        else:
            length = spline_length(curves[kind]) if kind == "SPLINE" else ellipse_length(curves[kind])
        print(path, kind, mp.nstr(length, 30))


if __name__ == "__main__":
    main()
