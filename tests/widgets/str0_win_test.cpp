// The string reader over the resources linked into this program: the program's two tables,
// a test table with double-byte texts, and tables that must be refused.
#include <gtest/gtest.h>

#include "widgets/EsSrMgr.h"

namespace vermiq {
namespace {

std::string ErrorOf(HINSTANCE instance, const char* name) {
    try {
        TEsStringResource reader(instance, name);
    } catch (const EStringResourceError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(Str0Resources, ReaderMessagesHoldTheReadersTexts) {
    TEsStringResource& messages = ReaderMessages();
    EXPECT_EQ(messages.GetResString(1), "String not found: %d");
    EXPECT_EQ(messages.GetResString(2), "Cannot lock resource");
    EXPECT_EQ(messages.GetResString(3), "String resource not found: %s");
    EXPECT_EQ(messages.GetResString(4), "Unable to open string resource: %s");
    EXPECT_EQ(messages.GetResString(5), "Invalid string resource");
    EXPECT_EQ(messages.GetResString(0), "");
    EXPECT_EQ(messages.GetResString(6), "");
}

TEST(Str0Resources, WidgetTextsHoldColourNamesAndMessages) {
    TEsStringResource& texts = WidgetTexts();
    const char* colours[] = {"Black", "Maroon", "Green", "Olive", "Navy",    "Purple", "Teal", "Gray",
                             "Silver", "Red",   "Lime",  "Yellow", "Blue", "Fuchsia", "Aqua", "White"};
    for (int id = 0; id < 16; ++id) EXPECT_EQ(texts.GetResString(id), colours[id]) << id;
    EXPECT_EQ(texts.GetResString(30), "No label is attached");
    EXPECT_EQ(texts.GetResString(35), "Invalid year");
    EXPECT_EQ(texts.GetResString(39), "Invalid date");
    EXPECT_EQ(texts.GetResString(20), ""); // between the two ranges
    EXPECT_EQ(texts.GetResString(40), "");

    texts.ReportMissing = true;
    try {
        texts.GetResString(20);
        ADD_FAILURE() << "no error for a missing id";
    } catch (const EStringResourceError& e) {
        EXPECT_STREQ(e.what(), "String not found: 20");
    }
    EXPECT_EQ(texts.GetResString(7), "Gray"); // the table stays usable after the error
    texts.ReportMissing = false;
}

TEST(Str0Resources, DoubleByteTextsComeBackInTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 932u) << "run under the Japanese locale";
    TEsStringResource table(GetModuleHandleA(nullptr), "STR0_TEST_TEXTS");
    std::string run = table.GetResString(1);
    EXPECT_EQ(run.size(), 6u); // three characters, two bytes each
    EXPECT_EQ(run, "実　行");
    EXPECT_EQ(table.GetResString(2), "閉じる");
    EXPECT_EQ(table.GetResString(-3), "負");
    EXPECT_EQ(table.GetResString(7), "a;b \"c\" \\d");
}

TEST(Str0Resources, MissingAndBrokenTablesAreReportedInTheReadersWords) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(ErrorOf(self, "NO_SUCH_TABLE"), "String resource not found: NO_SUCH_TABLE");
    EXPECT_EQ(ErrorOf(self, "STR0_BAD_MAGIC"), "Invalid string resource");
    EXPECT_EQ(ErrorOf(self, "STR0_TRUNCATED"), "Invalid string resource");
    // A module without the table falls back to the program's own.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    TEsStringResource fromProgram(kernel, kReaderMessagesResource);
    EXPECT_EQ(fromProgram.GetResString(5), "Invalid string resource");
    // An over-long name is cut to 255 characters before the look-up.
    std::string longName(300, 'X');
    EXPECT_EQ(ErrorOf(self, longName.c_str()), "String resource not found: " + std::string(255, 'X'));
}

TEST(Str0Resources, ReopeningSwitchesTables) {
    TEsStringResource reader(GetModuleHandleA(nullptr), kWidgetTextsResource);
    EXPECT_EQ(reader.GetResString(1), "Maroon");
    reader.OpenStringResource(GetModuleHandleA(nullptr), kReaderMessagesResource);
    EXPECT_EQ(reader.GetResString(1), "String not found: %d");
    EXPECT_THROW(reader.OpenStringResource(GetModuleHandleA(nullptr), "STR0_BAD_MAGIC"), EStringResourceError);
    // Closed after the failure, and closed by an empty name: nothing to lock.
    for (int pass = 0; pass < 2; ++pass) {
        try {
            reader.GetResString(1);
            ADD_FAILURE() << "a closed reader gave a string";
        } catch (const EStringResourceError& e) {
            EXPECT_STREQ(e.what(), "Cannot lock resource");
        }
        reader.OpenStringResource(GetModuleHandleA(nullptr), "");
    }
}

} // namespace
} // namespace vermiq
