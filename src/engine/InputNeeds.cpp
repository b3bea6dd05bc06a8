#include "engine/InputNeeds.h"

#include "engine/ContainerRotation.h"
#include "engine/ConverterListing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string_view>

namespace pivora::engine {

namespace {

// The formats' own limits: H.264 (MP4(H264 Video), MOV and FLV, which the converter writes with
// libx264) needs even sizes and takes 8-bit 4:2:0 for a profile every player plays; MPEG-1
// holds only the standard frame rates; MP4 and MOV hold several sound tracks and text
// subtitles.
bool WritesH264(int outputFormat)
{
    return outputFormat == 1 || outputFormat == 3 || outputFormat == 4;
}

// MP4 and MOV (and the MP4 that "FLV" writes) hold text subtitles; every format holds several
// sound tracks.
bool HoldsSubtitles(int outputFormat)
{
    return outputFormat == 0 || outputFormat == 1 || outputFormat == 3 || outputFormat == 4;
}

// Where an HDR picture keeps its colour tags and is played by players that read them: H.264 in
// MP4 and MOV. Elsewhere the tags are dropped (AVI, WMV, MPEG-1), or the codec's players show
// SDR whatever the tags say (MPEG-4 Part 2): the picture is tone-mapped to SDR BT.709 there.
bool KeepsHdr(int outputFormat)
{
    return outputFormat == 1 || outputFormat == 3 || outputFormat == 4;
}

bool IsHdrTransfer(std::string_view transfer)
{
    return transfer == "arib-std-b67" || transfer == "smpte2084";
}

struct Rate
{
    double Value;
    const char* Text;
};
constexpr std::array<Rate, 8> kMpeg1Rates{{{24000.0 / 1001, "24000/1001"},
                                           {24, "24"},
                                           {25, "25"},
                                           {30000.0 / 1001, "30000/1001"},
                                           {30, "30"},
                                           {50, "50"},
                                           {60000.0 / 1001, "60000/1001"},
                                           {60, "60"}}};

// Subtitles the converter can turn into the text subtitles of MP4 and MOV; pictures
// (DVD, Blu-ray, DVB) it cannot.
bool IsTextSubtitle(std::string_view codec)
{
    constexpr std::string_view kText[]{"subrip", "srt",      "ass",       "ssa",        "mov_text",
                                       "webvtt", "text",     "subviewer", "subviewer1", "microdvd",
                                       "sami",   "realtext", "stl",       "jacosub",    "mpl2",
                                       "pjs",    "vplayer"};
    return std::find(std::begin(kText), std::end(kText), codec) != std::end(kText);
}

} // namespace

InputStreams ReadInputStreams(const std::string& listing, std::string_view file)
{
    const ConverterListing read = ReadListing(listing, "Input #0", file);
    InputStreams streams;
    streams.Listed = read.Listed;
    streams.Seconds = read.SecondsEstimated ? 0 : read.Seconds;
    if (const ListedStream* picture = read.Picture()) {
        streams.Width = picture->Width;
        streams.Height = picture->Height;
        streams.PixelFormat = picture->PixelFormat;
        streams.FramesPerSecond = picture->FramesPerSecond;
        streams.Primaries = picture->Primaries;
        streams.Transfer = picture->Transfer;
    }
    for (const ListedStream& stream : read.Streams) {
        if (stream.Type == ListedStream::Kind::Audio) {
            ++streams.AudioTracks;
            streams.Channels.push_back(stream.Channels);
            streams.SampleRates.push_back(stream.SampleRate);
        } else if (stream.Type == ListedStream::Kind::Subtitle) {
            streams.Subtitles.push_back(stream.Codec);
        }
    }
    return streams;
}

std::optional<InputStreams> ReadInputStreamsFromFile(const std::string& path, int outputFormat)
{
    const std::optional<ContainerFacts> facts = ReadContainer(path);
    // MPEG-1 needs the frame rate; the others do not look at it.
    if (!facts || facts->References || facts->PixelFormat.empty() || facts->Width <= 0 ||
        facts->Height <= 0 || (outputFormat == 6 && facts->FramesPerSecond <= 0))
        return std::nullopt;
    // A deeper picture without a colour description may still be HDR: its codec's own setup
    // says so, which only the converter reads.
    if (facts->Transfer.empty() &&
        (facts->PixelFormat.ends_with("le") || facts->PixelFormat.ends_with("be")))
        return std::nullopt;
    InputStreams streams;
    streams.Listed = true;
    streams.Seconds = facts->Seconds;
    streams.Transfer = facts->Transfer;
    streams.Width = facts->Width;
    streams.Height = facts->Height;
    streams.PixelFormat = facts->PixelFormat;
    streams.FramesPerSecond = facts->FramesPerSecond;
    for (std::size_t i = 0; i < facts->Handlers.size(); ++i) {
        const std::string& handler = facts->Handlers[i];
        const std::string& format = facts->Formats[i];
        if (handler == "soun") {
            // How many channels a sound holds, and how fast it is sampled, is the
            // converter's to tell; WMV takes two at 48 kHz at most.
            if (outputFormat == 5)
                return std::nullopt;
            ++streams.AudioTracks;
        } else if (handler == "sbtl" || handler == "subt" || handler == "text") {
            if (format != "tx3g" && format != "text")
                return std::nullopt;
            streams.Subtitles.emplace_back("mov_text");
        } else if (handler != "vide" && handler != "tmcd" && handler != "hint" &&
                   handler != "meta") {
            // Captions, and kinds the converter may list as anything.
            return std::nullopt;
        }
    }
    return streams;
}

InputNeeds NeedsFor(const InputStreams& input, int outputFormat)
{
    InputNeeds needs;
    if (!input.Listed)
        return needs;
    const std::string size = std::to_string(input.Width) + "x" + std::to_string(input.Height);
    if (WritesH264(outputFormat) && (input.Width % 2 != 0 || input.Height % 2 != 0)) {
        // The last column or row goes: nothing is scaled, and no black line is added.
        needs.Filter = "crop=trunc(iw/2)*2:trunc(ih/2)*2";
        needs.Reasons.push_back("the picture is " + size +
                                ", the H.264 encoder takes even sizes only: one pixel cropped");
    }
    if (outputFormat == 6 && input.FramesPerSecond > 0) {
        // The rates as the converter lists them, to two decimals, count as themselves.
        const auto nearest = std::min_element(kMpeg1Rates.begin(), kMpeg1Rates.end(),
                                              [&](const Rate& a, const Rate& b) {
                                                  return std::abs(a.Value - input.FramesPerSecond) <
                                                         std::abs(b.Value - input.FramesPerSecond);
                                              });
        if (std::abs(nearest->Value - input.FramesPerSecond) > 0.01) {
            needs.Options += std::string(" -r ") + nearest->Text;
            char rate[32];
            std::snprintf(rate, sizeof rate, "%g", input.FramesPerSecond);
            needs.Reasons.push_back(std::string(rate) +
                                    " frames a second, which MPEG-1 cannot hold: " + nearest->Text);
        }
    }
    const std::string& pixels = input.PixelFormat;
    if (WritesH264(outputFormat) && !pixels.empty() && pixels != "yuv420p" &&
        pixels != "yuvj420p" && pixels != "nv12" && pixels != "nv21") {
        needs.Options += " -pix_fmt yuv420p";
        needs.Reasons.push_back("the picture is " + pixels +
                                ", made 8-bit 4:2:0 for a profile every player takes");
    }
    if (IsHdrTransfer(input.Transfer)) {
        const char* kind = input.Transfer == "arib-std-b67" ? "HLG" : "PQ";
        if (KeepsHdr(outputFormat)) {
            needs.Reasons.push_back(std::string("the picture is HDR (") + kind +
                                    "): its colour tags are kept");
        } else {
            // To SDR as a player that reads the tags shows it, and tagged as what it is now.
            // The colour library takes no odd size in subsampled pixels: it works on full
            // chroma, and the usual scaler subsamples its result.
            const std::string primaries = input.Primaries.empty() || input.Primaries == "unknown"
                                              ? "bt2020"
                                              : input.Primaries;
            needs.Filter += std::string(needs.Filter.empty() ? "" : ",") +
                            "format=yuv444p16le,zscale=tin=" + input.Transfer +
                            ":pin=" + primaries +
                            ":min=bt2020nc:t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
                            "tonemap=tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,"
                            "format=yuv444p,format=yuv420p";
            needs.Options += " -color_primaries bt709 -color_trc bt709 -colorspace bt709";
            needs.Reasons.push_back(std::string("the picture is HDR (") + kind +
                                    "), tone-mapped to SDR BT.709: the format keeps no HDR");
        }
    }
    // WMV's sound takes two channels at most, sampled at 48 kHz at most; a track with more
    // is mixed down to two, one sampled faster is resampled.
    if (outputFormat == 5) {
        for (std::size_t i = 0; i < input.Channels.size(); ++i) {
            if (input.Channels[i] <= 2)
                continue;
            needs.Options += " -ac:a:" + std::to_string(i) + " 2";
            needs.Reasons.push_back("sound track " + std::to_string(i + 1) + " has " +
                                    std::to_string(input.Channels[i]) +
                                    " channels, mixed down to two for WMV");
        }
        constexpr int kWmvMostSamples = 48000;
        for (std::size_t i = 0; i < input.SampleRates.size(); ++i) {
            if (input.SampleRates[i] <= kWmvMostSamples)
                continue;
            needs.Options += " -ar:a:" + std::to_string(i) + " " + std::to_string(kWmvMostSamples);
            needs.Reasons.push_back("sound track " + std::to_string(i + 1) + " is sampled at " +
                                    std::to_string(input.SampleRates[i]) +
                                    " Hz, resampled to 48000 Hz for WMV");
        }
    }
    if (input.AudioTracks <= 1 && input.Subtitles.empty())
        return needs;
    // Every sound track, the first staying the default one, and the subtitles as text where
    // the format takes them.
    needs.Options += " -map 0:V:0 -map 0:a?";
    std::string subtitles;
    if (!HoldsSubtitles(outputFormat)) {
        if (!input.Subtitles.empty())
            needs.Reasons.push_back("the format holds no subtitles: " +
                                    std::to_string(input.Subtitles.size()) + " left out");
    } else {
        for (std::size_t i = 0; i < input.Subtitles.size(); ++i) {
            if (IsTextSubtitle(input.Subtitles[i]))
                subtitles += " -map 0:s:" + std::to_string(i);
            else
                needs.Reasons.push_back("subtitle " + std::to_string(i + 1) + " is " +
                                        input.Subtitles[i] +
                                        ", pictures the format cannot hold: left out");
        }
    }
    if (!subtitles.empty())
        needs.Options += subtitles + " -c:s mov_text";
    if (input.AudioTracks > 1 && HoldsSubtitles(outputFormat))
        needs.Options += " -disposition:a 0 -disposition:a:0 default";
    needs.Reasons.push_back(
        "every sound track" +
        std::string(HoldsSubtitles(outputFormat) ? " and text subtitle" : "") + " kept (" +
        std::to_string(input.AudioTracks) + " sound" +
        (HoldsSubtitles(outputFormat)
             ? ", " + std::to_string(subtitles.empty() ? 0 : input.Subtitles.size()) + " subtitles"
             : std::string()) +
        ")");
    return needs;
}

} // namespace pivora::engine
