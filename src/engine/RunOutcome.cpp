#include "engine/RunOutcome.h"

#include "engine/ConverterListing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

namespace pivora::engine {

namespace {

// ffmpeg's words after a failure: they say that it failed, not why.
constexpr std::string_view kClosingWords[]{
    "Conversion failed!",
    "Error initializing output stream",
    "Error while opening encoder",
    "Error opening output file", // "... files" too
    "Error opening input file",
    "Error while filtering",
    "Error while processing the decoded data",
    "Could not write header for output file", // "(incorrect codec parameters ?)"
};

// Words with which ffmpeg's error messages say what went wrong, in lower case.
constexpr std::string_view kErrorWords[]{
    "error",     "invalid",    "not ",    "no such",   "denied",       "fail",
    "unable",    "cannot",     "can't",   "could not", "unsupported",  "unknown",
    "undefined", "missing",    "too ",    "no space",  "exceeded",     "incorrect",
    "mismatch",  "impossible", "corrupt", "truncated", "unrecognized", "out of memory",
};

// Lines that tell of an output that could not be written.
constexpr std::string_view kWriteErrors[]{
    "Error writing trailer",        "Error closing file",
    "av_interleaved_write_frame()", "Error submitting a packet to the muxer",
    "Error muxing a packet",        "No space left on device",
    "Disk quota exceeded",          "File too large",
};

std::string_view Trim(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    const std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool IsProgressLine(std::string_view line)
{
    return line.starts_with("frame=") || line.starts_with("size=") ||
           line.find("time=") != std::string_view::npos;
}

// Lines the converter prints about its work rather than about a fault: progress, the
// indented stream and metadata listings, the closing statistics and routine warnings.
bool IsReportLine(std::string_view raw)
{
    const std::string_view line = Trim(raw);
    return line.empty() || raw.starts_with(' ') || raw.starts_with('\t') || IsProgressLine(line) ||
           line.find("muxing overhead") != std::string_view::npos ||
           line.find("Past duration") != std::string_view::npos ||
           line.find("VBV buffer size not set") != std::string_view::npos;
}

bool IsInputListing(std::string_view line)
{
    return line.starts_with("ffmpeg version") || line.starts_with("Input #");
}

// The banner and the listings of inputs and outputs. The input is listed once it has been
// opened, and what was printed before that went well; the outputs' listings may follow the
// reason why they could not be written ("Stream mapping:" after "codec not currently supported
// in container").
bool IsListingHeader(std::string_view line)
{
    return IsInputListing(line) || line.starts_with("Output #") ||
           line.starts_with("Stream mapping:") || line.starts_with("Press [q] to stop");
}

// How ffmpeg says that a signal ended it; its file is cut short.
bool IsSignalLine(std::string_view line)
{
    return line.starts_with("Exiting normally, received signal") ||
           line.starts_with("Received > 3 system signals");
}

// "[libx264 @ 0x55d5c8a4b3c0] width not divisible by 2" says "width not divisible by 2".
std::string_view WithoutComponents(std::string_view line)
{
    while (line.starts_with('[')) {
        const std::size_t close = line.find(']');
        if (close == std::string_view::npos ||
            line.substr(0, close).find(" @ ") == std::string_view::npos)
            break;
        line = Trim(line.substr(close + 1));
    }
    return line;
}

bool IsClosingLine(std::string_view line)
{
    // "in.mp4: Invalid data found when processing input" closes a failed opening; the line
    // before it, if any, says what was wrong ("moov atom not found").
    return line.ends_with(": Invalid data found when processing input") ||
           std::any_of(std::begin(kClosingWords), std::end(kClosingWords),
                       [&](std::string_view words) { return line.starts_with(words); });
}

// Whether the converter said it failed, for a run whose exit status could not be read.
bool SaysItFailed(const std::string& converterOutput)
{
    const std::vector<std::string_view> lines = Lines(converterOutput);
    return std::any_of(lines.begin(), lines.end(), [](std::string_view raw) {
        const std::string_view line = WithoutComponents(Trim(raw));
        return IsClosingLine(line) || IsSignalLine(line);
    });
}

bool SaysWhatWentWrong(std::string_view line)
{
    std::string lower(line);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(std::begin(kErrorWords), std::end(kErrorWords), [&](std::string_view word) {
        return lower.find(word) != std::string::npos;
    });
}

// The summary ffmpeg prints once everything is written; "unknown" when it could not tell
// how much it wrote.
bool EndedCleanly(const std::string& converterOutput)
{
    const std::size_t at = converterOutput.rfind("muxing overhead:");
    return at != std::string::npos &&
           Trim(std::string_view(converterOutput).substr(at + 16, 8)).substr(0, 7) != "unknown";
}

RunOutcome Failure(std::string line)
{
    return RunOutcome{false, std::move(line)};
}

// The program's own reasons, for runs whose converter said nothing that explains them.
constexpr const char* kNotEnded = PIVORA_TRANSLATE_NOOP("CoreTexts", "转换程序没有正常结束");
constexpr const char* kSignalled = PIVORA_TRANSLATE_NOOP("CoreTexts", "转换程序被终止 (信号 %1)");
constexpr const char* kExitCode = PIVORA_TRANSLATE_NOOP("CoreTexts", "转换程序退出代码 %1");
constexpr const char* kNoOutput = PIVORA_TRANSLATE_NOOP("CoreTexts", "没有生成输出文件");
constexpr const char* kUnreadable = PIVORA_TRANSLATE_NOOP("CoreTexts", "输出文件无法打开");
constexpr const char* kCheckNotStarted =
    PIVORA_TRANSLATE_NOOP("CoreTexts", "无法检查输出: 转换程序无法启动");
constexpr const char* kCheckTimedOut =
    PIVORA_TRANSLATE_NOOP("CoreTexts", "无法检查输出: 转换程序 %1 秒内没有回答");
constexpr const char* kCheckEnded =
    PIVORA_TRANSLATE_NOOP("CoreTexts", "无法检查输出: 转换程序被终止");

// The number `pattern` holds in `line` ("" when it holds none), when `line` is `pattern`.
std::optional<std::string> MatchReason(std::string_view line, std::string_view pattern)
{
    const std::size_t at = pattern.find("%1");
    if (at == std::string_view::npos)
        return line == pattern ? std::optional<std::string>("") : std::nullopt;
    const std::string_view head = pattern.substr(0, at);
    const std::string_view tail = pattern.substr(at + 2);
    if (line.size() <= head.size() + tail.size() || !line.starts_with(head) ||
        !line.ends_with(tail))
        return std::nullopt;
    const std::string_view number =
        line.substr(head.size(), line.size() - head.size() - tail.size());
    const std::size_t digits = number.starts_with('-') ? 1 : 0;
    if (number.size() == digits || !std::all_of(number.begin() + digits, number.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return std::nullopt;
    return std::string(number);
}

} // namespace

std::string CheckNotStarted()
{
    return kCheckNotStarted;
}

std::string CheckTimedOut(int seconds)
{
    return WithArgument(kCheckTimedOut, std::to_string(seconds));
}

std::string CheckEnded()
{
    return kCheckEnded;
}

std::string ShownFailureLine(const std::string& line, const UserMessages& messages)
{
    for (const char* pattern : {kNotEnded, kSignalled, kExitCode, kNoOutput, kUnreadable,
                                kCheckNotStarted, kCheckTimedOut, kCheckEnded}) {
        if (const std::optional<std::string> number = MatchReason(line, pattern))
            return WithArgument(messages.Translate(pattern), *number);
    }
    return line;
}

std::string FailureReason(const std::string& converterOutput)
{
    const std::vector<std::string_view> lines = Lines(converterOutput);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (const std::string_view line = WithoutComponents(Trim(*it)); IsSignalLine(line))
            return std::string(line);
    }
    std::string_view closing;
    std::string_view last;
    // Before the outputs' listings only a line that says what went wrong counts: the others
    // there tell how the work was set up.
    bool beforeListings = false;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (IsReportLine(*it))
            continue;
        const std::string_view line = WithoutComponents(Trim(*it));
        if (line.empty())
            continue;
        if (IsInputListing(line))
            break;
        if (IsListingHeader(line)) {
            beforeListings = true;
            continue;
        }
        if (IsClosingLine(line)) {
            if (closing.empty())
                closing = line;
            continue;
        }
        if (SaysWhatWentWrong(line))
            return std::string(line);
        if (last.empty() && !beforeListings)
            last = line;
    }
    return std::string(closing.empty() ? last : closing);
}

std::string WriteErrorLine(const std::string& converterOutput)
{
    for (const std::string_view raw : Lines(converterOutput)) {
        // The listings name the files, and a file may be named anything.
        if (IsReportLine(raw) || raw.starts_with("Input #") || raw.starts_with("Output #"))
            continue;
        const std::string_view line = WithoutComponents(Trim(raw));
        if (std::any_of(
                std::begin(kWriteErrors), std::end(kWriteErrors),
                [&](std::string_view words) { return line.find(words) != std::string_view::npos; }))
            return std::string(line);
    }
    return {};
}

ListedStreams StreamsOf(const std::string& converterOutput, std::string_view section,
                        std::string_view file)
{
    const ConverterListing listing = ReadListing(converterOutput, section, file);
    ListedStreams streams;
    streams.Listed = listing.Listed;
    if (const ListedStream* picture = listing.Picture()) {
        streams.Video = true;
        streams.Rotation = picture->Rotation;
    }
    return streams;
}

ProbeResult ReadProbe(const std::string& converterOutput)
{
    ProbeResult probe;
    probe.Ran = true;
    const ListedStreams streams = StreamsOf(converterOutput, "Input #0");
    probe.Opened = streams.Listed;
    probe.HasVideo = streams.Video;
    probe.Rotation = streams.Rotation;
    if (!probe.Opened)
        probe.Line = FailureReason(converterOutput);
    return probe;
}

RunOutcome JudgeRun(const RunFacts& facts)
{
    const std::string& text = facts.ConverterOutput;
    const pivora::platform::ExitStatus& exit = facts.Exit;
    const bool exitedBadly = exit.Known && (!exit.Exited || exit.Code != 0);
    if (exitedBadly || (!exit.Known && SaysItFailed(text))) {
        std::string line = WriteErrorLine(text);
        if (line.empty())
            line = FailureReason(text);
        if (!line.empty())
            return Failure(line);
        if (!exit.Known)
            return Failure(kNotEnded);
        if (!exit.Exited)
            return Failure(WithArgument(kSignalled, std::to_string(exit.Signal)));
        return Failure(WithArgument(kExitCode, std::to_string(exit.Code)));
    }
    if (std::string line = WriteErrorLine(text); !line.empty())
        return Failure(line);
    if (facts.OutputSize <= 0) {
        // A converter that exited with 0 said nothing went wrong, so its lines would not
        // explain it; one whose status was lost may have said why.
        const std::string line = exit.Known ? std::string() : FailureReason(text);
        return Failure(line.empty() ? kNoOutput : line);
    }
    const ListedStreams streams = StreamsOf(text, "Output #0");
    if (streams.Listed && !streams.Video)
        return Failure("no video stream");

    // The converter's own lines prove a good output when it exited with 0, listed a picture
    // among the streams it wrote, and summed up what it wrote. Anything less is checked by
    // opening the file, as a player would.
    if (!exit.Known || !streams.Listed || !EndedCleanly(text)) {
        const ProbeResult probe = facts.Probe ? facts.Probe() : ProbeResult{};
        if (probe.Ran) {
            if (!probe.Opened)
                return Failure(probe.Line.empty() ? kUnreadable : probe.Line);
            if (!probe.HasVideo)
                return Failure("no video stream");
        } else if (!(streams.Video && EndedCleanly(text))) {
            // Neither the converter's status nor the file can vouch for the output.
            if (!exit.Known)
                return Failure(kNotEnded);
            // The converter said it went well, and the file could not be opened to see.
            if (!probe.NotRun.empty())
                return RunOutcome{false, probe.NotRun, true};
        }
    }
    return RunOutcome{true, {}};
}

} // namespace pivora::engine
