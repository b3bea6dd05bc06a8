#include "platform/ProcessList.h"

#include "TestSupport.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Waits for a child to end; true when it ended by SIGKILL.
bool WasKilled(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

TEST(ProcessList, KillsOnlyThisProgramsConverterAndSeesNoZombies)
{
    pivora::test::TempDir dir;
    const std::string ours =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath()) + "/data/conv";
    std::filesystem::create_directories(dir.File("elsewhere"));
    const std::string unrelated = dir.File("elsewhere/conv");
    std::filesystem::copy_file(pivora::test::FakeConverterPath(), unrelated);

    const pid_t ourPid = pivora::test::StartLingering(ours, 5000);
    const pid_t otherPid = pivora::test::StartLingering(unrelated, 5000);
    EXPECT_TRUE(pivora::platform::IsProcessRunning("conv", ours));
    EXPECT_TRUE(pivora::platform::IsProcessRunning("CONV", ours));

    // The name is compared without regard to case; the path decides whose converter it is.
    pivora::platform::KillProcessByName("CONV", ours);
    EXPECT_TRUE(WasKilled(ourPid));
    EXPECT_EQ(::kill(otherPid, 0), 0) << "an unrelated program of the same name was stopped";
    EXPECT_FALSE(pivora::platform::IsProcessRunning("conv", ours)) << "a stranger counted as ours";
    EXPECT_TRUE(pivora::platform::IsProcessRunning("conv", unrelated));

    // Started by a relative path from another folder, or through "..", it is still ours.
    const std::string program = ours.substr(0, ours.size() - std::string("/data/conv").size());
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::create_directories(program + "/tests");
    std::filesystem::current_path(program);
    const pid_t relative = pivora::test::StartLingering("data/conv", 5000);
    std::filesystem::current_path(cwd);
    const pid_t dotted = pivora::test::StartLingering(program + "/tests/../data/conv", 5000);
    pivora::platform::KillProcessByName("conv", ours);
    EXPECT_TRUE(WasKilled(relative));
    EXPECT_TRUE(WasKilled(dotted));
    EXPECT_EQ(::kill(otherPid, 0), 0);

    // A stand-in written as a script runs under its interpreter, and is ours all the same.
    const std::string scripted = dir.File("scripted/data/conv");
    std::filesystem::create_directories(dir.File("scripted/data"));
    pivora::test::WriteFile(scripted, "#!/bin/sh\nsleep 5\n");
    std::filesystem::permissions(scripted, std::filesystem::perms::owner_all);
    const pid_t script = pivora::test::StartLingering(scripted, 0);
    EXPECT_TRUE(pivora::platform::IsProcessRunning("conv", scripted));
    pivora::platform::KillProcessByName("conv", scripted);
    EXPECT_TRUE(WasKilled(script));

    ::kill(otherPid, SIGTERM);
    // Not yet waited for: a zombie that must not count as running.
    for (int i = 0; i < 100 && pivora::platform::IsProcessRunning("conv", unrelated); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(pivora::platform::IsProcessRunning("conv", unrelated));
    EXPECT_EQ(::waitpid(otherPid, nullptr, WNOHANG), otherPid) << "it was a zombie until now";
}

TEST(ProcessList, AnotherLiveProgramsConversionIsNoStray)
{
    pivora::test::TempDir dir;
    const std::string converter =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath()) + "/data/conv";
    // A command line of the program, any copy of it, running its converter; the kernel names a
    // script after its file.
    const std::string cli = dir.File("bin/pivora-cli");
    std::filesystem::create_directories(dir.File("bin"));
    pivora::test::WriteFile(cli, "#!/bin/sh\nFAKE_CONV_LINGER_MS=20000 FAKE_CONV_STEPS=0 \"$1\" &\n"
                                 "echo $! > \"$2\"\nwait\n");
    std::filesystem::permissions(cli, std::filesystem::perms::owner_all);
    const std::string pidFile = dir.File("converter.pid");
    const pid_t parent = ::fork();
    if (parent == 0) {
        ::execl(cli.c_str(), cli.c_str(), converter.c_str(), pidFile.c_str(), nullptr);
        ::_exit(127);
    }
    pid_t theirs = 0;
    for (int i = 0; i < 200 && theirs == 0; ++i) {
        std::this_thread::sleep_for(10ms);
        theirs = std::atoi(pivora::test::ReadFile(pidFile).c_str());
    }
    ASSERT_GT(theirs, 0);
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(pivora::platform::IsProcessRunning("conv", converter))
        << "another program's conversion counted as a stray to wait for";
    pivora::platform::KillProcessByName("conv", converter);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(::kill(theirs, 0), 0) << "another program's conversion was ended";

    // Its program gone, the converter is a stray and goes.
    ::kill(parent, SIGKILL);
    ::waitpid(parent, nullptr, 0);
    for (int i = 0; i < 100 && !pivora::platform::IsProcessRunning("conv", converter); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(pivora::platform::IsProcessRunning("conv", converter));
    pivora::platform::KillProcessByName("conv", converter);
    for (int i = 0; i < 200 && ::kill(theirs, 0) == 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_NE(::kill(theirs, 0), 0) << "a converter left behind was not ended";
}
