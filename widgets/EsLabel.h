// Shadowed label: a child window that draws its caption with shadow and highlight copies,
// and the attached variant that keeps company with a windowed control.
#pragma once

#include "common/win32_raii.h"
#include "widgets/WidgetControl.h"
#include "widgets/label_layers.h"
#include "widgets/colors_win32.h"
#include "widgets/label_look.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vermiq {

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

struct TEsFont {
    std::string Name = "Times New Roman"; // code page 932
    int Height = -27; // as in LOGFONT: negative is the character height in pixels
    std::uint8_t Charset = DEFAULT_CHARSET;
    int Weight = FW_NORMAL;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::uint8_t Quality = DEFAULT_QUALITY;
    EsColor Color = es_colors::clGray;
};


// A 32-bit top-down DIB section (pixels 0x00RRGGBB), for reading and writing pixels directly.
struct EsDibSurface {
    EsDibSurface(HDC reference, int width, int height);
    win32::GdiObject<HBITMAP> bitmap;
    std::uint32_t* bits = nullptr;
};

inline constexpr UINT AttachLabelMessage = WM_USER + 102;
inline constexpr UINT PositionLabelMessage = WM_USER + 101;

class TEsCustomLabel : public WidgetControl {
public:
    TEsCustomLabel();
    virtual ~TEsCustomLabel();
    TEsCustomLabel(const TEsCustomLabel&) = delete;
    TEsCustomLabel& operator=(const TEsCustomLabel&) = delete;

    // Creates the label's window inside parent (150 x 35 unless told), with a control id for
    // GetDlgItem and the caption as its window text. Until then the label keeps its
    // properties but measures and paints nothing. Throws when the window cannot be created.
    void CreateHandle(HWND parent, int left, int top, int width = 150, int height = 35,
                      int controlId = 0);
    HWND Handle() const { return hwnd_; }
    void SetBounds(int left, int top, int width, int height);
    // Position and size within the parent's client area (0 without a window).
    int Left() const { return BoundsInParent().left; }
    int Top() const { return BoundsInParent().top; }
    int Width() const { return BoundsInParent().width; }
    int Height() const { return BoundsInParent().height; }
    void SetLeft(int value);
    void SetTop(int value);
    void SetWidth(int value);
    void SetHeight(int value);

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    TEsFont Font() const;
    void SetFont(const TEsFont& font);  // turns ParentFont off
    // With ParentFont the label takes its parent's font (WM_GETFONT), keeping its own colour.
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    // The face the system actually chose for Font (it substitutes a missing one).
    std::string RealizedFontName() const;
    EsColor Color() const { return color_; }
    void SetColor(EsColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    TEsAppearance Appearance() const { return look_.Appearance(); }
    void SetAppearance(TEsAppearance value) { look_.SetAppearance(value); }
    TEsColorScheme ColorScheme() const { return look_.ColorScheme(); }
    void SetColorScheme(TEsColorScheme value) { look_.SetColorScheme(value); }
    TEsCustomSettings& CustomSettings() { return look_.CustomSettings(); }
    void SetCustomSettings(const TEsCustomSettings& value) { look_.SetCustomSettings(value); }

    // Draws the caption with its shadow and highlight into dc within rect; an opaque label
    // first fills (0, 0)-(rect.right, rect.bottom) with its colour.
    void RenderTextTo(HDC dc, const RECT& rect, UINT format);

    // Schedules a repaint of the window.
    virtual void Invalidate();

    // The control that the caption's accelerator (the character after "&") gives the focus to,
    // through the dialog's own mnemonic handling (IsDialogMessage). Null: the accelerator does
    // nothing.
    HWND FocusControl() const { return focusControl_; }
    void SetFocusControl(HWND control);

    std::function<void(TEsCustomLabel&)> OnClick;
    std::function<void(TEsCustomLabel&)> OnDblClick;
    std::function<void(TEsCustomLabel&, TMouseButton, int x, int y)> OnMouseDown, OnMouseUp;
    std::function<void(TEsCustomLabel&, int x, int y)> OnMouseMove;

protected:
    virtual const wchar_t* WindowClassName() const;
    virtual UINT WindowClassStyle() const;
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void Paint(HDC dc);
    virtual void HandleCreated() {}
    void ActionCaptionChanged(const std::string& caption) override { SetCaption(caption); }
    void CancelPress() override { leftPressed_ = false; }
    void ParentFontChanged() override {
        if (parentFont_) TakeParentFont();
    }
    // The label's own reactions to a change of colour, font or text.
    virtual void ColorChanged();
    virtual void FontChanged();
    virtual void TextChanged();

    // Destroys the window without calling back into this object; derived destructors call it
    // first so that no message reaches a half-destroyed object.
    void DestroyHandle();
    UINT PaintFormat() const;
    HFONT FontHandle() const { return fontHandle_.get(); }
    COLORREF BackgroundColorRef() const { return ToColorRef(color_); }
    RECT ClientRect() const;
    void FillWithColor(HDC dc, const RECT& rect) const;
    void DrawShadowedText(HDC dc, const RECT& r, UINT format);
    void AdjustBounds();
    // Takes the parent's background colour, as the parent hands it to static controls.
    void TakeParentColor();

    HWND hwnd_ = nullptr;
    EsLabelLook look_;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RebuildFont();
    void TakeParentFont();
    // Takes the shape of `font` (the colour stays the label's own).
    void TakeFont(HFONT font);
    // A disabled label: the caption raised in the button highlight, sunk in the button shadow.
    void DrawDisabledText(HDC dc, const RECT& rect, UINT format);
    // Copies the caption into the window text, for GetWindowText and accessibility tools.
    void MirrorWindowText();

    std::string caption_;
    TEsFont font_;
    win32::GdiObject<HFONT> fontHandle_;
    EsColor color_ = es_colors::clBtnFace;
    bool parentColor_ = true;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool wordWrap_ = true;
    bool showAccelChar_ = true;
    bool transparent_ = true;
    bool autoSize_ = false;
    bool parentFont_ = false;
    HWND focusControl_ = nullptr;
    bool mirroring_ = false;
    bool leftPressed_ = false;  // a left press began over the label and has not been let go
};

// A label meant to stand beside a windowed control, which it tells when it attaches and
// whenever it moves.
class TEsAttachedLabel : public TEsCustomLabel {
public:
    TEsAttachedLabel();
    explicit TEsAttachedLabel(HWND esControl);
    ~TEsAttachedLabel() override;

    HWND EsControl() const { return esControl_; }
    void SetEsControl(HWND control);
    void NotifyAttachedControl();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HandleCreated() override;

private:
    HWND esControl_ = nullptr;
};

} // namespace vermiq
