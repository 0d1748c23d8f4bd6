// The gradient push button; see plButton.h. The arithmetic lives in button_layout.cpp, this
// file holds the window plumbing and the GDI painting.
#include "widgets/plButton.h"

#include <stdexcept>
#include <vector>

#include "common/win32_raii.h"
#include "common/win32_text.h"

namespace vermiq {

using win32::GdiObject;
using win32::MemoryDC;
using win32::Selection;

namespace {

constexpr wchar_t kClassName[] = L"VermiqGradientButton";

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

COLORREF ColorToRGB(TColor color) {
    return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : (color & 0xFFFFFF);
}

TplButton::ErrorHandler& ErrorSink() {
    static TplButton::ErrorHandler handler;
    return handler;
}

void ReportError(HWND button, std::exception_ptr error) {
    try {
        if (ErrorSink()) {
            ErrorSink()(button, error);
            return;
        }
        std::string text = "Unknown error";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            text = e.what();
        } catch (...) {
        }
        HWND root = button ? GetAncestor(button, GA_ROOT) : nullptr;
        char title[256] = "";
        if (root) GetWindowTextA(root, title, sizeof title);
        MessageBoxA(root, text.c_str(), title, MB_OK | MB_ICONERROR);
    } catch (...) {
        // The error box itself failed; nothing is left that could tell the user.
    }
}

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

// A 24-bit top-down DIB section whose pixels the disabled look can rewrite directly.
struct Dib24 {
    GdiObject<HBITMAP> bitmap;
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    Dib24(HDC dc, int w, int h) : width(w), height(h), stride((w * 3 + 3) & ~3) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        bitmap.reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
        if (bitmap) bits = static_cast<std::uint8_t*>(pixels);
    }
    explicit operator bool() const { return bits != nullptr; }
    COLORREF BottomLeft() const {
        const std::uint8_t* p = bits + (height - 1) * stride;
        return RGB(p[2], p[1], p[0]);
    }
};

void Outline(HDC dc, const RECT& r, COLORREF color) {
    Selection pen(dc, GetStockObject(DC_PEN));
    Selection brush(dc, GetStockObject(NULL_BRUSH));
    SetDCPenColor(dc, color);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

int TextHeight(HDC dc, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cy;
}

int TextWidth(HDC dc, std::string_view text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

} // namespace

// ---- TplBtnCaption

void TplBtnCaption::SetCaption(std::string_view value) {
    if (caption_ == value) return;
    caption_ = value;
    // The first line is the button's caption, which a linked action shares.
    if (this == &owner_.CaptionA()) {
        if (owner_.Action()) owner_.Action()->SetCaption(caption_);
        owner_.MirrorWindowText();
    }
    owner_.Repaint();
}
void TplBtnCaption::SetAlignment(TplBtnAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    owner_.Repaint();
}
void TplBtnCaption::SetLeft(int value) {
    if (left_ == value) return;
    left_ = value;
    owner_.Repaint();
}
void TplBtnCaption::SetRight(int value) {
    if (right_ == value) return;
    right_ = value;
    owner_.Repaint();
}
void TplBtnCaption::Assign(const TplBtnCaption& source) {
    alignment_ = source.alignment_;
    caption_ = source.caption_;
    left_ = source.left_;
    right_ = source.right_;
    if (this == &owner_.CaptionA()) owner_.MirrorWindowText();
    owner_.Repaint();
}

// ---- TplBtnImage

void TplBtnImage::SetPicture(const TPicture& value) {
    if (&value != &picture_) picture_ = value;
    owner_.Repaint();
}
void TplBtnImage::SetLeft(int value) {
    if (left_ == value) return;
    left_ = value;
    horzCenter_ = false;
    owner_.Repaint();
}
void TplBtnImage::SetTop(int value) {
    if (top_ == value) return;
    top_ = value;
    vertCenter_ = false;
    owner_.Repaint();
}
void TplBtnImage::SetVisible(bool value) {
    if (visible_ == value) return;
    visible_ = value;
    owner_.Repaint();
}
void TplBtnImage::SetTransParent(bool value) {
    if (transParent_ == value) return;
    transParent_ = value;
    owner_.Repaint();
}
void TplBtnImage::SetVertCenter(bool value) {
    if (vertCenter_ == value) return;
    vertCenter_ = value;
    if (value) owner_.Repaint();
}
void TplBtnImage::SetHorzCenter(bool value) {
    if (horzCenter_ == value) return;
    horzCenter_ = value;
    if (value) owner_.Repaint();
}
void TplBtnImage::Assign(const TplBtnImage& source) {
    if (&source == this) return;
    picture_ = source.picture_;
    transParent_ = source.transParent_;
    vertCenter_ = source.vertCenter_;
    horzCenter_ = source.horzCenter_;
    top_ = source.top_;
    left_ = source.left_;
    visible_ = source.visible_;
}

// ---- TplButton: life and plumbing

ATOM TplButton::ClassAtom() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        // Double clicks are reported (OnDblClick); no background brush, painting covers everything.
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &TplButton::WindowProc;
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    return atom;
}

TplButton::TplButton(HWND parent, std::string_view name, int left, int top, int width, int height, int controlId)
{
    SetName(std::string(name));
    if (!ClassAtom()) throw std::runtime_error("RegisterClassEx failed for the gradient button");
    CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, left, top, width,
                    height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), ThisModule(), this);
    if (!hwnd_) throw std::runtime_error("CreateWindowEx failed for the gradient button");
    AttachWidget(hwnd_);
    // The first parent gives the first caption line the control's name; a caption set later replaces it.
    if (parent && !captionNamed_) {
        captionNamed_ = true;
        captionA_.SetCaption(Name());
    }
    MirrorWindowText();
    Repaint();
}

TplButton::~TplButton() {
    if (hwnd_) {
        // Detach first: the messages of the destruction must not reach a half-destroyed object.
        DetachWidget();
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK TplButton::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = reinterpret_cast<TplButton*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<TplButton*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        ReportError(hwnd, std::current_exception());
        return 0;
    }
}

UINT TplButton::ModalResultMessage() {
    static const UINT message = RegisterWindowMessageW(L"Vermiq.TplButton.ModalResult");
    return message;
}

void TplButton::SetErrorHandler(ErrorHandler handler) { ErrorSink() = std::move(handler); }

LRESULT TplButton::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; HandleWidgetMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
    case WM_PAINT: {
        win32::PaintScope paint(hwnd_);
        if (paint.dc()) PaintTo(paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintTo(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 0; // painting covers the whole client area
    case WM_SIZE: {
        if (IsRoundStyle(buttonStyle_)) RebuildRegion();
        Repaint();
        if (OnResize) OnResize(*this);
        return 0;
    }
    case WM_ENABLE:
    case WM_SYSCOLORCHANGE:
        Invalidate();
        return 0;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        parentFont_ = false;
        if (LOWORD(lParam)) Repaint();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(Font());
    case WM_MOUSEMOVE:
        OnMouseMoved(wParam, lParam);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeft();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnMouseButtonDown(TMouseButton::mbLeft, msg, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        OnMouseButtonDown(TMouseButton::mbRight, msg, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        OnMouseButtonDown(TMouseButton::mbMiddle, msg, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnMouseButtonUp(TMouseButton::mbLeft, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        OnMouseButtonUp(TMouseButton::mbRight, wParam, lParam);
        // The system makes a right button's release into WM_CONTEXTMENU, for the popup menu.
        return hwnd_ ? DefWindowProcW(hwnd_, msg, wParam, lParam) : 0;
    case WM_MBUTTONUP:
        OnMouseButtonUp(TMouseButton::mbMiddle, wParam, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        // Capture taken away mid-press (a menu, another window): no click comes of that press.
        if (clickArmed_ || pressed_) CancelPress();
        return 0;
    case WM_GETDLGCODE: {
        // Enter and Esc come to the button, so that it can offer them as dialog keys itself
        // when the message loop did not.
        // As a button, the dialog clicks it (BM_CLICK) when its mnemonic is typed.
        auto* m = reinterpret_cast<const MSG*>(lParam);
        if (m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
            return DLGC_WANTMESSAGE | DLGC_BUTTON;
        return DLGC_BUTTON;
    }
    case BM_CLICK:
        if (IsWindowEnabled(hwnd_)) Click();
        return 0;
    case WM_KEYDOWN:
        // Space presses the button as the mouse would; its release clicks, as on any push
        // button. The key's repeats change nothing.
        if (wParam == VK_SPACE && !(lParam & (LPARAM{1} << 30))) {
            spaceArmed_ = true;
            pressed_ = true;
            Repaint();
        }
        OnKeyDownMessage(wParam, lParam);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_RETURN) {
            pressed_ = false;
            Invalidate();
        }
        if (wParam == VK_SPACE && spaceArmed_) {
            spaceArmed_ = false;
            Click();
        }
        return 0;
    case WM_SETTEXT:
        if (!mirroring_) {
            // Text set from outside becomes the first caption line.
            const auto* text = reinterpret_cast<const wchar_t*>(lParam);
            captionA_.SetCaption(text ? win32::Narrow(text) : std::string());
            return TRUE;
        }
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    case WM_CHAR: {
        auto key = static_cast<wchar_t>(wParam);
        if (OnKeyPress) OnKeyPress(*this, key);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (hasFocus_) {
            std::weak_ptr<char> alive = life_;
            const NotifyEvent& event = msg == WM_SETFOCUS ? OnEnter : OnExit;
            if (event) event(*this);
            if (!alive.expired()) Invalidate();
        }
        return 0;
    case WM_NCDESTROY: {
        LRESULT result = DefWindowProcW(hwnd_, msg, wParam, lParam);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return result;
    }
    default:
        return DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
}

// ---- Mouse and keyboard

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

// ---- Properties

void TplButton::SetButtonStyle(TplButtonStyle value) {
    if (value != buttonStyle_) {
        buttonStyle_ = value;
        if (IsRoundStyle(value)) {
            RebuildRegion();
        } else if (hwnd_) {
            SetWindowRgn(hwnd_, nullptr, TRUE);
            buttonRegion_ = nullptr;
        }
    }
    Repaint();
}

void TplButton::RebuildRegion() {
    if (!hwnd_) return;
    SIZE size = ClientSize();
    GdiObject<HRGN> region(CreateRoundRectRgn(0, 0, size.cx + 1, size.cy + 1, roundCorner_, roundCorner_));
    if (!region) return;
    // The window owns a region once it is set and deletes the one it replaces, so the button
    // only remembers the handle.
    if (SetWindowRgn(hwnd_, region.get(), TRUE)) buttonRegion_ = region.release();
}

void TplButton::SetGradation(bool value) {
    if (value == gradation_) return;
    gradation_ = value;
    if (value) parentColor_ = false;
    Repaint();
}
void TplButton::SetGradBeginColor(TColor value) {
    if (value == gradBeginColor_) return;
    gradBeginColor_ = value;
    Repaint();
}
void TplButton::SetGradEndColor(TColor value) {
    if (value == gradEndColor_) return;
    gradEndColor_ = value;
    Repaint();
}
void TplButton::SetHasFocus(bool value) {
    if (value == hasFocus_) return;
    hasFocus_ = value;
    Repaint();
}
void TplButton::SetImage(const TplBtnImage& value) {
    image_.Assign(value);
    Repaint();
}
void TplButton::SetDisableImage(bool value) {
    if (value == disableImage_) return;
    disableImage_ = value;
    Repaint();
}
void TplButton::SetCaptionA(const TplBtnCaption& value) {
    if (&value != &captionA_) captionA_.Assign(value);
}
void TplButton::SetCaptionB(const TplBtnCaption& value) {
    if (&value != &captionB_) captionB_.Assign(value);
}
void TplButton::SetCaptionLineSpace(int value) {
    if (value == captionLineSpace_) return;
    captionLineSpace_ = value;
    Repaint();
}
void TplButton::SetCaptionTop(int value) {
    if (value == captionTop_) return;
    captionTop_ = value;
    captionVertCenter_ = false;
    Repaint();
}
void TplButton::SetCaptionVertCenter(bool value) {
    if (value == captionVertCenter_) return;
    captionVertCenter_ = value;
    if (value) Repaint();
}
void TplButton::SetFlatFrameType(TplBtnFrameType value) {
    if (value == flatFrameType_) return;
    flatFrameType_ = value;
    Repaint();
}
void TplButton::SetColor(TColor value) {
    parentColor_ = false;
    if (value == color_) return;
    color_ = value;
    Repaint();
}
void TplButton::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    Repaint();
}
HFONT TplButton::Font() const {
    if (!parentFont_ && font_) return font_;
    if (parentFont_ && hwnd_) {
        if (HWND parent = GetParent(hwnd_)) {
            if (auto font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0))) return font;
        }
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}
void TplButton::SetFont(HFONT font, bool redraw) {
    font_ = font;
    parentFont_ = false;
    if (redraw) Repaint();
}
void TplButton::SetParentFont(bool value) {
    if (value == parentFont_) return;
    parentFont_ = value;
    Repaint();
}
void TplButton::SetFontColor(TColor value) {
    if (value == fontColor_) return;
    fontColor_ = value;
    Repaint();
}
void TplButton::ActionCaptionChanged(const std::string& caption) { captionA_.SetCaption(caption); }
void TplButton::ParentFontChanged() {
    if (parentFont_) Repaint();
}
void TplButton::CancelPress() {
    clickArmed_ = false;
    spaceArmed_ = false;
    pressed_ = false;
    Invalidate();
}
void TplButton::MirrorWindowText() {
    if (!hwnd_) return;
    mirroring_ = true;
    SetWindowTextW(hwnd_, win32::Widen(captionA_.Caption()).c_str());
    mirroring_ = false;
}
bool TplButton::TabStop() const { return hwnd_ && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_TABSTOP); }
void TplButton::SetTabStop(bool value) {
    if (!hwnd_) return;
    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~LONG_PTR{WS_TABSTOP}));
}
bool TplButton::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

bool TplButton::DisabledLook() const { return hwnd_ && !IsWindowEnabled(hwnd_) && (hasFocus_ || disableImage_); }

void TplButton::Invalidate() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TplButton::Repaint() {
    Invalidate();
    // A setter that runs inside a paint (the centring of the picture) asks for the next paint
    // only; painting from within a paint would recurse.
    if (hwnd_ && !painting_) UpdateWindow(hwnd_);
}

// ---- Painting

void TplButton::PaintTo(HDC dc) {
    if (!hwnd_ || !dc) return;
    SIZE size = ClientSize();
    if (size.cx <= 0 || size.cy <= 0) return;
    struct PaintingFlag {
        bool& flag;
        bool old;
        explicit PaintingFlag(bool& f) : flag(f), old(f) { flag = true; }
        ~PaintingFlag() { flag = old; }
    } painting(painting_);
    int saved = SaveDC(dc);
    struct RestoreDc {
        HDC dc;
        int saved;
        ~RestoreDc() { if (saved) RestoreDC(dc, saved); }
    } restore{dc, saved};
    if (parentColor_) {
        PaintButton(dc, size);
        return;
    }
    // Painted off screen and copied in one step, so the gradient, the text and the frame never
    // show half drawn.
    MemoryDC memory(dc);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, size.cx, size.cy));
    if (!memory || !bitmap) {
        PaintButton(dc, size);
        return;
    }
    Selection select(memory.get(), bitmap.get());
    PaintButton(memory.get(), size);
    BitBlt(dc, 0, 0, size.cx, size.cy, memory.get(), 0, 0, SRCCOPY);
}

void TplButton::PaintButton(HDC dc, SIZE size) {
    paintRect_ = {0, 0, size.cx, size.cy};
    if (gradation_) {
        DrawGradient(dc, size);
    } else {
        COLORREF fill = ColorToRGB(color_);
        if (parentColor_ && hwnd_) {
            // The parent's colour for buttons, when it answers with a solid brush.
            auto brush = reinterpret_cast<HBRUSH>(
                SendMessageW(GetParent(hwnd_), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)));
            LOGBRUSH lb{};
            if (brush && GetObjectW(brush, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID) fill = lb.lbColor;
        }
        SetDCBrushColor(dc, fill);
        FillRect(dc, &paintRect_, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    DrawButtonImage(dc, size);

    Selection font(dc, Font());
    const std::string& a = captionA_.Caption();
    const std::string& b = captionB_.Caption();
    int heightA = TextHeight(dc, a);
    CaptionRows rows = PlaceCaptionRows({size.cy, heightA, b.empty() ? 0 : TextHeight(dc, b), a.empty(), b.empty(),
                                         captionLineSpace_, captionVertCenter_, captionTop_});
    captionTop_ = rows.captionTop; // stored directly: no repaint, centring stays on
    DrawCaptionLine(dc, size, captionA_, rows.y);
    DrawCaptionLine(dc, size, captionB_, rows.y2);

    paintRect_ = {0, 0, size.cx, size.cy};
    DrawButtonFrame(dc, size);
    if (Focused() && hasFocus_) DrawFocusMark(dc, size);
}

void TplButton::DrawGradient(HDC dc, SIZE size) {
    BtnRgb begin = RgbOfColorRef(GetNearestColor(dc, ColorToRGB(gradBeginColor_)));
    BtnRgb end = RgbOfColorRef(GetNearestColor(dc, ColorToRGB(gradEndColor_)));
    std::vector<BtnRgb> rows = GradientRows(begin, end, size.cy);
    Selection pen(dc, GetStockObject(DC_PEN));
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        SetDCPenColor(dc, ColorRefOf(rows[static_cast<std::size_t>(y)]));
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, size.cx, y);
    }
}

void TplButton::DrawButtonImage(HDC dc, SIZE size) {
    const TPicture& picture = image_.Picture();
    if (!image_.Visible() || picture.Empty()) return;
    int shift = hasFocus_ && pressed_ ? 1 : 0;
    // Stored directly: this paint already shows the centred place, no other one is needed.
    if (image_.VertCenter()) image_.top_ = (size.cy - picture.Height()) / 2;
    if (image_.HorzCenter()) image_.left_ = (size.cx - picture.Width()) / 2;
    int x = image_.Left() + shift;
    int y = image_.Top() + shift;
    int w = picture.Width(), h = picture.Height();
    if (w <= 0 || h <= 0) return;

    bool transparent = false;
    Dib24 work(dc, w, h);
    if (!work) return;
    MemoryDC workDc(dc);
    if (!workDc) return;
    Selection selectWork(workDc.get(), work.bitmap.get());
    switch (picture.GraphicKind()) {
    case TPicture::Kind::Icon:
        DrawIconEx(workDc.get(), 0, 0, picture.Icon(), 0, 0, 0, nullptr, DI_NORMAL);
        transparent = true;
        break;
    case TPicture::Kind::Bitmap: {
        MemoryDC source(dc);
        if (!source) return;
        Selection selectSource(source.get(), picture.Bitmap());
        BitBlt(workDc.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
        transparent = image_.TransParent();
        break;
    }
    default:
        return; // only icons and bitmaps are drawn
    }
    GdiFlush(); // the pixels are rewritten directly below
    if (DisabledLook()) MakeDisabledPixels(work.bits, w, h, work.stride);
    if (transparent)
        TransparentBlt(dc, x, y, w, h, workDc.get(), 0, 0, w, h, work.BottomLeft());
    else
        BitBlt(dc, x, y, w, h, workDc.get(), 0, 0, SRCCOPY);
}

void TplButton::DrawCaptionLine(HDC dc, SIZE size, const TplBtnCaption& caption, int y) {
    const MnemonicCaption mnemonic = SplitMnemonic(caption.Caption());
    const std::string& text = mnemonic.shown;
    std::wstring wide = win32::Widen(text);
    int n = static_cast<int>(wide.size());
    if (n == 0) return;
    SetBkMode(dc, TRANSPARENT);
    CaptionLine line = PlanCaptionLine({caption.Alignment(), n, size.cx, caption.Left(), caption.Right(),
                                        hasFocus_ && pressed_, TextWidth(dc, text)});
    UINT anchor = line.anchor == TextAnchor::Center ? TA_CENTER : line.anchor == TextAnchor::Right ? TA_RIGHT : TA_LEFT;
    SetTextAlign(dc, anchor | TA_TOP);
    y += line.dy;

    // taEven steps character by character; a double-byte character is one step.
    std::vector<std::string> chars;
    std::vector<int> widths;
    if (line.alignment == TplBtnAlignment::taEven) {
        for (wchar_t unit : wide) {
            chars.push_back(win32::Narrow(std::wstring_view(&unit, 1)));
            widths.push_back(TextWidth(dc, chars.back()));
        }
    }
    // The mnemonic's underline: from its left edge, as wide as it is, just below the baseline.
    TEXTMETRICW metrics{};
    if (mnemonic.underlined >= 0) GetTextMetricsW(dc, &metrics);
    auto underline = [&](int left, int y0, COLORREF color) {
        const int width = TextWidth(dc, std::string_view(text).substr(
                                            static_cast<std::size_t>(mnemonic.underlined),
                                            static_cast<std::size_t>(mnemonic.underlinedBytes)));
        SetDCBrushColor(dc, color);
        const int base = y0 + metrics.tmAscent + 1;
        const RECT bar{left, base, left + width, base + 1};
        FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    };
    auto draw = [&](int x0, int y0) {
        if (line.alignment != TplBtnAlignment::taEven) {
            TextOutA(dc, x0, y0, text.data(), static_cast<int>(text.size()));
            if (mnemonic.underlined < 0) return;
            const int whole = TextWidth(dc, text);
            const int start = line.anchor == TextAnchor::Center ? x0 - whole / 2
                              : line.anchor == TextAnchor::Right ? x0 - whole : x0;
            underline(start + TextWidth(dc, std::string_view(text).substr(
                                                0, static_cast<std::size_t>(mnemonic.underlined))),
                      y0, GetTextColor(dc));
            return;
        }
        std::vector<int> lefts = EvenCharLefts(x0, widths, line.gap, line.rem);
        for (std::size_t i = 0; i < chars.size(); ++i)
            TextOutA(dc, lefts[i], y0, chars[i].data(), static_cast<int>(chars[i].size()));
        if (mnemonic.underlined < 0) return;
        const std::size_t unit =
            win32::Widen(std::string_view(text).substr(0, static_cast<std::size_t>(mnemonic.underlined))).size();
        if (unit < lefts.size()) underline(lefts[unit], y0, GetTextColor(dc));
    };
    COLORREF color = ColorToRGB(fontColor_);
    if (DisabledLook()) {
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        draw(line.x + 1, y + 1);
        color = GetSysColor(COLOR_BTNSHADOW);
    }
    SetTextColor(dc, color);
    draw(line.x, y);
}

void TplButton::DrawButtonFrame(HDC dc, SIZE size) {
    RECT r = paintRect_;
    switch (ChooseFrame(buttonStyle_, flatFrameType_, pressed_)) {
    case ButtonFrame::RaisedEdge: DrawEdge(dc, &r, EDGE_RAISED, BF_RECT); break;
    case ButtonFrame::PressedOutline:
        Outline(dc, r, GetSysColor(COLOR_BTNSHADOW));
        InflateRect(&r, -1, -1);
        Outline(dc, r, RGB(0x80, 0x80, 0x80));
        break;
    case ButtonFrame::FlatBumpEdge: DrawEdge(dc, &r, EDGE_BUMP, BF_RECT | BF_FLAT); break;
    case ButtonFrame::EtchedEdge: DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT); break;
    case ButtonFrame::BumpEdge: DrawEdge(dc, &r, EDGE_BUMP, BF_RECT); break;
    case ButtonFrame::None: break;
    case ButtonFrame::RoundOutline: {
        Selection pen(dc, GetStockObject(DC_PEN));
        Selection brush(dc, GetStockObject(NULL_BRUSH));
        SetDCPenColor(dc, RGB(0x75, 0x75, 0x75));
        RoundRect(dc, 0, 0, size.cx, size.cy, roundCorner_, roundCorner_);
        break;
    }
    }
}

void TplButton::DrawFocusMark(HDC dc, SIZE size) {
    FocusMark mark = PlanFocusMark(buttonStyle_, flatFrameType_, size.cx, size.cy, roundCorner_);
    paintRect_ = {mark.rect.left, mark.rect.top, mark.rect.right, mark.rect.bottom};
    if (mark.round) {
        LOGBRUSH brush{BS_SOLID, RGB(0x20, 0x20, 0x20), 0};
        GdiObject<HPEN> pen(ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr));
        if (!pen) return;
        Selection selectPen(dc, pen.get());
        Selection selectBrush(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, mark.rect.left, mark.rect.top, mark.rect.right, mark.rect.bottom, mark.corner, mark.corner);
        return;
    }
    // DrawFocusRect inverts through the text colour: white makes the dotted line show on any fill.
    COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    COLORREF oldBack = SetBkColor(dc, RGB(0, 0, 0));
    DrawFocusRect(dc, &paintRect_);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
}

} // namespace vermiq
