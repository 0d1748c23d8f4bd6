// The tool dialog's buttons as the dialog sets them up: white to money green, the caption
// fixed 8 pixels down, no picture, 75 x 26 at y = 104. Shared by the tests and the showcase.
#pragma once

#include <memory>

#include "widgets/plButton.h"

namespace vermiq {

inline std::unique_ptr<TplButton> MakeDialogButton(HWND dialog, const char* name, int left, const char* caption,
                                                   HFONT font, int controlId = 0) {
    auto b = std::make_unique<TplButton>(dialog, name, left, 104, TplButton::kDefaultWidth,
                                         TplButton::kDefaultHeight, controlId);
    b->SetFont(font);
    b->SetGradEndColor(pl_colors::clMoneyGreen);
    b->SetCaptionTop(8);
    b->SetCaptionVertCenter(false);
    b->Image().SetTop(0);
    b->SetDisableImage(false);
    b->CaptionA().SetCaption(caption);
    return b;
}

} // namespace vermiq
