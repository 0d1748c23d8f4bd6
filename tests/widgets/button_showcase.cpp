// A window with the tool dialog's two buttons where the dialog has them, for a look at the
// real thing and a screenshot. Clicking "閉じる" closes it; "実　行" counts its clicks in the
// title. An optional argument closes it after that many milliseconds.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "common/win32_raii.h"
#include "tests/widgets/button_dialog.h"
#include "widgets/plButton.h"

using namespace vermiq;

namespace {
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = L"ButtonShowcase";
    RegisterClassW(&wc);

    DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
    RECT frame{0, 0, 241, 138};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
    HWND dialog = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, "ButtonShowcase", "辺長値を描画する", style, 40,
                                  40, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                  nullptr);
    win32::GdiObject<HFONT> font(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "ＭＳ Ｐゴシック"));

    auto run = MakeDialogButton(dialog, "plButton1", 160, "実　行", font.get());
    auto close = MakeDialogButton(dialog, "plButton2", 72, "閉じる", font.get());
    int clicks = 0;
    run->OnClick = [&](TplButton&) {
        ++clicks;
        SetWindowTextA(dialog, ("辺長値を描画する " + std::to_string(clicks)).c_str());
    };
    close->OnClick = [&](TplButton&) { PostMessageW(dialog, WM_CLOSE, 0, 0); };

    ShowWindow(dialog, SW_SHOW);
    if (int ms = std::atoi(commandLine); ms > 0) SetTimer(dialog, 1, static_cast<UINT>(ms), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TplButton::OfferDialogKey(msg)) continue;
        if (IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
