// Ellipse and spline lengths by adaptive Gauss-Kronrod quadrature of the speed, in long double.
#include "dxf/curve_length.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace vermiq {
namespace {

using Wide = long double;
constexpr Wide kPi = 3.141592653589793238462643383279502884L;

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

// Bisects the piece of the largest error estimate until the estimates add up to the tolerance.
// The difference of the Kronrod and the embedded Gauss result overstates the error of the
// Kronrod result by orders of magnitude on a smooth speed, so the result is well within it.
template <class Speed>
Wide Integrate(const Speed& f, Wide a, Wide b) {
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
        if (!(error > kCurveRelativeTolerance * std::fabs(value)) || count == kMaxPieces) return value;
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

// The sweep from start to end, taken counter-clockwise: an end below the start lies a turn
// further; values outside one turn still give a sweep of at most one turn.
Wide Sweep(Wide start, Wide end, Wide turn) {
    Wide sweep = end - start;
    if (end < start) sweep += turn;
    if (sweep < 0 || sweep > turn) {
        sweep = std::fmod(sweep, turn);
        if (sweep < 0) sweep += turn;
    }
    return sweep;
}

// One span [knot i, knot i+1] of a spline: its degree + 1 control points in homogeneous form
// (weight × point, weight), moved so that the first lies at the origin. Large coordinates
// then cost no precision in the differences the derivative is made of.
class SplineSpan {
public:
    SplineSpan(const SplineRec& spline, std::size_t span) : knots_(spline.Knots), span_(span) {
        degree_ = static_cast<std::size_t>(spline.Degree);
        const Point3& origin = spline.ControlPoints[span - degree_];
        for (std::size_t j = 0; j <= degree_; ++j) {
            const std::size_t index = span - degree_ + j;
            const Point3& p = spline.ControlPoints[index];
            const Wide w = spline.Weights.empty() ? Wide(1) : Wide(spline.Weights[index]);
            x_[j] = w * (Wide(p.X) - origin.X);
            y_[j] = w * (Wide(p.Y) - origin.Y);
            w_[j] = w;
        }
    }

    // |C'(t)| by de Boor's algorithm; the derivative comes from the two points of the
    // second-last level.
    Wide operator()(Wide t) const {
        std::array<Wide, kMaxSplineDegree + 1> x = x_, y = y_, w = w_;
        const std::size_t p = degree_;
        const std::size_t first = span_ - p; // knot index of x[0]'s left end, minus 1
        Wide dx = 0, dy = 0, dw = 0;
        for (std::size_t r = 1; r <= p; ++r) {
            if (r == p) {
                const Wide scale = Wide(p) / (Wide(knots_[span_ + 1]) - Wide(knots_[span_]));
                dx = (x[p] - x[p - 1]) * scale;
                dy = (y[p] - y[p - 1]) * scale;
                dw = (w[p] - w[p - 1]) * scale;
            }
            for (std::size_t j = p; j >= r; --j) {
                const Wide left = knots_[first + j];
                const Wide right = knots_[span_ + 1 + j - r];
                const Wide alpha = (t - left) / (right - left);
                x[j] = x[j - 1] + alpha * (x[j] - x[j - 1]);
                y[j] = y[j - 1] + alpha * (y[j] - y[j - 1]);
                w[j] = w[j - 1] + alpha * (w[j] - w[j - 1]);
            }
        }
        // C = (x, y) / w, so C' = ((dx, dy) w - (x, y) dw) / w².
        const Wide h = w[p];
        const Wide vx = (dx * h - x[p] * dw) / (h * h);
        const Wide vy = (dy * h - y[p] * dw) / (h * h);
        return std::sqrt(vx * vx + vy * vy);
    }

private:
    const std::vector<double>& knots_;
    std::size_t span_;
    std::size_t degree_;
    std::array<Wide, kMaxSplineDegree + 1> x_{}, y_{}, w_{};
};

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

} // namespace

long double EllipseLength(const EllipseRec& e) {
    const Wide sweep = Sweep(e.StartParameter, e.EndParameter, 2 * kPi);
    if (!(sweep > 0)) return 0;
    // The minor axis: Ratio × (unit extrusion × major axis); a zero extrusion means the XY plane.
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
    const Wide majorX = e.MajorAxis.X, majorY = e.MajorAxis.Y, majorZ = e.MajorAxis.Z;
    const Wide minorX = e.Ratio * (ny * majorZ - nz * majorY);
    const Wide minorY = e.Ratio * (nz * majorX - nx * majorZ);
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
    Wide length = 0;
    for (std::size_t span = p; span < n; ++span) {
        const Wide a = spline.Knots[span];
        const Wide b = spline.Knots[span + 1];
        if (!(b > a)) continue; // a repeated knot: no span
        length += Integrate(SplineSpan(spline, span), a, b);
    }
    return length;
}

} // namespace vermiq
