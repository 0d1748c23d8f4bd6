// The gradient push button's painting: gradient, picture, caption lines, frame and focus
// mark, drawn off screen and copied in one go.
#include "widgets/plButton.h"

#include <vector>

#include "common/win32_raii.h"
#include "common/win32_text.h"

namespace vermiq {

using win32::GdiObject;
using win32::MemoryDC;
using win32::Selection;

namespace {

COLORREF ColorToRGB(TColor color) {
    return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : (color & 0xFFFFFF);
}

// A 24-bit top-down DIB section whose pixels the disabled look can rewrite directly.
struct Dib24 {
    GdiObject<HBITMAP> bitmap;
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    Dib24(HDC dc, int w, int h) : width(w), height(h), stride((w * 3 + 3) & ~3) {
        void* pixels = nullptr;
        bitmap = win32::TopDownDib(dc, w, h, 24, &pixels);
        bits = static_cast<std::uint8_t*>(pixels);
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
