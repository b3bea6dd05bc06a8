#include "engine/DOSOutputs.h"

#include "TestSupport.h"
#include "platform/ProcessList.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

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
        WatchedProcessName() = "conv";
    }

    std::string Converter() const { return program + "/data/conv"; }

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
    const std::string outputs =
        runner.ExecuteCommand(Converter() + " -i \"in.mp4\" \"" + dir.File("out.mp4") + "\"");
    EXPECT_EQ(overs, 1);
    EXPECT_GT(chunks.size(), 1u) << "the stand-in pauses between pieces";
    EXPECT_EQ(Joined(), outputs);
    EXPECT_EQ(runner.Outputs(), outputs);
    EXPECT_NE(outputs.find("Duration: 00:00:10.00,"), std::string::npos);
    EXPECT_NE(outputs.find("time=00:00:10.00"), std::string::npos);
    EXPECT_TRUE(outputs.ends_with("Invalid data found when processing input\n"));
    ASSERT_TRUE(runner.LastExitStatus().Known);
    EXPECT_TRUE(runner.LastExitStatus().Exited);
    EXPECT_EQ(runner.LastExitStatus().Code, 3);
}

TEST_F(RunnerTest, RecordsACrash)
{
    ScopedEnv crash("FAKE_CONV_CRASH", "1");
    runner.ExecuteCommand(Converter() + " x");
    EXPECT_EQ(overs, 1);
    EXPECT_FALSE(runner.LastExitStatus().Exited);
    EXPECT_EQ(runner.LastExitStatus().Signal, SIGABRT);
}

TEST_F(RunnerTest, OutputLeftInThePipeAfterExitIsStillDelivered)
{
    // More than the pipe holds at once, written as fast as possible before the exit.
    ScopedEnv bulk("FAKE_CONV_BULK", "300000");
    ScopedEnv fast("FAKE_CONV_STEP_MS", "0");
    const std::string outputs = runner.ExecuteCommand(Converter() + " x");
    EXPECT_GT(outputs.size(), 300000u);
    EXPECT_NE(outputs.find("time=00:00:10.00"), std::string::npos);
    EXPECT_EQ(Joined(), outputs);
}

TEST_F(RunnerTest, WaitsForAChildThatOutlivesItsPipe)
{
    ScopedEnv linger("FAKE_CONV_LINGER_MS", "400");
    const double seconds = Run(Converter() + " x");
    EXPECT_GE(seconds, 0.35);
    EXPECT_EQ(overs, 1);
    EXPECT_TRUE(runner.LastExitStatus().Known);
}

TEST_F(RunnerTest, EndsWhenItsChildEndsEvenIfAnotherProgramHoldsThePipe)
{
    // The stand-in leaves "sleep" behind with the pipe open; that is not the watched name.
    ScopedEnv daemon("FAKE_CONV_DAEMON_MS", "3000");
    const double seconds = Run(Converter() + " x");
    EXPECT_LT(seconds, 2.0);
    EXPECT_EQ(overs, 1);
    EXPECT_EQ(runner.LastExitStatus().Code, 0);
}

TEST_F(RunnerTest, EndsAtOnceWhenTheChildIsQuickAndZombiesDoNotCount)
{
    // A finished converter of the same name that nobody has waited for: a zombie.
    const pid_t zombie = pivora::test::StartLingering(Converter(), 0);
    ::usleep(150000);

    const double seconds = Run(Converter() + " x");
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(overs, 1);
    EXPECT_EQ(::waitpid(zombie, nullptr, WNOHANG), zombie);
}

TEST_F(RunnerTest, AnotherProcessOfTheWatchedNameKeepsTheRunOpen)
{
    const pid_t other = pivora::test::StartLingering(Converter(), 700);
    ScopedEnv steps("FAKE_CONV_STEPS", "1");
    Run(Converter() + " x");
    EXPECT_EQ(overs, 1);
    // The run ended only after the other one had gone.
    EXPECT_EQ(::waitpid(other, nullptr, WNOHANG), other);
}

TEST_F(RunnerTest, StopsWaitingWhenTheProgramQuits)
{
    ScopedEnv linger("FAKE_CONV_LINGER_MS", "3000");
    int polls = 0;
    pump.onProcessEvents = [&] {
        if (++polls == 3)
            pump.RequestQuit();
    };
    const double seconds = Run(Converter() + " x");
    EXPECT_LT(seconds, 2.0);
    EXPECT_TRUE(runner.LastRunAbandoned());
    EXPECT_EQ(overs, 0);
    pivora::platform::KillProcessByName("conv", Converter());
}
