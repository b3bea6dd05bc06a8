// Conversions with the real converter: the picture must really turn the chosen way, and
// every format must give the container and codec its options produce.
#include "engine/CommandLine.h"
#include "engine/DOSOutputs.h"
#include "platform/CommandLineRules.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace pivora::engine;

namespace {

class Quiet : public UserMessages
{
public:
    void ShowMessage(const std::string& text, const std::string&, Icon) override
    {
        ADD_FAILURE() << text;
    }
};

class MediaTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pivora::test::FfmpegPath().empty())
            GTEST_SKIP() << "no ffmpeg on this machine";
        program = pivora::test::MakeProgramFolder(dir, pivora::test::FfmpegPath());
        source = dir.File("source clip.mp4");
        ASSERT_TRUE(pivora::test::MakeTestClip(source));
    }

    std::string Run(const std::string& line, const char* watched)
    {
        WatchedProcessName() = watched;
        const std::string output = runner.ExecuteCommand(line);
        EXPECT_TRUE(runner.LastExitStatus().Exited && runner.LastExitStatus().Code == 0)
            << line << "\n"
            << output;
        return output;
    }

    std::string Convert(int format, int rotation)
    {
        CommandLineRequest request;
        request.ProgramFolder = program;
        request.InputPath = source;
        request.OutputFolder = dir.Path() + "/";
        request.OutputFormat = format;
        request.VideoBitrate = "500";
        SelectRotationFilter(rotation, request.RotationFilter);
        request.Time = {1, 2, 3};
        request.Counter = format * 10 + rotation + 2;
        Run(BuildCommandLine(request), "conv");
        const std::string output =
            OutputFilePath(request.OutputFolder, source, format, request.Time, request.Counter);
        EXPECT_TRUE(std::filesystem::exists(output)) << output;
        return output;
    }

    std::map<std::string, std::string> Probe(const std::string& file)
    {
        const auto values = pivora::test::ProbeVideo(file);
        return {values.begin(), values.end()};
    }

    // Which corner of the first frame is red: "top-left", "top-right", ...
    std::string RedCorner(const std::string& file, int width, int height)
    {
        const std::string raw = dir.File("frame.rgb");
        Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -i " +
                pivora::platform::QuoteArgument(file) +
                " -frames:v 1 -f rawvideo -pix_fmt rgb24 -y " +
                pivora::platform::QuoteArgument(raw),
            "ffmpeg");
        const std::string pixels = pivora::test::ReadFile(raw);
        EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width * height * 3));
        if (pixels.size() != static_cast<std::size_t>(width * height * 3))
            return "unreadable";
        const auto isRed = [&](int cx, int cy) {
            long red = 0, blue = 0;
            for (int y = cy; y < cy + 4; ++y)
                for (int x = cx; x < cx + 4; ++x) {
                    const std::size_t at = static_cast<std::size_t>((y * width + x) * 3);
                    red += static_cast<unsigned char>(pixels[at]);
                    blue += static_cast<unsigned char>(pixels[at + 2]);
                }
            return red > blue * 2;
        };
        std::string corners;
        if (isRed(1, 1))
            corners += "top-left ";
        if (isRed(width - 5, 1))
            corners += "top-right ";
        if (isRed(1, height - 5))
            corners += "bottom-left ";
        if (isRed(width - 5, height - 5))
            corners += "bottom-right ";
        return corners.empty() ? "none" : corners.substr(0, corners.size() - 1);
    }

    pivora::test::TempDir dir;
    std::string program;
    std::string source;
    pivora::platform::PlainEventPump pump;
    Quiet messages;
    DOSOutputs runner{pump, messages};
};

} // namespace

TEST_F(MediaTest, EachRotationTurnsThePictureTheRightWay)
{
    struct Expected
    {
        int width, height;
        const char* corner;
    };
    const Expected expected[] = {
        {48, 64, "top-right"},    // a quarter turn clockwise
        {48, 64, "bottom-left"},  // a quarter turn anticlockwise
        {64, 48, "bottom-left"},  // upside down
        {64, 48, "top-right"},    // mirrored left to right
        {64, 48, "bottom-right"}, // a half turn
        {64, 48, "top-left"},     // unchanged
    };
    for (int rotation = 0; rotation < kRotationCount; ++rotation) {
        const std::string output = Convert(0, rotation);
        auto probe = Probe(output);
        EXPECT_EQ(probe["width"], std::to_string(expected[rotation].width)) << rotation;
        EXPECT_EQ(probe["height"], std::to_string(expected[rotation].height)) << rotation;
        EXPECT_EQ(RedCorner(output, expected[rotation].width, expected[rotation].height),
                  expected[rotation].corner)
            << RotationItems()[rotation];
    }
}

TEST_F(MediaTest, EachFormatGivesItsContainerAndCodec)
{
    struct Expected
    {
        const char* container;
        const char* brand; // mp4 and QuickTime share a demuxer; the brand tells them apart
        const char* codec;
    };
    const Expected expected[] = {
        {"mov,mp4,m4a,3gp,3g2,mj2", "isom", "mpeg4"},
        {"mov,mp4,m4a,3gp,3g2,mj2", "isom", "h264"},
        {"avi", "", "mpeg4"},
        {"mov,mp4,m4a,3gp,3g2,mj2", "qt  ", "h264"},
        {"mov,mp4,m4a,3gp,3g2,mj2", "isom", "h264"}, // named .flv, an mp4 inside
        {"asf", "", "msmpeg4v3"},
        {"mpeg", "", "mpeg1video"},
    };
    for (int format = 0; format < kOutputFormatCount; ++format) {
        const std::string output = Convert(format, 1);
        EXPECT_TRUE(output.ends_with(OutputFormats()[format].Extension));
        auto probe = Probe(output);
        EXPECT_EQ(probe["format_name"], expected[format].container) << format;
        EXPECT_EQ(probe["codec_name"], expected[format].codec) << format;
        if (*expected[format].brand) {
            EXPECT_EQ(probe["TAG:major_brand"], expected[format].brand) << format;
        }
        EXPECT_EQ(RedCorner(output, 48, 64), "bottom-left") << OutputFormats()[format].ItemText;
    }
}
