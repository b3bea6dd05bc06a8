#include "engine/BatchDriver.h"

#include "BatchStubs.h"
#include "TestSupport.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace pivora::engine;
using pivora::input::EntryForPath;
using pivora::test::kSep;
using pivora::test::ScopedEnv;

namespace {

using FakeHost = pivora::test::RecordingHost;
using Messages = pivora::test::RecordingMessages;

class BatchTest : public ::testing::Test
{
protected:
    BatchTest() : log("FAKE_CONV_LOG", dir.File("conv.log"))
    {
        program = pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
        host.folder = dir.File("out");
        for (const char* name : {"a.mp4", "b.mov", "c.avi"}) {
            inputs.push_back(dir.File(name));
            pivora::test::WriteFile(inputs.back(), "video");
        }
    }

    BatchDriver& Driver(const pivora::settings::ProgramSettings* settings = nullptr)
    {
        if (!driver) {
            BatchDriver::Setup setup{program, dir.File("work"), dir.File("state/activity.log")};
            setup.Settings = settings;
            setup.QuestionPatience = patience;
            setup.Clock = [] { return pivora::platform::LocalDateTime{2026, 12, 8, 9, 5, 7}; };
            driver = std::make_unique<BatchDriver>(setup, list, host, pump, messages, options);
        }
        return *driver;
    }

    void AddInputs()
    {
        for (const std::string& input : inputs)
            list.Append(EntryForPath(input));
    }

    std::vector<std::string> Converted() { return pivora::test::ReadLines(dir.File("conv.log")); }

    pivora::test::TempDir dir;
    std::string program;
    std::vector<std::string> inputs;
    pivora::platform::PlainEventPump pump;
    Messages messages;
    pivora::input::InputList list;
    FakeHost host;
    pivora::settings::OptionValues options;
    std::unique_ptr<BatchDriver> driver;
    std::chrono::milliseconds patience = ConverterQuestion::kPatience;
    ScopedEnv log;
};

} // namespace

TEST_F(BatchTest, ConvertsEveryEntryInOrderThenFinishes)
{
    AddInputs();
    std::vector<std::size_t> countsDuringRuns;
    pump.onProcessEvents = [&] {
        if (!host.states.empty())
            countsDuringRuns.push_back(list.Count());
    };
    Driver().ConvertQueue();

    const std::string out = dir.File("out") + kSep;
    EXPECT_EQ(host.folder, out) << "the box gets its trailing separator";
    ASSERT_EQ(Converted(),
              (std::vector<std::string>{out + "a_Rotated957.mp4", out + "b_Rotated957.mp4",
                                        out + "c_Rotated957.mp4"}))
        << (messages.texts.empty() ? "" : messages.texts.front());
    EXPECT_TRUE(list.Empty());
    EXPECT_FALSE(host.labels.empty());
    EXPECT_EQ(host.mostConverting, 1u);
    // The list empties from the top, one entry per run.
    ASSERT_FALSE(countsDuringRuns.empty());
    EXPECT_EQ(countsDuringRuns.front(), 3u);
    EXPECT_EQ(countsDuringRuns.back(), 1u);
    const std::vector<std::string> end(host.steps.end() - 6, host.steps.end());
    EXPECT_EQ(end, (std::vector<std::string>{"pb=0", "unlock panel", "open " + out, "sound",
                                             "unlock commands", "finished"}));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("work")));
    const std::string record = pivora::test::ReadFile(dir.File("state/activity.log"));
    EXPECT_NE(record.find("exit: exit code 0"), std::string::npos);
    EXPECT_NE(record.find(out + "c_Rotated957.mp4"), std::string::npos);
}

TEST_F(BatchTest, NoSoundWhenTheReminderIsOff)
{
    options.SoundReminder = 1;
    AddInputs();
    Driver().ConvertQueue();
    EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "sound"), 0);
}

TEST_F(BatchTest, NeverOverwritesAnExistingFileOrAnEarlierOutput)
{
    std::filesystem::create_directories(dir.File("out"));
    pivora::test::WriteFile(dir.File("out/a_Rotated957.mp4"), "the user's own file");
    list.Append(EntryForPath(inputs[0]));
    list.Append(EntryForPath(inputs[0])); // the same input twice in one batch
    Driver().ConvertQueue();
    const std::string out = dir.File("out") + kSep;
    EXPECT_EQ(Converted(),
              (std::vector<std::string>{out + "a_Rotated957_2.mp4", out + "a_Rotated957_3.mp4"}));
    EXPECT_EQ(pivora::test::ReadFile(out + "a_Rotated957.mp4"), "the user's own file");
}

TEST_F(BatchTest, AFailedRunIsReportedByNameAndLeavesNoPartialOutput)
{
    AddInputs();
    // The second file fails: its converter writes part of a file and exits with 1.
    pump.onProcessEvents = [&] {
        pivora::test::SetEnv("FAKE_CONV_EXIT", list.Count() == 2 ? "1" : nullptr);
    };
    Driver().ConvertQueue();
    pivora::test::SetEnv("FAKE_CONV_EXIT", nullptr);

    const std::string out = dir.File("out") + kSep;
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(std::filesystem::exists(out + "a_Rotated957.mp4"));
    EXPECT_FALSE(std::filesystem::exists(out + "b_Rotated957.mp4")) << "partial output kept";
    EXPECT_TRUE(std::filesystem::exists(out + "c_Rotated957.mp4"));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find(inputs[1]), std::string::npos);
    EXPECT_NE(messages.texts[0].find("Invalid data found when processing input"),
              std::string::npos);
    EXPECT_EQ(messages.texts[0].find(inputs[0]), std::string::npos);
    ASSERT_EQ(Driver().LastFailures().size(), 1u);
    // The end still shows the finish.
    EXPECT_EQ(host.steps.back(), "finished");
}

TEST_F(BatchTest, AMissingOutputIsAFailureToo)
{
    ScopedEnv nofile("FAKE_CONV_NOFILE", "1");
    list.Append(EntryForPath(inputs[0]));
    Driver().ConvertQueue();
    ASSERT_EQ(Driver().LastFailures().size(), 1u);
    EXPECT_EQ(Driver().LastFailures()[0].DisplayText, inputs[0]);
    EXPECT_EQ(Driver().LastFailures()[0].Reason, "没有生成输出文件");
}

TEST_F(BatchTest, AnOutputThatCannotBeCheckedIsKeptAndNamedUnlessAStopCutsTheCheckShort)
{
    // The converter's lines leave the output to be opened, and opening it never answers.
    ScopedEnv terse("FAKE_CONV_TERSE", "1");
    ScopedEnv hang("FAKE_CONV_PROBE_HANG", "_Rotated");
    ScopedEnv probes("FAKE_CONV_PROBES", dir.File("probes.log"));
    patience = std::chrono::milliseconds(300);
    list.Append(EntryForPath(inputs[0]));
    Driver().ConvertQueue();
    const std::string out = dir.File("out") + kSep;
    EXPECT_TRUE(std::filesystem::exists(out + "a_Rotated957.mp4"));
    EXPECT_TRUE(list.Empty());
    ASSERT_EQ(Driver().LastFailures().size(), 1u);
    EXPECT_EQ(Driver().LastFailures()[0].Reason, "无法检查输出: 转换程序 1 秒内没有回答");
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find("无法检查输出"), std::string::npos);
    EXPECT_NE(pivora::test::ReadFile(dir.File("state/activity.log")).find("not checked"),
              std::string::npos);

    // A stop while the output is being opened: it is as partial as any stopped run's.
    driver.reset();
    patience = ConverterQuestion::kPatience;
    list.Append(EntryForPath(inputs[1]));
    pump.onProcessEvents = [&] {
        const auto probed = pivora::test::ReadLines(dir.File("probes.log"));
        if (!probed.empty() && probed.back().ends_with("b_Rotated957.mp4") && !Driver().Stopping())
            Driver().Stop();
    };
    Driver().ConvertQueue();
    EXPECT_EQ(host.steps.back(), "stopped");
    EXPECT_FALSE(std::filesystem::exists(out + "b_Rotated957.mp4"));
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_TRUE(Driver().LastFailures().empty());
}

TEST_F(BatchTest, AConverterThatCannotStartEndsTheBatchOnceAndEarlierFailuresAreReported)
{
    AddInputs();
    // The first file fails; then the converter disappears (on Windows, once it has ended).
    ScopedEnv fails("FAKE_CONV_EXIT", "1");
    bool ran = false;
    pump.onProcessEvents = [&] {
        ran = ran || !Driver().RunningCommandLines().empty();
        std::error_code inUse;
        if (ran)
            std::filesystem::remove(pivora::platform::ConverterPath(program), inUse);
    };
    Driver().ConvertQueue();
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[0], "文件或命令未找到");
    EXPECT_NE(messages.texts[1].find(inputs[0]), std::string::npos);
    EXPECT_EQ(list.Count(), 2u) << "the rest of the list stays as it was";
    EXPECT_EQ(host.steps.back(), "not started");
    EXPECT_NE(std::find(host.steps.begin(), host.steps.end(), "unlock commands"), host.steps.end());
    EXPECT_EQ(std::count_if(host.steps.begin(), host.steps.end(),
                            [](const std::string& s) { return s.starts_with("open "); }),
              0);
    EXPECT_FALSE(Driver().Running());
}

TEST_F(BatchTest, RemovingTheRunningHeadLeavesTheRestToBeConverted)
{
    AddInputs();
    bool removed = false;
    pump.onProcessEvents = [&] {
        // While the first file converts, the user removes it from the list.
        if (!removed && !host.states.empty()) {
            removed = true;
            list.RemoveAt(0);
        }
    };
    Driver().ConvertQueue();
    const std::string out = dir.File("out") + kSep;
    EXPECT_EQ(Converted(),
              (std::vector<std::string>{out + "a_Rotated957.mp4", out + "b_Rotated957.mp4",
                                        out + "c_Rotated957.mp4"}));
    EXPECT_TRUE(list.Empty());
}

TEST_F(BatchTest, NoSecondBatchInsideARunningOne)
{
    AddInputs();
    int nested = 0;
    pump.onProcessEvents = [&] {
        if (nested++ == 0)
            Driver().ConvertQueue();
    };
    Driver().ConvertQueue();
    EXPECT_EQ(Converted().size(), 3u);
    EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "finished"), 1);
}

TEST_F(BatchTest, ReadsTheBoxesAgainForEveryEntry)
{
    AddInputs();
    std::vector<std::string> lines;
    pump.onProcessEvents = [&] {
        const auto running = Driver().RunningCommandLines();
        if (running.empty())
            return;
        if (lines.empty() || lines.back() != running.front())
            lines.push_back(running.front());
        host.rotation = 3;
        host.format = 6;
        host.bitrate = "1500";
        host.folder = "/elsewhere/";
    };
    Driver().ConvertQueue();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("-vcodec mpeg4 -vb 5000k -vf \"transpose=1\""), std::string::npos);
    EXPECT_NE(lines[1].find("-vcodec mpeg1video -vb 1500k -vf hflip"), std::string::npos);
    // The batch keeps the folder it started with; only the final open uses the new text.
    EXPECT_NE(lines[2].find(dir.File("out/c_Rotated957.mpg")), std::string::npos);
    EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "open /elsewhere/"), 1);
}

namespace {

// The most runs that were going on at once, from the stand-in's "+out" and "-out" lines.
std::size_t MostAtOnce(const std::vector<std::string>& spans)
{
    std::size_t now = 0, most = 0;
    for (const std::string& line : spans) {
        now = line.starts_with('+') ? now + 1 : now - 1;
        most = std::max(most, now);
    }
    return most;
}

} // namespace

TEST_F(BatchTest, SeveralAtOnceEachEntryOnceInWhateverOrderTheyFinish)
{
    if (pivora::settings::MaxParallelJobs() < 2)
        GTEST_SKIP() << "one core: one conversion at a time";
    ScopedEnv spans("FAKE_CONV_SPANS", dir.File("spans.log"));
    pivora::settings::ProgramSettings settings;
    settings.ParallelJobs = 2;
    // A long run, a short one, one that fails, and the long file's input once more: its
    // second run starts in the same second while the first has not written its output yet.
    pivora::test::WriteFile(inputs[0], "plan steps=30 step_ms=10");
    pivora::test::WriteFile(inputs[1], "plan steps=2");
    pivora::test::WriteFile(inputs[2], "plan steps=3 exit=1");
    for (const std::string& input : {inputs[0], inputs[1], inputs[2], inputs[0]})
        list.Append(EntryForPath(input));
    std::vector<std::vector<std::string>> lists;
    std::string afterFirst; // the whole batch's label once the first entry has left
    pump.onProcessEvents = [&] {
        if (list.Count() == 3 && afterFirst.empty() && !host.labels.empty())
            afterFirst = host.labels.back();
        std::vector<std::string> now;
        for (std::size_t i = 0; i < list.Count(); ++i)
            now.push_back(list.At(i).Path);
        if (lists.empty() || lists.back() != now)
            lists.push_back(now);
    };
    Driver(&settings).ConvertQueue();

    const std::string out = dir.File("out") + kSep;
    std::vector<std::string> converted = Converted();
    std::sort(converted.begin(), converted.end());
    EXPECT_EQ(converted,
              (std::vector<std::string>{out + "a_Rotated957.mp4", out + "a_Rotated957_2.mp4",
                                        out + "b_Rotated957.mp4", out + "c_Rotated957.mp4"}));
    EXPECT_EQ(MostAtOnce(pivora::test::ReadLines(dir.File("spans.log"))), 2u);
    EXPECT_EQ(host.mostConverting, 2u);
    // The short run finished first and took its own entry, not the head's.
    EXPECT_NE(std::find(lists.begin(), lists.end(),
                        std::vector<std::string>{inputs[0], inputs[2], inputs[0]}),
              lists.end());
    EXPECT_TRUE(list.Empty());
    // The failure is reported alone; the others are whole.
    ASSERT_EQ(Driver().LastFailures().size(), 1u);
    EXPECT_EQ(Driver().LastFailures()[0].DisplayText, inputs[2]);
    EXPECT_FALSE(std::filesystem::exists(out + "c_Rotated957.mp4"));
    for (const char* name : {"a_Rotated957.mp4", "a_Rotated957_2.mp4", "b_Rotated957.mp4"})
        EXPECT_EQ(pivora::test::ReadFile(out + name), "converted by the stand-in\n") << name;
    // The whole batch's progress: one of four files of equal length done is not most of it;
    // it never runs backwards, and ends full.
    ASSERT_FALSE(afterFirst.empty());
    EXPECT_LT(std::stod(afterFirst), 50) << afterFirst;
    ASSERT_FALSE(host.labels.empty());
    EXPECT_TRUE(std::is_sorted(
        host.labels.begin(), host.labels.end(),
        [](const std::string& a, const std::string& b) { return std::stod(a) < std::stod(b); }));
    EXPECT_EQ(host.labels.back(), "100%");
    EXPECT_EQ(host.steps.back(), "finished");
}

TEST_F(BatchTest, StopEndsEveryRunningConversion)
{
    if (pivora::settings::MaxParallelJobs() < 2)
        GTEST_SKIP() << "one core: one conversion at a time";
    ScopedEnv hang("FAKE_CONV_HANG", "1");
    pivora::settings::ProgramSettings settings;
    settings.ParallelJobs = 2;
    AddInputs();
    pump.onProcessEvents = [&] {
        // Once both report progress.
        if (std::count_if(host.states.begin(), host.states.end(),
                          [](const auto& state) { return state.second.ends_with('%'); }) == 2 &&
            !Driver().Stopping())
            Driver().Stop();
    };
    Driver(&settings).ConvertQueue();

    EXPECT_EQ(host.steps.back(), "stopped");
    EXPECT_EQ(Converted().size(), 2u) << "the third entry never started";
    EXPECT_EQ(list.Count(), 3u) << "every entry stays";
    EXPECT_TRUE(host.states.empty());
    EXPECT_TRUE(!std::filesystem::exists(dir.File("out")) ||
                std::filesystem::is_empty(dir.File("out")))
        << "partial outputs left";
    EXPECT_FALSE(pivora::platform::IsProcessRunning(pivora::platform::ConverterProcessName(),
                                                    pivora::platform::ConverterPath(program)));
    const std::string record = pivora::test::ReadFile(dir.File("state/activity.log"));
    std::size_t stopped = 0;
    for (std::size_t at = 0; (at = record.find("stopped", at)) != std::string::npos; ++at)
        ++stopped;
    EXPECT_EQ(stopped, 2u);
}

TEST_F(BatchTest, AShortOutputIsNeverConvertedAndAllADamagedInputHeldIsKept)
{
    // Every input is 10 s long; the first run is ended from outside at 5 s with status 0, the
    // second reads a damaged input to its end, the third is whole.
    pivora::test::WriteFile(inputs[0], "plan until=2");
    pivora::test::WriteFile(inputs[1], "plan until=2 damaged=1");
    AddInputs();
    Driver().ConvertQueue();

    const std::string out = dir.File("out") + kSep;
    EXPECT_TRUE(list.Empty());
    EXPECT_FALSE(std::filesystem::exists(out + "a_Rotated957.mp4")) << "a cut output was kept";
    EXPECT_TRUE(std::filesystem::exists(out + "b_Rotated957.mp4"));
    EXPECT_TRUE(std::filesystem::exists(out + "c_Rotated957.mp4"));
    const std::vector<FailedEntry>& failures = Driver().LastFailures();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].Reason, "输出比输入短: 只有 5.0 秒, 应有 10.0 秒");
    EXPECT_EQ(failures[0].Output, FailedEntry::Kept::Nothing);
    EXPECT_EQ(failures[1].Reason, "输入文件不完整: 只读出 5.0 秒, 应有 10.0 秒");
    EXPECT_EQ(failures[1].Output, FailedEntry::Kept::Incomplete);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find("输入文件不完整"), std::string::npos);
}

TEST_F(BatchTest, AStopAsALosslessCopyEndsIsAStop)
{
    // The copy ends as the stop comes: Ctrl+C reached the converter too, and it exits with 255.
    // Nothing is re-encoded after it, and the entry stays.
    pivora::test::WriteFile(inputs[0], "converted by the stand-in\n");
    list.Append(EntryForPath(inputs[0]));
    ScopedEnv spans("FAKE_CONV_SPANS", dir.File("spans.log"));
    ScopedEnv fails("FAKE_CONV_EXIT", "255");
    pivora::settings::ProgramSettings settings;
    settings.LosslessRotation = true;
    pump.onProcessEvents = [&] {
        const auto spanned = pivora::test::ReadLines(dir.File("spans.log"));
        if (spanned.size() == 2 && !Driver().Stopping())
            Driver().Stop();
    };
    Driver(&settings).ConvertQueue();
    ASSERT_EQ(Converted().size(), 1u) << "a run began after the stop";
    EXPECT_EQ(host.steps.back(), "stopped");
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_TRUE(Driver().LastFailures().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("out") + kSep + "a_Rotated957.mp4"));
    EXPECT_NE(pivora::test::ReadFile(dir.File("state/activity.log")).find("-c copy"),
              std::string::npos)
        << "the run was no copy";
}

TEST_F(BatchTest, AnOutputNameStaysTakenFromTheCopyToTheReencoding)
{
    // The copy does not carry its turn when read back, so it is re-encoded into the same name,
    // which no other program may take in between.
    pivora::test::WriteFile(inputs[0], "converted by the stand-in\n");
    list.Append(EntryForPath(inputs[0]));
    ScopedEnv found("FAKE_CONV_FOUND", dir.File("found.log"));
    pivora::settings::ProgramSettings settings;
    settings.LosslessRotation = true;
    Driver(&settings).ConvertQueue();
    EXPECT_EQ(Converted().size(), 2u);
    EXPECT_EQ(pivora::test::ReadLines(dir.File("found.log")),
              (std::vector<std::string>{"taken", "taken"}));
    EXPECT_TRUE(list.Empty());
    EXPECT_NE(pivora::test::ReadFile(dir.File("state/activity.log")).find("not kept"),
              std::string::npos);
}
