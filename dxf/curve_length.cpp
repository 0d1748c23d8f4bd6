// Ellipse and spline lengths by adaptive Gauss-Kronrod quadrature of the speed, in long double.
#include "dxf/curve_length.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>
#include <vector>

namespace vermiq {
namespace {

using Wide = long double;
constexpr Wide kPi = std::numbers::pi_v<Wide>;

// The 15-point Kronrod rule on [-1, 1]: the positive nodes (0 last) and their weights; nodes
// 1, 3, 5 and 7 (from 0) are those of the 7-point Gauss rule, whose weights follow.
constexpr std::array<Wide, 8> kNodes = {
    0.991455371120812639206854697526329L, 0.949107912342758524526189684047851L,
    0.864864423359769072789712788640926L, 0.741531185599394439863864773280788L,
    0.586087235467691130294144845693013L, 0.405845151377397166906606412076961L,
    0.207784955007898467600689403773245L, 0.0L};
constexpr std::array<Wide, 8> kKronrodWeights = {
    0.022935322010529224963732008058970L, 0.063092092629978553290700663189204L,
    0.104790010322250183839876322541518L, 0.140653259715525918745189590510238L,
    0.169004726639267902826583426598550L, 0.190350578064785409913256402421014L,
    0.204432940075298892414161999234649L, 0.209482141084727828012999174891714L};
constexpr std::array<Wide, 4> kGaussWeights = {
    0.129484966168869693270611432679082L, 0.279705391489276667901467771423780L,
    0.381830050505118944950369775488975L, 0.417959183673469387755102040816327L};

struct Piece {
    Wide a, b, value, error;
};

template <class Speed>
Piece Kronrod15(const Speed& f, Wide a, Wide b) {
    const Wide centre = (a + b) / 2;
    const Wide half = (b - a) / 2;
    const Wide middle = f(centre);
    Wide kronrod = middle * kKronrodWeights[7];
    Wide gauss = middle * kGaussWeights[3];
    for (std::size_t i = 0; i < 7; ++i) {
        const Wide offset = half * kNodes[i];
        const Wide pair = f(centre - offset) + f(centre + offset);
        kronrod += kKronrodWeights[i] * pair;
        if (i % 2 == 1) gauss += kGaussWeights[i / 2] * pair;
    }
    return {a, b, kronrod * half, std::fabs((kronrod - gauss) * half)};
}

// Enough for a speed that drops to zero inside (a cusp), which needs some thirty bisections
// towards it; and a bound on the work of a piece whose rounding noise never settles.
constexpr int kMaxPieces = 128;

// Bisects the piece of the largest error estimate until the estimates add up to the tolerance,
// relative to the result or to `scale` if larger: an integrand of either sign may add up to
// nearly nothing, whose rounding noise no bisection settles.
template <class Speed>
Wide Integrate(const Speed& f, Wide a, Wide b, Wide scale = 0) {
    std::array<Piece, kMaxPieces> pieces;
    int count = 1;
    pieces[0] = Kronrod15(f, a, b);
    for (;;) {
        Wide value = 0;
        Wide error = 0;
        int worst = 0;
        for (int i = 0; i < count; ++i) {
            value += pieces[i].value;
            error += pieces[i].error;
            if (pieces[i].error > pieces[worst].error) worst = i;
        }
        if (!(error > kCurveRelativeTolerance * std::max(std::fabs(value), scale)) || count == kMaxPieces) return value;
        Piece& piece = pieces[worst];
        const Wide middle = piece.a + (piece.b - piece.a) / 2;
        if (!(middle > piece.a && middle < piece.b)) {
            piece.error = 0; // as fine as the number format goes
            continue;
        }
        const Wide b2 = piece.b;
        piece = Kronrod15(f, piece.a, middle);
        pieces[count++] = Kronrod15(f, middle, b2);
    }
}

// A spline on one knot span [knot i, knot i+1] at a time, for its speed and its points: the
// span's degree + 1 control points in homogeneous form (weight × point, weight), moved so that
// the first lies at the origin (large coordinates then cost no precision in the differences the
// derivative is made of), and the knot differences of de Boor's algorithm inverted once per
// span. Storage is sized by the degree once per spline, so that a long spline allocates nothing
// per span.
class SplineSpan {
public:
    explicit SplineSpan(const SplineRec& spline)
        : spline_(spline), p_(static_cast<std::size_t>(spline.Degree)), x_(p_ + 1), y_(p_ + 1), w_(p_ + 1),
          left_(p_ * (p_ + 1)), inverse_(p_ * (p_ + 1)), sx_(p_ + 1), sy_(p_ + 1), sw_(p_ + 1) {}

    void SetSpan(std::size_t span) {
        const std::vector<double>& knots = spline_.Knots;
        const std::size_t first = span - p_;
        const Point3& origin = spline_.ControlPoints[first];
        offsetX_ = Wide(origin.X) - spline_.ControlPoints[0].X;
        offsetY_ = Wide(origin.Y) - spline_.ControlPoints[0].Y;
        for (std::size_t j = 0; j <= p_; ++j) {
            const Point3& point = spline_.ControlPoints[first + j];
            const Wide w = spline_.Weights.empty() ? Wide(1) : Wide(spline_.Weights[first + j]);
            x_[j] = w * (Wide(point.X) - origin.X);
            y_[j] = w * (Wide(point.Y) - origin.Y);
            w_[j] = w;
        }
        // Level r blends points j - 1 and j (r <= j <= p) over knots first + j to span + 1 + j - r,
        // an interval that holds the whole span and so is never empty.
        for (std::size_t r = 1; r <= p_; ++r) {
            for (std::size_t j = r; j <= p_; ++j) {
                const Wide left = knots[first + j];
                left_[Index(r, j)] = left;
                inverse_[Index(r, j)] = 1 / (Wide(knots[span + 1 + j - r]) - left);
            }
        }
    }

    // |C'(t)|.
    Wide operator()(Wide t) const {
        Wide vx, vy;
        Velocity(t, vx, vy);
        return std::sqrt(vx * vx + vy * vy);
    }

    // C(t), relative to the spline's first control point, and C'(t).
    void Evaluate(Wide t, Wide& px, Wide& py, Wide& vx, Wide& vy) const {
        Velocity(t, vx, vy);
        px = sx_[p_] / sw_[p_] + offsetX_;
        py = sy_[p_] / sw_[p_] + offsetY_;
    }

private:
    std::size_t Index(std::size_t r, std::size_t j) const { return (r - 1) * (p_ + 1) + j; }

    // C'(t) by de Boor's algorithm, with the derivative from the two points of the second-last
    // level, p × (d[p] - d[p-1]) / (knot i+1 - knot i); the last level, the point C(t) in
    // homogeneous form, is left in the scratch.
    void Velocity(Wide t, Wide& vx, Wide& vy) const {
        std::copy(x_.begin(), x_.end(), sx_.begin());
        std::copy(y_.begin(), y_.end(), sy_.begin());
        std::copy(w_.begin(), w_.end(), sw_.begin());
        Wide dx = 0, dy = 0, dw = 0;
        for (std::size_t r = 1; r <= p_; ++r) {
            if (r == p_) {
                const Wide scale = Wide(p_) * inverse_[Index(p_, p_)];
                dx = (sx_[p_] - sx_[p_ - 1]) * scale;
                dy = (sy_[p_] - sy_[p_ - 1]) * scale;
                dw = (sw_[p_] - sw_[p_ - 1]) * scale;
            }
            for (std::size_t j = p_; j >= r; --j) {
                const Wide alpha = (t - left_[Index(r, j)]) * inverse_[Index(r, j)];
                sx_[j] = sx_[j - 1] + alpha * (sx_[j] - sx_[j - 1]);
                sy_[j] = sy_[j - 1] + alpha * (sy_[j] - sy_[j - 1]);
                sw_[j] = sw_[j - 1] + alpha * (sw_[j] - sw_[j - 1]);
            }
        }
        // C = (x, y) / w, so C' = ((dx, dy) w - (x, y) dw) / w².
        const Wide h = sw_[p_];
        vx = (dx * h - sx_[p_] * dw) / (h * h);
        vy = (dy * h - sy_[p_] * dw) / (h * h);
    }

    const SplineRec& spline_;
    std::size_t p_;
    std::vector<Wide> x_, y_, w_, left_, inverse_;
    Wide offsetX_ = 0, offsetY_ = 0; // the span's first control point from the spline's first
    mutable std::vector<Wide> sx_, sy_, sw_; // scratch of one evaluation
};

} // namespace

bool IsCurve(const SplineRec& spline) {
    if (spline.Degree < 1 || spline.Degree > kMaxSplineDegree) return false;
    const std::size_t p = static_cast<std::size_t>(spline.Degree);
    const std::size_t n = spline.ControlPoints.size();
    if (n < p + 1 || spline.Knots.size() != n + p + 1) return false;
    if (!spline.Weights.empty()) {
        if (spline.Weights.size() != n) return false;
        for (const double w : spline.Weights)
            if (!(w > 0) || !std::isfinite(w)) return false;
    }
    for (std::size_t k = 0; k < spline.Knots.size(); ++k) {
        if (!std::isfinite(spline.Knots[k])) return false;
        if (k > 0 && spline.Knots[k] < spline.Knots[k - 1]) return false;
    }
    for (const Point3& point : spline.ControlPoints)
        if (!std::isfinite(point.X) || !std::isfinite(point.Y)) return false;
    return true;
}

long double Sweep(long double start, long double end, long double turn) {
    Wide sweep = end - start;
    if (end < start) sweep += turn;
    if (sweep < 0 || sweep > turn) {
        sweep = std::fmod(sweep, turn);
        if (sweep < 0) sweep += turn;
    }
    return sweep;
}

namespace {

// The major and minor axes of an ellipse seen from above. The minor axis is Ratio × (unit
// extrusion × major axis); a zero extrusion means the XY plane.
struct AxesFromAbove {
    Wide majorX, majorY, minorX, minorY;

    explicit AxesFromAbove(const EllipseRec& e) {
        Wide nx = e.Extrusion.X, ny = e.Extrusion.Y, nz = e.Extrusion.Z;
        const Wide norm = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (norm > 0 && std::isfinite(norm)) {
            nx /= norm;
            ny /= norm;
            nz /= norm;
        } else {
            nx = ny = 0;
            nz = 1;
        }
        majorX = e.MajorAxis.X;
        majorY = e.MajorAxis.Y;
        minorX = e.Ratio * (ny * e.MajorAxis.Z - nz * majorY);
        minorY = e.Ratio * (nz * majorX - nx * e.MajorAxis.Z);
    }
};

} // namespace

long double EllipseLength(const EllipseRec& e) {
    const Wide sweep = Sweep(e.StartParameter, e.EndParameter, 2 * kPi);
    if (!(sweep > 0)) return 0;
    const AxesFromAbove axes(e);
    const Wide majorX = axes.majorX, majorY = axes.majorY, minorX = axes.minorX, minorY = axes.minorY;
    // P(t) = centre + major cos t + minor sin t, seen from above.
    const auto speed = [&](Wide t) {
        const Wide c = std::cos(t), s = std::sin(t);
        const Wide vx = minorX * c - majorX * s;
        const Wide vy = minorY * c - majorY * s;
        return std::sqrt(vx * vx + vy * vy);
    };
    // Quarter turns at most, so that each piece holds at most one bend of a slim ellipse.
    const int pieces = static_cast<int>(std::ceil(sweep / (kPi / 2)));
    const Wide start = e.StartParameter;
    Wide length = 0;
    for (int k = 0; k < pieces; ++k)
        length += Integrate(speed, start + sweep * k / pieces, start + sweep * (k + 1) / pieces);
    return length;
}

long double SplineLength(const SplineRec& spline) {
    if (!IsCurve(spline)) return 0;
    const std::size_t p = static_cast<std::size_t>(spline.Degree);
    const std::size_t n = spline.ControlPoints.size();
    SplineSpan speed(spline);
    Wide length = 0;
    for (std::size_t span = p; span < n; ++span) {
        const Wide a = spline.Knots[span];
        const Wide b = spline.Knots[span + 1];
        if (!(b > a)) continue; // a repeated knot: no span
        speed.SetSpan(span);
        length += Integrate(speed, a, b);
    }
    return length;
}

std::optional<long double> WholeEllipseArea(const EllipseRec& ellipse) {
    // DXF writes a whole ellipse from 0 to 2π rounded to a double, which is a little short of a
    // turn; so is one written to fewer decimals.
    const Wide sweep = Sweep(ellipse.StartParameter, ellipse.EndParameter, 2 * kPi);
    if (!(std::fabs(sweep - 2 * kPi) <= 1e-9L)) return std::nullopt;
    const AxesFromAbove axes(ellipse);
    const Wide area = kPi * std::fabs(axes.majorX * axes.minorY - axes.majorY * axes.minorX);
    if (!std::isfinite(area)) return std::nullopt;
    return area;
}

std::optional<long double> ClosedSplineArea(const SplineRec& spline) {
    if (!IsCurve(spline)) return std::nullopt;
    const std::size_t p = static_cast<std::size_t>(spline.Degree);
    const std::size_t n = spline.ControlPoints.size();
    SplineSpan curve(spline);
    // Green's theorem: the area is half the integral of x dy - y dx around the curve, here with
    // the points taken from the first control point, on or near the curve, to keep their digits.
    const auto green = [&curve](Wide t) {
        Wide px, py, vx, vy;
        curve.Evaluate(t, px, py, vx, vy);
        return px * vy - py * vx;
    };
    Wide twice = 0, scale = 0;
    Wide startX = 0, startY = 0, endX = 0, endY = 0, vx, vy;
    bool any = false;
    for (std::size_t span = p; span < n; ++span) {
        const Wide a = spline.Knots[span];
        const Wide b = spline.Knots[span + 1];
        if (!(b > a)) continue;
        curve.SetSpan(span);
        if (!any) curve.Evaluate(a, startX, startY, vx, vy);
        any = true;
        curve.Evaluate(b, endX, endY, vx, vy);
        const Wide magnitude = Kronrod15([&green](Wide t) { return std::fabs(green(t)); }, a, b).value;
        twice += Integrate(green, a, b, magnitude);
        scale = std::max(scale, magnitude);
    }
    if (!any) return std::nullopt;
    Wide extent = 0;
    for (const Point3& point : spline.ControlPoints)
        extent = std::max({extent, std::fabs(Wide(point.X) - spline.ControlPoints[0].X),
                           std::fabs(Wide(point.Y) - spline.ControlPoints[0].Y)});
    const bool ends = std::hypot(endX - startX, endY - startY) <= 1e-9L * extent;
    if (!ends && (spline.Flags & kSplineClosed) == 0) return std::nullopt;
    // Closed by its flag but not in its points: the chord back to the start closes it.
    twice += endX * startY - startX * endY;
    const Wide area = std::fabs(twice) / 2;
    if (!std::isfinite(area)) return std::nullopt;
    return area;
}

} // namespace vermiq
