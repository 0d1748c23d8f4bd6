// Prints where a dialog control sits on the screen, for scripts that click it as a user would:
//   control_at.exe WINDOW-CLASS CONTROL-ID   ->   "X Y" of the control's centre
// Waits up to 20 seconds for the window to appear; exits 1 when it does not.
//   control_at.exe --menu                    ->   exits 0 once a popup menu shows, 1 when none
//                                                 has within 2 seconds (a key that was lost)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && !std::wcscmp(argv[1], L"--menu")) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: control_at WINDOW-CLASS CONTROL-ID | --menu\n");
        return 2;
    }
    int id = _wtoi(argv[2]);
    for (int attempt = 0; attempt < 200; ++attempt) {
        HWND window = FindWindowW(argv[1], nullptr);
        HWND control = window ? GetDlgItem(window, id) : nullptr;
        if (control && IsWindowVisible(window)) {
            RECT r;
            GetClientRect(control, &r);
            POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            ClientToScreen(control, &centre);
            std::printf("%ld %ld\n", centre.x, centre.y);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
