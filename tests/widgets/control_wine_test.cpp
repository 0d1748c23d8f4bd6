// The framework properties of the widgets with their Win32 meaning: those the three families
// share, checked once over a button, a marquee and an attached label, then those of one family.
#include "widgets/EsLabel.h"
#include "widgets/EsMarque.h"
#include "widgets/plButton.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win32_text.h"
#include "tests/support/message_pump.h"

namespace vermiq {
namespace {

using test::Pump;

void SendMouse(DWORD flags, POINT at = {0, 0}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &in, sizeof in);
}

POINT ScreenCentre(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT BoundsInParent(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A top-level window standing in for a dialog: a 300 x 200 client, its font, its commands.
struct Host {
    HWND hwnd = nullptr;
    std::vector<WPARAM> commands;
    win32::GdiObject<HFONT> font{CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0,
                                             0, 0, L"ＭＳ Ｐゴシック")};

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg == WM_COMMAND) self->commands.push_back(w);
        if (self && msg == WM_GETFONT) return reinterpret_cast<LRESULT>(self->font.get());
        return DefWindowProcW(h, msg, w, l);
    }
    Host() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Host::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
            wc.lpszClassName = L"ControlTestHost";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        RECT frame{0, 0, 300, 200};
        AdjustWindowRectEx(&frame, WS_POPUP, FALSE, WS_EX_TOPMOST);
        hwnd = CreateWindowExW(WS_EX_TOPMOST, L"ControlTestHost", L"control test",
                               WS_POPUP | WS_VISIBLE, 100, 100, frame.right - frame.left,
                               frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetForegroundWindow(hwnd);
        Pump(50);
    }
    ~Host() { DestroyWindow(hwnd); }
    void ResizeClient(int width, int height) {
        SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

// One widget of each family on a host, at (10, 10), 80 x 30.
struct Family {
    const char* name;
    std::size_t size;  // of the object, to poison it when it is deleted
    std::function<std::unique_ptr<WidgetControl>(HWND parent)> make;
    std::function<void(WidgetControl&, std::function<void()>)> onClick;
    // Gives the widget a new window on `parent`; empty for a family that cannot.
    std::function<void(WidgetControl&, HWND parent)> recreate;
};

template <class Label>
void LabelOnClick(WidgetControl& w, std::function<void()> handler) {
    static_cast<Label&>(w).OnClick = [handler](TEsCustomLabel&) { handler(); };
}
void LabelRecreate(WidgetControl& w, HWND parent) {
    static_cast<TEsCustomLabel&>(w).CreateHandle(parent, 10, 10, 80, 30);
}

const Family kFamilies[] = {
    {"button", sizeof(TplButton),
     [](HWND parent) -> std::unique_ptr<WidgetControl> {
         return std::make_unique<TplButton>(parent, "plButton9", 10, 10, 80, 30, 201);
     },
     [](WidgetControl& w, std::function<void()> handler) {
         static_cast<TplButton&>(w).OnClick = [handler](TplButton&) { handler(); };
     },
     {}},
    {"marquee", sizeof(TEsScrollingMarquee),
     [](HWND parent) -> std::unique_ptr<WidgetControl> {
         auto m = std::make_unique<TEsScrollingMarquee>();
         m->SetCaption("banner");
         m->CreateHandle(parent, 10, 10, 80, 30, 202);
         return m;
     },
     &LabelOnClick<TEsScrollingMarquee>, &LabelRecreate},
    {"attached label", sizeof(TEsAttachedLabel),
     [](HWND parent) -> std::unique_ptr<WidgetControl> {
         auto l = std::make_unique<TEsAttachedLabel>();
         l->SetCaption("&Size");
         l->SetAutoSize(false);
         l->CreateHandle(parent, 10, 10, 80, 30, 203);
         return l;
     },
     &LabelOnClick<TEsAttachedLabel>, &LabelRecreate},
};

// Deletes the widget and fills its memory with garbage, kept allocated: whatever still reads
// the deleted object reads nonsense, instead of the stale values that freed memory still holds.
void DeletePoisoned(std::unique_ptr<WidgetControl>& w, std::size_t size) {
    WidgetControl* object = w.release();
    void* memory = dynamic_cast<void*>(object);
    object->~WidgetControl();
    std::memset(memory, 0xDD, size);
}

std::wstring TooltipText(HWND tooltip, HWND widget) {
    wchar_t text[80] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(widget);
    tool.uId = reinterpret_cast<UINT_PTR>(widget);
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// What happens while the popup menu is open, before its item is picked.
std::function<void()> whileMenuOpen;

// Picks the first item of the popup menu that is open, as the user would with the keyboard.
void CALLBACK PickFirstMenuItem(HWND, UINT, UINT_PTR id, DWORD) {
    if (HWND menu = FindWindowW(L"#32768", nullptr); menu && IsWindowVisible(menu)) {
        KillTimer(nullptr, id);
        if (whileMenuOpen) whileMenuOpen();
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    }
}

TEST(SharedProperties, HintMenuCursorAnchorsAndLimitsInEveryFamily) {
    Host host;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 501, L"一");
    AppendMenuW(menu, MF_STRING, 502, L"二");
    const HCURSOR hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
    for (const Family& family : kFamilies) {
        SCOPED_TRACE(family.name);
        host.ResizeClient(300, 200);
        host.commands.clear();
        std::unique_ptr<WidgetControl> w = family.make(host.hwnd);
        const HWND hwnd = w->WidgetHandle();
        ASSERT_TRUE(hwnd);
        EXPECT_EQ(WidgetControl::FromWindow(hwnd), w.get());

        // The hint shows only with ShowHint: the widget's own, or its parent's.
        w->SetHint("ヒント");
        EXPECT_FALSE(w->Tooltip()) << "the parent never asked for hints";
        WidgetControl::SetWindowShowHint(host.hwnd, true);
        ASSERT_TRUE(w->Tooltip());
        EXPECT_EQ(SendMessageW(w->Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 1);
        EXPECT_EQ(TooltipText(w->Tooltip(), hwnd), L"ヒント");
        // It shows while the real pointer rests on the widget, and goes when it leaves.
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {600, 600});
        Pump(50);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ScreenCentre(hwnd));
        const HWND tooltip = w->Tooltip();
        for (int waited = 0; waited < 3000 && !IsWindowVisible(tooltip); waited += 50) Pump(50);
        EXPECT_TRUE(IsWindowVisible(tooltip)) << "the hint never showed on a hover";
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {600, 600});
        for (int waited = 0; waited < 3000 && IsWindowVisible(tooltip); waited += 50) Pump(50);
        EXPECT_FALSE(IsWindowVisible(tooltip));
        w->SetShowHint(false);
        EXPECT_FALSE(w->Tooltip()) << "its own ShowHint wins once set";
        w->SetParentShowHint(true);
        EXPECT_TRUE(w->Tooltip());
        WidgetControl::SetWindowShowHint(host.hwnd, false);
        EXPECT_FALSE(w->Tooltip());

        // Its cursor over its client area.
        w->SetCursor(hand);
        EXPECT_EQ(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
        EXPECT_EQ(GetCursor(), hand);

        // A real right click opens the popup menu at the pointer; the item goes to the parent.
        w->SetPopupMenu(menu);
        const POINT centre = ScreenCentre(hwnd);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, centre);
        Pump(100);
        SetTimer(nullptr, 0, 100, &PickFirstMenuItem);
        SendMouse(MOUSEEVENTF_RIGHTDOWN);
        SendMouse(MOUSEEVENTF_RIGHTUP);
        Pump(1500);
        EXPECT_EQ(host.commands, std::vector<WPARAM>{501});

        // Kept to the far edges, then stretched between both, within its limits.
        w->SetAnchors(AnchorRight | AnchorBottom);
        host.ResizeClient(340, 230);
        RECT r = BoundsInParent(hwnd);
        EXPECT_EQ(r.left, 50);
        EXPECT_EQ(r.top, 40);
        w->SetAnchors(AnchorLeft | AnchorRight | AnchorTop);
        host.ResizeClient(400, 230);
        r = BoundsInParent(hwnd);
        EXPECT_EQ(r.left, 50);
        EXPECT_EQ(r.right - r.left, 140);
        w->SetConstraints({0, 0, 100, 20});
        r = BoundsInParent(hwnd);
        EXPECT_EQ(r.right - r.left, 100);
        EXPECT_EQ(r.bottom - r.top, 20);
        SetWindowPos(hwnd, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
        r = BoundsInParent(hwnd);
        EXPECT_EQ(r.right - r.left, 100) << "a resize from outside keeps to the limits too";
        w->SetConstraints({});
        w->SetAlign(WidgetAlign::Bottom);
        r = BoundsInParent(hwnd);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.right, 400);
        EXPECT_EQ(r.bottom, 230);
    }
    DestroyMenu(menu);
}

// A widget whose window is destroyed lets go of everything the window held: its parent's resize
// and its tooltip. A label made again on another parent hears only the new one, and once deleted
// it is reached by neither.
TEST(SharedProperties, AWidgetWhoseWindowGoesLetsGoOfItsParent) {
    Host a, b;
    for (const Family& family : kFamilies) {
        SCOPED_TRACE(family.name);
        a.ResizeClient(300, 200);
        b.ResizeClient(300, 200);
        std::unique_ptr<WidgetControl> w = family.make(a.hwnd);
        w->SetAnchors(AnchorRight | AnchorBottom);
        w->SetHint("ヒント");
        WidgetControl::SetWindowShowHint(a.hwnd, true);
        const HWND tooltip = w->Tooltip();
        ASSERT_TRUE(tooltip);
        DestroyWindow(w->WidgetHandle());
        EXPECT_EQ(w->WidgetHandle(), nullptr);
        EXPECT_EQ(w->Tooltip(), nullptr);
        EXPECT_FALSE(IsWindow(tooltip)) << "the tooltip goes with the window";
        EXPECT_EQ(w->TabOrder(), -1);
        w->SetEnabled(false);
        EXPECT_FALSE(w->Enabled());
        w->SetEnabled(true);
        a.ResizeClient(320, 210);
        if (family.recreate) {
            family.recreate(*w, b.hwnd);
            const HWND again = w->WidgetHandle();
            WidgetControl::SetWindowShowHint(b.hwnd, true);
            ASSERT_TRUE(w->Tooltip());
            EXPECT_EQ(TooltipText(w->Tooltip(), again), L"ヒント");
            a.ResizeClient(340, 240);
            EXPECT_EQ(BoundsInParent(again).left, 10) << "the old parent's resize reaches it no more";
            b.ResizeClient(340, 240);
            EXPECT_EQ(BoundsInParent(again).left, 50);
            EXPECT_EQ(BoundsInParent(again).top, 50);
        }
        DeletePoisoned(w, family.size);
        a.ResizeClient(300, 200);  // reaches no deleted widget
        b.ResizeClient(300, 200);
        WidgetControl::SetWindowShowHint(a.hwnd, false);
        WidgetControl::SetWindowShowHint(b.hwnd, false);
    }
}

// A handler may delete its own widget (or the drop target itself): what follows in the widget
// touches neither, and the parent still hears of the chosen menu item.
TEST(SharedProperties, HandlersMayDeleteTheirWidget) {
    Host host;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 501, L"一");
    auto press = [](HWND h, POINT down, POINT up, bool move) {
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
        if (move) SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(up.x, up.y));
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    };
    for (const Family& family : kFamilies) {
        SCOPED_TRACE(family.name);
        std::unique_ptr<WidgetControl> w = family.make(host.hwnd);
        HWND h = w->WidgetHandle();
        family.onClick(*w, [&] { DeletePoisoned(w, family.size); });
        press(h, {5, 5}, {5, 5}, false);
        EXPECT_EQ(w, nullptr) << "OnClick";
        EXPECT_FALSE(IsWindow(h));

        if (family.recreate) {
            w = family.make(host.hwnd);
            h = w->WidgetHandle();
            family.onClick(*w, [] {});
            dynamic_cast<TEsCustomLabel&>(*w).OnMouseUp = [&](TEsCustomLabel&, TMouseButton, int, int) {
                DeletePoisoned(w, family.size);
            };
            press(h, {5, 5}, {5, 5}, false);
            EXPECT_EQ(w, nullptr) << "OnMouseUp, before the click";
        }

        for (const bool targetGoes : {false, true}) {
            w = family.make(host.hwnd);
            h = w->WidgetHandle();
            auto label = std::make_unique<TEsAttachedLabel>();
            label->SetAutoSize(false);
            label->CreateHandle(host.hwnd, 150, 100, 100, 40);
            POINT over{20, 12};
            MapWindowPoints(label->Handle(), h, &over, 1);
            std::unique_ptr<WidgetControl> target = std::move(label);
            target->OnDragOver = [](WidgetControl&, WidgetControl&, int, int, DragState, bool&) {};
            target->OnDragDrop = [&](WidgetControl&, WidgetControl&, int, int) {
                if (targetGoes) DeletePoisoned(target, sizeof(TEsAttachedLabel));
                else DeletePoisoned(w, family.size);
            };
            std::vector<WidgetControl*> ends;
            w->OnEndDrag = [&](WidgetControl&, WidgetControl* on, int, int) { ends.push_back(on); };
            w->SetDragMode(DragMode::Automatic);
            press(h, {5, 5}, over, true);
            if (targetGoes) {
                EXPECT_EQ(target, nullptr);
                EXPECT_EQ(ends, std::vector<WidgetControl*>{nullptr}) << "the end names no deleted target";
            } else {
                EXPECT_EQ(w, nullptr) << "OnDragDrop";
                EXPECT_TRUE(ends.empty());
            }
            w.reset();
            target.reset();
        }

        // Deleted while its popup menu is open: the item chosen still reaches the parent.
        w = family.make(host.hwnd);
        w->SetPopupMenu(menu);
        host.commands.clear();
        whileMenuOpen = [&] { DeletePoisoned(w, family.size); };
        SetTimer(nullptr, 0, 100, &PickFirstMenuItem);
        SendMessageW(w->WidgetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w->WidgetHandle()), -1);
        Pump(300);
        EXPECT_EQ(w, nullptr);
        EXPECT_EQ(host.commands, std::vector<WPARAM>{501}) << "popup menu";
        whileMenuOpen = {};
    }
    DestroyMenu(menu);
}

// An action's caption shows on every family, and a click runs it. A drag takes the press over:
// neither its release nor a release that comes alone afterwards is a click.
TEST(SharedProperties, ActionAndClicksInEveryFamily) {
    Host host;
    for (const Family& family : kFamilies) {
        SCOPED_TRACE(family.name);
        std::unique_ptr<WidgetControl> w = family.make(host.hwnd);
        const HWND h = w->WidgetHandle();
        WidgetAction action;
        int executed = 0;
        action.OnExecute = [&](WidgetAction&) { ++executed; };
        action.SetCaption("実行");
        w->SetAction(&action);
        wchar_t text[40] = {};
        GetWindowTextW(h, text, 40);
        EXPECT_STREQ(text, L"実行");
        action.SetCaption("実　行");
        GetWindowTextW(h, text, 40);
        EXPECT_STREQ(text, L"実　行");
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(executed, 1);

        w->SetDragMode(DragMode::Automatic);
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 60));
        EXPECT_TRUE(w->Dragging());
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
        SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // pressed elsewhere, let go here
        EXPECT_EQ(executed, 1);
        w->SetAction(nullptr);
    }
}

// Set on the dialog, ShowHint and the font reach widgets inside a plain panel too, also when
// they change later; a font given to the label itself is its own from then on.
TEST(SharedProperties, HintAndFontFromAboveAtEveryLevel) {
    Host host;
    HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, host.hwnd,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    for (const Family& family : kFamilies) {
        SCOPED_TRACE(family.name);
        std::unique_ptr<WidgetControl> w = family.make(panel);
        w->SetHint("ヒント");
        WidgetControl::SetWindowShowHint(host.hwnd, true);
        EXPECT_TRUE(w->Tooltip());
        WidgetControl::SetWindowShowHint(host.hwnd, false);
        EXPECT_FALSE(w->Tooltip());
    }

    TEsAttachedLabel label;
    label.CreateHandle(panel, 10, 10);
    SendMessageW(panel, WM_SETFONT, reinterpret_cast<WPARAM>(host.font.get()), TRUE);
    EXPECT_EQ(label.Font().Height, -12) << "the panel's new font";
    EXPECT_EQ(label.Font().Weight, FW_BOLD);
    win32::GdiObject<HFONT> own(CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    SendMessageW(label.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(own.get()), TRUE);
    EXPECT_FALSE(label.ParentFont());
    EXPECT_EQ(label.Font().Height, -20);
    LOGFONTW asked{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label.Handle(), WM_GETFONT, 0, 0)), sizeof asked, &asked);
    EXPECT_EQ(asked.lfHeight, -20);
    SendMessageW(panel, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    EXPECT_EQ(label.Font().Height, -20) << "its own font stays";
    DestroyWindow(panel);
}

// Widgets aligned to the same side stack in their order among the parent's children, and keep
// stacked as the parent resizes.
TEST(SharedProperties, WidgetsAlignedToOneSideStack) {
    Host host;
    std::vector<std::unique_ptr<WidgetControl>> widgets;
    for (const Family& family : kFamilies) {
        widgets.push_back(family.make(host.hwnd));
        widgets.back()->SetAlign(WidgetAlign::Top);
    }
    widgets.push_back(kFamilies[2].make(host.hwnd));
    widgets.back()->SetAlign(WidgetAlign::Client);
    host.ResizeClient(320, 200);
    const int tops[] = {0, 30, 60, 90};
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        const RECT r = BoundsInParent(widgets[i]->WidgetHandle());
        EXPECT_EQ(r.top, tops[i]) << i;
        EXPECT_EQ(r.right - r.left, 320) << i;
    }
    EXPECT_EQ(BoundsInParent(widgets.back()->WidgetHandle()).bottom, 200) << "the filler takes the rest";
}

TEST(ButtonProperties, TabOrderAndAnActionKeptInStepBothWays) {
    Host host;
    TplButton b1(host.hwnd, "b1", 10, 10), b2(host.hwnd, "b2", 10, 40), b3(host.hwnd, "b3", 10, 70);
    b3.SetTabOrder(0);
    EXPECT_EQ(b3.TabOrder(), 0);
    EXPECT_EQ(b1.TabOrder(), 1);
    EXPECT_EQ(GetNextDlgTabItem(host.hwnd, b3.Handle(), FALSE), b1.Handle());
    b3.SetTabOrder(2);
    EXPECT_EQ(GetNextDlgTabItem(host.hwnd, b2.Handle(), FALSE), b3.Handle());

    int executed = 0, clicked = 0;
    {
        WidgetAction action;
        action.SetCaption("実行");
        action.SetHint("ヒント");
        action.OnExecute = [&](WidgetAction&) { ++executed; };
        b1.SetAction(&action);
        b2.SetAction(&action);
        EXPECT_EQ(b1.CaptionA().Caption(), "実行");
        EXPECT_EQ(b2.Hint(), "ヒント");
        action.SetEnabled(false);
        EXPECT_FALSE(b1.Enabled());
        EXPECT_FALSE(b2.Enabled());
        b1.SetEnabled(true);  // through the action, to every button linked to it
        EXPECT_TRUE(action.Enabled());
        EXPECT_TRUE(b2.Enabled());
        b2.CaptionA().SetCaption("実　行");
        EXPECT_EQ(action.Caption(), "実　行");
        EXPECT_EQ(b1.CaptionA().Caption(), "実　行");
        b1.SetVisible(false);
        EXPECT_FALSE(IsWindowVisible(b2.Handle()));
        action.SetVisible(true);
        EXPECT_TRUE(IsWindowVisible(b1.Handle()));

        b1.Click();
        EXPECT_EQ(executed, 1);
        EXPECT_TRUE(host.commands.empty()) << "the action is the click's one handler";
        b1.OnClick = [&](TplButton&) { ++clicked; };
        b1.Click();
        EXPECT_EQ(executed, 1);
        EXPECT_EQ(clicked, 1);
    }
    EXPECT_EQ(b1.Action(), nullptr) << "an action that goes unlinks its buttons";
    b2.Click();
    EXPECT_EQ(host.commands, (std::vector<WPARAM>{MAKEWPARAM(0, BN_CLICKED)}));

    // The parent's font until the button is given its own; key presses and resizes reported.
    EXPECT_EQ(b3.Font(), host.font.get());
    b3.SetFont(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    EXPECT_FALSE(b3.ParentFont());
    b3.SetParentFont(true);
    EXPECT_EQ(b3.Font(), host.font.get());
    std::wstring pressed;
    int resized = 0;
    b3.OnKeyPress = [&](TplButton&, wchar_t& key) { pressed += key; };
    b3.OnResize = [&](TplButton&) { ++resized; };
    SendMessageW(b3.Handle(), WM_CHAR, L'字', 1);
    SetWindowPos(b3.Handle(), nullptr, 0, 0, 90, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(pressed, L"字");
    EXPECT_EQ(resized, 1);
}

TEST(MarqueeProperties, DraggedOntoALabelThatAcceptsIt) {
    Host host;
    TEsScrollingMarquee marquee;
    marquee.SetCaption("banner");
    marquee.CreateHandle(host.hwnd, 10, 10, 100, 30);
    marquee.SetDragMode(DragMode::Automatic);
    const HCURSOR dragCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32646));  // size all
    marquee.SetDragCursor(dragCursor);
    int clicks = 0;
    marquee.OnClick = [&](TEsCustomLabel&) { ++clicks; };
    TEsAttachedLabel target;
    target.SetCaption("target");
    target.SetAutoSize(false);
    target.CreateHandle(host.hwnd, 150, 100, 100, 40);
    std::vector<DragState> states;
    target.OnDragOver = [&](WidgetControl&, WidgetControl& source, int, int, DragState state,
                            bool& accept) {
        states.push_back(state);
        accept = &source == &marquee;
    };
    POINT dropped{-1, -1};
    target.OnDragDrop = [&](WidgetControl&, WidgetControl&, int x, int y) { dropped = {x, y}; };
    std::vector<WidgetControl*> ends;
    marquee.OnEndDrag = [&](WidgetControl&, WidgetControl* on, int, int) { ends.push_back(on); };

    // Press on the banner, move onto the label, let go: the pointer as the banner sees it.
    auto at = [&](HWND over, int x, int y) {
        POINT p{x, y};
        MapWindowPoints(over, marquee.Handle(), &p, 1);
        return MAKELPARAM(p.x, p.y);
    };
    SendMessageW(marquee.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(marquee.Handle(), WM_MOUSEMOVE, MK_LBUTTON, at(host.hwnd, 60, 60));
    EXPECT_TRUE(marquee.Dragging());
    EXPECT_EQ(GetCapture(), marquee.Handle());
    SendMessageW(marquee.Handle(), WM_MOUSEMOVE, MK_LBUTTON, at(target.Handle(), 10, 10));
    SendMessageW(marquee.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(marquee.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), dragCursor) << "over a target that accepts";
    SendMessageW(marquee.Handle(), WM_MOUSEMOVE, MK_LBUTTON, at(target.Handle(), 20, 12));
    SendMessageW(marquee.Handle(), WM_LBUTTONUP, 0, at(target.Handle(), 20, 12));
    EXPECT_EQ(states, (std::vector<DragState>{DragState::Enter, DragState::Move, DragState::Move}));
    EXPECT_EQ(dropped.x, 20);
    EXPECT_EQ(dropped.y, 12);
    EXPECT_EQ(ends, std::vector<WidgetControl*>{&target});
    EXPECT_FALSE(marquee.Dragging());
    EXPECT_NE(GetCapture(), marquee.Handle());
    EXPECT_EQ(clicks, 0) << "a drop is no click";

    // Let go over the dialog itself: nothing dropped, and the end says so.
    dropped = {-1, -1};
    SendMessageW(marquee.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(marquee.Handle(), WM_MOUSEMOVE, MK_LBUTTON, at(target.Handle(), 10, 10));
    SendMessageW(marquee.Handle(), WM_MOUSEMOVE, MK_LBUTTON, at(host.hwnd, 280, 20));
    SendMessageW(marquee.Handle(), WM_LBUTTONUP, 0, at(host.hwnd, 280, 20));
    EXPECT_EQ(states.back(), DragState::Leave);
    EXPECT_EQ(dropped.x, -1);
    EXPECT_EQ(ends.back(), nullptr);

    // Disabled, the banner takes no mouse input but goes on scrolling.
    marquee.SetActive(true);
    marquee.SetEnabled(false);
    const unsigned long steps = marquee.StepCount();
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ScreenCentre(marquee.Handle()));
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Pump(300);
    EXPECT_EQ(clicks, 0);
    EXPECT_GT(marquee.StepCount(), steps + 5);
    marquee.SetEnabled(true);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Pump(300);
    EXPECT_EQ(clicks, 1) << "enabled again, the same click reaches it";
}

// How many pixels of the label's client area have exactly this colour.
// Where the label's printed client area holds pixels of `colour`: how many, and their bounds.
struct Ink {
    int count = 0;
    RECT box{1 << 20, 1 << 20, -1, -1};
};

Ink InkOf(HWND label, COLORREF colour) {
    RECT r{};
    GetClientRect(label, &r);
    win32::WindowDC screen(nullptr);
    win32::MemoryDC dc(screen.get());
    win32::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), r.right, r.bottom));
    win32::Selection keep(dc.get(), bitmap.get());
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    Ink ink;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x) {
            if (GetPixel(dc.get(), x, y) != colour) continue;
            ++ink.count;
            ink.box = {std::min<LONG>(ink.box.left, x), std::min<LONG>(ink.box.top, y),
                       std::max<LONG>(ink.box.right, x + 1), std::max<LONG>(ink.box.bottom, y + 1)};
        }
    return ink;
}

int PixelsOf(HWND label, COLORREF colour) { return InkOf(label, colour).count; }

TEST(LabelProperties, FocusControlParentFontAndTheDisabledLook) {
    Host host;
    auto edit = [&](int top) {
        return CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 100,
                               top, 80, 20, host.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    HWND first = edit(10), second = edit(40);
    TEsAttachedLabel label;
    label.SetCaption("&Size");
    label.CreateHandle(host.hwnd, 10, 10);
    // The parent's font, in the label's own colour; a plain shadowed label keeps its own.
    EXPECT_EQ(label.Font().Name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(label.Font().Height, -12);
    EXPECT_EQ(label.Font().Weight, FW_BOLD);
    EXPECT_TRUE(label.ParentFont());
    TEsScrollingMarquee own;
    own.CreateHandle(host.hwnd, 10, 100);
    EXPECT_EQ(own.Font().Name, "Times New Roman");
    TEsFont font = label.Font();
    font.Height = -20;
    label.SetFont(font);
    EXPECT_FALSE(label.ParentFont());
    label.SetAutoSize(false);
    label.SetLeft(12);
    label.SetWidth(70);
    EXPECT_EQ(label.Left(), 12);
    EXPECT_EQ(label.Top(), 10);
    EXPECT_EQ(label.Width(), 70);

    // Alt+S in the dialog gives the focus to the label's control, wherever it stands.
    SetFocus(second);
    MSG alt{second, WM_SYSCHAR, 's', 1 << 29, 0, {}};
    IsDialogMessageW(host.hwnd, &alt);
    EXPECT_EQ(GetFocus(), second) << "no focus control: the accelerator does nothing";
    label.SetFocusControl(first);
    IsDialogMessageW(host.hwnd, &alt);
    EXPECT_EQ(GetFocus(), first);
    SetFocus(second);
    label.SetShowAccelChar(false);
    IsDialogMessageW(host.hwnd, &alt);
    EXPECT_EQ(GetFocus(), second) << "without the accelerator character shown, no accelerator";

    // The mouse as the label sees it, each button in its own events.
    std::vector<std::string> mouse;
    label.OnMouseDown = [&](TEsCustomLabel&, TMouseButton b, int x, int y) {
        mouse.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label.OnMouseUp = [&](TEsCustomLabel&, TMouseButton b, int, int) {
        mouse.push_back("up " + std::to_string(static_cast<int>(b)));
    };
    label.OnMouseMove = [&](TEsCustomLabel&, int x, int y) {
        mouse.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    label.OnClick = [&](TEsCustomLabel&) { mouse.push_back("click"); };
    label.OnDblClick = [&](TEsCustomLabel&) { mouse.push_back("double"); };
    SendMessageW(label.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
    SendMessageW(label.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6));
    SendMessageW(label.Handle(), WM_RBUTTONUP, 0, MAKELPARAM(5, 6));
    SendMessageW(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 8));
    SendMessageW(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(7, 8));
    // A double click: one click, one double click, each press seen.
    SendMessageW(label.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(7, 8));
    SendMessageW(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(7, 8));
    // Pressed elsewhere and let go over the label: no click.
    SendMessageW(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(7, 8));
    EXPECT_EQ(mouse, (std::vector<std::string>{"move 3,4", "down 1 5,6", "up 1", "down 0 7,8", "up 0",
                                               "click", "down 0 7,8", "double", "up 0", "up 0"}));

    // Black text enabled; disabled, none of it: raised in the highlight, sunk in the shadow.
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_GT(PixelsOf(label.Handle(), black), 20);
    label.SetEnabled(false);
    EXPECT_EQ(PixelsOf(label.Handle(), black), 0);
    EXPECT_GT(PixelsOf(label.Handle(), GetSysColor(COLOR_BTNSHADOW)), 20);
    EXPECT_GT(PixelsOf(label.Handle(), GetSysColor(COLOR_BTNHIGHLIGHT)), 20);
}

TEST(LabelProperties, AlignmentAndWordWrapPlaceTheCaption) {
    Host host;
    TEsAttachedLabel label;
    label.SetCaption("Wrap me now");
    label.SetAutoSize(false);
    label.CreateHandle(host.hwnd, 10, 10, 200, 80);
    label.SetWordWrap(false);
    const COLORREF black = RGB(0, 0, 0);
    label.SetAlignment(TAlignment::taLeftJustify);
    const RECT left = InkOf(label.Handle(), black).box;
    label.SetAlignment(TAlignment::taRightJustify);
    const RECT right = InkOf(label.Handle(), black).box;
    label.SetAlignment(TAlignment::taCenter);
    const RECT centre = InkOf(label.Handle(), black).box;
    ASSERT_LT(left.left, left.right) << "the caption is drawn";
    EXPECT_LE(left.left, 3);
    EXPECT_GE(right.right, 197);
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 100, 3);
    EXPECT_EQ(right.right - right.left, left.right - left.left) << "the same line, only moved";

    // Narrower than the caption: wrapped over lines, or one line cut at the edge.
    label.SetWidth(45);
    label.SetAlignment(TAlignment::taLeftJustify);
    const RECT oneLine = InkOf(label.Handle(), black).box;
    label.SetWordWrap(true);
    const RECT wrapped = InkOf(label.Handle(), black).box;
    EXPECT_GT(wrapped.bottom - wrapped.top, 2 * (oneLine.bottom - oneLine.top));
}

} // namespace
} // namespace vermiq
