// The two settings that survive from one start to the next, and how their INI texts read.
#include "app/settings.h"

#include <cstdint>

#include "app/drawing_conventions.h"
#include "dxf/convert.h"

namespace vermiq {

int DecimalsIndexFromText(std::string_view text) {
    std::int32_t value = 0;
    return TryStrToInt(text, value) ? value : 0;
}

bool OptionFromText(std::string_view text) {
    std::int32_t value = 0;
    return TryStrToInt(text, value) && value != 0;
}

std::string StoredLabelLayer(std::string_view text) {
    return IsLabelLayerName(text) ? std::string(text) : std::string();
}

int SelectableIndex(int index) {
    return index >= 0 && index < kDecimalsItems ? index : -1;
}

} // namespace vermiq
