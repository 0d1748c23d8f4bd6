// MTEXT code stripping as first defined: search from the start, delete, repeat. Slow, but the
// yardstick for the one-pass implementation in the tests and the fuzz target.
#pragma once

#include <string>

namespace vermiq::test {

inline std::string StripByRepeatedSearch(std::string text) {
    for (const char* code : {"\\P", "\\O", "\\o", "\\L", "\\l"}) {
        for (std::size_t at; !text.empty() && (at = text.find(code)) != std::string::npos;) text.erase(at, 2);
    }
    for (const char* code : {"\\T", "\\C"}) {
        for (;;) {
            const std::size_t at = text.find(code);
            if (text.empty() || at == std::string::npos) break;
            const std::size_t semicolon = text.find(';', at);
            if (semicolon == std::string::npos) break;
            text.erase(at, semicolon - at + 1);
        }
    }
    return text;
}

} // namespace vermiq::test
