// A stored widget colour as GDI wants it: system colours looked up, the rest as they stand.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include "widgets/colors.h"

namespace vermiq {

inline COLORREF ToColorRef(TColor color) {
    return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFFu))
                                : static_cast<COLORREF>(color & 0xFFFFFFu);
}

} // namespace vermiq
