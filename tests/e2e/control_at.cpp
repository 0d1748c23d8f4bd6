// Prints where a dialog control sits on the screen, for scripts that click it as a user would:
//   control_at.exe WINDOW-CLASS CONTROL-ID   ->   "X Y" of the control's centre
// Waits up to 20 seconds for the window to appear; exits 1 when it does not.
//   control_at.exe --menu                    ->   exits 0 once a popup menu shows, 1 when none
//                                                 has within 2 seconds (a key that was lost)
//   control_at.exe --clipboard               ->   the clipboard's Unicode text, in UTF-8 (as it
//                                                 stands: no CR added); exits 1 when there is none
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && !std::wcscmp(argv[1], L"--menu")) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (menu && IsWindowVisible(menu)) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (argc == 2 && !std::wcscmp(argv[1], L"--clipboard")) {
        if (!OpenClipboard(nullptr)) return 1;
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
        const int n = text ? WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr) : 0;
        std::string utf8(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), n, nullptr, nullptr);
        if (text) GlobalUnlock(data);
        CloseClipboard();
        _setmode(_fileno(stdout), _O_BINARY);
        std::fwrite(utf8.data(), 1, utf8.size() - 1, stdout);
        return text ? 0 : 1;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: control_at WINDOW-CLASS CONTROL-ID | --menu | --clipboard\n");
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
