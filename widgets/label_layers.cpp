// The shadowed label's layer arithmetic: extents, alignment shift, copies and face bands.
#include "widgets/label_layers.h"

#include <algorithm>
#include <cmath>

namespace vermiq {

long RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    long result = static_cast<long>(lower);
    if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
    return result;
}

namespace {

// One channel moved i steps of inc away from base, kept to a byte as a colour channel is.
std::uint8_t Channel(std::uint8_t base, double steps, double inc) {
    return static_cast<std::uint8_t>(static_cast<long>(base) + RoundHalfEven(steps * inc));
}

struct Increments {
    double r = 0, g = 0, b = 0;
};

Increments Towards(EsColor from, EsColor to, double divisor) {
    return {(RedOf(to) - RedOf(from)) / divisor, (GreenOf(to) - GreenOf(from)) / divisor,
            (BlueOf(to) - BlueOf(from)) / divisor};
}

EsColor Blend(EsColor base, double steps, const Increments& inc) {
    return MakeColor(Channel(RedOf(base), steps, inc.r), Channel(GreenOf(base), steps, inc.g),
                     Channel(BlueOf(base), steps, inc.b));
}

EsRect Moved(int width, int height, int dx, int dy) { return {dx, dy, width + dx, height + dy}; }

void AddCopies(std::vector<TextLayer>& layers, EsColor color, TEsDepth depth, TEsShadeStyle style,
               TEsShadeDirection direction, EsColor fontColor, const ShadowedTextPlan& plan,
               int width, int height) {
    const int n = depth;
    int last = n;
    Increments inc;
    if (style != TEsShadeStyle::ssPlain && n > 1) {
        last = 1;
        if (style == TEsShadeStyle::ssGraduated) inc = Towards(color, fontColor, n - 1);
    }
    const ShadeOffset d = ShadeOffsets(direction);
    for (int k = n; k >= last; --k) {
        layers.push_back({Moved(width, height, d.dx * k - plan.shadeMin - plan.alignShift,
                                d.dy * k - plan.shadeMin),
                          Blend(color, n - k, inc)});
    }
}

} // namespace

ShadowedTextPlan PlanShadowedText(const TEsCustomSettings& s, EsColor fontColor, int width,
                                  int height, unsigned format, int textWidth) {
    ShadowedTextPlan plan;
    const ShadeOffset h = ShadeOffsets(s.HighlightDirection());
    const ShadeOffset d = ShadeOffsets(s.ShadowDirection());
    const int hx = h.dx * s.HighlightDepth(), hy = h.dy * s.HighlightDepth();
    const int sx = d.dx * s.ShadowDepth(), sy = d.dy * s.ShadowDepth();
    // One extent serves both axes, so a shade in x alone still moves the face down.
    plan.shadeMin = std::min({hx, sx, hy, sy, 0});
    plan.shadeMax = std::max({hx, sx, hy, sy, 0});
    const int spread = plan.shadeMax - plan.shadeMin;
    plan.alignShift = (format & kDtCenter) ? spread / 2 : (format & kDtRight) ? spread : 0;

    AddCopies(plan.layers, s.ShadowColor(), s.ShadowDepth(), s.ShadowStyle(), s.ShadowDirection(),
              fontColor, plan, width, height);
    AddCopies(plan.layers, s.HighlightColor(), s.HighlightDepth(), s.HighlightStyle(),
              s.HighlightDirection(), fontColor, plan, width, height);

    const bool graduated = s.GraduateStyle() != TEsGraduateStyle::gsNone;
    plan.face = {Moved(width, height, -plan.shadeMin - plan.alignShift, -plan.shadeMin),
                 graduated ? FaceKeyColor : fontColor};
    if (!graduated) return plan;

    const int y0 = -plan.shadeMin;
    const int x0 = (format & kDtCenter) ? (width - textWidth) / 2 - plan.shadeMin - plan.alignShift
                   : (format & kDtRight) ? width - plan.shadeMax - textWidth
                                         : -plan.shadeMin;
    const bool vertical = s.GraduateStyle() == TEsGraduateStyle::gsVertical;
    const double span = vertical ? height - 1 : textWidth - 1;
    const double q = span / 15;
    const Increments inc = Towards(s.GraduateFromColor(), fontColor, 15);
    for (int i = 0; i < 16; ++i) {
        const int from = static_cast<int>(RoundHalfEven(i * q));
        const int to = static_cast<int>(RoundHalfEven((i + 1) * q));
        const EsRect band = vertical ? EsRect{0, y0 + from, width, y0 + to}
                                     : EsRect{x0 + from, 0, x0 + to, height};
        plan.bands.push_back({band, Blend(s.GraduateFromColor(), i, inc)});
    }
    return plan;
}

} // namespace vermiq
