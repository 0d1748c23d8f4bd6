// The gradient push button's mouse and keyboard: hover, press and release, dialog keys and
// the click with its handlers.
#include "widgets/plButton.h"

#include <vector>

namespace vermiq {

namespace {

TShiftState KeyDataShift(LPARAM keyData) {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.bits |= TShiftState::ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s.bits |= TShiftState::ssCtrl;
    if (keyData & (LPARAM{1} << 29)) s.bits |= TShiftState::ssAlt;
    return s;
}

TShiftState MouseShift(WPARAM wParam) {
    TShiftState s;
    if (wParam & MK_SHIFT) s.bits |= TShiftState::ssShift;
    if (wParam & MK_CONTROL) s.bits |= TShiftState::ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s.bits |= TShiftState::ssAlt;
    if (wParam & MK_LBUTTON) s.bits |= TShiftState::ssLeft;
    if (wParam & MK_RBUTTON) s.bits |= TShiftState::ssRight;
    if (wParam & MK_MBUTTON) s.bits |= TShiftState::ssMiddle;
    return s;
}

POINT PointOf(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

} // namespace

TShiftState TplButton::CurrentShiftState() const {
    BYTE keys[256]{};
    GetKeyboardState(keys);
    return ShiftStateFromKeyboard(std::span<const std::uint8_t, 256>(keys, 256));
}

POINT TplButton::CursorInClient() const {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    return p;
}

SIZE TplButton::ClientSize() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void TplButton::MouseEnter(TShiftState shift, int x, int y) {
    std::weak_ptr<char> alive = life_;
    if (OnMouseEnter) OnMouseEnter(*this, shift, x, y);
    if (!alive.expired() && hwnd_ && GetCapture() == hwnd_) Repaint();
}

void TplButton::MouseLeave(TShiftState shift, int x, int y) {
    std::weak_ptr<char> alive = life_;
    if (OnMouseLeave) OnMouseLeave(*this, shift, x, y);
    if (alive.expired()) return;
    pressed_ = false;
    Repaint();
}

void TplButton::OnMouseMoved(WPARAM wParam, LPARAM lParam) {
    std::weak_ptr<char> alive = life_;
    POINT p = PointOf(lParam);
    SIZE size = ClientSize();
    bool inside = p.x >= 0 && p.y >= 0 && p.x < size.cx && p.y < size.cy;
    // While the button holds the capture it sees the mouse outside too, so entering and leaving
    // are judged here; WM_MOUSELEAVE covers the moves that happen without capture.
    if (inside && !mouseInside_) {
        mouseInside_ = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        TrackMouseEvent(&track);
        POINT c = CursorInClient();
        MouseEnter(CurrentShiftState(), c.x, c.y);
    } else if (!inside && mouseInside_) {
        mouseInside_ = false;
        POINT c = CursorInClient();
        MouseLeave(CurrentShiftState(), c.x, c.y);
    }
    if (alive.expired()) return;
    if (OnMouseMove) OnMouseMove(*this, MouseShift(wParam), p.x, p.y);
}

void TplButton::OnMouseLeft() {
    if (!mouseInside_) return;
    POINT c = CursorInClient();
    SIZE size = ClientSize();
    POINT screen{};
    GetCursorPos(&screen);
    bool stillOver = c.x >= 0 && c.y >= 0 && c.x < size.cx && c.y < size.cy && WindowFromPoint(screen) == hwnd_;
    if (stillOver) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        TrackMouseEvent(&track);
        return;
    }
    mouseInside_ = false;
    MouseLeave(CurrentShiftState(), c.x, c.y);
}

void TplButton::OnMouseButtonDown(TMouseButton button, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::weak_ptr<char> alive = life_;
    POINT p = PointOf(lParam);
    TShiftState shift = MouseShift(wParam);
    bool doubleClick = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    if (doubleClick) shift.bits |= TShiftState::ssDouble;
    if (button == TMouseButton::mbLeft) {
        SetCapture(hwnd_);
        // The second press of a double click reports OnDblClick; its release is no new click.
        clickArmed_ = !doubleClick;
        if (hasFocus_ && GetFocus() != hwnd_) SetFocus(hwnd_);
        if (alive.expired()) return;
        pressed_ = true;
        Repaint();
        if (doubleClick && OnDblClick) {
            OnDblClick(*this);
            if (alive.expired()) return;
        }
    }
    if (OnMouseDown) OnMouseDown(*this, button, shift, p.x, p.y);
}

void TplButton::OnMouseButtonUp(TMouseButton button, WPARAM wParam, LPARAM lParam) {
    std::weak_ptr<char> alive = life_;
    POINT p = PointOf(lParam);
    bool click = false;
    if (button == TMouseButton::mbLeft) {
        SIZE size = ClientSize();
        click = clickArmed_ && p.x >= 0 && p.y >= 0 && p.x < size.cx && p.y < size.cy;
        clickArmed_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        pressed_ = false;
        Repaint();
    }
    if (OnMouseUp) OnMouseUp(*this, button, MouseShift(wParam), p.x, p.y);
    if (click && !alive.expired()) Click();
}

void TplButton::OnKeyDownMessage(WPARAM wParam, LPARAM lParam) {
    std::weak_ptr<char> alive = life_;
    auto key = static_cast<WORD>(wParam);
    if (key == VK_RETURN || key == VK_ESCAPE) {
        MSG m{};
        m.hwnd = hwnd_;
        m.message = WM_KEYDOWN;
        m.wParam = wParam;
        m.lParam = lParam;
        // The form offers Enter and Esc to all its buttons before the focused control sees them.
        if (OfferDialogKey(m)) return;
    }
    if (alive.expired()) return;
    if (OnKeyDown) {
        OnKeyDown(*this, key, KeyDataShift(lParam));
        if (alive.expired()) return;
    }
    if (hwnd_ && IsWindowEnabled(hwnd_) && key == VK_RETURN) ClickHandlers();
}

bool TplButton::DialogKey(WORD key, LPARAM keyData) {
    if (!hwnd_ || !hasFocus_) return false;
    // A form offers the keys to every control; one that cannot be used must not act on them.
    if (!IsWindowEnabled(hwnd_) || !IsWindowVisible(hwnd_)) return false;
    auto focusOnAButton = [] {
        HWND focus = GetFocus();
        return focus && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
                         (DLGC_BUTTON | DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
    };
    bool ours = (key == VK_RETURN && (Focused() || (default_ && !focusOnAButton()))) ||
                (key == VK_ESCAPE && cancel_);
    if (!ours || KeyDataShift(keyData).bits != 0) return false;
    Click();
    return true;
}

bool TplButton::OfferDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE) || !msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (!root) return false;
    struct Offer {
        ATOM atom;
        std::vector<HWND> buttons;
    } offer{ClassAtom(), {}};
    // Collected first: a click may create or destroy windows while the offer goes round.
    EnumChildWindows(
        root,
        [](HWND child, LPARAM data) -> BOOL {
            auto* o = reinterpret_cast<Offer*>(data);
            if (static_cast<ATOM>(GetClassLongPtrW(child, GCW_ATOM)) == o->atom) o->buttons.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&offer));
    for (HWND child : offer.buttons) {
        if (!IsWindow(child)) continue;
        auto* button = reinterpret_cast<TplButton*>(GetWindowLongPtrW(child, GWLP_USERDATA));
        if (button && button->DialogKey(static_cast<WORD>(msg.wParam), msg.lParam)) return true;
    }
    return false;
}

void TplButton::Click() {
    std::weak_ptr<char> alive = life_;
    pressed_ = false;
    if (hwnd_) {
        if (HWND form = GetAncestor(hwnd_, GA_ROOT); form && form != hwnd_)
            SendMessageW(form, ModalResultMessage(), static_cast<WPARAM>(modalResult_), reinterpret_cast<LPARAM>(hwnd_));
    }
    if (alive.expired()) return;
    ClickHandlers();
    if (!alive.expired()) Invalidate();
}

void TplButton::ClickHandlers() {
    // One click, one action: the wired handler, or else the parent hears of the click as from
    // any push button and handles it in its own window procedure. Never both, so a dialog that
    // wires both cannot act twice on one click.
    if (OnClick) {
        OnClick(*this);
        return;
    }
    if (Action() && Action()->Execute()) return;
    if (hwnd_) {
        if (HWND parent = GetParent(hwnd_)) {
            auto id = static_cast<WORD>(GetDlgCtrlID(hwnd_));
            SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
        }
    }
}

} // namespace vermiq
