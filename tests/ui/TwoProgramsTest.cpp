// Several processes of the program on one machine, into one folder: a window converting, a
// second window starting beside it, and a command line at the same time. None may end another's
// conversion, and every file comes out whole, once for each program that converted it.
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "platform/FileSystem.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

pid_t Spawn(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
}

// How many runs a log has recorded, and whether any of them failed.
std::size_t Recorded(const std::string& log, bool& failed)
{
    const std::string text = pivora::test::ReadFile(log);
    std::size_t runs = 0;
    for (std::size_t at = 0; (at = text.find("\n  result: ", at)) != std::string::npos; ++at) {
        ++runs;
        failed = failed || text.compare(at + 11, 7, "failed:") == 0;
    }
    return runs;
}

} // namespace

TEST(TwoPrograms, NoneEndsAnothersConversionAndEveryOutputIsWhole)
{
    if (pivora::test::FfmpegPath().empty())
        GTEST_SKIP() << "no ffmpeg on this machine";
    pivora::test::TempDir dir;
    const std::string program = pivora::test::MakeProgramFolder(dir, pivora::test::FfmpegPath());
    std::vector<std::string> clips;
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) {
        clips.push_back(dir.File(name));
        ASSERT_TRUE(pivora::test::MakeTestClip(clips.back(), {640, 480, 4, 30}));
    }
    std::vector<std::string> first{PIVORA_SIGNAL_CHILD, dir.File("first"), program};
    first.insert(first.end(), clips.begin(), clips.end());
    const pid_t window = Spawn(first);
    const std::string output = dir.File("first/output");
    ASSERT_TRUE(pivora::test::WaitUntil(
        [&] {
            std::vector<pivora::platform::FolderEntry> files;
            return pivora::platform::ListFolder(output, files) && !files.empty() &&
                   pivora::platform::FileSize(pivora::platform::JoinPath(output, files[0].Name)) >
                       0;
        },
        60000));
    // Another window starts while the first converts (it ends the converters an earlier run
    // left behind), and a command line converts into the same folder.
    const pid_t second = Spawn({PIVORA_SIGNAL_CHILD, dir.File("second"), program, clips[0]});
    const pid_t cli =
        Spawn({PIVORA_CLI, "-q", "-j", "2", "-o", output, clips[0], clips[1], clips[2]});

    bool failed = false;
    EXPECT_TRUE(pivora::test::WaitUntil(
        [&] {
            bool any = false;
            return Recorded(dir.File("first/activity.log"), any) >= 3 &&
                   Recorded(dir.File("second/activity.log"), any) >= 1;
        },
        120000));
    int status = -1;
    ::waitpid(cli, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const pid_t pid : {window, second}) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(Recorded(dir.File("first/activity.log"), failed), 3u);
    EXPECT_EQ(Recorded(dir.File("second/activity.log"), failed), 1u);
    EXPECT_FALSE(failed) << pivora::test::ReadFile(dir.File("first/activity.log"))
                         << pivora::test::ReadFile(dir.File("second/activity.log"));
    std::vector<std::string> outputs;
    for (const std::string& folder : {output, dir.File("second/output")})
        for (const auto& file : std::filesystem::directory_iterator(folder))
            outputs.push_back(file.path().string());
    ASSERT_EQ(outputs.size(), 7u);
    for (const std::string& file : outputs) {
        EXPECT_GE(pivora::test::ClipSeconds(file), 3.8) << file;
        EXPECT_EQ(pivora::test::RedCorner(file, 480, 640), "top-right") << file;
    }
}
