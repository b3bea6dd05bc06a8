// pivora-cli.exe as a Windows user runs it: beside data\conv.exe, the npm registry's Windows
// ffmpeg, on a clip named in Chinese and on one found in a folder.
#include "TestSupport.h"
#include "platform/CommandLineRules.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace fs = pivora::platform;
namespace test = pivora::test;

namespace {

// Runs a wide command line, as a console does, with standard output and error into a file;
// gives the exit code.
DWORD RunWide(const std::string& commandLine, const std::string& outputFile)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE output =
        ::CreateFileW(fs::win32::Wide(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION process{};
    std::wstring line = fs::win32::Wide(commandLine);
    DWORD code = 999;
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                         nullptr, &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, 300000);
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(output);
    return code;
}

} // namespace

TEST(CliExe, ConvertsClipsWithTheWindowsFfmpegAndReportsThemInJson)
{
    if (test::FfmpegPath().empty())
        GTEST_SKIP() << "no Windows ffmpeg: it could not be fetched from the npm registry";
    test::TempDir dir;
    const std::string program = test::MakeProgramFolder(dir, test::FfmpegPath());
    const std::string cli = fs::JoinPath(program, "pivora-cli.exe");
    ASSERT_TRUE(fs::CopyToNewFile(test::Native(PIVORA_CLI), cli));
    // A Chinese name goes to the converter as it is where the code page holds it, as a copy
    // where it does not; a folder is searched.
    const bool chinese = ::GetACP() == 936;
    const std::string named = dir.File("视频 片段.mp4");
    const std::string found = dir.File("in/found clip.mp4");
    ASSERT_TRUE(test::MakeTestClip(dir.File("named.mp4")));
    ASSERT_TRUE(fs::RenameFile(dir.File("named.mp4"), named));
    ASSERT_TRUE(fs::CreateFolder(dir.File("in")));
    ASSERT_TRUE(test::MakeTestClip(found));
    const std::string out = dir.File("out");
    // The program's own folders in a place of the test's own.
    const test::ScopedEnv local("LOCALAPPDATA", dir.File("local"));
    ASSERT_TRUE(fs::CreateFolder(dir.File("local")));
    const auto localFolders = [&] {
        std::vector<fs::FolderEntry> entries;
        fs::ListFolder(fs::CacheFolder(), entries);
        std::vector<std::string> names;
        for (const fs::FolderEntry& entry : entries)
            names.push_back(entry.Name);
        return names;
    };

    // A dry run makes nothing: no copy of the Chinese name, no folder of its own.
    EXPECT_EQ(RunWide(fs::QuoteArgument(cli) + " -n -o " + fs::QuoteArgument(out) + " " +
                          fs::QuoteArgument(named),
                      dir.File("dry.txt")),
              0u)
        << test::ReadFile(dir.File("dry.txt"));
    std::vector<fs::FolderEntry> made;
    fs::ListFolder(dir.File("local"), made);
    EXPECT_TRUE(made.empty()) << made.front().Name;

    const DWORD exit =
        RunWide(fs::QuoteArgument(cli) + " --json -q -o " + fs::QuoteArgument(out) + " " +
                    fs::QuoteArgument(named) + " " + fs::QuoteArgument(dir.File("in")),
                dir.File("printed.txt"));
    const std::string printed = test::ReadFile(dir.File("printed.txt"));
    EXPECT_EQ(exit, 0u) << printed;

    // A JSON line in UTF-8 for each input as given, its back-slashes escaped.
    for (std::string input : {named, found}) {
        for (std::size_t at = 0; (at = input.find('\\', at)) != std::string::npos; at += 2)
            input.insert(at, 1, '\\');
        EXPECT_NE(printed.find("{\"input\":\"" + input + "\",\"output\":\""), std::string::npos)
            << printed;
    }
    std::vector<fs::FolderEntry> written;
    fs::ListFolder(out, written);
    ASSERT_EQ(written.size(), 2u);
    // A quarter turn clockwise, the default; named after the input, or after its copy.
    bool foundOutput = false, namedOutput = false;
    for (const fs::FolderEntry& output : written) {
        EXPECT_EQ(test::RedCorner(fs::JoinPath(out, output.Name), 48, 64), "top-right");
        foundOutput = foundOutput || output.Name.starts_with("found clip_Rotated");
        namedOutput = namedOutput || output.Name.starts_with("视频 片段_Rotated");
    }
    EXPECT_TRUE(foundOutput);
    EXPECT_EQ(namedOutput, chinese);
    // The copy made for the Western code page went into a folder of the process's own, which
    // is gone again: the window's start, which clears the shared copies, cannot reach it.
    for (const std::string& name : localFolders())
        EXPECT_FALSE(name.starts_with("pivora-cli-") || name == "tmp") << name;
}

TEST(CliExe, TwoFromOneProgramFolderNeverEndEachOthersConversions)
{
    if (test::FfmpegPath().empty())
        GTEST_SKIP() << "no Windows ffmpeg: it could not be fetched from the npm registry";
    test::TempDir dir;
    const std::string program = test::MakeProgramFolder(dir, test::FfmpegPath());
    const std::string cli = fs::JoinPath(program, "pivora-cli.exe");
    ASSERT_TRUE(fs::CopyToNewFile(test::Native(PIVORA_CLI), cli));
    const test::ScopedEnv local("LOCALAPPDATA", dir.File("local"));
    ASSERT_TRUE(fs::CreateFolder(dir.File("local")));
    std::vector<std::string> clips;
    for (const char* name : {"a.mp4", "b.mp4"}) {
        clips.push_back(dir.File(name));
        ASSERT_TRUE(test::MakeTestClip(clips.back(), {320, 240, 4, 0}));
    }
    // Both at once, into one folder; each ends strays before its runs, as the window does.
    const std::string out = dir.File("out");
    std::vector<PROCESS_INFORMATION> running;
    for (const char* tag : {"first", "second"}) {
        std::wstring line =
            fs::win32::Wide(fs::QuoteArgument(cli) + " --json -q -o " + fs::QuoteArgument(out) +
                            " " + fs::QuoteArgument(clips[0]) + " " + fs::QuoteArgument(clips[1]));
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const HANDLE printed =
            ::CreateFileW(fs::win32::Wide(dir.File(tag)).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = printed;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                     nullptr, nullptr, &startup, &process));
        ::CloseHandle(printed);
        running.push_back(process);
    }
    for (const PROCESS_INFORMATION& process : running) {
        EXPECT_EQ(::WaitForSingleObject(process.hProcess, 300000), WAIT_OBJECT_0);
        DWORD code = 999;
        ::GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    // Every input converted once by each, every output whole and turned.
    for (const char* tag : {"first", "second"}) {
        const std::string printed = test::ReadFile(dir.File(tag));
        std::size_t converted = 0;
        for (std::size_t at = 0;
             (at = printed.find("\"outcome\":\"converted\"", at)) != std::string::npos; ++at)
            ++converted;
        EXPECT_EQ(converted, 2u) << printed;
    }
    std::vector<fs::FolderEntry> written;
    fs::ListFolder(out, written);
    ASSERT_EQ(written.size(), 4u);
    for (const fs::FolderEntry& output : written) {
        const std::string path = fs::JoinPath(out, output.Name);
        EXPECT_EQ(test::RedCorner(path, 240, 320), "top-right") << output.Name;
        EXPECT_GE(test::ClipSeconds(path), 3.8) << output.Name;
    }
}
