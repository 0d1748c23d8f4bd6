// The two settings that survive from one start to the next, and how their INI texts read.
#pragma once

#include <string>
#include <string_view>

namespace vermiq {

// Section and keys of the settings file, in code page 932.
inline constexpr const char* kSettingsSection = "初期化";
inline constexpr const char* kSizeKey = "大きさ";
inline constexpr const char* kDecimalsKey = "延長桁";
inline constexpr const char* kDefaultSize = "50";

// The options beyond the two settings keep a section of their own; each key is 1 (on) or 0.
inline constexpr const char* kOptionsSection = "オプション";
inline constexpr const char* kEachSideKey = "各辺に記入";
inline constexpr const char* kAlongElementKey = "要素に沿って記入";
inline constexpr const char* kTotalKey = "合計を記入";
inline constexpr const char* kAreaKey = "面積を記入";
inline constexpr const char* kTakeOffKey = "集計表";
// The factor and the unit of the labels, as text; a damaged value reads as its default.
inline constexpr const char* kFactorKey = "倍率";
inline constexpr const char* kUnitKey = "単位";
// The layer the labels go on; empty or missing: the current layer. A name that a layer cannot
// take reads as empty.
inline constexpr const char* kLabelLayerKey = "記入画層";
std::string StoredLabelLayer(std::string_view text);

// A stored option: on for a number other than 0; off for 0, an empty text (no such key) or any
// text that is not a number.
bool OptionFromText(std::string_view text);
inline const char* OptionText(bool on) { return on ? "1" : "0"; }

// Number of items of the decimal-places list: 0 to 8 places.
inline constexpr int kDecimalsItems = 9;

struct ToolSettings {
    std::string size = kDefaultSize;  // annotation size, exactly as typed
    int decimalsIndex = 0;            // item index; -1 when no item is selected
};

// The stored "延長桁" text as an integer: leading blanks, a sign, and hexadecimal after "$" or
// "0x" are accepted; any other text reads as 0.
int DecimalsIndexFromText(std::string_view text);

// The item index a list of `kDecimalsItems` items shows after being given `index`: an index
// outside the list selects nothing, which reads back as -1.
int SelectableIndex(int index);

} // namespace vermiq
