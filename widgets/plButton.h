// The gradient push button: a Win32 control that draws itself completely - a vertical
// gradient or flat colour, an optional picture, up to two caption lines, a frame in one of
// five styles and a focus mark - and turns a left press and release inside it into a click.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "widgets/WidgetControl.h"
#include "widgets/button_layout.h"
#include "widgets/plPicture.h"

namespace vermiq {

class TplButton;


// One caption line. Every setter repaints the owning button when the value changes.
class TplBtnCaption {
public:
    explicit TplBtnCaption(TplButton& owner) : owner_(owner) {}
    TplBtnCaption(const TplBtnCaption&) = delete;
    TplBtnCaption& operator=(const TplBtnCaption&) = delete;

    // Text in the ANSI code page (code page 932).
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string_view value);
    TplBtnAlignment Alignment() const { return alignment_; }
    void SetAlignment(TplBtnAlignment value);
    int Left() const { return left_; }
    void SetLeft(int value);
    int Right() const { return right_; }
    void SetRight(int value);
    // Copies text, alignment and margins, then repaints the owner.
    void Assign(const TplBtnCaption& source);

private:
    TplButton& owner_;
    std::string caption_;
    TplBtnAlignment alignment_ = TplBtnAlignment::taCenter;
    int left_ = 0;
    int right_ = 0;
};

// The button's picture and where it goes.
class TplBtnImage {
public:
    explicit TplBtnImage(TplButton& owner) : owner_(owner) {}
    TplBtnImage(const TplBtnImage&) = delete;
    TplBtnImage& operator=(const TplBtnImage&) = delete;

    const TPicture& Picture() const { return picture_; }
    void SetPicture(const TPicture& value);
    int Left() const { return left_; }
    void SetLeft(int value); // turns HorzCenter off
    int Top() const { return top_; }
    void SetTop(int value);  // turns VertCenter off
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool TransParent() const { return transParent_; }
    void SetTransParent(bool value);
    // Recompute Top (Left) at each paint; turning one on repaints, turning it off does not.
    bool VertCenter() const { return vertCenter_; }
    void SetVertCenter(bool value);
    bool HorzCenter() const { return horzCenter_; }
    void SetHorzCenter(bool value);
    // Copies the picture and all settings without repainting (the button's SetImage repaints).
    void Assign(const TplBtnImage& source);

private:
    friend class TplButton;  // centres the picture at each paint without asking for another
    TplButton& owner_;
    TPicture picture_;
    int left_ = 10;
    int top_ = 0;
    bool visible_ = true;
    bool transParent_ = false;
    bool vertCenter_ = true;
    bool horzCenter_ = false;
};

class TplButton : public WidgetControl {
public:
    using NotifyEvent = std::function<void(TplButton& sender)>;
    using MouseEvent = std::function<void(TplButton& sender, TMouseButton button, TShiftState shift, int x, int y)>;
    using MouseMoveEvent = std::function<void(TplButton& sender, TShiftState shift, int x, int y)>;
    using KeyEvent = std::function<void(TplButton& sender, WORD& key, TShiftState shift)>;
    using KeyPressEvent = std::function<void(TplButton& sender, wchar_t& key)>;
    // Receives what escaped an event handler; the window procedure lets nothing through.
    using ErrorHandler = std::function<void(HWND button, std::exception_ptr error)>;

    static constexpr int kDefaultWidth = 75;
    static constexpr int kDefaultHeight = 26;

    // Creates the control as a child of `parent` at the given client position. Its first
    // caption line starts out as `name`, the control's name, as a newly placed control does.
    TplButton(HWND parent, std::string_view name, int left, int top, int width = kDefaultWidth,
              int height = kDefaultHeight, int controlId = 0);
    TplButton(const TplButton&) = delete;
    TplButton& operator=(const TplButton&) = delete;
    virtual ~TplButton();

    HWND Handle() const { return hwnd_; }

    // Properties.
    TplButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TplButtonStyle value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // Enter clicks the default button wherever the focus is, unless it is on another button.
    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; }
    bool Gradation() const { return gradation_; }
    void SetGradation(bool value);
    TColor GradBeginColor() const { return gradBeginColor_; }
    void SetGradBeginColor(TColor value);
    TColor GradEndColor() const { return gradEndColor_; }
    void SetGradEndColor(TColor value);
    bool HasFocus() const { return hasFocus_; }
    void SetHasFocus(bool value);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    TplBtnImage& Image() { return image_; }
    const TplBtnImage& Image() const { return image_; }
    void SetImage(const TplBtnImage& value);
    bool DisableImage() const { return disableImage_; }
    void SetDisableImage(bool value);
    TplBtnCaption& CaptionA() { return captionA_; }
    const TplBtnCaption& CaptionA() const { return captionA_; }
    void SetCaptionA(const TplBtnCaption& value);
    TplBtnCaption& CaptionB() { return captionB_; }
    const TplBtnCaption& CaptionB() const { return captionB_; }
    void SetCaptionB(const TplBtnCaption& value);
    int CaptionLineSpace() const { return captionLineSpace_; }
    void SetCaptionLineSpace(int value);
    int CaptionTop() const { return captionTop_; }
    void SetCaptionTop(int value); // turns CaptionVertCenter off
    bool CaptionVertCenter() const { return captionVertCenter_; }
    void SetCaptionVertCenter(bool value);
    TplBtnFrameType FlatFrameType() const { return flatFrameType_; }
    void SetFlatFrameType(TplBtnFrameType value);

    // Fill colour when Gradation is off. With ParentColor the button takes the colour its
    // parent gives buttons (WM_CTLCOLORBTN) and paints without an off-screen bitmap.
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // The font is not owned, as with the system's controls (WM_SETFONT sets it too). With
    // ParentFont the parent's font (WM_GETFONT) is used; setting a font turns ParentFont off.
    HFONT Font() const;
    void SetFont(HFONT font, bool redraw = true);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);
    bool TabStop() const;
    void SetTabStop(bool value);

    // State.
    bool Pressed() const { return pressed_; }
    int RoundCorner() const { return roundCorner_; }
    // The window region of the round styles; the window owns it once set.
    HRGN ButtonRegion() const { return buttonRegion_; }
    // The button is the screen's active control.
    bool Focused() const;

    // Events.
    NotifyEvent OnClick, OnDblClick, OnEnter, OnExit, OnResize;
    KeyEvent OnKeyDown;
    KeyPressEvent OnKeyPress;
    MouseEvent OnMouseDown, OnMouseUp;
    MouseMoveEvent OnMouseMove, OnMouseEnter, OnMouseLeave;

    // The full click: clears Pressed, hands ModalResult to the form, runs the click handlers,
    // invalidates. The click handler is OnClick when assigned, else the linked action's
    // OnExecute, else a WM_COMMAND BN_CLICKED to the parent with the control id, as a system
    // push button sends it; never two of them.
    void Click();
    // Enter (when this button is the active control, or it is the Default and the active
    // control is no button) or Esc (when Cancel is on), without Shift, Ctrl or Alt, clicks a
    // focus-handling button. True when the key was used.
    bool DialogKey(WORD key, LPARAM keyData);
    // Offers a WM_KEYDOWN of Enter or Esc to every enabled button of the message's top-level
    // window, as a form does before its focused control sees the key. Call it in the message
    // loop before IsDialogMessage; true means the message is handled.
    static bool OfferDialogKey(const MSG& msg);
    // The form receives this registered message with the button's ModalResult as wParam on
    // every click (also when it is 0).
    static UINT ModalResultMessage();
    static void SetErrorHandler(ErrorHandler handler);

    void Invalidate();
    // Invalidates and paints at once (only invalidates while a paint is running).
    void Repaint();
    // Paints the whole button onto `dc` at (0, 0); WM_PAINT and WM_PRINTCLIENT both end here.
    void PaintTo(HDC dc);

protected:
    void ActionCaptionChanged(const std::string& caption) override;
    void CancelPress() override;
    void ParentFontChanged() override;
    virtual void MouseEnter(TShiftState shift, int x, int y);
    virtual void MouseLeave(TShiftState shift, int x, int y);

private:
    friend class TplBtnCaption;
    static ATOM ClassAtom();
    // The first caption line is the window text, for GetWindowText, accessibility tools and
    // the dialog's mnemonic handling.
    void MirrorWindowText();
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnMouseButtonDown(TMouseButton button, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnMouseButtonUp(TMouseButton button, WPARAM wParam, LPARAM lParam);
    void OnMouseMoved(WPARAM wParam, LPARAM lParam);
    void OnMouseLeft();
    void OnKeyDownMessage(WPARAM wParam, LPARAM lParam);
    void ClickHandlers();
    void RebuildRegion();
    bool DisabledLook() const;
    TShiftState CurrentShiftState() const;
    POINT CursorInClient() const;
    SIZE ClientSize() const;

    void PaintButton(HDC dc, SIZE size);
    void DrawGradient(HDC dc, SIZE size);
    void DrawButtonImage(HDC dc, SIZE size);
    void DrawCaptionLine(HDC dc, SIZE size, const TplBtnCaption& caption, int y);
    void DrawButtonFrame(HDC dc, SIZE size);
    void DrawFocusMark(HDC dc, SIZE size);

    HWND hwnd_ = nullptr;

    TplButtonStyle buttonStyle_ = TplButtonStyle::bsNormal;
    bool cancel_ = false;
    bool default_ = false;
    bool gradation_ = true;
    TColor gradBeginColor_ = pl_colors::clWhite;
    TColor gradEndColor_ = pl_colors::clSilver;
    bool hasFocus_ = true;
    int modalResult_ = 0;
    bool disableImage_ = false;
    int captionLineSpace_ = 4;
    int captionTop_ = 0;
    bool captionVertCenter_ = true;
    TplBtnFrameType flatFrameType_ = TplBtnFrameType::bffFlat;
    TColor color_ = pl_colors::clBtnFace;
    bool parentColor_ = false;
    HFONT font_ = nullptr;
    bool parentFont_ = true;
    TColor fontColor_ = pl_colors::clWindowText;

    bool pressed_ = false;
    int roundCorner_ = 7;
    HRGN buttonRegion_ = nullptr;
    RECT paintRect_{};
    bool captionNamed_ = false;
    bool painting_ = false;
    bool clickArmed_ = false;   // a left press began on the button
    bool spaceArmed_ = false;   // Space is held down on the button
    bool mirroring_ = false;
    bool mouseInside_ = false;

    TplBtnCaption captionA_{*this};
    TplBtnCaption captionB_{*this};
    TplBtnImage image_{*this};
};

} // namespace vermiq
