// The dialog's portable pieces: the stored decimal places, work file names, the error wording.
#include <gtest/gtest.h>

#include "app/error_text.h"
#include "app/export_check.h"
#include "app/settings.h"
#include "app/work_files.h"

namespace vermiq {
namespace {

TEST(DecimalsIndexFromText, ReadsTheStoredIntegerLikeTheRuntime) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"0", 0},     {"2", 2},      {"8", 8},     {"9", 9},          {"-1", -1},
        {"  3", 3},   {"+4", 4},     {"$A", 10},   {"0x1F", 31},      {"abc", 0},
        {"", 0},      {"3 ", 0},     {"2.5", 0},   {"99999999999", 0}, {"-2147483648", -2147483647 - 1},
    };
    for (const Case& c : cases) EXPECT_EQ(DecimalsIndexFromText(c.text), c.expected) << c.text;
}

TEST(OptionFromText, OnlyANumberOtherThanZeroSwitchesAnOptionOn) {
    struct Case {
        const char* text;
        bool on;
    } cases[] = {{"1", true}, {"0", false}, {"", false}, {" 1", true}, {"-1", true}, {"yes", false}, {"1 ", false}};
    for (const Case& c : cases) EXPECT_EQ(OptionFromText(c.text), c.on) << c.text;
    EXPECT_STREQ(OptionText(true), "1");
    EXPECT_STREQ(OptionText(false), "0");
}

TEST(SelectableIndex, OnlyIndicesOfTheNineItemsSelectAnything) {
    EXPECT_EQ(SelectableIndex(0), 0);
    EXPECT_EQ(SelectableIndex(8), 8);
    EXPECT_EQ(SelectableIndex(9), -1);
    EXPECT_EQ(SelectableIndex(-1), -1);
    EXPECT_EQ(SelectableIndex(-5), -1);
}

TEST(WorkFiles, FolderAndTimeStampedBaseName) {
    std::string folder = WorkFolderFrom("C:\\Users\\user\\AppData\\Roaming");
    EXPECT_EQ(folder, "C:\\Users\\user\\AppData\\Roaming\\Tallomir\\");
    EXPECT_EQ(WorkBaseNameAt(folder, {2026, 12, 7, 0, 19, 17}),
              "C:\\Users\\user\\AppData\\Roaming\\Tallomir\\261207001917.scr");
    // Two digits of the year, hours from 00 to 23.
    EXPECT_EQ(WorkBaseNameAt("W\\", {2009, 1, 2, 23, 4, 5}), "W\\090102230405.scr");
    EXPECT_EQ(WorkBaseNameAt("W\\", {2100, 10, 31, 9, 59, 0}), "W\\001031095900.scr");
}

TEST(WorkFiles, ReplacingTheExtension) {
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"C:\\W\\261207001917.scr", ".dxf", "C:\\W\\261207001917.dxf"},
        {"C:\\W\\261207001917.scr", ".csv", "C:\\W\\261207001917.csv"},
        {"C:\\my.folder\\name", ".dxf", "C:\\my.folder\\name.dxf"},
        {"name.tar.gz", ".Ini", "name.tar.Ini"},
        // 0x95 0x5C is one double-byte character whose trail byte is a backslash: the dot
        // after it still belongs to the file name.
        {"C:\\\x95\x5C.scr", ".dxf", "C:\\\x95\x5C.dxf"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReplaceExtension(c.path, c.extension), c.expected) << c.path;
}

TEST(WorkFiles, SettingsFileTakesTheExecutablesNameInTheWorkFolder) {
    const std::string folder = "C:\\Users\\u\\AppData\\Roaming\\Tallomir\\";
    EXPECT_EQ(SettingsFileFor(folder, "D:\\tools\\Vermiq.exe"), folder + "Vermiq.Ini");
    EXPECT_EQ(SettingsFileFor(folder, "D:\\tools\\X.exe"), folder + "X.Ini");
    EXPECT_EQ(SettingsFileFor(folder, "D:\\v1.2\\tool"), folder + "tool.Ini");
    EXPECT_EQ(SettingsFileFor(folder, "Vermiq.EXE"), folder + "Vermiq.Ini");
}

TEST(ErrorText, FullStopWhenTheLastCharacterSortsAfterThePeriod) {
    struct Case {
        const char* message;
        const char* shown;
    } cases[] = {
        {"abc", "abc."},
        {"abc.", "abc."},
        {"abc!", "abc!"},
        {"", ""},
        {"'x' は浮動小数点数ではありません", "'x' は浮動小数点数ではありません."},
        {"C:\\a.Ini に書き込めません", "C:\\a.Ini に書き込めません."},
        {"7", "7."},
        {"(1)", "(1)"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithFullStop(c.message), c.shown) << c.message;
}

TEST(ErrorText, CannotWriteNamesThePath) {
    EXPECT_EQ(CannotWriteMessage("C:\\T\\Vermiq.Ini"), "C:\\T\\Vermiq.Ini に書き込めません");
}

// A finished export ends with the pair 0/EOF; what some writers leave after it does not count,
// and a file cut anywhere before it is not finished.
TEST(EndsWithEof, OnlyTheClosingPairWithPaddingAfterIt) {
    struct Case {
        const char* tail;
        bool finished;
    } cases[] = {
        {"  0\r\nENDSEC\r\n  0\r\nEOF\r\n", true},
        {"  0\nENDSEC\n  0\nEOF", true},
        {"  0\nEOF\n\n\x1A", true},
        {"  0\nEOF\n\0\0", true},
        {"0\nEOF\n  ", true},
        {"  0\nENDSEC\n  0\nEO", false},
        {"  0\nENDSEC\n  0\n", false},
        {"  0\nENDSEC\n", false},
        {"EOF\n", false},
        {"  5\nEOF\n", false},
        {"  0\nEOF\nXYZ\n", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(EndsWithEof(c.tail), c.finished) << c.tail;
    // Finished also means no longer growing.
    FileStamp now{true, 100, 1, "  0\nEOF\n"}, before = now;
    EXPECT_TRUE(IsFinishedExport(now, before));
    before.size = 90;
    EXPECT_FALSE(IsFinishedExport(now, before));
    EXPECT_FALSE(IsFinishedExport(now, FileStamp{}));
}

} // namespace
} // namespace vermiq
