// How the application's error box words a message.
#include "app/error_text.h"

#include "common/cp932.h"

namespace vermiq {

std::string WithFullStop(std::string_view message) {
    std::string text(message);
    if (text.empty()) return text;
    // Find where the last character starts: a code-page-932 trail byte may be any byte from
    // 0x40, so the string is walked from the front.
    size_t last = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        last = i;
        if (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
    }
    if (static_cast<unsigned char>(text[last]) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

std::string Filled(std::string_view message, std::string_view text) {
    std::string filled(message);
    const std::size_t at = filled.find("%s");
    if (at != std::string::npos) filled.replace(at, 2, text);
    return filled;
}

std::string CannotWriteMessage(std::string_view path) {
    return std::string(path) + " に書き込めません";
}

} // namespace vermiq
