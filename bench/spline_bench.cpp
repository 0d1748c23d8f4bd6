// Spline measuring benchmark: cubic splines of 1 000 to 1 000 000 control points, clamped knots,
// measured from their records, and read from DXF text and measured, printing the time per control
// point, which stays flat if the work is linear. Three kinds of curve: a smooth wander (each
// point turns the way by at most 0.3 radians), the same with weights, and a zigzag whose spans
// come close to cusps, where the quadrature has to bisect. Times are the process's CPU time, so
// that other work on the machine does not count.
//
//   spline_bench
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "dxf/curve_length.h"
#include "dxf/measure.h"
#include "dxf/reader.h"

namespace {

// <chrono> cannot be used here: its "µs" literal does not exist in code page 932.
double Now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

enum class Kind { Smooth, Rational, Zigzag };
const char* const kKindNames[] = {"smooth", "rational", "zigzag"};

vermiq::SplineRec MakeSpline(int points, Kind kind) {
    vermiq::SplineRec s;
    s.Degree = 3;
    s.Flags = kind == Kind::Rational ? 12 : 8;
    std::mt19937_64 random(static_cast<unsigned>(points));
    std::uniform_real_distribution<double> step(-1.0, 1.0);
    std::uniform_real_distribution<double> weight(0.5, 2.0);
    double x = 1000, y = 1000, way = 0;
    for (int i = 0; i < points; ++i) {
        s.ControlPoints.push_back({x, y, 0});
        if (kind == Kind::Rational) s.Weights.push_back(weight(random));
        if (kind == Kind::Zigzag) {
            x += 1 + step(random);
            y += 3 * step(random);
        } else {
            way += 0.3 * step(random);
            const double length = 1.5 + 0.5 * step(random);
            x += length * std::cos(way);
            y += length * std::sin(way);
        }
    }
    for (int k = 0; k < points + 4; ++k) s.Knots.push_back(std::clamp(k - 3, 0, points - 3));
    return s;
}

std::string DxfText(const vermiq::SplineRec& s) {
    std::string text = "  0\nSECTION\n  2\nENTITIES\n  0\nSPLINE\n  8\n0\n 70\n" + std::to_string(s.Flags) + "\n 71\n3\n 72\n" +
                       std::to_string(s.Knots.size()) + "\n 73\n" + std::to_string(s.ControlPoints.size()) + "\n";
    char value[160];
    for (double k : s.Knots) {
        std::snprintf(value, sizeof value, " 40\n%.17g\n", k);
        text += value;
    }
    for (std::size_t i = 0; i < s.ControlPoints.size(); ++i) {
        std::snprintf(value, sizeof value, " 10\n%.16f\n 20\n%.16f\n 30\n0.0\n", s.ControlPoints[i].X, s.ControlPoints[i].Y);
        text += value;
        if (!s.Weights.empty()) {
            std::snprintf(value, sizeof value, " 41\n%.16f\n", s.Weights[i]);
            text += value;
        }
    }
    return text + "  0\nENDSEC\n  0\nEOF\n";
}

} // namespace

int main() {
    std::printf("cubic splines, clamped knots; CPU time, best of several runs (one run at 1 000 000 points)\n\n");
    std::printf("%10s %-9s %12s %14s %12s %14s %10s  %s\n", "points", "kind", "measure ms", "ns per point", "read+meas ms",
                "ns per point", "DXF MB", "length");
    for (const Kind kind : {Kind::Smooth, Kind::Rational, Kind::Zigzag}) {
        for (const int points : {1000, 10000, 100000, 1000000}) {
            const vermiq::SplineRec spline = MakeSpline(points, kind);
            const int runs = points >= 1000000 ? 1 : points >= 100000 ? 3 : 10;
            double measure = 1e300;
            long double length = 0;
            for (int run = 0; run < runs; ++run) {
                const double start = Now();
                length = vermiq::SplineLength(spline);
                measure = std::min(measure, Now() - start);
            }
            const std::string text = DxfText(spline);
            double whole = 1e300;
            double measured = 0;
            for (int run = 0; run < runs; ++run) {
                const double start = Now();
                vermiq::EntityTables tables;
                vermiq::ReadDxfText(tables, text);
                measured = vermiq::MeasuredLength(tables);
                whole = std::min(whole, Now() - start);
            }
            std::printf("%10d %-9s %12.3f %14.1f %12.3f %14.1f %10.1f  %.17g%s\n", points, kKindNames[static_cast<int>(kind)],
                        measure * 1e3, measure * 1e9 / points, whole * 1e3, whole * 1e9 / points,
                        static_cast<double>(text.size()) / 1e6, static_cast<double>(length),
                        measured == static_cast<double>(length) ? "" : "  (read back: differs)");
        }
    }
    return 0;
}
