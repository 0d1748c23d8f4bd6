// Program start: the tool dialog is the application's only window.
#include <windows.h>

#include <commctrl.h>

#include "app/VermiqU.h"
#include "widgets/EsSrMgr.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The widget string tables are opened at start, so that a broken table shows at once.
    vermiq::ReaderMessages();
    vermiq::WidgetTexts();
    auto form = vermiq::TVermiqF::Create(instance);
    if (!form) return 1;
    return form->RunMessageLoop();
}
