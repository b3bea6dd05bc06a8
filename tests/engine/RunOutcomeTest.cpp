// Judging a run from what the converter really printed (ffmpeg 5.1, captured), and from the
// file it left.
#include "engine/RunOutcome.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

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
                           ProbeResult probe = {true, true, true, {}}) {
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
    // A full disk with exit status 0, and an output without a picture.
    const RunOutcome full = judge("ffmpeg-disk-full.txt", ExitedWith(0));
    EXPECT_FALSE(full.Succeeded);
    EXPECT_NE(full.FailureLine.find("No space left on device"), std::string::npos);
    EXPECT_EQ(judge("ffmpeg-audio-only.txt", ExitedWith(0)).FailureLine, "no video stream");
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
