// The tool dialog's buttons at their unscaled size and row (75 x 26 at y = 104), for the tests
// and the showcase.
#pragma once

#include "app/dialog_button.h"

namespace vermiq {

inline std::unique_ptr<TplButton> MakeDialogButton(HWND dialog, const char* name, int left, const char* caption,
                                                   HFONT font, int controlId = 0) {
    return MakeDialogButton(dialog, name, left, 104, TplButton::kDefaultWidth, TplButton::kDefaultHeight,
                            controlId, font, caption);
}

} // namespace vermiq
