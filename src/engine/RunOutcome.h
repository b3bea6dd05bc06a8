#pragma once

#include "engine/UserMessages.h"
#include "platform/ChildProcess.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pivora::engine {

// What one converter run achieved, judged in one place.
struct RunOutcome
{
    bool Succeeded = false;
    std::string FailureLine; // the converter's line that says why, or why the run failed
    // The run went well as far as the converter said, but its output could not be opened to
    // check it: the output stays for the user to judge, and FailureLine says why.
    bool Unchecked = false;
    // The converter read all it could of a damaged input and ended by itself: the output holds
    // what there was and stays, and FailureLine gives both lengths.
    bool Incomplete = false;
};

// What opening a finished output as media showed.
struct ProbeResult
{
    bool Ran = false; // the converter answered; nothing else holds when it did not
    bool Opened = false;
    bool HasVideo = false;
    std::string Line; // why it could not be opened
    int Rotation = 0; // as ListedStreams::Rotation
    // Why the converter did not answer ("无法检查输出: ..."); empty when it was never asked.
    std::string NotRun;
};

// The reasons for an output that could not be checked, as ProbeResult::NotRun holds them.
std::string CheckNotStarted();
std::string CheckTimedOut(int seconds);
std::string CheckEnded();

struct RunFacts
{
    pivora::platform::ExitStatus Exit;
    std::int64_t OutputSize = -1; // -1 when the output file does not exist
    std::string ConverterOutput;
    // Opens the output; asked only when the converter's own lines do not prove it.
    std::function<ProbeResult()> Probe;
    std::int64_t InputSize = -1; // -1 when not known
    // The input's length and one frame's, as known before the run; where 0, the converter's
    // own listing of the input says them.
    double InputSeconds = 0;
    double FrameSeconds = 0;
    // How far the input's own pictures and sound reach, asked only of an output that seems
    // short after a run that ended by itself; nothing when that could not be measured.
    std::function<std::optional<double>()> MeasureInput = {};
};

RunOutcome JudgeRun(const RunFacts& facts);

// Whether an output `output` seconds long falls short of its input, `input` seconds long,
// beyond the rounding of its last frame (`frame` seconds; 0 when not known) or packet.
bool FallsShort(double output, double input, double frame);
// The position the converter's last progress line reached, in seconds; 0 when none did.
double LastProgressSeconds(const std::string& converterOutput);
// The reasons for an output shorter than its input, with both lengths.
std::string ShorterThanInput(double output, double input);
std::string IncompleteInput(double output, double input);

// A run's failure line as the user reads it: the program's own reasons in the user's language,
// numbers and all; a line of the converter as the converter wrote it.
std::string ShownFailureLine(const std::string& line, const UserMessages& messages);

// The line of the converter's output that says why it failed: the last line it marks as an
// error before its closing words, or those closing words when there is no such line; empty
// when it said nothing about a failure after its listings.
std::string FailureReason(const std::string& converterOutput);

// The first line that says the output could not be written ("No space left on device");
// empty when there is none. ffmpeg may still exit with 0 after it.
std::string WriteErrorLine(const std::string& converterOutput);

// The streams a section of the converter's report lists ("Output #0", "Input #0").
struct ListedStreams
{
    bool Listed = false; // the section is there and names at least one stream
    bool Video = false;  // one of them is a moving picture, not a cover image
    int Rotation = 0;    // the first picture's display rotation, degrees anticlockwise 0..359
};
// The file's name, where it is known, keeps a name that looks like a listing from being read as
// one.
ListedStreams StreamsOf(const std::string& converterOutput, std::string_view section,
                        std::string_view file = {});

// What the converter says when its input is a file it can open.
ProbeResult ReadProbe(const std::string& converterOutput);

} // namespace pivora::engine
