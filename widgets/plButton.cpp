// The gradient push button; see plButton.h. The arithmetic lives in button_layout.cpp; this
// file holds the window's life and its message dispatch. Input, properties and painting have
// files of their own (plButton_input.cpp, plButton_properties.cpp, plButton_paint.cpp).
#include "widgets/plButton.h"

#include <stdexcept>

#include "common/win32_raii.h"
#include "common/win32_text.h"

namespace vermiq {

namespace {

constexpr wchar_t kClassName[] = L"VermiqGradientButton";

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
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

} // namespace

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

} // namespace vermiq
