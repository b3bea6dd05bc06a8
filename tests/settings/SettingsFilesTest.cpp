#include "settings/SettingsFiles.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace pivora::settings;
using pivora::test::Native;

TEST(SettingsFiles, LeadingNumbers)
{
    EXPECT_EQ(LeadingNumber("7 words"), 7);
    EXPECT_EQ(LeadingNumber("letters"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("-1"), -1);
    EXPECT_EQ(LeadingNumber(" 1 2\t3 "), 123) << "blanks anywhere are ignored";
    EXPECT_EQ(LeadingNumber("2.5e1x"), 25);
    EXPECT_EQ(LeadingNumber("3e"), 3);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

TEST(SettingsFiles, OutputFolder)
{
    pivora::test::TempDir dir;
    const std::string file = dir.File("pvsetting.ini");
    const std::string fallback = "/home/u/output";
    EXPECT_EQ(LoadOutputFolder(file, "/current", fallback), "/current") << "no file";
    EXPECT_EQ(LoadOutputFolder(file, "", fallback), fallback);
    const std::pair<const char*, const char*> cases[] = {
        {"", "/home/u/output"},
        {"   \r\n/second/line\r\n", "/home/u/output"},
        {"  /videos/out  \r\n", "/videos/out"},
        {"/videos/lf only\n", "/videos/lf only"},
        {"/no/line/end", "/no/line/end"},
    };
    for (const auto& [content, expected] : cases) {
        pivora::test::WriteFile(file, content);
        EXPECT_EQ(LoadOutputFolder(file, "/current", fallback), expected) << content;
    }
    ASSERT_TRUE(SaveOutputFolder(dir.File("new/folder/pvsetting.ini"), "/my out/"));
    EXPECT_EQ(pivora::test::ReadFile(dir.File("new/folder/pvsetting.ini")), "/my out/\r\n");
}

TEST(SettingsFiles, Options)
{
    pivora::test::TempDir dir;
    const std::string file = dir.File("options.ini");
    OptionValues options{1, 1, 90, 120};
    LoadOptions(file, options);
    EXPECT_EQ(options.SoundReminder, 0) << "no file: the reminder is on";
    EXPECT_EQ(options.CutEnabled, 0);
    EXPECT_EQ(options.CutStart, 90) << "the range keeps its values";
    EXPECT_EQ(options.CutEnd, 120);

    const auto load = [&](const char* content, OptionValues start = {}) {
        pivora::test::WriteFile(file, content);
        LoadOptions(file, start);
        return start;
    };
    OptionValues loaded = load("1\r\n1\r\n90\r\n120\r\n");
    EXPECT_EQ((std::array{int(loaded.SoundReminder), int(loaded.CutEnabled), loaded.CutStart,
                          loaded.CutEnd}),
              (std::array{1, 1, 90, 120}));
    loaded = load("-1\n7 words\nletters\n2.5\n");
    EXPECT_EQ(loaded.SoundReminder, -1);
    EXPECT_EQ(loaded.CutEnabled, 7);
    EXPECT_EQ(loaded.CutStart, 0);
    EXPECT_EQ(loaded.CutEnd, 2);
    loaded = load("3.5\r\n\r\n  \r\n-2.5\r\n");
    EXPECT_EQ(loaded.SoundReminder, 4);
    EXPECT_EQ(loaded.CutEnabled, 0);
    EXPECT_EQ(loaded.CutEnd, -2);
    // Too large for its field: the field keeps what it held.
    loaded = load("40000\r\n-40000\r\n9999999999\r\n5\r\n", {1, 1, 30, 40});
    EXPECT_EQ(loaded.SoundReminder, 1);
    EXPECT_EQ(loaded.CutEnabled, 1);
    EXPECT_EQ(loaded.CutStart, 30);
    EXPECT_EQ(loaded.CutEnd, 5);
    // Fewer lines than values: the missing ones stay as they were.
    loaded = load("1\r\n0\r\n15\r\n", {0, 1, 30, 40});
    EXPECT_EQ(loaded.SoundReminder, 1);
    EXPECT_EQ(loaded.CutEnabled, 0);
    EXPECT_EQ(loaded.CutStart, 15);
    EXPECT_EQ(loaded.CutEnd, 40);
    loaded = load("", {1, 1, 30, 40});
    EXPECT_EQ(loaded.SoundReminder, 1) << "an empty file changes nothing";

    ASSERT_TRUE(SaveOptions(file, {1, 0, -30, 3599}));
    EXPECT_EQ(pivora::test::ReadFile(file), "1\r\n0\r\n-30\r\n3599\r\n");
    EXPECT_FALSE(std::filesystem::exists(file + ".new"));
}

TEST(SettingsFiles, WhereOptionsLiveAndWholeWrites)
{
    pivora::test::TempDir dir;
    std::filesystem::create_directories(dir.File("program"));
#ifdef _WIN32
    // Windows keeps it with the user's settings wherever the program is, installed or unpacked.
    EXPECT_EQ(OptionsFilePath(dir.File("program"), dir.File("config")),
              dir.File("config/options.ini"));
#else
    EXPECT_EQ(OptionsFilePath(dir.File("program"), dir.File("config")),
              dir.File("program/options.ini"));
#endif
#ifdef _WIN32
    const std::string own = ""; // where other copies of the program look for them
#else
    const std::string own = "pivora/"; // where no other program's file of that name can clash
#endif
    // A folder that cannot take new files (here: none at all, and the kernel's own).
    EXPECT_EQ(OptionsFilePath(dir.File("missing"), dir.File("config")),
              dir.File("config/" + own + "options.ini"));
#ifndef _WIN32
    EXPECT_EQ(OptionsFilePath("/proc/self", dir.File("config")),
              dir.File("config/pivora/options.ini"));
    // What an earlier version kept directly in the settings folder moves, once; another
    // program's file of the same name is left where it is.
    pivora::test::WriteFile(dir.File("old/options.ini"), "1\r\n0\r\n0\r\n0\r\n");
    pivora::test::WriteFile(dir.File("old/pvsetting.ini"), "[General]\nlast=/home\n");
    EXPECT_EQ(OptionsFilePath("/proc/self", dir.File("old")), dir.File("old/pivora/options.ini"));
    EXPECT_EQ(pivora::test::ReadFile(dir.File("old/pivora/options.ini")), "1\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(OutputFolderFilePath(dir.File("old")), dir.File("old/pivora/pvsetting.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("old/pivora/pvsetting.ini")));
    EXPECT_EQ(pivora::test::ReadFile(dir.File("old/pvsetting.ini")), "[General]\nlast=/home\n");
    pivora::test::WriteFile(dir.File("old/options.ini"), "0\r\n0\r\n0\r\n0\r\n");
    OptionsFilePath("/proc/self", dir.File("old"));
    EXPECT_EQ(pivora::test::ReadFile(dir.File("old/pivora/options.ini")), "1\r\n0\r\n0\r\n0\r\n")
        << "only while there is none at the new place";
#endif
    EXPECT_EQ(OutputFolderFilePath(Native("/cfg")), Native("/cfg/" + own + "pvsetting.ini"));
    EXPECT_EQ(OutputFolderFilePath(""), Native("/pvsetting.ini"));

    // A save that cannot be made leaves the old file as it was, not empty.
    const std::string file = dir.File("options.ini");
    ASSERT_TRUE(SaveOptions(file, {1, 1, 90, 120}));
    std::filesystem::create_directory(file + ".new"); // the sibling cannot be written
    std::filesystem::create_directory(file + ".new/x");
    EXPECT_FALSE(SaveOptions(file, {0, 0, 0, 0}));
    EXPECT_EQ(pivora::test::ReadFile(file), "1\r\n1\r\n90\r\n120\r\n");
}
