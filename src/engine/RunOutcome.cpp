#include "engine/RunOutcome.h"

#include "engine/ConverterListing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
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
constexpr const char* kShorter =
    PIVORA_TRANSLATE_NOOP("CoreTexts", "输出比输入短: 只有 %1 秒, 应有 %2 秒");
constexpr const char* kIncomplete =
    PIVORA_TRANSLATE_NOOP("CoreTexts", "输入文件不完整: 只读出 %1 秒, 应有 %2 秒");
constexpr const char* kNoVideo = PIVORA_TRANSLATE_NOOP("CoreTexts", "输出中没有视频");
constexpr const char* kEmptyInput = PIVORA_TRANSLATE_NOOP("CoreTexts", "输入文件是空的");

// The program's own reasons, each matched against a failure line to translate it.
constexpr const char* kReasons[]{kNotEnded,   kSignalled,       kExitCode,      kNoOutput,
                                 kUnreadable, kCheckNotStarted, kCheckTimedOut, kCheckEnded,
                                 kShorter,    kIncomplete,      kNoVideo,       kEmptyInput};

// A length as the reasons give it: "1.0".
std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// Lines after the listings that tell of input the converter could not read whole.
bool ReportsDamagedInput(const std::string& converterOutput)
{
    constexpr std::string_view kDamage[]{
        "partial file",     "corrupt",   "invalid data found", "error while decoding",
        "invalid nal unit", "truncated", "missing picture",    "error splitting the input"};
    bool pastListings = false;
    for (const std::string_view raw : Lines(converterOutput)) {
        const std::string_view line = WithoutComponents(Trim(raw));
        if (line.starts_with("Press [q]") || line.starts_with("Stream mapping:") ||
            IsProgressLine(line)) {
            pastListings = true;
            continue;
        }
        if (!pastListings || IsReportLine(raw))
            continue;
        std::string lower(line);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (std::any_of(std::begin(kDamage), std::end(kDamage), [&](std::string_view words) {
                return lower.find(words) != std::string::npos;
            }))
            return true;
    }
    return false;
}

bool IsNumber(std::string_view number)
{
    if (number.starts_with('-'))
        number.remove_prefix(1);
    const std::size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view("0") : number.substr(point + 1);
    const auto digits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        });
    };
    return digits(whole) && digits(fraction);
}

// The numbers `pattern` holds in `line` at "%1" and "%2" (none when it holds none), when
// `line` is `pattern`.
std::optional<std::vector<std::string>> MatchReason(std::string_view line, std::string_view pattern)
{
    std::vector<std::string> numbers;
    while (true) {
        const std::size_t at = pattern.find('%');
        if (at == std::string_view::npos || at + 1 >= pattern.size() ||
            !std::isdigit(static_cast<unsigned char>(pattern[at + 1]))) {
            if (line != pattern)
                return std::nullopt;
            return numbers;
        }
        if (!line.starts_with(pattern.substr(0, at)))
            return std::nullopt;
        line.remove_prefix(at);
        pattern.remove_prefix(at + 2);
        // The number runs up to what follows it in the pattern.
        const std::size_t next = pattern.find('%');
        const std::string_view follows = pattern.substr(0, next);
        const std::size_t end = follows.empty() ? line.size() : line.find(follows);
        if (end == std::string_view::npos || !IsNumber(line.substr(0, end)))
            return std::nullopt;
        numbers.emplace_back(line.substr(0, end));
        line.remove_prefix(end);
    }
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

std::string ShorterThanInput(double output, double input)
{
    return WithArguments(kShorter, Seconds(output), Seconds(input));
}

std::string IncompleteInput(double output, double input)
{
    return WithArguments(kIncomplete, Seconds(output), Seconds(input));
}

bool FallsShort(double output, double input, double frame)
{
    // The last frame is counted from its start, and a muxer may end on a packet boundary.
    constexpr double kSlack = 0.25;
    return input > 0 && output + (frame > 0 ? frame : 0.1) + kSlack < input;
}

double LastProgressSeconds(const std::string& converterOutput)
{
    double last = 0;
    for (const std::string_view raw : Lines(converterOutput)) {
        const std::string_view line = Trim(raw);
        if (!line.starts_with("frame=") && !line.starts_with("size="))
            continue;
        const std::size_t at = line.find("time=");
        if (at == std::string_view::npos)
            continue;
        // "time=00:00:01.96", "time=N/A", and at the start even "time=-00:00:00.04".
        const std::string clock(line.substr(at + 5, line.find(' ', at) - at - 5));
        int hours = 0, minutes = 0;
        double seconds = 0;
        if (std::sscanf(clock.c_str(), "%d:%d:%lf", &hours, &minutes, &seconds) == 3 &&
            hours >= 0 && minutes >= 0 && seconds >= 0 && std::isfinite(seconds))
            last = hours * 3600.0 + minutes * 60.0 + seconds;
    }
    return last;
}

std::string ShownFailureLine(const std::string& line, const UserMessages& messages)
{
    for (const char* pattern : kReasons) {
        if (const auto numbers = MatchReason(line, pattern)) {
            const std::string translated = messages.Translate(pattern);
            return WithArguments(translated, numbers->size() > 0 ? (*numbers)[0] : std::string(),
                                 numbers->size() > 1 ? (*numbers)[1] : std::string());
        }
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
    // A signal ended it: whatever it printed last is not why.
    if (exit.Known && !exit.Exited)
        return Failure(WithArgument(kSignalled, std::to_string(exit.Signal)));
    if ((exitedBadly || (!exit.Known && SaysItFailed(text))) && facts.InputSize == 0)
        return Failure(kEmptyInput);
    if (exitedBadly || (!exit.Known && SaysItFailed(text))) {
        std::string line = WriteErrorLine(text);
        if (line.empty())
            line = FailureReason(text);
        if (!line.empty())
            return Failure(line);
        if (!exit.Known)
            return Failure(kNotEnded);
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
        return Failure(kNoVideo);

    // An output shorter than its input is never a plain success: a run ended from outside can
    // exit with 0 all the same.
    const ConverterListing input = ReadListing(text, "Input #0");
    const double inputSeconds = facts.InputSeconds > 0   ? facts.InputSeconds
                                : input.SecondsEstimated ? 0
                                                         : input.Seconds;
    const ListedStream* picture = input.Picture();
    const double frame = facts.FrameSeconds > 0                    ? facts.FrameSeconds
                         : picture && picture->FramesPerSecond > 0 ? 1 / picture->FramesPerSecond
                                                                   : 0;
    if (const double outputSeconds = LastProgressSeconds(text);
        FallsShort(outputSeconds, inputSeconds, frame)) {
        const bool byItself = exit.Known && exit.Exited && exit.Code == 0 && EndedCleanly(text);
        // A converter that read all it could of a damaged input and ended by itself leaves
        // all there was to have.
        if (byItself && ReportsDamagedInput(text)) {
            RunOutcome incomplete{false, IncompleteInput(outputSeconds, inputSeconds)};
            incomplete.Incomplete = true;
            return incomplete;
        }
        // One that ended by itself without a word of damage read the input to its end: the
        // length the input states may count a subtitle or a data stream that runs on past the
        // picture and the sound, which then decide.
        const std::optional<double> measured =
            byItself && facts.MeasureInput ? facts.MeasureInput() : std::nullopt;
        if (!measured || FallsShort(outputSeconds, *measured, frame))
            return Failure(ShorterThanInput(outputSeconds, measured ? *measured : inputSeconds));
    }

    // The converter's own lines prove a good output when it exited with 0, listed a picture
    // among the streams it wrote, and summed up what it wrote. Anything less is checked by
    // opening the file, as a player would.
    if (!exit.Known || !streams.Listed || !EndedCleanly(text)) {
        const ProbeResult probe = facts.Probe ? facts.Probe() : ProbeResult{};
        if (probe.Ran) {
            if (!probe.Opened)
                return Failure(probe.Line.empty() ? kUnreadable : probe.Line);
            if (!probe.HasVideo)
                return Failure(kNoVideo);
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
