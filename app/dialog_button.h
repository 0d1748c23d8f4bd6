// The tool dialog's two buttons share one look: white to money green, the caption fixed 8 pixels
// down, no picture. The dialog and the button tests both build them here, so the tests check the
// buttons the user actually gets.
#pragma once

#include <memory>

#include "widgets/plButton.h"

namespace vermiq {

inline std::unique_ptr<TplButton> MakeDialogButton(HWND dialog, const char* name, int left, int top, int width,
                                                   int height, int controlId, HFONT font, const char* caption) {
    auto b = std::make_unique<TplButton>(dialog, name, left, top, width, height, controlId);
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
