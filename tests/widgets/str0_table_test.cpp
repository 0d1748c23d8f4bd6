// The "STR0" table reader over bytes: binary search, missing ids with and without
// ReportMissing, refused tables, and the byte length of converted double-byte text.
#include <gtest/gtest.h>

#include <iconv.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "widgets/str0_table.h"

namespace vermiq {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Lays a table out as the resources hold it: header, index, then the texts back to back.
Bytes BuildTable(const std::vector<std::pair<std::int32_t, std::u16string>>& entries, const char* magic = "STR0") {
    Bytes b(magic, magic + 4);
    PutU32(b, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = 8 + 12 * static_cast<std::uint32_t>(entries.size());
    for (const auto& [id, text] : entries) {
        PutU32(b, static_cast<std::uint32_t>(id));
        PutU32(b, offset);
        PutU32(b, static_cast<std::uint32_t>(text.size()));
        offset += 2 * static_cast<std::uint32_t>(text.size());
    }
    for (const auto& entry : entries)
        for (char16_t u : entry.second) {
            b.push_back(static_cast<std::uint8_t>(u));
            b.push_back(static_cast<std::uint8_t>(u >> 8));
        }
    return b;
}

std::u16string U16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The conversion Windows does with code page 932, done here by iconv.
std::string ToCp932(std::u16string_view text) {
    iconv_t cd = iconv_open("CP932", "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
    std::string in;
    for (char16_t u : text) {
        in.push_back(static_cast<char>(u & 0xFF));
        in.push_back(static_cast<char>(u >> 8));
    }
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    std::size_t rc = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible to CP932");
    out.resize(out.size() - outLeft);
    return out;
}

const std::vector<std::pair<std::int32_t, std::u16string>> kMessages = {
    {1, U16("String not found: %d")},          {2, U16("Cannot lock resource")},
    {3, U16("String resource not found: %s")}, {4, U16("Unable to open string resource: %s")},
    {5, U16("Invalid string resource")}};

// Words the reader's messages from a message table, as the Win32 reader does with its own.
struct Reader {
    Bytes messageBytes = BuildTable(kMessages);
    Str0Table messages{messageBytes};
    ReaderWording word = [this](ReaderText t, std::string_view arg) {
        return FormatReaderText(LookUpString(messages, static_cast<std::int32_t>(t), false, ToCp932, word), arg);
    };
    std::string Get(const Str0Table& table, std::int32_t id, bool reportMissing) {
        return LookUpString(table, id, reportMissing, ToCp932, word);
    }
};

TEST(Str0Table, BinarySearchFindsEveryIdAndNoGap) {
    std::mt19937 random(7);
    for (int n : {1, 2, 3, 26, 257}) {
        std::set<std::int32_t> ids;
        std::uniform_int_distribution<std::int32_t> pick(-100000, 100000);
        while (static_cast<int>(ids.size()) < n) ids.insert(pick(random) * 3); // multiples of 3: gaps between
        std::vector<std::pair<std::int32_t, std::u16string>> entries;
        for (std::int32_t id : ids) entries.push_back({id, U16("#" + std::to_string(id))});
        Bytes bytes = BuildTable(entries);
        Str0Table table(bytes);
        ASSERT_TRUE(table.Check());
        ASSERT_EQ(table.Count(), static_cast<std::uint32_t>(n));
        for (std::int32_t id : ids) {
            auto e = table.Find(id);
            ASSERT_TRUE(e) << id;
            EXPECT_EQ(table.Text(*e), U16("#" + std::to_string(id)));
            EXPECT_FALSE(table.Find(id + 1)) << id + 1;
            EXPECT_FALSE(table.Find(id - 1)) << id - 1;
        }
        EXPECT_FALSE(table.Find(*ids.begin() - 3));
        EXPECT_FALSE(table.Find(*ids.rbegin() + 3));
    }
}

TEST(Str0Table, ExtremeIdsAndEmptyText) {
    Bytes bytes = BuildTable({{INT32_MIN, U16("low")}, {0, u""}, {INT32_MAX, U16("high")}});
    Str0Table table(bytes);
    ASSERT_TRUE(table.Check());
    Reader r;
    EXPECT_EQ(r.Get(table, INT32_MIN, true), "low");
    EXPECT_EQ(r.Get(table, INT32_MAX, true), "high");
    EXPECT_EQ(r.Get(table, 0, true), ""); // present, just empty: no error
}

TEST(Str0Table, MissingIdIsEmptyOrAnErrorWithReportMissing) {
    // The general table has ids 0..15 and 30..39; 20 lies between.
    std::vector<std::pair<std::int32_t, std::u16string>> general;
    for (int id = 0; id <= 15; ++id) general.push_back({id, U16("colour")});
    for (int id = 30; id <= 39; ++id) general.push_back({id, U16("message")});
    Bytes bytes = BuildTable(general);
    Str0Table table(bytes);
    Reader r;
    EXPECT_EQ(r.Get(table, 20, false), "");
    EXPECT_EQ(r.Get(table, 15, false), "colour");
    try {
        r.Get(table, 20, true);
        FAIL() << "no error for a missing id";
    } catch (const EStringResourceError& e) {
        EXPECT_STREQ(e.what(), "String not found: 20");
    }
    try {
        r.Get(table, -7, true);
        FAIL() << "no error for a missing id";
    } catch (const EStringResourceError& e) {
        EXPECT_STREQ(e.what(), "String not found: -7");
    }
}

TEST(Str0Table, EmptyTableFindsNothing) {
    Bytes bytes = BuildTable({});
    ASSERT_EQ(bytes.size(), 8u);
    Str0Table table(bytes);
    ASSERT_TRUE(table.Check());
    EXPECT_EQ(table.Count(), 0u);
    for (std::int32_t id : {0, 1, -1, INT32_MIN, INT32_MAX}) EXPECT_FALSE(table.Find(id));
    Reader r;
    EXPECT_EQ(r.Get(table, 1, false), "");
    EXPECT_THROW(r.Get(table, 1, true), EStringResourceError);
}

TEST(Str0Table, RefusesBadMagicAndTablesThatPointOutside) {
    EXPECT_FALSE(Str0Table(BuildTable(kMessages, "STR1")).Check());
    EXPECT_FALSE(Str0Table(BuildTable(kMessages, "str0")).Check());
    Bytes tiny{'S', 'T', 'R'};
    EXPECT_FALSE(Str0Table(tiny).HasMagic());
    EXPECT_FALSE(Str0Table(tiny).Check());

    Bytes good = BuildTable(kMessages);
    ASSERT_TRUE(Str0Table(good).Check());
    // Cut off inside the last text, inside the index, inside the header.
    for (std::size_t size : {good.size() - 1, std::size_t{8 + 12 * 5 - 1}, std::size_t{6}}) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(Str0Table(cut).Check()) << size;
    }
    // A count far beyond the data, and a text offset that wraps past 4 GiB.
    Bytes huge = good;
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
    EXPECT_FALSE(Str0Table(huge).Check());
    Bytes wrap = good;
    for (int i = 0; i < 4; ++i) wrap[12 + i] = 0xFF; // offset of entry 0
    EXPECT_FALSE(Str0Table(wrap).Check());
}

TEST(Str0Table, DoubleByteTextHasItsConvertedByteLength) {
    // "実　行": three UTF-16 units, six bytes in code page 932 (the ideographic space included).
    Bytes bytes = BuildTable({{1, u"\u5B9F\u3000\u884C"}, {2, u"A\u3042b"}});
    Str0Table table(bytes);
    Reader r;
    std::string text = r.Get(table, 1, true);
    EXPECT_EQ(text.size(), 6u);
    EXPECT_EQ(text, "\x8E\xC0\x81\x40\x8D\x73"); // spelled out: not every compiler makes literals CP932
    std::string mixed = r.Get(table, 2, true);
    EXPECT_EQ(mixed.size(), 4u);
    EXPECT_EQ(mixed, "A\x82\xA0" "b");
}

TEST(Str0Table, ReaderMessagesAreFormattedWithTheirArgument) {
    EXPECT_EQ(FormatReaderText("String not found: %d", "12"), "String not found: 12");
    EXPECT_EQ(FormatReaderText("Unable to open string resource: %s", "X"), "Unable to open string resource: X");
    EXPECT_EQ(FormatReaderText("100%% of %s, not %s", "a"), "100% of a, not %s");
    EXPECT_EQ(FormatReaderText("Invalid string resource", "ignored"), "Invalid string resource");
    EXPECT_EQ(FormatReaderText("trailing %", "x"), "trailing %");
    for (int id = 1; id <= 5; ++id) {
        auto text = static_cast<ReaderText>(id);
        Reader r;
        EXPECT_EQ(r.Get(r.messages, id, true), std::string(FallbackReaderText(text))) << id;
    }
}

} // namespace
} // namespace vermiq
