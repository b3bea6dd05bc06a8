// The core on Windows: the command line as process creation receives it, the runner with a
// real child, process termination, the code page, narrow listings, copies, removal and the
// settings files. Runs under Wine with the code page 936 and with 1252.
#include "engine/CommandLine.h"
#include "engine/DOSOutputs.h"
#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "input/TempCopies.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"
#include "platform/win32/WinText.h"
#include "settings/SettingsFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace fs = pivora::platform;
using namespace pivora::engine;

namespace {

class Messages : public UserMessages
{
public:
    std::vector<std::string> texts;
    void ShowMessage(const std::string& text, const std::string&, Icon) override
    {
        texts.push_back(text);
    }
};

// A folder of the test's own under the system's temporary folder.
class TempDir
{
public:
    TempDir()
    {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        m_path = fs::win32::Utf8(base) + "pivora-test-" + std::to_string(::GetCurrentProcessId()) +
                 "-" + std::to_string(++s_count);
        fs::CreateFolders(m_path);
    }
    ~TempDir() { fs::RemoveFolderTree(m_path); }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }
    const std::string& Path() const { return m_path; }

private:
    static inline int s_count = 0;
    std::string m_path;
};

void SetEnv(const char* name, const char* value)
{
    ::SetEnvironmentVariableA(name, value);
}

std::string Unhex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// What the stand-in reported: its command line and the arguments parsed from it.
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
        const std::size_t end = output.find('\n', at);
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

std::string StandIn()
{
    return fs::JoinPath(fs::ProgramFolder(), "conv_standin.exe");
}

// A program folder "C:\Apps" with the stand-in as its converter, as in the worked example.
std::string InstallStandIn(const std::string& folder)
{
    fs::CreateFolders(folder + "\\data");
    const std::string converter = fs::ConverterPath(folder);
    ::CopyFileW(fs::win32::Wide(StandIn()).c_str(), fs::win32::Wide(converter).c_str(), FALSE);
    return converter;
}

bool IsChineseCodePage()
{
    return ::GetACP() == 936;
}

} // namespace

TEST(Win32, TheWorkedExampleReachesTheConverterUnchanged)
{
    const std::string converter = InstallStandIn("C:\\Apps");
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
    Messages messages;
    DOSOutputs runner(pump, messages);
    std::vector<std::string> chunks;
    int overs = 0;
    runner.ReceiveOutputs = [&](const std::string& chunk) { chunks.push_back(chunk); };
    runner.CommandOver = [&] { ++overs; };
    WatchedProcessName() = fs::ConverterProcessName();
    SetEnv("STANDIN_EXIT", "3");
    const std::string output = runner.ExecuteCommand(line);
    SetEnv("STANDIN_EXIT", nullptr);

    const Reported reported = Parse(output);
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
    EXPECT_GT(chunks.size(), 1u);
    EXPECT_NE(output.find("Duration: 00:00:10.00,"), std::string::npos);
    EXPECT_NE(output.find("time=00:00:10.00"), std::string::npos);
    EXPECT_EQ(overs, 1);
    ASSERT_TRUE(runner.LastExitStatus().Known);
    EXPECT_EQ(runner.LastExitStatus().Code, 3);
    EXPECT_TRUE(messages.texts.empty());

    // Names that need quoting arrive as one argument each.
    request.InputPath = "C:\\my clips\\a \"quoted\" name\\";
    const Reported odd = Parse(runner.ExecuteCommand(BuildCommandLine(request)));
    ASSERT_EQ(odd.arguments.size(), expected.size());
    EXPECT_EQ(odd.arguments[3], request.InputPath);

    EXPECT_EQ(runner.ExecuteCommand("C:\\no\\such\\conv.exe -y"), "");
    EXPECT_EQ(messages.texts, std::vector<std::string>{"文件或命令未找到"});
}

TEST(Win32, OutputLeftInThePipeAfterTheExitIsDelivered)
{
    TempDir dir;
    const std::string converter = InstallStandIn(dir.File("program"));
    fs::PlainEventPump pump;
    Messages messages;
    DOSOutputs runner(pump, messages);
    std::string joined;
    runner.ReceiveOutputs = [&](const std::string& chunk) { joined += chunk; };
    WatchedProcessName() = fs::ConverterProcessName();
    SetEnv("STANDIN_BULK", "300000");
    const std::string output = runner.ExecuteCommand(converter + " x");
    SetEnv("STANDIN_BULK", nullptr);
    EXPECT_GT(output.size(), 300000u);
    EXPECT_NE(output.find("time=00:00:10.00"), std::string::npos);
    EXPECT_EQ(joined, output);
    EXPECT_EQ(runner.LastExitStatus().Code, 0);
}

TEST(Win32, OnlyThisProgramsConverterIsStopped)
{
    TempDir dir;
    InstallStandIn("C:\\Apps");
    fs::CreateFolders(dir.File("other"));
    const std::string stranger = dir.File("other\\conv.exe");
    ::CopyFileW(fs::win32::Wide(StandIn()).c_str(), fs::win32::Wide(stranger).c_str(), FALSE);

    SetEnv("STANDIN_SLEEP_MS", "20000");
    const auto start = [](const std::string& program) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::string line = "\"" + program + "\"";
        EXPECT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &info));
        ::CloseHandle(info.hThread);
        return info.hProcess;
    };
    // The converter's own file, named in capitals, and a stranger of the same name.
    HANDLE ours = start("C:\\Apps\\data\\CONV.EXE");
    HANDLE theirs = start(stranger);
    SetEnv("STANDIN_SLEEP_MS", nullptr);
    ::Sleep(500);
    EXPECT_TRUE(fs::IsProcessRunning("conv.exe", fs::ConverterPath("C:\\Apps")));

    fs::KillProcessByName("CONV.EXE", fs::ConverterPath("C:\\Apps"));
    EXPECT_EQ(::WaitForSingleObject(ours, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(theirs, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "an unrelated program of the same name was stopped";
    EXPECT_FALSE(fs::IsProcessRunning("conv.exe", fs::ConverterPath("C:\\Apps")))
        << "a stranger counted as this program's converter";
    EXPECT_TRUE(fs::IsProcessRunning("conv.exe", stranger));
    ::TerminateProcess(theirs, 0);
    ::WaitForSingleObject(theirs, 5000);
    ::CloseHandle(ours);
    ::CloseHandle(theirs);
}

TEST(Win32, StopTerminatesTheConverter)
{
    const std::string converter = InstallStandIn("C:\\Apps");
    fs::PlainEventPump pump;
    Messages messages;
    DOSOutputs runner(pump, messages);
    int overs = 0;
    runner.CommandOver = [&] { ++overs; };
    int polls = 0;
    pump.onProcessEvents = [&] {
        if (++polls == 5)
            runner.Stop();
    };
    WatchedProcessName() = fs::ConverterProcessName();
    SetEnv("STANDIN_SLEEP_MS", "20000");
    const DWORD start = ::GetTickCount();
    runner.ExecuteCommand(converter + " x");
    SetEnv("STANDIN_SLEEP_MS", nullptr);
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_TRUE(runner.LastRunStopped());
    EXPECT_EQ(overs, 0);
    EXPECT_FALSE(fs::IsProcessRunning("conv.exe", converter));
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
    ::SetEnvironmentVariableW(L"APPDATA", fs::win32::Wide(appData).c_str());
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
    EXPECT_EQ(options, fs::ProgramFolder() + "\\options.ini");
    pivora::settings::OptionValues values{1, 1, 90, 120};
    ASSERT_TRUE(pivora::settings::SaveOptions(dir.File("options.ini"), values));
    pivora::settings::OptionValues loaded;
    pivora::settings::LoadOptions(dir.File("options.ini"), loaded);
    EXPECT_EQ(loaded.CutEnd, 120);
    EXPECT_EQ(fs::FileSize(dir.File("options.ini")), 15) << "four lines ending in CR LF";
}
