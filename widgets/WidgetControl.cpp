// What every widget of the set offers besides its own drawing; see WidgetControl.h.
#include "widgets/WidgetControl.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "common/win32_text.h"

namespace vermiq {
namespace {

constexpr wchar_t kWidgetProperty[] = L"VermiqWidget";
constexpr wchar_t kShowHintProperty[] = L"VermiqShowHint";
constexpr wchar_t kHideHintProperty[] = L"VermiqHideHint";

POINT ScreenPoint(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

POINT ToClient(HWND window, POINT screen) {
    ScreenToClient(window, &screen);
    return screen;
}

} // namespace

// ---- WidgetAction

WidgetAction::~WidgetAction() {
    for (WidgetControl* client : std::vector<WidgetControl*>(clients_)) client->SetAction(nullptr);
}

void WidgetAction::SetCaption(std::string value) {
    if (value == caption_) return;
    caption_ = std::move(value);
    Changed();
}
void WidgetAction::SetHint(std::string value) {
    if (value == hint_) return;
    hint_ = std::move(value);
    Changed();
}
void WidgetAction::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    Changed();
}
void WidgetAction::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Changed();
}

bool WidgetAction::Execute() {
    if (!OnExecute || !enabled_) return false;
    OnExecute(*this);
    return true;
}

void WidgetAction::Changed() {
    for (WidgetControl* client : std::vector<WidgetControl*>(clients_)) client->ActionChanged();
}

// ---- WidgetControl

WidgetControl::~WidgetControl() {
    SetAction(nullptr);
    DetachWidget();
}

void WidgetControl::DetachWidget() {
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    if (subclassed_ && IsWindow(parent_))
        RemoveWindowSubclass(parent_, &WidgetControl::ParentSubclass, reinterpret_cast<UINT_PTR>(this));
    subclassed_ = false;
    if (widget_ && IsWindow(widget_) && FromWindow(widget_) == this)
        RemovePropW(widget_, kWidgetProperty);
    if (widget_ && GetCapture() == widget_) ReleaseCapture();
    widget_ = nullptr;
    parent_ = nullptr;
    pressed_ = dragging_ = accepted_ = false;
    overTarget_ = nullptr;
}

WidgetControl* WidgetControl::FromWindow(HWND window) {
    return window ? static_cast<WidgetControl*>(GetPropW(window, kWidgetProperty)) : nullptr;
}

void WidgetControl::AttachWidget(HWND window) {
    DetachWidget();  // a window made again, perhaps on another parent: nothing of the old stays
    widget_ = window;
    parent_ = GetParent(window);
    SetPropW(window, kWidgetProperty, this);
    if (!pendingEnabled_) EnableWindow(window, FALSE);
    if (!pendingVisible_) ShowWindow(window, SW_HIDE);
    if (parent_) {
        RECT client{};
        GetClientRect(parent_, &client);
        parentSize_ = {client.right, client.bottom};
        subclassed_ = SetWindowSubclass(parent_, &WidgetControl::ParentSubclass,
                                        reinterpret_cast<UINT_PTR>(this), 0) != FALSE;
    }
    if (align_ != WidgetAlign::None || !(constraints_ == WidgetConstraints{}))
        ApplyParentSize(parentSize_.cx, parentSize_.cy);
    ActionChanged();
    UpdateTooltip();
}

LRESULT CALLBACK WidgetControl::ParentSubclass(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    auto* widget = reinterpret_cast<WidgetControl*>(id);
    // The parent's own procedure runs whatever the widget makes of the message: a widget that
    // cannot follow a resize or a font stays as it was.
    auto follow = [](auto&& change) {
        try {
            change();
        } catch (...) {
        }
    };
    if (message == WM_SIZE && wParam != SIZE_MINIMIZED)
        follow([&] { widget->ApplyParentSize(LOWORD(lParam), HIWORD(lParam)); });
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &WidgetControl::ParentSubclass, id);
        widget->subclassed_ = false;
    }
    if (message == WM_SETFONT) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        follow([&] { widget->ParentFontChanged(); });
        return result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

WidgetRect WidgetControl::BoundsInParent() const {
    if (!widget_ || !IsWindow(widget_)) return {};
    RECT r{};
    GetWindowRect(widget_, &r);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void WidgetControl::ApplyParentSize(int width, int height) {
    if (!widget_) return;
    if (align_ != WidgetAlign::None) {
        parentSize_ = {width, height};
        ApplyAlignment(width, height);
        return;
    }
    const WidgetRect now = BoundsInParent();
    const WidgetRect next = Constrained(
        Anchored(now, parentSize_.cx, parentSize_.cy, width, height, anchors_), constraints_);
    parentSize_ = {width, height};
    if (!(next == now))
        SetWindowPos(widget_, nullptr, next.left, next.top, next.width, next.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void WidgetControl::ApplyAlignment(int width, int height) {
    // The aligned widgets of one parent share its sides, so they are placed together.
    std::vector<WidgetControl*> widgets;
    std::vector<AlignedWidget> places;
    for (HWND child = GetWindow(parent_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WidgetControl* widget = FromWindow(child);
        if (!widget || widget->align_ == WidgetAlign::None) continue;
        widgets.push_back(widget);
        places.push_back({widget->BoundsInParent(), widget->align_});
    }
    const std::vector<WidgetRect> placed = AlignedTogether(places, width, height);
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        const WidgetRect next = Constrained(placed[i], widgets[i]->constraints_);
        if (!(next == places[i].rect))
            SetWindowPos(widgets[i]->widget_, nullptr, next.left, next.top, next.width,
                         next.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void WidgetControl::SetAnchors(WidgetAnchors value) { anchors_ = value; }

void WidgetControl::SetAlign(WidgetAlign value) {
    align_ = value;
    ApplyParentSize(parentSize_.cx, parentSize_.cy);
}

void WidgetControl::SetConstraints(const WidgetConstraints& value) {
    constraints_ = value;
    ApplyParentSize(parentSize_.cx, parentSize_.cy);
}

bool WidgetControl::HandleWidgetMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result) {
    switch (message) {
    case WM_NCDESTROY:
        DetachWidget();
        return false;
    case WM_WINDOWPOSCHANGING: {
        // Every change of size, however it comes, stays within the limits.
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOSIZE)) {
            const WidgetRect held = Constrained({0, 0, pos->cx, pos->cy}, constraints_);
            pos->cx = held.width;
            pos->cy = held.height;
        }
        return false;
    }
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT) return false;
        HCURSOR shown = cursor_;
        if (dragging_) {
            shown = accepted_ ? dragCursor_ : nullptr;
            if (!shown) shown = LoadCursorW(nullptr, accepted_ ? MAKEINTRESOURCEW(32512)    // arrow
                                                               : MAKEINTRESOURCEW(32648));  // no
        }
        if (!shown) return false;
        ::SetCursor(shown);
        result = TRUE;
        return true;
    }
    case WM_CONTEXTMENU: {
        if (!popupMenu_) return false;
        POINT at = ScreenPoint(lParam);
        if (lParam == -1) {  // the context-menu key: at the widget's corner
            at = {0, 0};
            ClientToScreen(widget_, &at);
        }
        // The menu runs its own message loop, in which anything may happen to this widget.
        const HWND parent = parent_;
        const UINT chosen = static_cast<UINT>(
            TrackPopupMenu(popupMenu_, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y,
                           0, widget_, nullptr));
        if (chosen && IsWindow(parent)) SendMessageW(parent, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
        result = 0;
        return true;
    }
    case WM_LBUTTONDOWN:
        if (dragMode_ == DragMode::Automatic) {
            pressed_ = true;
            pressedAt_ = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        }
        return false;
    case WM_MOUSEMOVE: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (pressed_ && !dragging_ && (wParam & MK_LBUTTON) &&
            (std::abs(p.x - pressedAt_.x) > GetSystemMetrics(SM_CXDRAG) ||
             std::abs(p.y - pressedAt_.y) > GetSystemMetrics(SM_CYDRAG)))
            BeginDrag();
        if (!dragging_) return false;
        ClientToScreen(widget_, &p);
        TrackDrag(p);
        result = 0;
        return true;
    }
    case WM_LBUTTONUP: {
        pressed_ = false;
        if (!dragging_) return false;
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(widget_, &p);
        EndDrag(p, true);
        result = 0;
        return true;  // a drop is no click
    }
    case WM_CAPTURECHANGED:
        if (dragging_ && reinterpret_cast<HWND>(lParam) != widget_) {
            POINT p{};
            GetCursorPos(&p);
            EndDrag(p, false);
        }
        return false;
    default: return false;
    }
}

// ---- Hints

void WidgetControl::SetHint(std::string value) {
    if (value == hint_) return;
    hint_ = std::move(value);
    if (action_) action_->SetHint(hint_);
    UpdateTooltip();
}

bool WidgetControl::ShowHint() const {
    if (!parentShowHint_) return showHint_;
    // A plain window that was never given the setting passes on its own parent's.
    for (HWND up = parent_; up; up = GetAncestor(up, GA_PARENT)) {
        if (WidgetControl* parent = FromWindow(up)) return parent->ShowHint();
        if (GetPropW(up, kShowHintProperty)) return true;
        if (GetPropW(up, kHideHintProperty)) return false;
    }
    return false;
}

void WidgetControl::SetShowHint(bool value) {
    showHint_ = value;
    parentShowHint_ = false;
    UpdateTooltip();
}

void WidgetControl::SetParentShowHint(bool value) {
    parentShowHint_ = value;
    UpdateTooltip();
}

void WidgetControl::SetWindowShowHint(HWND window, bool value) {
    RemovePropW(window, value ? kHideHintProperty : kShowHintProperty);
    SetPropW(window, value ? kShowHintProperty : kHideHintProperty, reinterpret_cast<HANDLE>(1));
    // The widgets that take the setting from above follow at once, at every level.
    EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
            if (WidgetControl* widget = FromWindow(child)) widget->UpdateTooltip();
            return TRUE;
        },
        0);
}

void WidgetControl::UpdateTooltip() {
    if (!widget_) return;
    const bool show = ShowHint() && !hint_.empty();
    if (!show) {
        if (tooltip_) DestroyWindow(tooltip_);
        tooltip_ = nullptr;
        return;
    }
    if (!tooltip_) {
        static const bool registered = [] {
            INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
            return InitCommonControlsEx(&controls) != FALSE;
        }();
        (void)registered;
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   GetAncestor(widget_, GA_ROOT), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (!tooltip_) return;
    }
    std::wstring text = win32::Widen(hint_);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent_ ? parent_ : widget_;
    tool.uId = reinterpret_cast<UINT_PTR>(widget_);
    tool.lpszText = text.data();
    if (SendMessageW(tooltip_, TTM_GETTOOLCOUNT, 0, 0) == 0)
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    else
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// ---- Enabled, visible, tab order

bool WidgetControl::Enabled() const {
    return widget_ ? IsWindowEnabled(widget_) != FALSE : pendingEnabled_;
}

void WidgetControl::SetEnabled(bool value) {
    if (ForwardToAction(&WidgetAction::SetEnabled, value)) return;
    pendingEnabled_ = value;
    if (widget_) EnableWindow(widget_, value);
}

bool WidgetControl::Visible() const {
    return widget_ ? (GetWindowLongPtrW(widget_, GWL_STYLE) & WS_VISIBLE) != 0 : pendingVisible_;
}

void WidgetControl::SetVisible(bool value) {
    if (ForwardToAction(&WidgetAction::SetVisible, value)) return;
    pendingVisible_ = value;
    if (widget_) ShowWindow(widget_, value ? SW_SHOWNA : SW_HIDE);
}

int WidgetControl::TabOrder() const {
    if (!widget_ || !parent_) return -1;
    int position = 0;
    for (HWND child = GetWindow(parent_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == widget_) return position;
        ++position;
    }
    return -1;
}

void WidgetControl::SetTabOrder(int position) {
    if (!widget_ || !parent_) return;
    // Tab walks the children in their z-order: the widget goes behind the one before its place.
    HWND after = HWND_TOP;
    int index = 0;
    for (HWND child = GetWindow(parent_, GW_CHILD); child && index < position;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == widget_) continue;
        after = child;
        ++index;
    }
    SetWindowPos(widget_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- Action

void WidgetControl::SetAction(WidgetAction* action) {
    if (action == action_) return;
    if (action_) std::erase(action_->clients_, this);
    action_ = action;
    if (action_) {
        action_->clients_.push_back(this);
        ActionChanged();
    }
}

void WidgetControl::ActionChanged() {
    if (!action_ || !widget_) return;
    // Applied past the forwarding, which would only send the values back to the action.
    WidgetAction* linked = std::exchange(action_, nullptr);
    ActionCaptionChanged(linked->Caption());
    SetHint(linked->Hint());
    SetEnabled(linked->Enabled());
    SetVisible(linked->Visible());
    action_ = linked;
}

bool WidgetControl::ForwardToAction(void (WidgetAction::*set)(bool), bool value) {
    if (!action_) return false;
    (action_->*set)(value);
    return true;
}

// ---- Dragging

void WidgetControl::BeginDrag() {
    if (!widget_ || dragging_) return;
    dragging_ = true;
    accepted_ = false;
    overTarget_ = nullptr;
    CancelPress();
    SetCapture(widget_);
}

void WidgetControl::TrackDrag(POINT screen) {
    HWND under = WindowFromPoint(screen);
    // The drag reaches the widget under the pointer, or the nearest widget it lies in.
    while (under && !FromWindow(under)) under = GetParent(under);
    const bool entered = under != overTarget_;
    if (entered) {
        if (WidgetControl* left = FromWindow(overTarget_); left && left->OnDragOver) {
            bool ignored = false;
            const POINT p = ToClient(overTarget_, screen);
            left->OnDragOver(*left, *this, p.x, p.y, DragState::Leave, ignored);
        }
        overTarget_ = under;
    }
    accepted_ = false;
    if (WidgetControl* target = FromWindow(under)) {
        const POINT p = ToClient(under, screen);
        accepted_ = target->OnDragOver != nullptr;  // a target without the event takes nothing
        if (target->OnDragOver)
            target->OnDragOver(*target, *this, p.x, p.y,
                               entered ? DragState::Enter : DragState::Move, accepted_);
    }
    LRESULT ignored = 0;
    HandleWidgetMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(widget_), HTCLIENT, ignored);
}

void WidgetControl::EndDrag(POINT screen, bool drop) {
    if (!dragging_) return;
    if (drop) TrackDrag(screen);
    dragging_ = false;
    pressed_ = false;
    WidgetControl* target = drop && accepted_ ? FromWindow(overTarget_) : nullptr;
    const HWND targetWindow = overTarget_;
    overTarget_ = nullptr;
    if (GetCapture() == widget_) ReleaseCapture();
    // Either handler may delete the source or the target.
    std::weak_ptr<char> alive = life_;
    if (target && target->OnDragDrop) {
        std::weak_ptr<char> targetAlive = target->life_;
        const POINT p = ToClient(targetWindow, screen);
        target->OnDragDrop(*target, *this, p.x, p.y);
        if (alive.expired()) return;
        if (targetAlive.expired()) target = nullptr;
    }
    if (OnEndDrag) {
        const POINT p = target ? ToClient(targetWindow, screen) : ToClient(widget_, screen);
        OnEndDrag(*this, target, p.x, p.y);
    }
}

} // namespace vermiq
