// Program start: the tool dialog is the application's only window.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "app/VermiqU.h"
#include "app/platform.h"
#include "widgets/EsSrMgr.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        // The widget string tables are opened at start, so that a broken table shows at once,
        // in the application's error box like any other failure, and the program ends.
        vermiq::ReaderMessages();
        vermiq::WidgetTexts();
    } catch (const std::exception& error) {
        vermiq::ShowErrorBox(nullptr, error.what());
        return 1;
    }
    auto form = vermiq::TVermiqF::Create(instance);
    if (!form) return 1;
    return form->RunMessageLoop();
}
