// What every widget of the set offers besides its own drawing, written once for the button, the
// label and the marquee: name and tag, a tooltip with its hint, a popup menu, its cursors, being
// enabled and visible, keeping to its parent's edges within size limits, its place among the
// parent's tab stops, an action object that it follows, and dragging onto another widget.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "widgets/control_geometry.h"

namespace vermiq {

class WidgetControl;

enum class TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// A command that several widgets can stand for: they show its caption, hint, enabled and
// visible state, and clicking any of them executes it. Changing one of these on a linked widget
// changes it on the action, and so on every widget linked to it.
class WidgetAction {
public:
    WidgetAction() = default;
    WidgetAction(const WidgetAction&) = delete;
    WidgetAction& operator=(const WidgetAction&) = delete;
    ~WidgetAction();

    const std::string& Caption() const { return caption_; }  // code page 932
    void SetCaption(std::string value);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);

    std::function<void(WidgetAction&)> OnExecute;
    // Runs OnExecute; false when none is assigned or the action is disabled.
    bool Execute();

private:
    friend class WidgetControl;
    void Changed();

    std::string caption_, hint_;
    bool enabled_ = true, visible_ = true;
    std::vector<WidgetControl*> clients_;
};

// Where a drag stands as the pointer passes over a target.
enum class DragState : std::uint8_t { Enter, Leave, Move };
// Automatic: a left press and a move of a few pixels starts dragging. Manual: BeginDrag.
enum class DragMode : std::uint8_t { Manual, Automatic };
// Dragging is the only kind: a widget of a plain Win32 program has no dock to be dragged to.
enum class DragKind : std::uint8_t { Drag };

class WidgetControl {
public:
    WidgetControl() = default;
    WidgetControl(const WidgetControl&) = delete;
    WidgetControl& operator=(const WidgetControl&) = delete;
    virtual ~WidgetControl();

    // The widget behind a window, or null when the window is no widget of this set.
    static WidgetControl* FromWindow(HWND window);
    HWND WidgetHandle() const { return widget_; }

    const std::string& Name() const { return name_; }
    void SetName(std::string value) { name_ = std::move(value); }
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t value) { tag_ = value; }

    // The hint shows as a tooltip while the pointer rests on the widget, when ShowHint is on:
    // its own, or with ParentShowHint its parent's (a widget's, or what SetWindowShowHint gave
    // a plain window, or else what the plain window's own parent has, and so on up; off when
    // never given).
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string value);
    bool ShowHint() const;
    void SetShowHint(bool value);  // turns ParentShowHint off
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value);
    static void SetWindowShowHint(HWND window, bool value);
    // The tooltip window, null while no hint shows.
    HWND Tooltip() const { return tooltip_; }

    // Shown at the pointer on a right click (or at the widget's corner for the context-menu
    // key); the chosen item's id goes to the parent as WM_COMMAND. Not owned.
    HMENU PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(HMENU menu) { popupMenu_ = menu; }

    // Null: the class cursor (the arrow). Not owned; shared cursors from LoadCursor are meant.
    HCURSOR Cursor() const { return cursor_; }
    void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
    // Shown while this widget is dragged over a target that accepts it (IDC_NO elsewhere).
    HCURSOR DragCursor() const { return dragCursor_; }
    void SetDragCursor(HCURSOR cursor) { dragCursor_ = cursor; }

    // A disabled widget takes no mouse or key input.
    bool Enabled() const;
    virtual void SetEnabled(bool value);
    bool Visible() const;
    virtual void SetVisible(bool value);

    WidgetAnchors Anchors() const { return anchors_; }
    void SetAnchors(WidgetAnchors value);
    WidgetAlign Align() const { return align_; }
    void SetAlign(WidgetAlign value);
    const WidgetConstraints& Constraints() const { return constraints_; }
    void SetConstraints(const WidgetConstraints& value);

    // The position among the parent's child windows, which is the order Tab walks them in;
    // -1 without a window.
    int TabOrder() const;
    void SetTabOrder(int position);

    WidgetAction* Action() const { return action_; }
    // Links the widget to an action (null unlinks); the widget takes on its state at once.
    void SetAction(WidgetAction* action);

    DragMode GetDragMode() const { return dragMode_; }
    void SetDragMode(DragMode mode) { dragMode_ = mode; }
    DragKind GetDragKind() const { return DragKind::Drag; }
    void SetDragKind(DragKind) {}
    // Starts dragging this widget at once (the pointer is captured until the button is let go).
    void BeginDrag();
    bool Dragging() const { return dragging_; }
    // Asked of the widget under the pointer: may `source` be dropped here? accept starts true.
    std::function<void(WidgetControl& target, WidgetControl& source, int x, int y, DragState,
                       bool& accept)>
        OnDragOver;
    std::function<void(WidgetControl& target, WidgetControl& source, int x, int y)> OnDragDrop;
    // The drag ended: on `target` when it was dropped on one that accepted it, else null.
    std::function<void(WidgetControl& source, WidgetControl* target, int x, int y)> OnEndDrag;

protected:
    // The family's window calls these: when it has been created, and first thing in its
    // window procedure (WM_NCDESTROY included). True means the message was handled and
    // `result` is the answer.
    void AttachWidget(HWND window);
    bool HandleWidgetMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Lets go of the window: the parent's subclass, the tooltip and the window's link to this
    // object go with it, and every property falls back to what it keeps without a window. Done
    // at WM_NCDESTROY and by a family that destroys its window itself, before it does.
    void DetachWidget();
    // Expires with the object: a handler that may delete its widget is run as
    //   std::weak_ptr<char> alive = life_;  handler();  if (alive.expired()) return;
    std::shared_ptr<char> life_ = std::make_shared<char>();
    // The linked action's caption changed (or it was linked): show it.
    virtual void ActionCaptionChanged(const std::string&) {}
    // A drag took over the press that was going on: the release that ends it is no click.
    virtual void CancelPress() {}
    // The parent was given another font (WM_SETFONT).
    virtual void ParentFontChanged() {}
    // Forwards a change made on the widget to its action; false when none is linked.
    bool ForwardToAction(void (WidgetAction::*set)(bool), bool value);
    // The widget's window in its parent's client coordinates; empty without a window.
    WidgetRect BoundsInParent() const;

private:
    friend class WidgetAction;
    void ActionChanged();
    void UpdateTooltip();
    void ApplyParentSize(int width, int height);
    void ApplyAlignment(int width, int height);
    void TrackDrag(POINT screen);
    void EndDrag(POINT screen, bool drop);
    static LRESULT CALLBACK ParentSubclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    HWND widget_ = nullptr;
    HWND parent_ = nullptr;
    std::string name_;
    std::intptr_t tag_ = 0;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    HWND tooltip_ = nullptr;
    HMENU popupMenu_ = nullptr;
    HCURSOR cursor_ = nullptr;
    HCURSOR dragCursor_ = nullptr;
    bool pendingEnabled_ = true, pendingVisible_ = true;
    WidgetAnchors anchors_ = kDefaultAnchors;
    WidgetAlign align_ = WidgetAlign::None;
    WidgetConstraints constraints_;
    SIZE parentSize_{0, 0};
    bool subclassed_ = false;
    WidgetAction* action_ = nullptr;
    DragMode dragMode_ = DragMode::Manual;
    bool pressed_ = false, dragging_ = false, accepted_ = false;
    POINT pressedAt_{0, 0};
    HWND overTarget_ = nullptr;  // looked up again each time: a target may go meanwhile
};

} // namespace vermiq
