// The Windows layer's own behaviour, beside the tests every system shares: the command line as
// process creation receives it, stopping only this program's converter, the code page, narrow
// listings and where the settings files live. Runs under Wine with the code page 936 and 1252.
#include "engine/CommandLine.h"
#include "engine/DOSOutputs.h"
#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "input/TempCopies.h"
#include "platform/ChildProcess.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"
#include "platform/win32/WinText.h"
#include "settings/SettingsFiles.h"

#include "BatchStubs.h"
#include "TestSupport.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace fs = pivora::platform;
using namespace pivora::engine;
using pivora::test::TempDir;

namespace {

std::string Unhex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// What print_args reported: its command line and the arguments parsed from it.
struct Reported
{
    std::string commandLine;
    std::vector<std::string> arguments;
};

Reported Parse(const std::string& output)
{
    Reported reported;
    std::size_t at = 0;
    while (at < output.size()) {
        const std::size_t end = output.find_first_of("\r\n", at);
        const std::string line = output.substr(at, end - at);
        if (line.rfind("CMDLINE ", 0) == 0)
            reported.commandLine = Unhex(line.substr(8));
        else if (line.rfind("ARG ", 0) == 0)
            reported.arguments.push_back(Unhex(line.substr(4)));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return reported;
}

// `program` as the converter of the program folder `folder`.
std::string Install(const std::string& folder, const std::string& program)
{
    fs::CreateFolders(folder + "\\data");
    const std::string converter = fs::ConverterPath(folder);
    ::CopyFileW(fs::win32::Wide(program).c_str(), fs::win32::Wide(converter).c_str(), FALSE);
    return converter;
}

bool IsChineseCodePage()
{
    return ::GetACP() == 936;
}

} // namespace

TEST(Win32, TheWorkedExampleReachesTheConverterUnchanged)
{
    const std::string converter = Install("C:\\Apps", pivora::test::PrintArgsPath());
    ASSERT_TRUE(fs::IsRegularFile(converter)) << converter;
    CommandLineRequest request;
    request.ProgramFolder = "C:\\Apps";
    request.InputPath = "D:\\clips\\holiday.mov";
    request.OutputFolder = "C:\\output\\";
    request.OutputFormat = 1;
    request.VideoBitrate = "5000";
    request.RotationFilter = RotationFilterFor(0);
    request.Time = {9, 5, 7};
    const std::string line = BuildCommandLine(request);
    ASSERT_EQ(line, "C:\\Apps\\data\\conv.exe -threads 1 -i \"D:\\clips\\holiday.mov\" -y "
                    "-map_metadata 0 -id3v2_version 3 -vcodec h264 -vb 5000k -vf "
                    "\"transpose=1\" \"C:\\output\\holiday_Rotated957.mp4\"");

    fs::PlainEventPump pump;
    pivora::test::RecordingMessages messages;
    DOSOutputs runner(pump, messages);
    WatchedProcessName() = fs::ConverterProcessName();
    const Reported reported = Parse(runner.ExecuteCommand(line));
    EXPECT_EQ(reported.commandLine, line) << "the line reached process creation as built";
    const std::vector<std::string> expected{"-threads",    "1",
                                            "-i",          "D:\\clips\\holiday.mov",
                                            "-y",          "-map_metadata",
                                            "0",           "-id3v2_version",
                                            "3",           "-vcodec",
                                            "h264",        "-vb",
                                            "5000k",       "-vf",
                                            "transpose=1", "C:\\output\\holiday_Rotated957.mp4"};
    EXPECT_EQ(reported.arguments, expected);
    EXPECT_TRUE(messages.texts.empty());
}

TEST(Win32, OnlyThisProgramsConverterIsStopped)
{
    TempDir dir;
    Install("C:\\Apps", pivora::test::FakeConverterPath());
    const std::string stranger = Install(dir.File("other"), pivora::test::FakeConverterPath());

    // The converter's own file, named in capitals, and a stranger of the same name.
    const pivora::test::Process ours =
        pivora::test::StartLingering("C:\\Apps\\data\\CONV.EXE", 20000);
    const pivora::test::Process theirs = pivora::test::StartLingering(stranger, 20000);
    EXPECT_TRUE(fs::IsProcessRunning("conv.exe", fs::ConverterPath("C:\\Apps")));

    fs::KillProcessByName("CONV.EXE", fs::ConverterPath("C:\\Apps"));
    EXPECT_EQ(::WaitForSingleObject(ours, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(theirs, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "an unrelated program of the same name was stopped";
    EXPECT_FALSE(fs::IsProcessRunning("conv.exe", fs::ConverterPath("C:\\Apps")))
        << "a stranger counted as this program's converter";
    EXPECT_TRUE(fs::IsProcessRunning("conv.exe", stranger));
    pivora::test::Kill(theirs);
    pivora::test::Kill(ours);
}

TEST(Win32, TheCodePageDecides)
{
    // The locale the tests run under decides the code page, as on a Windows of that language.
    const char* language = std::getenv("LANG");
    const std::string locale = language ? language : "";
    if (locale.rfind("zh_CN", 0) == 0) {
        EXPECT_EQ(::GetACP(), 936u);
    } else if (locale.rfind("en_US", 0) == 0) {
        EXPECT_EQ(::GetACP(), 1252u);
    }
    const std::string chinese = "视频";
    const std::string korean = "비디오";
    if (IsChineseCodePage()) {
        EXPECT_EQ(fs::AnsiRoundTrip(chinese), chinese);
    } else {
        EXPECT_EQ(::GetACP(), 1252u);
        EXPECT_EQ(fs::AnsiRoundTrip(chinese), "??");
        EXPECT_EQ(fs::AnsiRoundTrip("café"), "café");
    }
    EXPECT_EQ(fs::AnsiRoundTrip(korean), "???");

    // A file whose name the code page cannot hold exists, but not for the narrow functions;
    // its copy is made through its wide name and really exists.
    TempDir dir;
    const std::string file = dir.File(korean + ".mp4");
    ASSERT_TRUE(fs::WriteFileWhole(file, "video"));
    ASSERT_TRUE(fs::IsRegularFile(file));
    EXPECT_FALSE(pivora::input::FileExists(file));
    pivora::input::TempCopies copies(dir.File("copies"));
    const std::string copy = copies.MakeTempCopy(file);
    EXPECT_EQ(copy.find('?'), std::string::npos) << copy;
    EXPECT_TRUE(fs::IsRegularFile(copy)) << copy;
    EXPECT_EQ(fs::FileSize(copy), 5);

    const std::string held = dir.File(IsChineseCodePage() ? chinese + ".mp4" : "café.mp4");
    ASSERT_TRUE(fs::WriteFileWhole(held, "video"));
    EXPECT_TRUE(pivora::input::FileExists(held));
    EXPECT_FALSE(pivora::input::FolderExists(held));
    EXPECT_TRUE(pivora::input::FolderExists(dir.Path()));
}

TEST(Win32, ACharacterCutByARunnersReadIsKeptWhole)
{
    TempDir dir;
    const std::string program =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
    pivora::test::ScopedEnv split("FAKE_CONV_SPLIT", "1");
    const std::string output = pivora::test::RunCommand(
        "\"" + fs::ConverterPath(program) + "\" -i in.mp4 \"" + dir.File("out.mp4") + "\"",
        "conv.exe");
    EXPECT_EQ(output.rfind("视频: 分开写的字", 0), 0u) << output;
}

TEST(Win32, ChildrenEndWithTheProgramHoweverItEnds)
{
    TempDir dir;
    const std::string program =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    pivora::test::ScopedEnv hang("FAKE_CONV_HANG", "1");
    const std::string converter = fs::ConverterPath(program);
    // A program that started a converter, ended without a chance to stop it.
    auto starter = fs::ChildProcess::Start(
        "\"" + fs::JoinPath(fs::ProgramFolder(), "helpers\\start_child.exe") + "\" \"" + converter +
        "\" \"" + dir.File("out.mp4") + "\"");
    ASSERT_TRUE(starter.Process);
    for (int i = 0; i < 250 && pivora::test::ReadLines(dir.File("conv.log")).empty(); ++i)
        ::Sleep(20);
    ASSERT_TRUE(fs::IsProcessRunning("conv.exe", converter));
    starter.Process->Kill();
    for (int i = 0; i < 150 && fs::IsProcessRunning("conv.exe", converter); ++i)
        ::Sleep(20);
    EXPECT_FALSE(fs::IsProcessRunning("conv.exe", converter)) << "the converter outlived it";
}

namespace {

// Every running process of that file name, whoever started it.
int CountProcesses(const wchar_t* name)
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry))
        count += ::_wcsicmp(entry.szExeFile, name) == 0 ? 1 : 0;
    ::CloseHandle(snapshot);
    return count;
}

} // namespace

TEST(Win32, AnotherLiveProgramsConversionIsNoStray)
{
    TempDir dir;
    const std::string program =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    pivora::test::ScopedEnv hang("FAKE_CONV_HANG", "1");
    const std::string converter = fs::ConverterPath(program);
    // The command line of the program, from the same folder, converting.
    const std::string cli = dir.File("pivora-cli.exe");
    ASSERT_TRUE(::CopyFileW(
        fs::win32::Wide(fs::JoinPath(fs::ProgramFolder(), "helpers\\start_child.exe")).c_str(),
        fs::win32::Wide(cli).c_str(), TRUE));
    auto other = fs::ChildProcess::Start("\"" + cli + "\" \"" + converter + "\" \"" +
                                         dir.File("out.mp4") + "\"");
    ASSERT_TRUE(other.Process);
    for (int i = 0; i < 250 && pivora::test::ReadLines(dir.File("conv.log")).empty(); ++i)
        ::Sleep(20);
    ASSERT_EQ(CountProcesses(L"conv.exe"), 1);
    EXPECT_FALSE(fs::IsProcessRunning("conv.exe", converter))
        << "another program's conversion counted as a stray to wait for";
    fs::KillProcessByName("conv.exe", converter);
    ::Sleep(200);
    EXPECT_EQ(CountProcesses(L"conv.exe"), 1) << "another program's conversion was ended";
    other.Process->Kill();
    for (int i = 0; i < 150 && CountProcesses(L"conv.exe") > 0; ++i)
        ::Sleep(20);
}

TEST(Win32, NarrowSearchAndRemoval)
{
    TempDir dir;
    const std::string root = dir.File("tree");
    fs::WriteFileWhole(root + "\\b.mp4", "x");
    fs::WriteFileWhole(root + "\\a.avi", "x");
    fs::WriteFileWhole(root + "\\sub\\c.mov", "x");
    fs::WriteFileWhole(root + "\\sub\\비디오.mp4", "x");
    std::vector<std::string> found;
    pivora::input::SearchFolder(root, found);
    const std::vector<std::string> expected{root + "\\a.avi", root + "\\b.mp4",
                                            root + "\\sub\\???.mp4", root + "\\sub\\c.mov"};
    EXPECT_EQ(found, expected) << "names come through the narrow listing";

    // Read-only and hidden entries go too.
    const std::string locked = root + "\\sub\\locked.tmp";
    fs::WriteFileWhole(locked, "x");
    ::SetFileAttributesW(fs::win32::Wide(locked).c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(fs::win32::Wide(root + "\\b.mp4").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesW(fs::win32::Wide(root + "\\sub").c_str(), FILE_ATTRIBUTE_READONLY);
    fs::RemoveFolderTree(root + "\\");
    EXPECT_FALSE(fs::PathExists(root));
}

TEST(Win32, SettingsFilesWhereWindowsKeepsThem)
{
    TempDir dir;
    const std::string appData = dir.File("AppData");
    fs::CreateFolders(appData);
    // Through the C runtime, whose copy of the environment the program reads.
    ::_wputenv_s(L"APPDATA", fs::win32::Wide(appData).c_str());
    const std::string settings = pivora::settings::OutputFolderFilePath(fs::SettingsFolder());
    EXPECT_EQ(settings, appData + "\\pvsetting.ini");
    ASSERT_TRUE(pivora::settings::SaveOutputFolder(settings, "C:\\output"));
    HANDLE file = ::CreateFileW(fs::win32::Wide(settings).c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    char buffer[64] = {};
    DWORD got = 0;
    ::ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    ::CloseHandle(file);
    EXPECT_EQ(std::string(buffer, got), "C:\\output\r\n");
    EXPECT_EQ(pivora::settings::LoadOutputFolder(settings, "", "C:\\output"), "C:\\output");

    const std::string options =
        pivora::settings::OptionsFilePath(fs::ProgramFolder(), fs::SettingsFolder());
    EXPECT_EQ(options, appData + "\\options.ini") << "never beside the program, wherever it is";
    pivora::settings::OptionValues values{1, 1, 90, 120};
    ASSERT_TRUE(pivora::settings::SaveOptions(dir.File("options.ini"), values));
    pivora::settings::OptionValues loaded;
    pivora::settings::LoadOptions(dir.File("options.ini"), loaded);
    EXPECT_EQ(loaded.CutEnd, 120);
    EXPECT_EQ(fs::FileSize(dir.File("options.ini")), 15) << "four lines ending in CR LF";
}
