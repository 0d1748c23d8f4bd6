// Program start: the tool dialog is the application's only window.
#include <windows.h>

#include <commctrl.h>

#include "app/VermiqU.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    auto form = vermiq::TVermiqF::Create(instance);
    if (!form) return 1;
    return form->RunMessageLoop();
}
