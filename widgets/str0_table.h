// "STR0" string tables read from a byte range: the format check, the binary search by id, the
// lookup of one string with its errors, and the wording of the reader's own messages. The
// Win32 reader (EsSrMgr.h) only finds, loads and locks the resource around these.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vermiq {

// A failure of the string-table reader; what() is the worded message.
class EStringResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Ids of the reader's own messages in its message table.
enum class ReaderText : std::int32_t {
    StringNotFound = 1,      // "%d": the id
    CannotLock = 2,
    ResourceNotFound = 3,    // "%s": the resource name
    CannotOpen = 4,          // "%s": the resource name
    InvalidResource = 5,
};

struct Str0Entry {
    std::int32_t id;
    std::uint32_t offset; // of the text, in bytes from the start of the table
    std::uint32_t units;  // UTF-16 code units
};

// A view of one table. Check() first: the accessors trust a table that passed it.
class Str0Table {
public:
    explicit Str0Table(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool HasMagic() const;
    // The magic, and an index and texts that lie inside the bytes. A resource is data from
    // outside the code, so a table that would send the reader past its end is refused whole.
    bool Check() const;

    std::uint32_t Count() const;
    Str0Entry Entry(std::uint32_t index) const;
    // Binary search by id; the entries are sorted by ascending id.
    std::optional<Str0Entry> Find(std::int32_t id) const;
    std::u16string Text(const Str0Entry& entry) const;

private:
    std::uint32_t U32(std::size_t at) const;
    std::span<const std::uint8_t> bytes_;
};

// Replaces the first "%d" or "%s" of a message by `argument`; "%%" stands for "%".
std::string FormatReaderText(std::string_view pattern, std::string_view argument);
// The message to use when the message table itself cannot word it (while it is being opened,
// or when it lacks the text).
std::string_view FallbackReaderText(ReaderText text);

// Converts a table's UTF-16 text to the program's 8-bit code page.
using AnsiConverter = std::function<std::string(std::u16string_view)>;
// Words a reader message: the pattern of `text`, formatted with `argument`.
using ReaderWording = std::function<std::string(ReaderText text, std::string_view argument)>;

// The lookup of one string over a checked table: the converted text, or "" for an id that the
// table does not hold, or EStringResourceError "String not found" when `reportMissing` is on.
std::string LookUpString(const Str0Table& table, std::int32_t id, bool reportMissing,
                         const AnsiConverter& toAnsi, const ReaderWording& word);

} // namespace vermiq
