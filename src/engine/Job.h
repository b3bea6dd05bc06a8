#pragma once

#include "engine/BatchDriver.h"
#include "engine/DOSOutputs.h"
#include "engine/OutputProbe.h"
#include "engine/Progress.h"
#include "engine/RunOutcome.h"

#include <memory>
#include <optional>
#include <string>

namespace pivora::engine {

// One entry's conversion, step by step: the question about its input, the copy without
// re-encoding and its read-back, the re-encoding and the opening of its output. The batch
// owns its jobs; their steps are in Job.cpp.
struct BatchDriver::Job
{
    Job(pivora::platform::EventPump& pump, UserMessages& messages) : Runner(pump, messages) {}

    int Number = 0;
    pivora::input::EntryId Id{};
    pivora::input::InputEntry Entry;
    CommandLineRequest Request;
    int Rotation = 0;
    std::string OutputPath;
    std::string Reencode; // the re-encoding command line
    std::string Running;  // the command line of the last conversion run
    Step Now = Step::Reencode;
    // Why the entry is re-encoded although lossless turns are on.
    std::string Reencoding;
    int Turn = 0;    // the chosen turn, anticlockwise
    int Carried = 0; // the turn the input carries
    int Wanted = 0;  // the turn the copy must carry
    DOSOutputs Runner;
    ProgressReader Progress;
    // The converter's account of the last conversion run, kept while its output is opened.
    RunFacts Facts;
    std::unique_ptr<ConverterQuestion> Question;
    // The converter's listing of the input, asked once and used for the copy and the
    // re-encoding alike; whether it was asked, and whether for a copy.
    std::optional<std::string> InputListing;
    bool InputAsked = false;
    bool AskedForCopy = false;
    // What the re-encoding adds for this input, or why the input could not be examined.
    std::string Added;
    // Whether the output's name was taken on the disk as an empty file (or is held as one).
    bool Reserved = false;
    // The input's length and one frame's, once known: what the output is measured against.
    double InputSeconds = 0;
    double FrameSeconds = 0;
    // The moving picture's place among the input's video streams: a cover may come first.
    int Picture = 0;
    // The last conversion run, a copy or a re-encoding.
    Step LastRun = Step::Reencode;
    // How far the input's own pictures and sound reach, measured when the run's output
    // seemed short of the length the input states; whether it was asked.
    std::optional<double> Measured;
    bool MeasureAsked = false;
};

} // namespace pivora::engine
