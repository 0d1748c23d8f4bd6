// The dialog "表示の設定": the factor and the unit of every label and the layer labels go on,
// opened from the tool's system menu.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include <string>

#include "app/label_units.h"

namespace vermiq {

// The dialog's title.
inline constexpr const char* kDisplaySettingsTitle = "表示の設定";

// Shows the dialog modally over `owner` and on top of every other window, with `units` filled
// and `layer` filled in. OK (or Enter) takes the values only when they are valid: a factor that
// is not a positive finite number, a unit the label cannot carry, or a layer name that a layer
// cannot take, is refused with a message and the dialog stays open. Returns true with `units`
// and `layer` changed; false, leaving them, for キャンセル, Esc or the close box.
bool ShowDisplaySettings(HWND owner, DisplayUnits& units, std::string& layer);

} // namespace vermiq
