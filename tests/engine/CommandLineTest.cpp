#include "engine/CommandLine.h"

#include "TestSupport.h"
#include "engine/DOSOutputs.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace pivora::engine;
using pivora::platform::ConverterPath;
using pivora::test::Native;

namespace {

CommandLineRequest Example()
{
    CommandLineRequest request;
    request.ProgramFolder = Native("/apps");
    request.InputPath = Native("/clips/holiday.mov");
    request.OutputFolder = Native("/output/");
    request.OutputFormat = 1;
    request.VideoBitrate = "5000";
    request.RotationFilter = RotationFilterFor(0);
    request.Time = {9, 5, 7};
    return request;
}

} // namespace

TEST(CommandLine, WorkedExamplesToTheCharacter)
{
    const std::string start =
        ConverterPath(Native("/apps")) + " -threads 1 -i \"" + Native("/clips/holiday.mov") + "\"";
    EXPECT_EQ(BuildCommandLine(Example()),
              start +
                  " -y -map_metadata 0 -id3v2_version 3 -vcodec h264 -vb 5000k -vf "
                  "\"transpose=1\" \"" +
                  Native("/output/holiday_Rotated957.mp4") + "\"");

    CommandLineRequest flv = Example();
    flv.OutputFormat = 4;
    flv.VideoBitrate = "1000";
    SelectRotationFilter(5, flv.RotationFilter);
    flv.Time = {14, 30, 0};
    // Two blanks between the bitrate and the output: the empty filter keeps its blank.
    EXPECT_EQ(BuildCommandLine(flv),
              start + " -y -map_metadata 0 -id3v2_version 3 -f mp4 -vb 1000k  \"" +
                  Native("/output/holiday_Rotated14300.flv") + "\"");
}

TEST(CommandLine, FormatsAndRotations)
{
    const char* expectedFilters[] = {"-vf \"transpose=1\"",
                                     "-vf \"transpose=2\"",
                                     "-vf vflip",
                                     "-vf hflip",
                                     "-vf \"transpose=2,transpose=2\"",
                                     ""};
    std::string filter = "unchanged";
    for (int rotation = 0; rotation < kRotationCount; ++rotation) {
        SelectRotationFilter(rotation, filter);
        EXPECT_EQ(filter, expectedFilters[rotation]);
    }
    // No item selected leaves the text as it was.
    SelectRotationFilter(0, filter);
    SelectRotationFilter(-1, filter);
    EXPECT_EQ(filter, expectedFilters[0]);

    const char* extensions[] = {".mp4", ".mp4", ".avi", ".mov", ".flv", ".wmv", ".mpg"};
    for (int format = 0; format < kOutputFormatCount; ++format) {
        const std::string option = OutputFormats()[format].OptionText;
        EXPECT_TRUE(option.starts_with(" -y -map_metadata 0 -id3v2_version 3 "));
        EXPECT_TRUE(option.ends_with("-vb "));
        EXPECT_EQ(OutputFormats()[format].Extension, std::string(extensions[format]));
    }
}

TEST(CommandLine, OutputNames)
{
    EXPECT_EQ(GetBaseName(Native("/a.b/clip.tar.mp4")), "clip.tar");
    // A name without an extension stays whole.
    EXPECT_EQ(GetBaseName(Native("/clips/holiday")), "holiday");
    EXPECT_EQ(GetBaseName(Native("/clips/.DS_Store")), ".DS_Store");
    EXPECT_EQ(GetBaseName(""), "");
    EXPECT_EQ(GetBaseName(Native("/tmp/name.tmp")), "name");
    EXPECT_EQ(OutputFilePath(Native("/output/"), Native("/clips/holiday"), 0, {9, 5, 7}),
              Native("/output/holiday_Rotated957.mp4"));
    // No separators and no leading zeros: 1:23:45 and 12:03:45 give the same stamp.
    const std::string o = Native("/o/");
    EXPECT_EQ(OutputFilePath(o, Native("/c/a.mp4"), 0, {1, 23, 45}),
              OutputFilePath(o, Native("/c/a.mp4"), 0, {12, 3, 45}));
    EXPECT_EQ(OutputFilePath(o, Native("/c/a.mp4"), 6, {0, 0, 5}), o + "a_Rotated005.mpg");
    // A taken name gets a counter before the extension; the plain name stays as it was.
    EXPECT_EQ(OutputFilePath(o, Native("/c/clip.mp4"), 0, {9, 5, 7}, 2),
              o + "clip_Rotated957_2.mp4");

    // Names at the file system's limit give way at a character's end, and the output can be
    // made: 249 bytes, and 80 Chinese characters (240 bytes in UTF-8).
    pivora::test::TempDir dir;
    const std::string folder = dir.File("");
    for (const std::string& base : {std::string(249, 'a'), [] {
                                        std::string chinese;
                                        for (int i = 0; i < 80; ++i)
                                            chinese += "\xe8\xa7\x86";
                                        return chinese;
                                    }()}) {
        const std::string output =
            OutputFilePath(folder, dir.File(base + ".mov"), 1, {12, 34, 56}, 12);
        EXPECT_TRUE(output.ends_with("_Rotated123456_12.mp4")) << output;
        EXPECT_TRUE(pivora::platform::CreateNewFile(output)) << output;
        const std::string name = output.substr(folder.size());
        EXPECT_LE(pivora::platform::FileNameUnits(name),
                  pivora::platform::MaxFileNameUnits(folder));
        EXPECT_TRUE(base.starts_with(name.substr(0, name.size() - 21)));
    }
}

TEST(CommandLine, KeepsOddValuesFromBecomingOptions)
{
    CommandLineRequest request = Example();
    request.VideoBitrate = "";
    EXPECT_NE(BuildCommandLine(request).find(" -vb k -vf"), std::string::npos);
    request.VideoBitrate = "abc";
    EXPECT_NE(BuildCommandLine(request).find(" -vb abck -vf"), std::string::npos);
    // A bitrate with blanks stays one argument instead of adding options.
    request.VideoBitrate = "5000 -f null";
    EXPECT_NE(BuildCommandLine(request).find(" -vb \"5000 -f nullk\" -vf"), std::string::npos);
    // A program folder with blanks is quoted so that the converter gets a clean argument list.
    request.ProgramFolder = Native("/my apps");
    EXPECT_TRUE(BuildCommandLine(request).starts_with("\"" + ConverterPath(request.ProgramFolder) +
                                                      "\" -threads 1"));
    // A relative output folder that starts with a dash cannot pass for an option.
    request.OutputFolder = Native("-y/");
    EXPECT_NE(BuildCommandLine(request).find("\"" + Native("./-y/holiday_Rotated957.mp4") + "\""),
              std::string::npos);
}

namespace {

class Recorder : public UserMessages
{
public:
    std::vector<std::string> texts;
    void ShowMessage(const std::string& text, const std::string&, Icon) override
    {
        texts.push_back(text);
    }
};

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

} // namespace

// The converter is a real child here: whatever the file is called, it must arrive as exactly
// the argument after -i, and the output path as exactly the last argument.
TEST(CommandLine, HostileFileNamesArriveAsOneArgumentEach)
{
    pivora::test::TempDir dir;
    const std::string program = pivora::test::MakeProgramFolder(dir, pivora::test::PrintArgsPath());
    std::vector<std::string> names{
        "with blanks.mp4",     "quote\"in\"side.mp4", "$(touch pwned).mp4", "`touch pwned`.mp4",
        "back\\slash\\.mp4",   "trailing\\",          "new\nline.mp4",      "-leading-dash.mp4",
        "\\\"escaped\\\".mp4", "tab\there.mp4",       ";|&<>*?.mp4"};
#ifndef _WIN32
    // Names are bytes here, and need not be UTF-8.
    names.push_back("bytes \xff\xfe.mp4");
#endif

    pivora::platform::PlainEventPump pump;
    Recorder messages;
    DOSOutputs runner(pump, messages);
    WatchedProcessName() = pivora::platform::ConverterProcessName();
    for (const std::string& name : names) {
        CommandLineRequest request = Example();
        request.ProgramFolder = program;
        request.InputPath = dir.Path() + pivora::test::kSep + name;
        request.OutputFolder = dir.File("out dir/");
        const std::string output = runner.ExecuteCommand(BuildCommandLine(request));

        std::vector<std::string> arguments;
        for (std::size_t at = 0; (at = output.find("ARG ", at)) != std::string::npos;) {
            const std::size_t end = output.find_first_of("\r\n", at);
            arguments.push_back(output.substr(at + 4, end - at - 4));
            at = end;
        }
        ASSERT_EQ(arguments.size(), 16u) << name;
        EXPECT_EQ(arguments[3], Hex(request.InputPath)) << name;
        EXPECT_EQ(arguments.back(), Hex(OutputFilePath(request.OutputFolder, request.InputPath,
                                                       request.OutputFormat, request.Time)))
            << name;
    }
    EXPECT_TRUE(messages.texts.empty());
    // No shell ran the names: nothing was touched in the current folder.
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}
