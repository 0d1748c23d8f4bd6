// Builds DXF text for the tests: group codes right-aligned in three columns, as DXF writes them.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vermiq::test {

// π to the precision of long double, for the references of lengths and areas.
constexpr long double kPi = 3.141592653589793238462643383279502884L;

using Pairs = std::vector<std::pair<int, std::string>>;

inline std::string Code(int code) {
    std::string text = std::to_string(code);
    return text.size() < 3 ? std::string(3 - text.size(), ' ') + text : text;
}

// A number as DXF writes it, to the 17 digits that read back the same double.
inline std::string Real(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
    return text;
}

inline std::string DxfText(const Pairs& pairs, std::string_view lineBreak = "\n") {
    std::string text;
    for (const auto& [code, value] : pairs) {
        text += Code(code);
        text += lineBreak;
        text += value;
        text += lineBreak;
    }
    return text;
}

// The pairs as the ENTITIES section of a file with nothing else but its end.
inline Pairs InEntities(const Pairs& entities) {
    Pairs pairs{{0, "SECTION"}, {2, "ENTITIES"}};
    pairs.insert(pairs.end(), entities.begin(), entities.end());
    pairs.insert(pairs.end(), {{0, "ENDSEC"}, {0, "EOF"}});
    return pairs;
}

inline std::string EntitiesText(const Pairs& entities) { return DxfText(InEntities(entities)); }

// A TABLES section holding a STYLE table with the given (name, fixed height) styles.
inline Pairs StyleTable(std::initializer_list<std::pair<std::string, std::string>> styles) {
    Pairs pairs{{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "STYLE"}, {70, std::to_string(styles.size())}};
    for (const auto& [name, height] : styles)
        pairs.insert(pairs.end(), {{0, "STYLE"}, {2, name}, {70, "0"}, {40, height}, {41, "1.0"}});
    pairs.insert(pairs.end(), {{0, "ENDTAB"}, {0, "ENDSEC"}});
    return pairs;
}

inline Pairs Concat(std::initializer_list<Pairs> parts) {
    Pairs all;
    for (const Pairs& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace vermiq::test
