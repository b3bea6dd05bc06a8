#include "engine/Progress.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using pivora::engine::ProgressReader;
using pivora::settings::OptionValues;

namespace {

ProgressReader WithLength(int seconds)
{
    ProgressReader reader;
    const int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    char line[80];
    std::snprintf(line, sizeof line, "  Duration: %02d:%02d:%02d.00, start: 0.0\n", h, m, s);
    reader.ReceiveOutputs(line, {});
    EXPECT_EQ(reader.TotalSeconds(), seconds);
    return reader;
}

} // namespace

TEST(Progress, FiguresOfTheDisplay)
{
    ProgressReader hundred = WithLength(100);
    auto shown = hundred.ReceiveOutputs("frame= 1 time=00:00:45.67 bitrate=1", {});
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Label, "46%");
    EXPECT_EQ(shown->BarValue, 46);
    EXPECT_FLOAT_EQ(shown->FillWidthTwips, 0.46f * 5415);

    ProgressReader three = WithLength(300);
    shown = three.ReceiveOutputs("time=00:01:23.45 ", {});
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Label, "27.6%");
    EXPECT_EQ(shown->BarValue, 27);

    ProgressReader sixty = WithLength(60);
    shown = sixty.ReceiveOutputs("time=00:01:05.00 ", {});
    EXPECT_EQ(shown->Label, "100%");
    EXPECT_EQ(shown->BarValue, 100);
    EXPECT_FLOAT_EQ(shown->FillWidthTwips, 5415);

    // Halves go to the even neighbour: 2.5 s of 10 is 20%, 3.5 s is 40%.
    ProgressReader ten = WithLength(10);
    EXPECT_EQ(ten.ReceiveOutputs("time=00:00:02.50 ", {})->Label, "20%");
    EXPECT_EQ(ten.ReceiveOutputs("time=00:00:03.50 ", {})->Label, "40%");
    // ffmpeg starts slightly below zero.
    EXPECT_EQ(ten.ReceiveOutputs("time=-00:00:00.04 ", {})->Label, "0%");
}

TEST(Progress, ChunkBoundariesAndOddValues)
{
    ProgressReader reader = WithLength(100);
    // A chunk that ends with the marker itself is no progress line; neither is a split one.
    EXPECT_FALSE(reader.ReceiveOutputs("frame= 5 time=", {}));
    EXPECT_FALSE(reader.ReceiveOutputs("frame= 5 tim", {}));
    // A time cut short counts as 0 until the next whole line.
    EXPECT_EQ(reader.ReceiveOutputs("time=00:00", {})->Label, "0%");
    // Output without progress leaves the display alone.
    EXPECT_FALSE(reader.ReceiveOutputs("Stream mapping:\n", {}));

    // An unknown length shows the full bar from the first progress line.
    ProgressReader unknown;
    unknown.ReceiveOutputs("  Duration: N/A, start: 0.000000, bitrate: N/A\n", {});
    EXPECT_EQ(unknown.TotalSeconds(), 0);
    EXPECT_EQ(unknown.ReceiveOutputs("time=00:00:01.00 ", {})->Label, "100%");

    // The stored range's end stands for the length of every file.
    OptionValues cut;
    cut.CutEnabled = 1;
    cut.CutEnd = 120;
    ProgressReader ranged;
    ranged.ReceiveOutputs("  Duration: 00:10:00.00, start", cut);
    EXPECT_EQ(ranged.TotalSeconds(), 120);
    ranged.Reset();
    EXPECT_EQ(ranged.TotalSeconds(), 0);

    // Values no converter prints never give figures outside the bar (found by fuzzing).
    cut.CutEnd = -10;
    EXPECT_EQ(ProgressReader().ReceiveOutputs("time=00:00:05.00 ", cut)->BarValue, 100);
    ProgressReader odd = WithLength(100);
    EXPECT_EQ(odd.ReceiveOutputs("time=00:-1:00.00 ", {})->BarValue, 0);
    ProgressReader huge;
    huge.ReceiveOutputs("  Duration: 1e308:-1e308:0, start", {});
    EXPECT_EQ(huge.TotalSeconds(), 0);
    // A title that holds the marker is not the duration line.
    ProgressReader titled;
    titled.ReceiveOutputs("    title           : Duration: 9\n  Duration: 00:00:40.00, start", {});
    EXPECT_EQ(titled.TotalSeconds(), 40);
}

TEST(Progress, RealConverterOutputCutAnywhere)
{
    const std::string output = pivora::test::ReadFile(PIVORA_TEST_DATA "/ffmpeg-run.txt");
    ASSERT_NE(output.find("Duration: "), std::string::npos);
    // Cut anywhere, even inside the duration marker, the length is still found.
    for (std::size_t size : {3u, 7u, 64u, 333u, 1024u, 100000u}) {
        ProgressReader reader;
        for (std::size_t at = 0; at < output.size(); at += size)
            reader.ReceiveOutputs(output.substr(at, size), {});
        EXPECT_EQ(reader.TotalSeconds(), 6) << size;
    }
    // Line by line, as ffmpeg writes it, the display ends full.
    ProgressReader reader;
    std::vector<std::string> labels;
    for (std::size_t at = 0; at < output.size();) {
        const std::size_t end = output.find_first_of("\r\n", at);
        const std::size_t next = end == std::string::npos ? output.size() : end + 1;
        if (auto shown = reader.ReceiveOutputs(output.substr(at, next - at), {}))
            labels.push_back(shown->Label);
        at = next;
    }
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels.front(), "0%");
    EXPECT_EQ(labels.back(), "100%");
}

TEST(Progress, PercentageText)
{
    EXPECT_EQ(pivora::engine::PercentageText(0.45678), "45.6");
    EXPECT_EQ(pivora::engine::PercentageText(0.05), "5");
    EXPECT_EQ(pivora::engine::PercentageText(0.1234), "12.3");
    EXPECT_EQ(pivora::engine::PercentageText(0), "0");
    EXPECT_EQ(pivora::engine::ParseClockSeconds("01:02:03.5"), 3724);
    EXPECT_EQ(pivora::engine::ParseClockSeconds("00:00:07.00,"), 7);
    EXPECT_EQ(pivora::engine::ParseClockSeconds("N/A"), 0);
}
