#include "engine/DOSOutputs.h"

#include "TestSupport.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace pivora::engine;
using pivora::test::ScopedEnv;
using Clock = std::chrono::steady_clock;

namespace {

class Recorder : public UserMessages
{
public:
    std::vector<std::string> texts;
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override
    {
        EXPECT_EQ(title, "Pivora");
        EXPECT_EQ(icon, Icon::Error);
        texts.push_back(text);
    }
};

class RunnerTest : public ::testing::Test
{
protected:
    RunnerTest() : runner(pump, messages)
    {
        program = pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
        runner.ReceiveOutputs = [this](const std::string& chunk) {
            chunks.push_back(chunk);
            EXPECT_EQ(overs, 0) << "output after the end of the run";
        };
        runner.CommandOver = [this] { ++overs; };
        WatchedProcessName() = pivora::platform::ConverterProcessName();
    }

    std::string Converter() const { return pivora::platform::ConverterPath(program); }
    // A run of the converter that writes into the test's own folder.
    std::string Line() const { return Converter() + " \"" + dir.File("out.mp4") + "\""; }

    std::string Joined() const
    {
        std::string all;
        for (const std::string& chunk : chunks)
            all += chunk;
        return all;
    }

    double Run(const std::string& line)
    {
        const auto start = Clock::now();
        runner.ExecuteCommand(line);
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    pivora::test::TempDir dir;
    std::string program;
    pivora::platform::PlainEventPump pump;
    Recorder messages;
    DOSOutputs runner;
    std::vector<std::string> chunks;
    int overs = 0;
};

} // namespace

TEST_F(RunnerTest, RefusesWhatItCannotRun)
{
    EXPECT_EQ(runner.ExecuteCommand(), "");
    EXPECT_EQ(messages.texts, std::vector<std::string>{"命令行为空"});

    EXPECT_EQ(runner.ExecuteCommand(dir.File("no such program") + " -i x"), "");
    EXPECT_EQ(messages.texts.back(), "文件或命令未找到");
    EXPECT_FALSE(runner.LastRunStarted());
    EXPECT_EQ(overs, 0);
    EXPECT_TRUE(chunks.empty());
    // The failed line stays the command line for the next call.
    EXPECT_EQ(runner.CommandLine(), dir.File("no such program") + " -i x");
}

TEST_F(RunnerTest, DeliversEverythingInPiecesThenEndsOnce)
{
    ScopedEnv exit("FAKE_CONV_EXIT", "3");
    // Pieces further apart than the runner's polls: on Windows a pipe wakes no wait, and a
    // quick stand-in's whole output may come within one poll.
    ScopedEnv step("FAKE_CONV_STEP_MS", "60");
    const std::string outputs =
        runner.ExecuteCommand(Converter() + " -i \"in.mp4\" \"" + dir.File("out.mp4") + "\"");
    EXPECT_EQ(overs, 1);
    EXPECT_GT(chunks.size(), 1u) << "the stand-in pauses between pieces";
    EXPECT_EQ(Joined(), outputs);
    EXPECT_EQ(runner.Outputs(), outputs);
    EXPECT_NE(outputs.find("Duration: 00:00:10.00,"), std::string::npos);
    EXPECT_NE(outputs.find("time=00:00:10.00"), std::string::npos);
    EXPECT_TRUE(outputs.ends_with(std::string("processing input") + pivora::test::kNewLine));
    ASSERT_TRUE(runner.LastExitStatus().Known);
    EXPECT_TRUE(runner.LastExitStatus().Exited);
    EXPECT_EQ(runner.LastExitStatus().Code, 3);
}

#ifndef _WIN32
TEST_F(RunnerTest, RecordsACrash)
{
    ScopedEnv crash("FAKE_CONV_CRASH", "1");
    runner.ExecuteCommand(Line());
    EXPECT_EQ(overs, 1);
    EXPECT_FALSE(runner.LastExitStatus().Exited);
    EXPECT_EQ(runner.LastExitStatus().Signal, SIGABRT);
}
#endif

TEST_F(RunnerTest, OutputLeftInThePipeAfterExitIsStillDelivered)
{
    // More than the pipe holds at once, written as fast as possible before the exit.
    ScopedEnv bulk("FAKE_CONV_BULK", "300000");
    ScopedEnv fast("FAKE_CONV_STEP_MS", "0");
    const std::string outputs = runner.ExecuteCommand(Line());
    EXPECT_GT(outputs.size(), 300000u);
    EXPECT_NE(outputs.find("time=00:00:10.00"), std::string::npos);
    EXPECT_EQ(Joined(), outputs);
}

TEST_F(RunnerTest, WaitsForAChildThatOutlivesItsPipe)
{
    ScopedEnv linger("FAKE_CONV_LINGER_MS", "400");
    const double seconds = Run(Line());
    EXPECT_GE(seconds, 0.35);
    EXPECT_EQ(overs, 1);
    EXPECT_TRUE(runner.LastExitStatus().Known);
}

TEST_F(RunnerTest, EndsWhenItsChildEndsEvenIfAnotherProgramHoldsThePipe)
{
    // The stand-in leaves another program behind with the pipe open; that is not the watched
    // name.
    ScopedEnv daemon("FAKE_CONV_DAEMON_MS", "3000");
    const double seconds = Run(Line());
    EXPECT_LT(seconds, 2.0);
    EXPECT_EQ(overs, 1);
    EXPECT_EQ(runner.LastExitStatus().Code, 0);
}

TEST_F(RunnerTest, EndsAtOnceWhenTheChildIsQuickAndZombiesDoNotCount)
{
    // A finished converter of the same name that nobody has waited for: a zombie (on Windows,
    // one whose handle is still open).
    const pivora::test::Process zombie = pivora::test::StartLingering(Converter(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));

    const double seconds = Run(Line());
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(overs, 1);
    EXPECT_TRUE(pivora::test::Ended(zombie));
}

TEST_F(RunnerTest, OnlyThisConvertersProcessesKeepTheRunOpen)
{
    // A program of another folder that happens to carry the converter's name is a stranger.
    const std::string elsewhere = pivora::platform::ConverterPath(dir.File("elsewhere"));
    pivora::platform::CreateFolders(dir.File("elsewhere/data"));
    std::filesystem::copy_file(pivora::test::FakeConverterPath(), elsewhere);
    const pivora::test::Process stranger = pivora::test::StartLingering(elsewhere, 5000);
    ScopedEnv steps("FAKE_CONV_STEPS", "1");
    EXPECT_LT(Run(Line()), 2.0) << "a stranger held the run open";
    EXPECT_EQ(overs, 1);
    pivora::test::Kill(stranger);

    // Another process of this converter keeps it open until it has gone.
    const pivora::test::Process other = pivora::test::StartLingering(Converter(), 700);
    overs = 0;
    Run(Line());
    EXPECT_EQ(overs, 1);
    EXPECT_TRUE(pivora::test::Ended(other));
}

// On Windows the child is terminated at once; POSIX asks it first and kills it after a grace.
TEST_F(RunnerTest, StopAsksTheChildToEndThenKillsIt)
{
    ScopedEnv hang("FAKE_CONV_HANG", "1");
    ScopedEnv step("FAKE_CONV_STEP_MS", "20");
    const auto stopAfter = [&](int polls, const std::function<void()>& stop) {
        int seen = 0;
        pump.onProcessEvents = [&, polls] {
            if (++seen == polls)
                stop();
        };
        const double seconds = Run(Line());
        pump.onProcessEvents = nullptr;
        EXPECT_TRUE(runner.LastRunStopped());
        EXPECT_EQ(overs, 0) << "a stopped run is not a finished one";
        EXPECT_FALSE(pivora::platform::IsProcessRunning(WatchedProcessName(), Converter()));
        return seconds;
    };

    // Asked politely, it goes at once.
    EXPECT_LT(stopAfter(5, [&] { runner.Stop(); }), 2.0);
#ifndef _WIN32
    EXPECT_EQ(runner.LastExitStatus().Signal, SIGTERM);

    // One that does not listen is killed after the grace period.
    {
        ScopedEnv deaf("FAKE_CONV_IGNORE_TERM", "1");
        const double seconds = stopAfter(5, [&] { runner.Stop(); });
        EXPECT_GE(seconds, DOSOutputs::kStopGraceMilliseconds / 1000.0);
        EXPECT_EQ(runner.LastExitStatus().Signal, SIGKILL);
    }
#endif
}
