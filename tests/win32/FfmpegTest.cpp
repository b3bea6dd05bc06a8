// Real conversions on Windows: the npm registry's Windows ffmpeg (4.1) as data\conv.exe of a
// program folder, run by the batch as the window runs it, two at once. That ffmpeg ends its
// lines with "\r\n" and orders its listings its own way; the judgement and the progress display
// must read it all the same, from its own lines.
#include "BatchStubs.h"
#include "TestSupport.h"
#include "engine/BatchDriver.h"
#include "engine/Progress.h"
#include "engine/RunOutcome.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace pivora::engine;
namespace test = pivora::test;

TEST(Ffmpeg, ABatchTurnsARealClipAndShowsItsProgress)
{
    if (test::FfmpegPath().empty())
        GTEST_SKIP() << "no Windows ffmpeg: it could not be fetched from the npm registry";
    test::TempDir dir;
    // Names in the code page, which reach ffmpeg through the narrow command line; ffmpeg names
    // them in UTF-8 in what it prints.
    const bool chinese = ::GetACP() == 936;
    const std::string source = dir.File(chinese ? "视频 片段.mp4" : "clip café.mp4");
    const std::string broken = dir.File(chinese ? "坏的 片段.avi" : "cassé.avi");
    ASSERT_TRUE(test::MakeTestClip(source, {320, 240, 6, 40}));
    test::WriteFile(broken, "not a video");

    pivora::platform::PlainEventPump pump;
    test::RecordingMessages messages;
    test::RecordingHost host;
    host.folder = dir.File("out");
    host.format = 1; // h264 in mp4, a quarter turn clockwise
    pivora::input::InputList list;
    list.Append(pivora::input::EntryForPath(source));
    list.Append(pivora::input::EntryForPath(source));
    pivora::settings::OptionValues options;
    pivora::settings::ProgramSettings settings;
    settings.ParallelJobs = 2;
    BatchDriver::Setup setup{test::MakeProgramFolder(dir, test::FfmpegPath()), dir.File("work"),
                             dir.File("work/activity.log")};
    setup.Clock = [] { return pivora::platform::LocalDateTime{2026, 1, 2, 3, 4, 5}; };
    setup.Settings = &settings;
    BatchDriver driver(setup, list, host, pump, messages, options);
    driver.ConvertQueue();

    ASSERT_TRUE(messages.texts.empty()) << messages.texts.front();
    EXPECT_EQ(host.steps.back(), "finished");
    EXPECT_EQ(host.mostConverting, 2u) << "two children at once";
    const std::string output = OutputFilePath(host.folder, source, 1, {3, 4, 5});
    EXPECT_EQ(test::RedCorner(output, 240, 320), "top-right");
    EXPECT_EQ(test::RedCorner(OutputFilePath(host.folder, source, 1, {3, 4, 5}, 2), 240, 320),
              "top-right");

    // The display moved through the runs to their end.
    const std::vector<std::string>& labels = host.labels;
    std::string shown;
    for (const std::string& label : labels)
        shown += label + " ";
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const std::string& l) {
        return l != "0%" && l != "100%";
    })) << shown;
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.back(), "100%") << shown;

    // ffmpeg's own lines prove the output; the file need not be opened again.
    const std::string log = test::ReadFile(dir.File("work/activity.log"));
    const std::size_t command = log.find("  command: ");
    ASSERT_NE(command, std::string::npos) << log;
    const std::string line = log.substr(command + 11, log.find('\n', command) - command - 11);
    DOSOutputs runner(pump, messages);
    runner.ExecuteCommand(line);
    int probes = 0;
    const RunOutcome outcome = JudgeRun(
        {runner.LastExitStatus(), pivora::platform::FileSize(output), runner.Outputs(), [&] {
             ++probes;
             return ProbeResult{};
         }});
    EXPECT_TRUE(outcome.Succeeded) << outcome.FailureLine;
    EXPECT_EQ(probes, 0) << runner.Outputs();

    // A file it cannot read fails with ffmpeg's reason, which names the file as the list does.
    list.Append(pivora::input::EntryForPath(broken));
    driver.ConvertQueue();
    ASSERT_EQ(driver.LastFailures().size(), 1u);
    EXPECT_EQ(driver.LastFailures()[0].Reason,
              broken + ": Invalid data found when processing input");
}
