// Shadowed label: window plumbing, the layered text drawing and the attached variant.
#include "widgets/EsLabel.h"

#include "common/win32_text.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace vermiq {

namespace {

void RegisterOnce(const wchar_t* name, UINT style, WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("window class cannot be registered");
}

} // namespace

EsDibSurface::EsDibSurface(HDC reference, int width, int height) {
    void* raw = nullptr;
    bitmap = win32::TopDownDib(reference, width, height, 32, &raw);
    bits = static_cast<std::uint32_t*>(raw);
}

TEsCustomLabel::TEsCustomLabel()
    : look_(EsLabelLook::Hooks{[this] { Invalidate(); }, [this] { ColorChanged(); },
                               [this] { TextChanged(); }, [this] { FontChanged(); }}) {
    font_.Color = look_.FontColor();
    RebuildFont();
}

TEsCustomLabel::~TEsCustomLabel() { DestroyHandle(); }

void TEsCustomLabel::DestroyHandle() {
    if (!hwnd_) return;
    DetachWidget();
    HWND hwnd = std::exchange(hwnd_, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

const wchar_t* TEsCustomLabel::WindowClassName() const { return L"VermiqEsLabel"; }

UINT TEsCustomLabel::WindowClassStyle() const { return CS_DBLCLKS; }

void TEsCustomLabel::CreateHandle(HWND parent, int left, int top, int width, int height,
                                  int controlId) {
    if (hwnd_) throw std::logic_error("the label already has a window");
    RegisterOnce(WindowClassName(), WindowClassStyle(), &TEsCustomLabel::WindowProc);
    HWND hwnd = CreateWindowExW(0, WindowClassName(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                left, top, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                GetModuleHandleW(nullptr), this);
    if (!hwnd) throw std::runtime_error("the label's window cannot be created");
    AttachWidget(hwnd);
    MirrorWindowText();
    if (parentColor_) TakeParentColor();
    if (parentFont_) TakeParentFont();
    HandleCreated();
    AdjustBounds();
}

LRESULT CALLBACK TEsCustomLabel::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<TEsCustomLabel*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TEsCustomLabel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        LRESULT ignored = 0;
        self->HandleWidgetMessage(message, wParam, lParam, ignored);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // A failed paint or click must not unwind through the system's dispatcher.
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT TEsCustomLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; HandleWidgetMessage(message, wParam, lParam, result)) return result;
    // Kept aside: a mouse handler may delete the label, and its window with it.
    const HWND hwnd = hwnd_;
    auto mouse = [&](TMouseButton button, bool down) {
        const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
        if (down && OnMouseDown) OnMouseDown(*this, button, x, y);
        if (!down && OnMouseUp) OnMouseUp(*this, button, x, y);
    };
    switch (message) {
    case WM_GETDLGCODE:
        // Found by the dialog's mnemonic handling (IsDialogMessage), which clicks a button
        // whose accelerator was typed: the click hands the focus on. Answering as a static
        // instead would send the focus to the next tab stop, and only in a system dialog.
        if (focusControl_ && showAccelChar_) return DLGC_BUTTON;
        break;
    case BM_CLICK:
    case WM_SETFOCUS:
        if (focusControl_ && IsWindow(focusControl_)) SetFocus(focusControl_);
        return 0;
    case WM_ENABLE: Invalidate(); break;
    case WM_LBUTTONDOWN:
        leftPressed_ = true;
        mouse(TMouseButton::mbLeft, true);
        break;
    case WM_RBUTTONDOWN: mouse(TMouseButton::mbRight, true); break;
    case WM_MBUTTONDOWN: mouse(TMouseButton::mbMiddle, true); break;
    case WM_RBUTTONUP: mouse(TMouseButton::mbRight, false); break;
    case WM_MBUTTONUP: mouse(TMouseButton::mbMiddle, false); break;
    case WM_MOUSEMOVE:
        // Let go outside, unseen here: that press ends without a click.
        if ((wParam & MK_LBUTTON) == 0) leftPressed_ = false;
        if (OnMouseMove)
            OnMouseMove(*this, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        break;
    case WM_ERASEBKGND: return 1; // the paint covers every pixel from its own buffer
    case WM_PAINT: {
        win32::PaintScope ps(hwnd_);
        Paint(ps.dc());
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_LBUTTONUP: {
        // Only a press that began here clicks: the release that ends a double click, or one
        // that ends a press begun over another window, is no second click.
        const bool click = leftPressed_;
        leftPressed_ = false;
        std::weak_ptr<char> alive = life_;
        mouse(TMouseButton::mbLeft, false);
        if (!click || alive.expired()) return 0;
        // The click's one handler: OnClick, or else the linked action.
        if (OnClick) OnClick(*this);
        else if (Action()) Action()->Execute();
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        std::weak_ptr<char> alive = life_;
        mouse(TMouseButton::mbLeft, true);
        if (!alive.expired() && OnDblClick) OnDblClick(*this);
        return 0;
    }
    case WM_SETTEXT:
        if (!mirroring_) {
            // Text set from outside becomes the caption.
            const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
            const auto* text = reinterpret_cast<const wchar_t*>(lParam);
            std::string caption = text ? win32::Narrow(text) : std::string();
            if (caption != caption_) {
                caption_ = std::move(caption);
                TextChanged();
            }
            return result;
        }
        break;
    case WM_SETFONT:
        // As a system control takes it: the label's own font from now on.
        if (wParam) {
            parentFont_ = false;
            TakeFont(reinterpret_cast<HFONT>(wParam));
        }
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(fontHandle_.get());
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        if (parentColor_) TakeParentColor();
        ColorChanged();
        break;
    default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

RECT TEsCustomLabel::ClientRect() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r;
}

void TEsCustomLabel::FillWithColor(HDC dc, const RECT& rect) const {
    win32::GdiObject<HBRUSH> brush(CreateSolidBrush(BackgroundColorRef()));
    FillRect(dc, &rect, brush.get());
}

void TEsCustomLabel::Paint(HDC dc) {
    const RECT client = ClientRect();
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    // Composed off screen and copied in one go, so that the layers never flicker.
    win32::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, width, height));
    win32::MemoryDC memory(dc);
    if (!bitmap || !memory) return;
    win32::Selection keep(memory.get(), bitmap.get());
    if (transparent_) {
        // What lies behind a transparent label is the parent's background.
        FillWithColor(memory.get(), client);
        POINT origin{0, 0};
        MapWindowPoints(hwnd_, GetParent(hwnd_), &origin, 1);
        POINT previous{};
        SetViewportOrgEx(memory.get(), -origin.x, -origin.y, &previous);
        SendMessageW(GetParent(hwnd_), WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.get()), 0);
        SetViewportOrgEx(memory.get(), previous.x, previous.y, nullptr);
    }
    if (IsWindowEnabled(hwnd_)) {
        RenderTextTo(memory.get(), client, PaintFormat());
    } else {
        if (!transparent_) FillWithColor(memory.get(), client);
        DrawDisabledText(memory.get(), client, PaintFormat());
    }
    BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

void TEsCustomLabel::DrawDisabledText(HDC dc, const RECT& rect, UINT format) {
    win32::Selection font(dc, fontHandle_.get());
    SetBkMode(dc, TRANSPARENT);
    const int length = static_cast<int>(caption_.size());
    RECT raised{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, caption_.c_str(), length, &raised, format);
    RECT face = rect;
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    DrawTextA(dc, caption_.c_str(), length, &face, format);
}

UINT TEsCustomLabel::PaintFormat() const {
    UINT format = DT_EXPANDTABS;
    if (wordWrap_) format |= DT_WORDBREAK;
    if (alignment_ == TAlignment::taRightJustify) format |= DT_RIGHT;
    if (alignment_ == TAlignment::taCenter) format |= DT_CENTER;
    if (!showAccelChar_) format |= DT_NOPREFIX;
    return format;
}

void TEsCustomLabel::RenderTextTo(HDC dc, const RECT& rect, UINT format) {
    if (!transparent_) FillWithColor(dc, RECT{0, 0, rect.right, rect.bottom});
    DrawShadowedText(dc, rect, format);
}

void TEsCustomLabel::DrawShadowedText(HDC dc, const RECT& r, UINT format) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;

    EsDibSurface composition(dc, width, height);
    win32::MemoryDC b2(dc);
    if (!composition.bitmap || !b2) return;
    win32::Selection b2Bitmap(b2.get(), composition.bitmap.get());
    win32::Selection b2Font(b2.get(), fontHandle_.get());
    // A transparent label keeps whatever is already behind it.
    BitBlt(b2.get(), 0, 0, width, height, dc, r.left, r.top, SRCCOPY);
    const RECT local{0, 0, width, height};
    if (!transparent_) FillWithColor(b2.get(), local);
    SetBkMode(b2.get(), TRANSPARENT);

    const TEsCustomSettings& s = look_.CustomSettings();
    const bool graduated = s.GraduateStyle() != TEsGraduateStyle::gsNone;
    const int length = static_cast<int>(caption_.size());
    SIZE extent{};
    if (graduated) GetTextExtentPoint32A(b2.get(), caption_.c_str(), length, &extent);

    // System colours are looked up first, so that a shade computed from them is the colour
    // one sees on screen rather than arithmetic on the lookup index.
    TEsCustomSettings resolved;
    resolved.Assign(s);
    resolved.SetHighlightColor(ToColorRef(s.HighlightColor()));
    resolved.SetShadowColor(ToColorRef(s.ShadowColor()));
    resolved.SetGraduateFromColor(ToColorRef(s.GraduateFromColor()));
    const EsColor face = ToColorRef(look_.FontColor());
    const ShadowedTextPlan plan =
        PlanShadowedText(resolved, face, width, height, format, extent.cx);

    auto draw = [&](HDC target, const TextLayer& layer) {
        SetTextColor(target, ToColorRef(layer.color));
        RECT rect{layer.rect.left, layer.rect.top, layer.rect.right, layer.rect.bottom};
        DrawTextA(target, caption_.c_str(), length, &rect, format);
    };
    for (const TextLayer& layer : plan.layers) draw(b2.get(), layer);

    if (!graduated) {
        draw(b2.get(), plan.face);
    } else {
        // The face is drawn white on black as a coverage mask; each band then mixes its colour
        // into the composition by that coverage. Hard-edged text gives exactly the pixels of
        // a key-colour replacement, and smoothed edges blend instead of keeping a key fringe.
        EsDibSurface mask(dc, width, height);
        win32::MemoryDC b1(dc);
        if (!mask.bitmap || !b1) return;
        win32::Selection b1Bitmap(b1.get(), mask.bitmap.get());
        win32::Selection b1Font(b1.get(), fontHandle_.get());
        std::memset(mask.bits, 0, sizeof(std::uint32_t) * static_cast<size_t>(width) * height);
        SetBkMode(b1.get(), TRANSPARENT);
        draw(b1.get(), TextLayer{plan.face.rect, es_colors::clWhite});
        GdiFlush();
        for (const FaceBand& band : plan.bands) {
            const int top = std::max(band.rect.top, 0), bottom = std::min(band.rect.bottom, height);
            const int left = std::max(band.rect.left, 0), right = std::min(band.rect.right, width);
            // DIB pixels are 0x00RRGGBB.
            const unsigned cr = RedOf(band.color), cg = GreenOf(band.color),
                           cb = BlueOf(band.color);
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    const size_t i = static_cast<size_t>(y) * width + x;
                    const std::uint32_t m = mask.bits[i];
                    if (!m) continue;
                    const std::uint32_t p = composition.bits[i];
                    auto mix = [](unsigned under, unsigned over, unsigned cover) {
                        return (under * (255 - cover) + over * cover + 127) / 255;
                    };
                    const unsigned r2 = mix(p >> 16 & 0xFF, cr, m >> 16 & 0xFF);
                    const unsigned g2 = mix(p >> 8 & 0xFF, cg, m >> 8 & 0xFF);
                    const unsigned b2v = mix(p & 0xFF, cb, m & 0xFF);
                    composition.bits[i] = r2 << 16 | g2 << 8 | b2v;
                }
            }
        }
    }
    BitBlt(dc, r.left, r.top, width, height, b2.get(), 0, 0, SRCCOPY);
}

void TEsCustomLabel::RebuildFont() {
    LOGFONTA lf{};
    lf.lfHeight = font_.Height;
    lf.lfWeight = font_.Weight;
    lf.lfItalic = font_.Italic;
    lf.lfUnderline = font_.Underline;
    lf.lfStrikeOut = font_.StrikeOut;
    lf.lfCharSet = font_.Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = font_.Quality;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    const size_t n = std::min(font_.Name.size(), sizeof lf.lfFaceName - 1);
    std::memcpy(lf.lfFaceName, font_.Name.data(), n);
    win32::GdiObject<HFONT> created(CreateFontIndirectA(&lf));
    if (!created) throw std::runtime_error("the label's font cannot be created");
    fontHandle_ = std::move(created);
}

TEsFont TEsCustomLabel::Font() const {
    TEsFont font = font_;
    font.Color = look_.FontColor();
    return font;
}

std::string TEsCustomLabel::RealizedFontName() const {
    win32::WindowDC screen(nullptr);
    win32::Selection font(screen.get(), fontHandle_.get());
    char face[LF_FACESIZE * 2] = {};
    GetTextFaceA(screen.get(), static_cast<int>(sizeof face - 1), face);
    return face;
}

void TEsCustomLabel::SetFont(const TEsFont& font) {
    TEsFont shape = font;
    shape.Color = font_.Color;
    const bool shapeChanged = shape.Name != font_.Name || shape.Height != font_.Height ||
                              shape.Charset != font_.Charset || shape.Weight != font_.Weight ||
                              shape.Italic != font_.Italic || shape.Underline != font_.Underline ||
                              shape.StrikeOut != font_.StrikeOut || shape.Quality != font_.Quality;
    parentFont_ = false;
    if (shapeChanged) {
        font_ = shape;
        RebuildFont();
    }
    if (font.Color != look_.FontColor()) {
        look_.SetFontColor(font.Color); // reports the change itself
    } else if (shapeChanged) {
        FontChanged();
    }
}

void TEsCustomLabel::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    if (Action()) Action()->SetCaption(caption_);  // and so on every widget linked to it
    MirrorWindowText();
    TextChanged();
}

void TEsCustomLabel::MirrorWindowText() {
    if (!hwnd_) return;
    mirroring_ = true;
    SetWindowTextW(hwnd_, win32::Widen(caption_).c_str());
    mirroring_ = false;
}

void TEsCustomLabel::SetColor(EsColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    ColorChanged();
}

void TEsCustomLabel::SetParentColor(bool value) {
    if (value == parentColor_) return;
    parentColor_ = value;
    if (value && hwnd_) {
        TakeParentColor();
        ColorChanged();
    }
}

void TEsCustomLabel::TakeParentColor() {
    HWND parent = hwnd_ ? GetParent(hwnd_) : nullptr;
    if (!parent) return;
    win32::WindowDC dc(hwnd_);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(hwnd_)));
    LOGBRUSH info{};
    if (brush && GetObjectW(brush, sizeof info, &info) == static_cast<int>(sizeof info) &&
        info.lbStyle == BS_SOLID)
        color_ = info.lbColor;
    else
        color_ = es_colors::clBtnFace;
}

void TEsCustomLabel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TEsCustomLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TEsCustomLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TEsCustomLabel::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}

void TEsCustomLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TEsCustomLabel::SetBounds(int left, int top, int width, int height) {
    if (hwnd_)
        SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TEsCustomLabel::SetLeft(int value) {
    const WidgetRect b = BoundsInParent();
    SetBounds(value, b.top, b.width, b.height);
}
void TEsCustomLabel::SetTop(int value) {
    const WidgetRect b = BoundsInParent();
    SetBounds(b.left, value, b.width, b.height);
}
void TEsCustomLabel::SetWidth(int value) {
    const WidgetRect b = BoundsInParent();
    SetBounds(b.left, b.top, value, b.height);
}
void TEsCustomLabel::SetHeight(int value) {
    const WidgetRect b = BoundsInParent();
    SetBounds(b.left, b.top, b.width, value);
}

void TEsCustomLabel::SetParentFont(bool value) {
    if (value == parentFont_) return;
    parentFont_ = value;
    if (value) TakeParentFont();
}

void TEsCustomLabel::TakeParentFont() {
    HWND parent = hwnd_ ? GetParent(hwnd_) : nullptr;
    if (!parent) return;
    auto font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    TakeFont(font);
}

void TEsCustomLabel::TakeFont(HFONT font) {
    LOGFONTA lf{};
    if (!GetObjectA(font, sizeof lf, &lf)) return;
    font_.Name = lf.lfFaceName;
    font_.Height = lf.lfHeight;
    font_.Charset = lf.lfCharSet;
    font_.Weight = lf.lfWeight;
    font_.Italic = lf.lfItalic != 0;
    font_.Underline = lf.lfUnderline != 0;
    font_.StrikeOut = lf.lfStrikeOut != 0;
    font_.Quality = lf.lfQuality;
    RebuildFont();
    FontChanged();
}

void TEsCustomLabel::SetFocusControl(HWND control) { focusControl_ = control; }

void TEsCustomLabel::Invalidate() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void TEsCustomLabel::ColorChanged() { Invalidate(); }

void TEsCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TEsCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TEsCustomLabel::AdjustBounds() {
    if (!autoSize_ || !hwnd_) return;
    win32::WindowDC dc(hwnd_);
    win32::Selection font(dc.get(), fontHandle_.get());
    RECT r = ClientRect();
    if (!wordWrap_ || r.right <= 0) r.right = 0x7FFF;
    DrawTextA(dc.get(), caption_.c_str(), static_cast<int>(caption_.size()), &r,
              (PaintFormat() & ~static_cast<UINT>(DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
    // The copies stick out by the shade extents; the window makes room for them.
    const ShadowedTextPlan plan = PlanShadowedText(look_.CustomSettings(), 0, 0, 0, 0, 0);
    const int spread = plan.shadeMax - plan.shadeMin;
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left + spread, r.bottom - r.top + spread,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- TEsAttachedLabel ----

TEsAttachedLabel::TEsAttachedLabel() {
    SetAutoSize(true);
    SetColorScheme(TEsColorScheme::csText);
    SetAppearance(TEsAppearance::apNone);
    SetParentFont(true);
    SetTransparent(false);
}

TEsAttachedLabel::TEsAttachedLabel(HWND esControl) : TEsAttachedLabel() { esControl_ = esControl; }

TEsAttachedLabel::~TEsAttachedLabel() { DestroyHandle(); }

void TEsAttachedLabel::SetEsControl(HWND control) {
    esControl_ = control;
    NotifyAttachedControl();
}

void TEsAttachedLabel::HandleCreated() { NotifyAttachedControl(); }

void TEsAttachedLabel::NotifyAttachedControl() {
    if (!hwnd_ || !esControl_ || !IsWindow(esControl_)) return;
    // Only a control on the label's own form is told.
    HWND form = GetAncestor(hwnd_, GA_ROOT);
    if (!form || form == hwnd_ || GetAncestor(esControl_, GA_ROOT) != form) return;
    SendMessageW(esControl_, AttachLabelMessage, 0, reinterpret_cast<LPARAM>(this));
    PostMessageW(esControl_, PositionLabelMessage, 0, 0);
}

LRESULT TEsAttachedLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGED) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
            NotifyAttachedControl();
    }
    return TEsCustomLabel::HandleMessage(message, wParam, lParam);
}

} // namespace vermiq
