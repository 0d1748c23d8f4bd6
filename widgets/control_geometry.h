// Where a widget goes when its parent's client area changes size: kept to chosen edges, filling
// a side or the whole area, and held within size limits.
#pragma once

#include <cstdint>
#include <vector>

namespace vermiq {

struct WidgetRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const WidgetRect&, const WidgetRect&) = default;
};

// The parent's edges a widget keeps its distance to. Left and top is where it simply stays.
enum WidgetAnchor : std::uint8_t {
    AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8
};
using WidgetAnchors = std::uint8_t;
inline constexpr WidgetAnchors kDefaultAnchors = AnchorLeft | AnchorTop;

// A side of the parent the widget fills, or all of it; None leaves it to its anchors.
enum class WidgetAlign : std::uint8_t { None, Top, Bottom, Left, Right, Client };

// Size limits in pixels; 0 is no limit.
struct WidgetConstraints {
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
    friend bool operator==(const WidgetConstraints&, const WidgetConstraints&) = default;
};

// The size held within the limits (a maximum below the minimum gives way to the minimum).
WidgetRect Constrained(WidgetRect rect, const WidgetConstraints& limits);

// The widget's place after the parent's client area went from `before` to `after` (width,
// height). Along each axis: anchored to both edges it stretches; to the far edge only it moves
// with it; to the near edge only it stays; to neither its centre keeps its relative position.
WidgetRect Anchored(WidgetRect rect, int beforeWidth, int beforeHeight, int afterWidth,
                    int afterHeight, WidgetAnchors anchors);

// The widget's place when it fills a side (keeping its own height or width) or all of a client
// area of the given size.
WidgetRect Aligned(WidgetRect rect, WidgetAlign align, int clientWidth, int clientHeight);

// The places of several aligned widgets (given in their parent's z-order) in one client area:
// tops, then bottoms, then lefts, then rights, then the client fillers, each taking its side of
// what the ones before it left, so that widgets aligned to the same side stack instead of
// covering each other.
struct AlignedWidget {
    WidgetRect rect;
    WidgetAlign align;
};
std::vector<WidgetRect> AlignedTogether(const std::vector<AlignedWidget>& widgets, int clientWidth,
                                        int clientHeight);

} // namespace vermiq
