// Where a widget goes when its parent's client area changes size.
#include "widgets/control_geometry.h"

#include <algorithm>
#include <cmath>

namespace vermiq {
namespace {

int Limit(int size, int minimum, int maximum) {
    if (maximum > 0) size = std::min(size, maximum);
    return std::max(size, minimum);
}

// One axis of Anchored: position and extent along it.
void AnchorAxis(int& position, int& extent, int before, int after, bool nearEdge, bool farEdge) {
    const int change = after - before;
    if (nearEdge && farEdge) {
        extent = std::max(0, extent + change);
    } else if (farEdge) {
        position += change;
    } else if (!nearEdge && before > 0) {
        const double centre = (position + extent / 2.0) * after / before;
        position = static_cast<int>(std::lround(centre - extent / 2.0));
    }
}

} // namespace

WidgetRect Constrained(WidgetRect rect, const WidgetConstraints& limits) {
    rect.width = Limit(rect.width, limits.minWidth, limits.maxWidth);
    rect.height = Limit(rect.height, limits.minHeight, limits.maxHeight);
    return rect;
}

WidgetRect Anchored(WidgetRect rect, int beforeWidth, int beforeHeight, int afterWidth,
                    int afterHeight, WidgetAnchors anchors) {
    AnchorAxis(rect.left, rect.width, beforeWidth, afterWidth, anchors & AnchorLeft,
               anchors & AnchorRight);
    AnchorAxis(rect.top, rect.height, beforeHeight, afterHeight, anchors & AnchorTop,
               anchors & AnchorBottom);
    return rect;
}

WidgetRect Aligned(WidgetRect rect, WidgetAlign align, int clientWidth, int clientHeight) {
    switch (align) {
    case WidgetAlign::None: return rect;
    case WidgetAlign::Top: return {0, 0, clientWidth, rect.height};
    case WidgetAlign::Bottom: return {0, clientHeight - rect.height, clientWidth, rect.height};
    case WidgetAlign::Left: return {0, 0, rect.width, clientHeight};
    case WidgetAlign::Right: return {clientWidth - rect.width, 0, rect.width, clientHeight};
    case WidgetAlign::Client: break;
    }
    return {0, 0, clientWidth, clientHeight};
}

std::vector<WidgetRect> AlignedTogether(const std::vector<AlignedWidget>& widgets, int clientWidth,
                                        int clientHeight) {
    std::vector<WidgetRect> placed(widgets.size());
    int left = 0, top = 0, right = clientWidth, bottom = clientHeight;
    for (WidgetAlign side : {WidgetAlign::Top, WidgetAlign::Bottom, WidgetAlign::Left,
                             WidgetAlign::Right, WidgetAlign::Client}) {
        for (std::size_t i = 0; i < widgets.size(); ++i) {
            if (widgets[i].align != side) continue;
            const int width = std::max(0, right - left), height = std::max(0, bottom - top);
            WidgetRect r = Aligned(widgets[i].rect, side, width, height);
            r.left += left;
            r.top += top;
            placed[i] = r;
            switch (side) {
            case WidgetAlign::Top: top += r.height; break;
            case WidgetAlign::Bottom: bottom -= r.height; break;
            case WidgetAlign::Left: left += r.width; break;
            case WidgetAlign::Right: right -= r.width; break;
            default: break;
            }
        }
    }
    return placed;
}

} // namespace vermiq
