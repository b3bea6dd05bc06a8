// Judging a run from what the converter really printed (ffmpeg 5.1, captured), and from the
// file it left.
#include "engine/RunOutcome.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace pivora::engine;

namespace {

std::string Captured(const std::string& name)
{
    return pivora::test::ReadFile(std::string(PIVORA_TEST_DATA) + "/" + name);
}

pivora::platform::ExitStatus ExitedWith(int code)
{
    return {true, true, code, 0};
}

} // namespace

TEST(RunOutcome, NamesTheLineThatSaysWhyAndCatchesBrokenOutputs)
{
    int probes = 0;
    const auto judge = [&](const std::string& capture, pivora::platform::ExitStatus exit,
                           ProbeResult probe = {true, true, true, {}, 0, {}}) {
        RunFacts facts{exit, 4096, Captured(capture), [&probes, probe] {
                           ++probes;
                           return probe;
                       }};
        return JudgeRun(facts);
    };
    // ffmpeg ends a failure with "Conversion failed!"; the report names the line before it.
    EXPECT_EQ(judge("ffmpeg-odd-width.txt", ExitedWith(1)).FailureLine,
              "width not divisible by 2 (241x321)");
    EXPECT_EQ(judge("ffmpeg-12fps-mpg.txt", ExitedWith(1)).FailureLine,
              "MPEG-1/2 does not support 12/1 fps");
    // A refused stream copy is explained before the listing of what was to be copied.
    EXPECT_EQ(judge("ffmpeg-copy-refused.txt", ExitedWith(1)).FailureLine,
              "Could not find tag for codec none in stream #2, codec not currently supported in "
              "container");
    // A full disk with exit status 0, and an output without a picture.
    const RunOutcome full = judge("ffmpeg-disk-full.txt", ExitedWith(0));
    EXPECT_FALSE(full.Succeeded);
    EXPECT_NE(full.FailureLine.find("No space left on device"), std::string::npos);
    EXPECT_EQ(judge("ffmpeg-audio-only.txt", ExitedWith(0)).FailureLine, "输出中没有视频");
    EXPECT_EQ(probes, 0);

    // Shorter than its input: a run ended from outside says nothing and may exit with 0; an
    // input cut short (2 s promised, 1 s there) leaves all it holds, kept and named.
    const RunOutcome cut = judge("ffmpeg-ended-from-outside.txt", ExitedWith(0));
    EXPECT_FALSE(cut.Succeeded || cut.Incomplete || cut.Unchecked);
    EXPECT_EQ(cut.FailureLine, "输出比输入短: 只有 1.0 秒, 应有 60.0 秒");
    const RunOutcome damaged = judge("ffmpeg-damaged-input.txt", ExitedWith(0));
    EXPECT_TRUE(damaged.Incomplete && !damaged.Succeeded);
    EXPECT_EQ(damaged.FailureLine, "输入文件不完整: 只读出 1.0 秒, 应有 2.0 秒");
    // The length known before the run counts where the converter did not list one.
    RunFacts known{ExitedWith(0), 4096, "frame=  50 size= 1kB time=00:00:02.00 bitrate=1k\n", {}};
    known.InputSeconds = 2.2;
    EXPECT_TRUE(JudgeRun(known).Succeeded) << "the last frame and packet are not a shortfall";
    known.InputSeconds = 3;
    EXPECT_EQ(JudgeRun(known).FailureLine, "输出比输入短: 只有 2.0 秒, 应有 3.0 秒");
    known.FrameSeconds = 1; // one picture a second: its last one starts a second before the end
    EXPECT_TRUE(JudgeRun(known).Succeeded);
    // An empty input is named as that, not by the converter's guess at it.
    RunFacts empty{ExitedWith(1), -1, Captured("probe-broken.txt"), {}};
    empty.InputSize = 0;
    EXPECT_EQ(JudgeRun(empty).FailureLine, "输入文件是空的");
    EXPECT_EQ(probes, 0);

    // A clean run needs no second look; without an exit status the file is opened.
    EXPECT_TRUE(judge("ffmpeg-run.txt", ExitedWith(0)).Succeeded);
    EXPECT_EQ(probes, 0);
    EXPECT_TRUE(judge("ffmpeg-run.txt", {}).Succeeded);
    EXPECT_EQ(probes, 1);
    const ProbeResult broken = ReadProbe(Captured("probe-broken.txt"));
    EXPECT_FALSE(broken.Opened);
    EXPECT_EQ(broken.Line, "moov atom not found");
    EXPECT_EQ(judge("ffmpeg-run.txt", {}, broken).FailureLine, "moov atom not found");
    const ProbeResult good = ReadProbe(Captured("probe-good.txt"));
    EXPECT_TRUE(good.Opened && good.HasVideo);
    // Without an exit status, a converter that said it failed has failed, for its reason.
    EXPECT_EQ(judge("ffmpeg-12fps-mpg.txt", {}).FailureLine, "MPEG-1/2 does not support 12/1 fps");

    // A converter ended by a signal (Ctrl+C in a terminal reaches it too) cut its file short,
    // even when it wrote a tidy ending; the report says so, not some earlier warning.
    EXPECT_EQ(judge("ffmpeg-sigterm.txt", ExitedWith(255)).FailureLine,
              "Exiting normally, received signal 15.");
    EXPECT_FALSE(judge("ffmpeg-sigterm.txt", {}).Succeeded);
    EXPECT_EQ(judge("ffmpeg-sigkill.txt", {true, false, -1, 9}).FailureLine,
              "转换程序被终止 (信号 9)");
}

TEST(RunOutcome, OnlyTheProgramsOwnReasonsAreTranslatedNumbersAndAll)
{
    struct English : UserMessages
    {
        void ShowMessage(const std::string&, const std::string&, Icon) override {}
        std::string Translate(const char* source) const override
        {
            const std::map<std::string, std::string> texts{
                {"转换程序被终止 (信号 %1)", "killed by signal %1"},
                {"转换程序退出代码 %1", "exit code %1"},
                {"没有生成输出文件", "no output"},
                {"输入文件不完整: 只读出 %1 秒, 应有 %2 秒", "incomplete input: %1 s of %2 s"}};
            const auto found = texts.find(source);
            return found == texts.end() ? source : found->second;
        }
    } english;
    const auto shown = [&](pivora::platform::ExitStatus exit, std::int64_t size,
                           const std::string& capture) {
        return ShownFailureLine(
            JudgeRun({exit, size, capture.empty() ? "" : Captured(capture), {}}).FailureLine,
            english);
    };
    EXPECT_EQ(shown({true, false, -1, 9}, 4096, "ffmpeg-sigkill.txt"), "killed by signal 9");
    EXPECT_EQ(shown(ExitedWith(-3), 4096, ""), "exit code -3");
    EXPECT_EQ(shown(ExitedWith(0), -1, ""), "no output");
    EXPECT_EQ(shown(ExitedWith(0), 4096, "ffmpeg-damaged-input.txt"),
              "incomplete input: 1.0 s of 2.0 s");
    EXPECT_EQ(shown(ExitedWith(1), 4096, "ffmpeg-12fps-mpg.txt"),
              "MPEG-1/2 does not support 12/1 fps");
    // A reason with no translation, and lines that only look like the program's own.
    EXPECT_EQ(shown({}, 4096, ""), "转换程序没有正常结束");
    for (const char* line : {"转换程序退出代码 ", "转换程序退出代码 3x", "没有生成输出文件!"})
        EXPECT_EQ(ShownFailureLine(line, english), line);
}
