// Conversions with the real converter: the picture must really turn the chosen way, every
// format must give the container and codec its options produce, and a broken output is a
// failure with the reason the converter gave.
#include "engine/BatchDriver.h"
#include "engine/CommandLine.h"
#include "engine/ContainerRotation.h"
#include "engine/DOSOutputs.h"
#include "engine/InputNeeds.h"
#include "engine/OutputProbe.h"
#include "platform/CommandLineRules.h"

#include "BatchStubs.h"
#include "TestSupport.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sstream>
#include <sys/mount.h>
#include <tuple>

using namespace pivora::engine;

using pivora::test::RedCorner;

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

    // The source clip's streams copied into `name` by ffmpeg with `options`.
    std::string Copied(const std::string& name, const std::string& options)
    {
        const std::string file = dir.File(name);
        Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -i " +
                pivora::platform::QuoteArgument(source) + " " + options + " -y " +
                pivora::platform::QuoteArgument(file),
            "ffmpeg");
        return file;
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

namespace {

// A batch of real conversions through the driver, as the window runs it.
struct Batch
{
    Batch(const std::string& program, const std::string& work, const std::string& folder,
          int format, bool lossless = false)
        : driver(Setup(program, work), list, host, pump, messages, options)
    {
        host.folder = folder;
        host.format = format;
        settings.LosslessRotation = lossless;
    }

    BatchDriver::Setup Setup(const std::string& program, const std::string& work)
    {
        BatchDriver::Setup setup{program, work, work + "/activity.log", pivora::platform::Now,
                                 &settings};
        // Each converter's way of writing a turn is asked once in a test.
        setup.CacheFolder = work + "/cache";
        return setup;
    }

    void Run(const std::vector<std::string>& inputs)
    {
        for (const std::string& input : inputs)
            list.Append(pivora::input::EntryForPath(input));
        driver.ConvertQueue();
    }

    std::vector<std::string> Outputs() const
    {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(host.folder))
            files.push_back(entry.path().string());
        return files;
    }

    pivora::platform::PlainEventPump pump;
    pivora::test::RecordingMessages messages;
    pivora::test::RecordingHost host;
    pivora::input::InputList list;
    pivora::settings::OptionValues options;
    pivora::settings::ProgramSettings settings;
    BatchDriver driver;
};

// The first frame as a player shows it, turned by the file's display rotation: its size and
// which corners are red ("48x64 top-right").
std::string Shown(const std::string& file)
{
    const std::string frame = file + ".ppm";
    bool ok = false;
    pivora::test::RunCommand(
        pivora::platform::QuoteArgument(pivora::test::FfmpegPath()) +
            " -nostdin -loglevel error -i " + pivora::platform::QuoteArgument(file) +
            " -frames:v 1 -c:v ppm -f image2 -y " + pivora::platform::QuoteArgument(frame),
        "ffmpeg", &ok);
    std::string data = pivora::test::ReadFile(frame);
    std::filesystem::remove(frame);
    // "P6\n<width> <height>\n255\n" and the pixels; the raw form RedCorner reads.
    int width = 0, height = 0, header = 0;
    if (!ok || std::sscanf(data.c_str(), "P6 %d %d 255%n", &width, &height, &header) != 2)
        return "unreadable";
    pivora::test::WriteFile(file + ".rgb", data.substr(static_cast<std::size_t>(header) + 1));
    const std::string raw = file + ".raw.mp4";
    pivora::test::RunCommand(pivora::platform::QuoteArgument(pivora::test::FfmpegPath()) +
                                 " -nostdin -loglevel error -f rawvideo -pix_fmt rgb24 -s " +
                                 std::to_string(width) + "x" + std::to_string(height) + " -i " +
                                 pivora::platform::QuoteArgument(file + ".rgb") +
                                 " -c:v rawvideo -f nut -y " + pivora::platform::QuoteArgument(raw),
                             "ffmpeg", &ok);
    std::filesystem::remove(file + ".rgb");
    const std::string corners = RedCorner(raw, width, height);
    std::filesystem::remove(raw);
    return std::to_string(width) + "x" + std::to_string(height) + " " + corners;
}

// The hash of the first picture stream's packets, as stored: equal only for a true copy.
std::string PictureHash(const std::string& file)
{
    return pivora::test::RunCommand(pivora::platform::QuoteArgument(pivora::test::FfmpegPath()) +
                                        " -nostdin -loglevel error -i " +
                                        pivora::platform::QuoteArgument(file) +
                                        " -map 0:v:0 -c copy -f streamhash -hash md5 -",
                                    "ffmpeg");
}

} // namespace

TEST_F(MediaTest, OutputsWithoutAPictureAreFailuresWithTheConvertersReason)
{
    const std::string sound = dir.File("sound only.mp4");
    Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -f lavfi -i sine=d=1 -y " +
            pivora::platform::QuoteArgument(sound),
        "ffmpeg");

    // A launcher may leave SIGCHLD ignored: the converters' exit status is then lost, and
    // the outputs alone decide.
    for (const bool childrenIgnored : {false, true}) {
        struct sigaction previous
        {
        };
        if (childrenIgnored) {
            struct sigaction ignore
            {
            };
            ignore.sa_handler = SIG_IGN;
            ::sigaction(SIGCHLD, &ignore, &previous);
        }
        Batch batch(program, dir.File("work"), dir.File(childrenIgnored ? "ignored" : "out"), 6);
        batch.Run({source, sound});
        if (childrenIgnored)
            ::sigaction(SIGCHLD, &previous, nullptr);

        const auto& failures = batch.driver.LastFailures();
        ASSERT_EQ(failures.size(), 1u) << childrenIgnored;
        EXPECT_EQ(failures[0].DisplayText, sound);
        EXPECT_EQ(failures[0].Reason, "输出中没有视频");
        // The good clip stays, with its picture; nothing else is left.
        const std::vector<std::string> outputs = batch.Outputs();
        ASSERT_EQ(outputs.size(), 1u) << childrenIgnored;
        EXPECT_EQ(RedCorner(outputs[0], 48, 64), "top-right") << childrenIgnored;
    }
}

namespace {

// A file's streams, "video h264 High yuv420p 240x320 12/1; audio default; audio".
std::string Streams(const std::string& file)
{
    const std::string probe =
        std::filesystem::path(pivora::test::FfmpegPath()).replace_filename("ffprobe").string();
    const std::string output = pivora::test::RunCommand(
        probe +
            " -v error -show_entries stream=codec_type,codec_name,profile,pix_fmt,width,height,"
            "avg_frame_rate,color_transfer,channels:stream_disposition=default"
            " -of compact=p=0:nk=0 " +
            pivora::platform::QuoteArgument(file),
        "ffprobe");
    std::string streams;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::map<std::string, std::string> field;
        std::istringstream parts(line);
        for (std::string part; std::getline(parts, part, '|');)
            if (const std::size_t eq = part.find('='); eq != std::string::npos)
                field[part.substr(0, eq)] = part.substr(eq + 1);
        std::string text = field["codec_type"];
        if (text == "video")
            text += " " + field["codec_name"] + " " + field["profile"] + " " + field["pix_fmt"] +
                    " " + field["width"] + "x" + field["height"] + " " + field["avg_frame_rate"] +
                    " " + field["color_transfer"];
        else if (text == "subtitle")
            text += " " + field["codec_name"];
        else
            text += (field["disposition:default"] == "1" ? " default " : " ") + field["channels"] +
                    "ch";
        streams += (streams.empty() ? "" : "; ") + text;
    }
    return streams;
}

} // namespace

// The mean brightness of the middle frame as a player that reads colour tags shows it on an SDR
// screen: an HLG picture mapped down, any other as it is.
double ShownBrightness(const std::string& file)
{
    const std::string listing =
        pivora::test::RunCommand(ProbeCommandLine(pivora::test::FfmpegPath(), file), "ffmpeg");
    const std::string toSdr =
        listing.find("arib-std-b67") != std::string::npos
            ? "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:"
              "desat=0,zscale=t=bt709:m=bt709:r=tv,"
            : "";
    const std::string stats = pivora::test::RunCommand(
        pivora::test::FfmpegPath() + " -nostdin -v error -i " +
            pivora::platform::QuoteArgument(file) + " -vf \"" + toSdr +
            "format=yuv420p,select=eq(n\\,6),signalstats,metadata=print:file=-\" -frames:v 1 -f "
            "null -",
        "ffmpeg");
    const std::size_t at = stats.find("YAVG=");
    return at == std::string::npos ? -1 : std::atof(stats.c_str() + at + 5);
}

TEST_F(MediaTest, AwkwardInputsConvertIntoEveryFormatAndKeepTheirTracks)
{
    // All that went wrong at once: an odd size, 12 frames a second, a 10-bit 4:2:2 HLG picture
    // (as a phone records it), a 5.1 sound track and a second one sampled at 96 kHz, and text
    // subtitles.
    const std::string subtitles = dir.File("words.srt");
    pivora::test::WriteFile(subtitles, "1\n00:00:00,000 --> 00:00:00,900\nhello\n");
    const std::string awkward = dir.File("awkward clip.mkv");
    Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -i " +
            pivora::platform::QuoteArgument(source) +
            " -f lavfi -i sine=f=880:d=1:sample_rate=96000 -i " +
            pivora::platform::QuoteArgument(subtitles) +
            " -filter_complex \"[0:a]pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0[six]\""
            " -map 0:v -map [six] -map 1:a -map 2 -vf fps=12,format=yuv444p,"
            "setparams=color_primaries=bt709:color_trc=bt709:colorspace=bt709:range=tv,"
            "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt2020,"
            "zscale=t=arib-std-b67:m=bt2020nc:r=tv:npl=100,format=yuv444p10le,scale=321:241,"
            "format=yuv422p10le"
            " -color_primaries bt2020 -color_trc arib-std-b67 -colorspace bt2020nc"
            " -c:v ffv1 -c:a aac -c:s srt -shortest -y " +
            pivora::platform::QuoteArgument(awkward),
        "ffmpeg");
    const double brightness = ShownBrightness(awkward);
    const std::string all = "; audio default 6ch; audio 1ch; subtitle mov_text";
    const std::string expected[] = {
        "video mpeg4 Simple Profile yuv420p 241x321 12/1 bt709" + all,
        "video h264 High yuv420p 240x320 12/1 arib-std-b67" + all,
        "video mpeg4 Simple Profile yuv420p 241x321 12/1 unknown; audio 2ch; audio 1ch",
        "video h264 High yuv420p 240x320 12/1 arib-std-b67" + all,
        "video h264 High yuv420p 240x320 12/1 arib-std-b67" + all,
        // ASF keeps no frame rate; WMV's sound takes two channels at 48 kHz at most.
        "video msmpeg4v3 unknown yuv420p 241x321 0/0 unknown; audio 2ch; audio 1ch",
        "video mpeg1video unknown yuv420p 241x321 24000/1001 unknown; audio 2ch; audio 1ch",
    };
    for (int format = 0; format < kOutputFormatCount; ++format) {
        Batch batch(program, dir.File("work"), dir.File("out " + std::to_string(format)), format);
        batch.Run({awkward});
        EXPECT_TRUE(batch.driver.LastFailures().empty())
            << format << ": " << batch.driver.LastFailures().front().Reason;
        const std::vector<std::string> outputs = batch.Outputs();
        ASSERT_EQ(outputs.size(), 1u) << format;
        EXPECT_EQ(Streams(outputs[0]), expected[format]) << OutputFormats()[format].ItemText;
        const bool even = expected[format].find("240x320") != std::string::npos;
        EXPECT_EQ(RedCorner(outputs[0], even ? 240 : 241, even ? 320 : 321), "top-right") << format;
        // HDR kept with its tags, or mapped to SDR: a player shows it as bright as its source.
        EXPECT_NEAR(ShownBrightness(outputs[0]), brightness, 4) << format;
    }

    // A download cut short: its index promises 2 s, its data stops after about one. All that
    // could be read is kept, and named for what it is.
    const std::string made = dir.File("made.mp4");
    ASSERT_TRUE(pivora::test::MakeTestClip(made, {64, 48, 2, 0}));
    const std::string whole = dir.File("whole.mp4");
    Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -i " +
            pivora::platform::QuoteArgument(made) + " -c copy -movflags +faststart -y " +
            pivora::platform::QuoteArgument(whole),
        "ffmpeg");
    const std::string bytes = pivora::test::ReadFile(whole);
    const std::string cut = dir.File("cut short.mp4");
    pivora::test::WriteFile(cut, bytes.substr(0, bytes.size() * 3 / 5));
    for (int format = 0; format < kOutputFormatCount; ++format) {
        Batch batch(program, dir.File("work"), dir.File("cut " + std::to_string(format)), format);
        batch.Run({cut});
        ASSERT_EQ(batch.driver.LastFailures().size(), 1u) << format;
        const FailedEntry& incomplete = batch.driver.LastFailures()[0];
        EXPECT_EQ(incomplete.Output, FailedEntry::Kept::Incomplete) << incomplete.Reason;
        EXPECT_TRUE(incomplete.Reason.starts_with("输入文件不完整: 只读出 ") &&
                    incomplete.Reason.ends_with(" 秒, 应有 2.0 秒"))
            << incomplete.Reason;
        const std::vector<std::string> outputs = batch.Outputs();
        ASSERT_EQ(outputs.size(), 1u) << format;
        EXPECT_LT(pivora::test::ClipSeconds(outputs[0]), 1.7) << format;
    }
    // Each addition is named in the log with its reason.
    const std::string log = pivora::test::ReadFile(dir.File("work/activity.log"));
    for (const char* said : {"one pixel cropped", "MPEG-1 cannot hold: 24000/1001",
                             "made 8-bit 4:2:0", "every sound track and text subtitle kept",
                             "the format holds no subtitles", "every sound track kept (2 sound)",
                             "mixed down to two for WMV", "resampled to 48000 Hz for WMV",
                             "HDR (HLG): its colour tags are kept", "tone-mapped to SDR BT.709"})
        EXPECT_NE(log.find(said), std::string::npos) << said;

    // A clip that needs nothing runs the described command line, whole and unchanged.
    Batch plain(program, dir.File("work plain"), dir.File("plain"), 1);
    plain.Run({source});
    const std::string plainLog = pivora::test::ReadFile(dir.File("work plain/activity.log"));
    CommandLineRequest request;
    request.ProgramFolder = program;
    request.InputPath = source;
    request.OutputFolder = dir.File("plain") + "/";
    request.OutputFormat = 1;
    request.VideoBitrate = plain.host.VideoBitrate();
    SelectRotationFilter(plain.host.rotation, request.RotationFilter);
    const std::string line = BuildCommandLine(request);
    EXPECT_NE(plainLog.find(line.substr(0, line.rfind(' '))), std::string::npos) << plainLog;
    EXPECT_EQ(plainLog.find("for this input"), std::string::npos) << plainLog;
}

TEST_F(MediaTest, AFullDiskIsAFailureAndLeavesNothing)
{
    // The size of the output with room to spare.
    Batch roomy(program, dir.File("work"), dir.File("roomy"), 0);
    roomy.Run({source});
    ASSERT_EQ(roomy.Outputs().size(), 1u);
    const auto size = std::filesystem::file_size(roomy.Outputs()[0]);

    // A file system a few bytes too small for it: the end of the file does not fit, and
    // ffmpeg 5.1 says so but exits with 0.
    const std::string full = dir.File("full");
    std::filesystem::create_directories(full);
    const std::string options = "size=" + std::to_string((size - 1) / 4096 * 4096);
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, options.c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno)
                     << "); run the tests as root to cover a full disk";
    Batch cramped(program, dir.File("work"), full, 0);
    cramped.Run({source});
    const std::vector<std::string> left = cramped.Outputs();
    ::umount2(full.c_str(), MNT_DETACH);

    EXPECT_TRUE(left.empty()) << left.front();
    ASSERT_EQ(cramped.driver.LastFailures().size(), 1u);
    EXPECT_NE(cramped.driver.LastFailures()[0].Reason.find("No space left on device"),
              std::string::npos)
        << cramped.driver.LastFailures()[0].Reason;
    ASSERT_EQ(cramped.messages.texts.size(), 1u);
    EXPECT_NE(cramped.messages.texts[0].find(source), std::string::npos);
}

TEST_F(MediaTest, LosslessTurnsLookLikeReencodedOnesWithEveryConverter)
{
    // A phone clip usually carries a turn already: this one is shown a quarter turn clockwise.
    const std::string carried =
        Copied("carries a turn.mp4", "-map 0 -c copy -metadata:s:v:0 rotate=270");
    ASSERT_EQ(Shown(carried), "48x64 top-right");

    // Debian's 5.1 and the npm registry's 4.1 write the "rotate" tag; stand-ins over 5.1 take
    // the turn as an input option (6.0 and later), or ignore the tag (7.x), whose copy is then
    // caught by its read-back and re-encoded.
    struct Converter
    {
        std::string Name, Folder;
        bool Copies = true;
        bool StandIn = false;         // tried on the input that carries a turn
        const char* Way = " rotate="; // how the copy's command line gives the turn
    };
    const auto standIn = [&](const std::string& version) {
        const std::string script = dir.File("ffmpeg-" + version);
        pivora::test::WriteFile(script, "#!/bin/sh\nFFMPEG_LIKE=" + version + " exec '" +
                                            PIVORA_FFMPEG_LIKE + "' \"$@\"\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        return pivora::test::MakeProgramFolder(dir, script, version);
    };
    std::vector<Converter> converters{
        {"5.1", program},
        {"6.0-like", standIn("6"), true, true, "-display_rotation:v:0 "},
        {"7-like", standIn("7"), false, true}};
    if (std::filesystem::exists(PIVORA_OTHER_FFMPEG))
        converters.push_back(
            {"npm 4.1", pivora::test::MakeProgramFolder(dir, PIVORA_OTHER_FFMPEG, "other")});
    else
        std::cout << "[ NOTE ] no npm 4.1: the npm registry's ffmpeg was not fetched\n";

    int round = 0;
    for (const std::string& input : {source, carried}) {
        const std::string inputHash = PictureHash(input);
        for (const int rotation : {0, 1, 4}) {
            const std::string out = dir.File("r" + std::to_string(++round));
            Batch reencoded(program, dir.File("work"), out + "-encoded", 0);
            reencoded.host.rotation = rotation;
            reencoded.Run({input});
            ASSERT_EQ(reencoded.Outputs().size(), 1u);
            const std::string expected = Shown(reencoded.Outputs()[0]);
            for (const Converter& converter : converters) {
                if (converter.StandIn && input != carried)
                    continue;
                const std::string& name = converter.Name;
                Batch lossless(converter.Folder, dir.File("work"), out + "-" + name, 0, true);
                lossless.host.rotation = rotation;
                lossless.Run({input});
                ASSERT_EQ(lossless.Outputs().size(), 1u) << name;
                const std::string turned = lossless.Outputs()[0];
                const std::string log = pivora::test::ReadFile(dir.File("work/activity.log"));
                EXPECT_NE(log.rfind(converter.Copies ? "(turned without re-encoding)"
                                                     : "the converter wrote a turn of"),
                          std::string::npos)
                    << name;
                EXPECT_NE(log.rfind(converter.Way), std::string::npos) << name;
                EXPECT_EQ(Shown(turned), expected) << name << ", " << input << ", " << rotation;
                EXPECT_EQ(PictureHash(turned) == inputHash, converter.Copies) << name;
                const std::string listing = pivora::test::RunCommand(
                    pivora::platform::QuoteArgument(pivora::test::FfmpegPath()) +
                        " -hide_banner -nostdin -i " + pivora::platform::QuoteArgument(turned),
                    "ffmpeg");
                EXPECT_NE(listing.find(": Audio: aac"), std::string::npos) << "sound lost";
            }
        }
    }
}

TEST_F(MediaTest, TheFileReaderSaysWhatTheConverterSaysOrCannotTell)
{
    const auto listed = [&](const std::string& file) {
        return ReadProbe(
            pivora::test::RunCommand(ProbeCommandLine(pivora::test::FfmpegPath(), file), "ffmpeg"));
    };
    // A plain clip, each turn, and a QuickTime file: the turn the converter lists.
    std::vector<std::string> readable{source, Copied("plain.mov", "-map 0 -c copy")};
    for (const int turn : {90, 180, 270})
        readable.push_back(Copied("turn" + std::to_string(turn) + ".mp4",
                                  "-map 0 -c copy -metadata:s:v:0 rotate=" + std::to_string(turn)));
    for (const std::string& file : readable) {
        const std::optional<ContainerFacts> facts = ReadContainer(file);
        ASSERT_TRUE(facts) << file;
        EXPECT_EQ(facts->Rotation, listed(file).Rotation) << file;
        EXPECT_EQ(facts->Formats, (std::vector<std::string>{"avc1", "mp4a"})) << file;
    }
    // What an input holds, read from the file as the converter lists it: the sizes, pixels,
    // rates and tracks a re-encoding looks at.
    const std::string subtitles = dir.File("words.srt");
    pivora::test::WriteFile(subtitles, "1\n00:00:00,000 --> 00:00:00,900\nhello\n");
    readable.push_back(dir.File("ten bits.mp4"));
    Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -i " +
            pivora::platform::QuoteArgument(source) + " -f lavfi -i sine=d=1 -i " +
            pivora::platform::QuoteArgument(subtitles) +
            " -map 0:v -map 0:a -map 1 -map 2 -vf fps=12 -c:v libx265 -pix_fmt yuv422p10le"
            " -color_primaries bt2020 -color_trc arib-std-b67 -colorspace bt2020nc"
            " -c:a aac -c:s mov_text -shortest -y " +
            pivora::platform::QuoteArgument(readable.back()),
        "ffmpeg");
    for (const std::string& file : readable) {
        const auto read = ReadInputStreamsFromFile(file, 6);
        const InputStreams said = ReadInputStreams(
            pivora::test::RunCommand(ProbeCommandLine(pivora::test::FfmpegPath(), file), "ffmpeg"));
        ASSERT_TRUE(read) << file;
        EXPECT_EQ(
            std::tie(read->Width, read->Height, read->PixelFormat, read->AudioTracks,
                     read->Subtitles),
            std::tie(said.Width, said.Height, said.PixelFormat, said.AudioTracks, said.Subtitles))
            << file;
        EXPECT_NEAR(read->FramesPerSecond, said.FramesPerSecond, 0.01) << file;
        EXPECT_EQ(read->Transfer, said.Transfer) << file;
        EXPECT_NEAR(read->Seconds, said.Seconds, 0.011) << file;
    }
    EXPECT_EQ(ReadInputStreamsFromFile(readable.back(), 1)->PixelFormat, "yuv422p10le");
    EXPECT_EQ(ReadInputStreamsFromFile(readable.back(), 1)->Transfer, "arib-std-b67");
    // Deeper pixels without a colour description in the file: only the converter can tell
    // whether they are HDR.
    EXPECT_FALSE(ReadInputStreamsFromFile(
        Copied("ten bits plain.mp4", "-c:v libx265 -pix_fmt yuv420p10le -c:a copy"), 1));

    // A file cut short, a fragmented one and one with two pictures: the converter is asked.
    const std::string whole = pivora::test::ReadFile(source);
    const std::string cut = dir.File("cut.mp4");
    pivora::test::WriteFile(cut, whole.substr(0, whole.size() / 2));
    for (const std::string& file :
         {cut, Copied("fragments.mp4", "-map 0 -c copy -movflags frag_keyframe+empty_moov"),
          Copied("two pictures.mp4", "-map 0:v -map 0:v -map 0:a -c copy")})
        EXPECT_FALSE(ReadContainer(file)) << file;
}

TEST_F(MediaTest, LosslessTurnsKeepDataTracks)
{
    // A clip with a GPS track beside its timecode, as action cameras write them.
    pivora::test::WriteFile(dir.File("gps.bin"), std::string(4000, 'g'));
    const std::string tracked = dir.File("with data.mov");
    Run(pivora::test::FfmpegPath() + " -nostdin -loglevel error -i " +
            pivora::platform::QuoteArgument(source) + " -f data -i " + dir.File("gps.bin") +
            " -map 0 -map 1 -c copy -tag:d:0 gpmd -timecode 01:00:00:00 -y " +
            pivora::platform::QuoteArgument(tracked),
        "ffmpeg");
    for (const int format : {0, 3}) {
        Batch lossless(program, dir.File("work"), dir.File("d" + std::to_string(format)), format,
                       true);
        lossless.host.rotation = 1;
        lossless.Run({tracked});
        ASSERT_EQ(lossless.Outputs().size(), 1u);
        EXPECT_NE(pivora::test::ReadFile(dir.File("work/activity.log"))
                      .rfind("(turned without re-encoding)"),
                  std::string::npos);
        const std::string listing =
            pivora::test::RunCommand(pivora::platform::QuoteArgument(pivora::test::FfmpegPath()) +
                                         " -hide_banner -nostdin -i " +
                                         pivora::platform::QuoteArgument(lossless.Outputs()[0]),
                                     "ffmpeg");
        EXPECT_NE(listing.find("Data: bin_data (gpmd"), std::string::npos) << listing;
        EXPECT_NE(listing.find("timecode        : 01:00:00:00"), std::string::npos) << listing;
    }
}

TEST_F(MediaTest, WhatCannotBeTurnedLosslesslyIsReencoded)
{
    // A mirror, an AVI output, sound the MP4 container does not take as it is (known from the
    // file itself, or found by the copy), and an input shown tilted rather than by a quarter
    // turn.
    const std::string pcm = Copied("pcm sound.mov", "-c:v copy -c:a pcm_s16le");
    const std::string pcmMkv = Copied("pcm sound.mkv", "-c:v copy -c:a pcm_s16le");
    const std::string tilted = Copied("tilted.mp4", "-map 0 -c copy -metadata:s:v:0 rotate=45");
    struct Case
    {
        std::string input;
        int rotation, format;
        const char* shown;
        const char* why;
    };
    const Case cases[] = {
        {source, 3, 0, "64x48 top-right", "a mirror is not a turn"},
        {source, 0, 2, "48x64 top-right", "the output format cannot carry a display rotation"},
        {pcm, 0, 0, "48x64 top-right", "the MP4 container cannot take the input's \"sowt\""},
        {pcmMkv, 0, 0, "48x64 top-right", "the streams could not be copied"},
        // Tilted by the decoder before the turn, its corners are empty.
        {tilted, 0, 0, "48x64 none", "shown tilted or mirrored"},
    };
    int round = 0;
    for (const Case& c : cases) {
        Batch batch(program, dir.File("work"), dir.File("f" + std::to_string(++round)), c.format,
                    true);
        batch.host.rotation = c.rotation;
        batch.Run({c.input});
        ASSERT_EQ(batch.Outputs().size(), 1u) << c.why;
        EXPECT_EQ(Shown(batch.Outputs()[0]), c.shown) << c.why;
        EXPECT_NE(PictureHash(batch.Outputs()[0]), PictureHash(c.input)) << "not re-encoded";
        EXPECT_NE(pivora::test::ReadFile(dir.File("work/activity.log")).rfind(c.why),
                  std::string::npos)
            << c.why;
    }
}

TEST_F(MediaTest, TwoAtOnceEveryOutputIsRightByItsPixels)
{
    // Copies, re-encodings after a refused copy, and a failure, side by side.
    const std::string pcm = Copied("pcm sound.mov", "-c:v copy -c:a pcm_s16le");
    const std::string broken = dir.File("broken.mp4");
    pivora::test::WriteFile(broken, "not a video");
    for (const bool lossless : {false, true}) {
        Batch batch(program, dir.File("work"), dir.File(lossless ? "copies" : "encoded"), 0,
                    lossless);
        batch.settings.ParallelJobs = 2;
        batch.Run({source, pcm, broken, source, pcm});
        EXPECT_EQ(batch.host.mostConverting, 2u);
        ASSERT_EQ(batch.driver.LastFailures().size(), 1u) << lossless;
        EXPECT_EQ(batch.driver.LastFailures()[0].DisplayText, broken);
        const std::vector<std::string> outputs = batch.Outputs();
        ASSERT_EQ(outputs.size(), 4u) << lossless;
        for (const std::string& output : outputs)
            EXPECT_EQ(Shown(output), "48x64 top-right") << output;
        EXPECT_EQ(batch.host.labels.back(), "100%");
    }
}
