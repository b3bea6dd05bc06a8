// The steps one job takes, from the start of its entry to the end of its last run.
#include "engine/Job.h"

#include "engine/ContainerRotation.h"
#include "engine/ConverterListing.h"
#include "engine/InputNeeds.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace pivora::engine {

namespace fs = pivora::platform;

namespace {

// The state of an entry whose conversion has started.
constexpr const char* kConverting = PIVORA_TRANSLATE_NOOP("CoreTexts", "转换中");

std::string DescribeExit(const fs::ExitStatus& exit)
{
    if (!exit.Known)
        return "unknown";
    if (exit.Exited)
        return "exit code " + std::to_string(exit.Code);
    return "signal " + std::to_string(exit.Signal);
}

} // namespace

void BatchDriver::NoteInput(Job& job, double seconds, double framesPerSecond)
{
    job.InputSeconds = seconds;
    job.FrameSeconds = framesPerSecond > 0 ? 1 / framesPerSecond : 0;
}

void BatchDriver::Empty(Job& job)
{
    // Truncated in place: removing it would give the name back to anyone for a moment.
    if (fs::WriteFileWhole(job.OutputPath, {}))
        job.Reserved = true;
    else
        fs::RemoveFile(job.OutputPath);
}

void BatchDriver::EndStopped(Job& job, const char* when)
{
    fs::RemoveFile(job.OutputPath);
    m_log.Record(job.Running.empty() ? job.Reencode : job.Running,
                 job.Running.empty() ? "-" : DescribeExit(job.Facts.Exit), when);
    EndJob(job);
}

bool BatchDriver::StartNextJob(const std::string& outputFolder)
{
    std::optional<std::size_t> index;
    for (std::size_t i = 0; i < m_list.Count() && !index; ++i) {
        const pivora::input::EntryId id = m_list.IdAt(i);
        if (std::none_of(m_jobs.begin(), m_jobs.end(),
                         [&](const auto& job) { return job->Id == id; }))
            index = i;
    }
    if (!index)
        return false;

    fs::RemoveFile(fs::JoinPath(m_setup.WorkFolder, "tmp.mp4"));
    auto job = std::make_unique<Job>(m_pump, m_messages);
    job->Number = ++m_jobsStarted;
    job->Rotation = m_host.Rotation();
    SelectRotationFilter(job->Rotation, m_rotationFilter);
    const std::string converter = fs::ConverterPath(m_setup.ProgramFolder);
    if (!m_wholeBatchProgress) {
        m_host.SetProgressValue(0);
        fs::KillProcessByName(fs::ConverterProcessName(), converter);
    }

    job->Entry = m_list.At(*index);
    job->Id = m_list.IdAt(*index);
    const fs::LocalDateTime now = m_setup.Clock();
    CommandLineRequest& request = job->Request;
    request.ProgramFolder = m_setup.ProgramFolder;
    request.InputPath = job->Entry.Path;
    request.OutputFolder = outputFolder;
    request.OutputFormat = m_host.OutputFormat();
    request.VideoBitrate = m_host.VideoBitrate();
    request.RotationFilter = m_rotationFilter;
    request.Time = {now.Hour, now.Minute, now.Second};
    job->OutputPath = UniqueOutputName(request, request.Counter, job->Reserved);
    m_takenOutputs.insert(job->OutputPath);
    if (m_journal && m_journal->IsOpen()) {
        // Where the rest of the batch is to go, and how, should it be put back after a crash.
        const BatchChoices choices{outputFolder, request.OutputFormat, job->Rotation,
                                   request.VideoBitrate};
        if (choices != m_journalChoices) {
            m_journal->Choices(choices);
            m_journalChoices = choices;
        }
    }
    if (m_journal && job->Reserved) {
        // Named before anything else happens, so that an empty name left by a hard end from
        // now on is tidied up with the rest.
        SyncJournal();
        m_journal->OutputTaken(job->Id, job->OutputPath);
    }
    job->Reencode = BuildCommandLine(request);
    if (!m_wholeBatchProgress)
        fs::KillProcessByName(fs::ConverterProcessName(), converter);

    Job* const running = job.get();
    job->Runner.SetWaitsForOwnChildOnly(m_wholeBatchProgress);
    job->Runner.ReceiveOutputs = [this, running](const std::string& chunk) {
        const std::optional<ProgressDisplay> display =
            running->Progress.ReceiveOutputs(chunk, m_options);
        ShowJobProgress(*running, display);
    };
    m_host.ShowEntryState(job->Id, m_messages.Translate(kConverting));

    Started started = Started::No;
    if (m_setup.Settings && m_setup.Settings->LosslessRotation)
        started = BeginLossless(*job);
    if (started == Started::No)
        started = BeginReencode(*job);
    if (started == Started::Yes)
        m_jobs.push_back(std::move(job));
    else
        EndJob(*job);
    return true;
}

BatchDriver::Started BatchDriver::BeginRun(Job& job, Step step, const std::string& commandLine)
{
    // A stop is a stop at every step: no run begins after one.
    if (m_stopRequested || m_pump.Quitting())
        return Started::Stopped;
    WatchedProcessName() = fs::ConverterProcessName();
    if (m_journal && m_journal->IsOpen() && (step == Step::Copy || step == Step::Reencode)) {
        SyncJournal();
        if (!m_journal->RunStarts(job.Id, job.OutputPath,
                                  step == Step::Copy ? std::optional<int>(job.Wanted)
                                                     : std::nullopt,
                                  job.InputSeconds))
            m_log.Record(commandLine, "-",
                         "the journal could not be written: this run would not be tidied up "
                         "after a crash");
    }
    job.Now = step;
    job.LastRun = step;
    job.Running = commandLine;
    job.Progress.Reset();
    if (job.Runner.Begin(commandLine))
        return Started::Yes;
    // The runner has told the user; the same entry must not be tried again and again.
    m_notStarted = true;
    m_log.Record(commandLine, "not started", "the converter could not be started");
    return Started::NotStarted;
}

BatchDriver::Started BatchDriver::BeginReencode(Job& job)
{
    m_host.ShowEntryState(job.Id, m_messages.Translate(kConverting));
    std::optional<InputStreams> streams;
    if (!job.InputAsked) {
        // An MP4 or QuickTime input says what it holds itself; of any other the converter is
        // asked, once.
        job.InputAsked = true;
        job.AskedForCopy = false;
        // The entry may have been looked at while the one before it converted.
        streams = m_nextQuestionId == job.Id && m_nextStreams
                      ? std::move(m_nextStreams)
                      : ReadInputStreamsFromFile(job.Entry.Path, job.Request.OutputFormat);
        if (!streams) {
            if (m_nextQuestion && m_nextQuestionId == job.Id) {
                job.Now = Step::ProbeInput;
                job.Question = std::move(m_nextQuestion);
            } else {
                Ask(job, Step::ProbeInput, job.Entry.Path);
            }
            return Started::Yes;
        }
    } else if (job.InputListing && ReadProbe(*job.InputListing).Opened) {
        streams = ReadInputStreams(*job.InputListing, ConverterSafePath(job.Entry.Path));
    }
    if (streams && streams->Listed)
        NoteInput(job, streams->Seconds, streams->FramesPerSecond);
    // Without an answer, or with an input the converter cannot read, the plain command line
    // runs: it fails as it always has, with the converter's own reason.
    const InputNeeds needs = streams ? NeedsFor(*streams, job.Request.OutputFormat) : InputNeeds{};
    if (!needs.Empty()) {
        job.Request.AddedFilter = needs.Filter;
        job.Request.AddedOptions = needs.Options;
        job.Reencode = BuildCommandLine(job.Request);
        for (const std::string& reason : needs.Reasons)
            job.Added += (job.Added.empty() ? "" : "; ") + reason;
    }
    return BeginRun(job, Step::Reencode, job.Reencode);
}

bool BatchDriver::AdvanceJob(Job& job)
{
    const bool stopping = m_stopRequested || m_pump.Quitting();
    const auto reencode = [&] {
        // The share the copy had shown is not the re-encoding's.
        const Started started = BeginReencode(job);
        if (started == Started::Yes)
            return true;
        if (started == Started::Stopped)
            EndStopped(job, "stopped");
        else
            EndJob(job);
        return false;
    };
    switch (job.Now) {
    case Step::ProbeInput: {
        const ProbeResult input = Answer(job);
        if (stopping) {
            m_log.Record(job.Reencode, "not started", "stopped");
            EndJob(job);
            return false;
        }
        if (!input.Ran && !input.NotRun.empty())
            job.Added = "the input could not be examined: " + input.NotRun;
        if (!job.AskedForCopy)
            return reencode();
        if (!input.Ran || !input.Opened || !input.HasVideo) {
            job.Reencoding = "the converter found no picture in the input";
            return reencode();
        }
        const ConverterListing listed =
            ReadListing(*job.InputListing, "Input #0", ConverterSafePath(job.Entry.Path));
        if (const ListedStream* picture = listed.Picture()) {
            NoteInput(job, listed.SecondsEstimated ? 0 : listed.Seconds, picture->FramesPerSecond);
            job.Picture = 0;
            for (const ListedStream& stream : listed.Streams) {
                if (&stream == picture)
                    break;
                job.Picture += stream.Type == ListedStream::Kind::Video ? 1 : 0;
            }
        }
        switch (BeginCopy(job, input.Rotation % 90 == 0 ? input.Rotation : kNotAQuarterTurn)) {
        case Started::Yes:
            return true;
        case Started::No:
            return reencode();
        case Started::Stopped:
            EndStopped(job, "stopped");
            return false;
        default:
            EndJob(job);
            return false;
        }
    }
    case Step::ReadBack: {
        const ProbeResult written = Answer(job);
        if (stopping) {
            fs::RemoveFile(job.OutputPath);
            m_log.Record(job.Running, DescribeExit(job.Facts.Exit), "stopped");
            EndJob(job);
            return false;
        }
        if (KeepLossless(job, written)) {
            EndJob(job);
            return false;
        }
        return reencode();
    }
    case Step::Verify: {
        const ProbeResult opened = Answer(job);
        if (stopping) {
            // Not known to be whole: as partial as any stopped run's.
            fs::RemoveFile(job.OutputPath);
            m_log.Record(job.Running, DescribeExit(job.Facts.Exit), "stopped while checked");
            EndJob(job);
            return false;
        }
        RecordReencoding(job, opened);
        EndJob(job);
        return false;
    }
    case Step::MeasureInput: {
        const ConverterQuestion* question = job.Question.get();
        if (question && question->Answer()) {
            if (const double reach = LastProgressSeconds(*question->Answer()); reach > 0)
                job.Measured = reach;
        }
        job.Question.reset();
        if (stopping) {
            EndStopped(job, "stopped while checked");
            return false;
        }
        return JudgeEndedRun(job);
    }
    case Step::Copy:
    case Step::Reencode:
        break;
    }

    job.Facts = {};
    job.Facts.Exit = job.Runner.LastExitStatus();
    if (job.Runner.LastRunStopped() || (stopping && job.Now == Step::Copy)) {
        // The name was free before the run, so whatever stands there now is this run's. A
        // copy that ended as the stop came is not followed by anything either.
        EndStopped(job, m_pump.Quitting() ? "stopped: the program was closed" : "stopped");
        return false;
    }
    job.Facts.OutputSize = fs::IsRegularFile(job.OutputPath) ? fs::FileSize(job.OutputPath) : -1;
    job.Facts.ConverterOutput = job.Runner.Outputs();
    job.Facts.InputSize = fs::IsRegularFile(job.Entry.Path) ? fs::FileSize(job.Entry.Path) : -1;
    job.Facts.InputSeconds = job.InputSeconds;
    job.Facts.FrameSeconds = job.FrameSeconds;
    job.Measured.reset();
    job.MeasureAsked = false;
    return JudgeEndedRun(job);
}

bool BatchDriver::JudgeEndedRun(Job& job)
{
    const auto reencode = [&] {
        const Started started = BeginReencode(job);
        if (started == Started::Yes)
            return true;
        if (started == Started::Stopped)
            EndStopped(job, "stopped");
        else
            EndJob(job);
        return false;
    };
    // Whether the converter's lines decide by themselves, or the output must be opened, or the
    // input's own pictures and sound measured.
    bool opens = false;
    bool measures = false;
    job.Facts.Probe = [&opens] {
        opens = true;
        return ProbeResult{};
    };
    job.Facts.MeasureInput = [&job, &measures]() -> std::optional<double> {
        measures = !job.MeasureAsked;
        return job.Measured;
    };
    const RunOutcome outcome = JudgeRun(job.Facts);
    if (measures) {
        job.MeasureAsked = true;
        job.Now = Step::MeasureInput;
        job.Question = std::make_unique<ConverterQuestion>(
            MeasureCommandLine(fs::ConverterPath(m_setup.ProgramFolder), job.Entry.Path),
            m_setup.QuestionPatience);
        return true;
    }
    if (job.LastRun == Step::Copy) {
        // The turn is read back in any case: from the file itself when the converter's lines
        // prove the copy whole and the program can read it, by the converter otherwise.
        if (outcome.Succeeded && !opens) {
            if (const std::optional<int> turn = ReadDisplayRotation(job.OutputPath)) {
                ProbeResult written;
                written.Ran = written.Opened = written.HasVideo = true;
                written.Rotation = *turn;
                if (KeepLossless(job, written)) {
                    EndJob(job);
                    return false;
                }
                return reencode();
            }
        }
        if (opens || outcome.Succeeded) {
            Ask(job, Step::ReadBack, job.OutputPath);
            return true;
        }
        job.Reencoding = "the streams could not be copied: " + outcome.FailureLine;
        Empty(job);
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit), "not kept: " + job.Reencoding);
        return reencode();
    }
    if (opens) {
        Ask(job, Step::Verify, job.OutputPath);
        return true;
    }
    RecordOutcome(job, outcome);
    EndJob(job);
    return false;
}

void BatchDriver::RecordReencoding(Job& job, const ProbeResult& opened)
{
    job.Facts.Probe = [&opened] { return opened; };
    job.Facts.MeasureInput = [&job] { return job.Measured; };
    RecordOutcome(job, JudgeRun(job.Facts));
}

void BatchDriver::RecordOutcome(Job& job, const RunOutcome& outcome)
{
    const std::string& outputPath = job.OutputPath;
    std::string note = job.Reencoding.empty() ? "" : " (re-encoded: " + job.Reencoding + ")";
    if (!job.Added.empty())
        note += " (for this input: " + job.Added + ")";
    // The end of the run is written down once its output is what it will stay.
    if (outcome.Succeeded) {
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit), outputPath + note);
        objDOS_CommandOver(job, "converted");
        return;
    }
    if (outcome.Unchecked) {
        // Kept for the user to judge.
        NameInReport(job, outcome.FailureLine, FailedEntry::Kept::Unchecked);
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                     outputPath + " (not checked: " + outcome.FailureLine + ")" + note);
        objDOS_CommandOver(job, "not checked");
        return;
    }
    if (outcome.Incomplete) {
        // All that the damaged input held: kept, and named for what it is.
        NameInReport(job, outcome.FailureLine, FailedEntry::Kept::Incomplete);
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                     outputPath + " (incomplete: " + outcome.FailureLine + ")" + note);
        objDOS_CommandOver(job, "incomplete");
        return;
    }
    fs::RemoveFile(outputPath);
    m_takenOutputs.erase(outputPath);
    NameInReport(job, outcome.FailureLine);
    m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                 "failed: " + outcome.FailureLine + note);
    objDOS_CommandOver(job, "failed");
}

void BatchDriver::NameInReport(const Job& job, const std::string& line, FailedEntry::Kept kept)
{
    // The converter names the file by the path it got, which for a temporary copy is not a
    // name the user knows: the report speaks of the file as the list showed it.
    const pivora::input::InputEntry& entry = job.Entry;
    std::string reason = line;
    for (std::size_t at = 0;
         !entry.Path.empty() && (at = reason.find(entry.Path, at)) != std::string::npos;
         at += entry.DisplayText.size())
        reason.replace(at, entry.Path.size(), entry.DisplayText);
    // In list order, however the runs finished.
    const auto place =
        std::upper_bound(m_failureNumbers.begin(), m_failureNumbers.end(), job.Number);
    m_failures.insert(m_failures.begin() + (place - m_failureNumbers.begin()),
                      FailedEntry{entry.DisplayText, reason, kept});
    m_failureNumbers.insert(place, job.Number);
}

BatchDriver::Started BatchDriver::BeginLossless(Job& job)
{
    std::string& why = job.Reencoding;
    const std::optional<int> turn = PureTurnAnticlockwise(job.Rotation);
    if (!turn) {
        why = job.Rotation == 5 ? "no turn was chosen" : "a mirror is not a turn";
        return Started::No;
    }
    if (!CarriesDisplayRotation(job.Request.OutputFormat)) {
        why = "the output format cannot carry a display rotation";
        return Started::No;
    }
    if (!m_rotationWriting) {
        why = "the converter did not list its options";
        return Started::No;
    }
    job.Turn = *turn;
    // The turn the input already carries is part of what a player shows, and of what the
    // re-encoding turns further. An MP4 or QuickTime file the program can read says it, and
    // which streams it holds; of any other input the converter is asked.
    const std::optional<ContainerFacts> input = ReadContainer(job.Entry.Path);
    if (!input) {
        job.InputAsked = true;
        job.AskedForCopy = true;
        Ask(job, Step::ProbeInput, job.Entry.Path);
        return Started::Yes;
    }
    NoteInput(job, input->Seconds, input->FramesPerSecond);
    if (std::string_view(
            OutputFormats()[static_cast<std::size_t>(job.Request.OutputFormat)].Extension) ==
        ".mp4") {
        for (const std::string& format : input->Formats) {
            if (Mp4RefusesFormat(format)) {
                why =
                    "the MP4 container cannot take the input's \"" + format + "\" stream as it is";
                return Started::No;
            }
        }
    }
    return BeginCopy(job, input->Rotation);
}

BatchDriver::Started BatchDriver::BeginCopy(Job& job, int carried)
{
    if (carried == kNotAQuarterTurn) {
        job.Reencoding = "the input is shown tilted or mirrored, not by a quarter turn";
        return Started::No;
    }
    job.Carried = carried;
    job.Wanted = (carried + job.Turn) % 360;
    return BeginRun(
        job, Step::Copy,
        BuildLosslessCommandLine(job.Request, job.Wanted, *m_rotationWriting, job.Picture));
}

bool BatchDriver::KeepLossless(Job& job, const ProbeResult& written)
{
    std::string& why = job.Reencoding;
    // The converter's word for the copy, then the turn read back from the file itself: a
    // converter that drops the tag must not leave the picture unturned.
    job.Facts.Probe = [&written] { return written; };
    job.Facts.MeasureInput = [&job] { return job.Measured; };
    const RunOutcome outcome = JudgeRun(job.Facts);
    if (!outcome.Succeeded)
        why = "the streams could not be copied: " + outcome.FailureLine;
    // A converter that is given the turn as an input option lists that turn for its input.
    else if (StreamsOf(job.Facts.ConverterOutput, "Input #0").Rotation !=
             (*m_rotationWriting == RotationWriting::RotateTag ? job.Carried : job.Wanted))
        why = "the turn the input carries was read as " + std::to_string(job.Carried) +
              " degrees, the converter read another";
    else if (!written.Ran || !written.Opened)
        why = "the copy could not be read back";
    else if (written.Rotation != job.Wanted)
        why = "the converter wrote a turn of " + std::to_string(written.Rotation) +
              " degrees instead of " + std::to_string(job.Wanted);
    if (!why.empty()) {
        Empty(job);
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit), "not kept: " + why);
        return false;
    }
    objDOS_CommandOver(job, "converted");
    m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                 job.OutputPath + " (turned without re-encoding)");
    return true;
}

} // namespace pivora::engine
