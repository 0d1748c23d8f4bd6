// "STR0" string tables read from a byte range; see str0_table.h.
#include "widgets/str0_table.h"

#include <array>
#include <cstring>

namespace vermiq {

namespace {
constexpr std::size_t kHeader = 8;
constexpr std::size_t kEntrySize = 12;
} // namespace

std::uint32_t Str0Table::U32(std::size_t at) const {
    return static_cast<std::uint32_t>(bytes_[at]) | static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[at + 2]) << 16 | static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
}

bool Str0Table::HasMagic() const {
    return bytes_.size() >= 4 && std::memcmp(bytes_.data(), "STR0", 4) == 0;
}

bool Str0Table::Check() const {
    if (!HasMagic() || bytes_.size() < kHeader) return false;
    const std::uint64_t n = U32(4);
    if (kHeader + n * kEntrySize > bytes_.size()) return false;
    for (std::uint32_t i = 0; i < n; ++i) {
        Str0Entry e = Entry(i);
        if (std::uint64_t{e.offset} + std::uint64_t{e.units} * 2 > bytes_.size()) return false;
    }
    return true;
}

std::uint32_t Str0Table::Count() const { return U32(4); }

Str0Entry Str0Table::Entry(std::uint32_t index) const {
    std::size_t at = kHeader + std::size_t{index} * kEntrySize;
    return {static_cast<std::int32_t>(U32(at)), U32(at + 4), U32(at + 8)};
}

std::optional<Str0Entry> Str0Table::Find(std::int32_t id) const {
    // Signed bounds: with n = 0 the high end starts below the low end and nothing is searched.
    std::int64_t low = 0, high = std::int64_t{Count()} - 1;
    while (low <= high) {
        std::int64_t middle = (low + high) / 2;
        Str0Entry e = Entry(static_cast<std::uint32_t>(middle));
        if (e.id == id) return e;
        if (e.id < id)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return std::nullopt;
}

std::u16string Str0Table::Text(const Str0Entry& entry) const {
    std::u16string text(entry.units, u'\0');
    for (std::uint32_t i = 0; i < entry.units; ++i) {
        std::size_t at = std::size_t{entry.offset} + 2 * std::size_t{i};
        text[i] = static_cast<char16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    return text;
}

std::string FormatReaderText(std::string_view pattern, std::string_view argument) {
    std::string out;
    out.reserve(pattern.size() + argument.size());
    bool used = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            char next = pattern[i + 1];
            if (next == '%') {
                out += '%';
                ++i;
                continue;
            }
            if ((next == 'd' || next == 's') && !used) {
                out += argument;
                used = true;
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string_view FallbackReaderText(ReaderText text) {
    static constexpr std::array<std::string_view, 5> kTexts = {
        "String not found: %d", "Cannot lock resource", "String resource not found: %s",
        "Unable to open string resource: %s", "Invalid string resource"};
    auto index = static_cast<std::size_t>(text) - 1;
    return index < kTexts.size() ? kTexts[index] : kTexts.back();
}

std::string LookUpString(const Str0Table& table, std::int32_t id, bool reportMissing,
                         const AnsiConverter& toAnsi, const ReaderWording& word) {
    std::optional<Str0Entry> entry = table.Find(id);
    if (!entry) {
        if (reportMissing) throw EStringResourceError(word(ReaderText::StringNotFound, std::to_string(id)));
        return {};
    }
    return toAnsi(table.Text(*entry));
}

} // namespace vermiq
