// The gradient push button's properties and those of its caption lines and picture: each
// setter stores, then repaints or rebuilds only what the value changes.
#include "widgets/plButton.h"

#include "common/win32_raii.h"
#include "common/win32_text.h"

namespace vermiq {

using win32::GdiObject;

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

} // namespace vermiq
