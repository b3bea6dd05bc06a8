#include "engine/BatchDriver.h"

#include "engine/ContainerRotation.h"
#include "engine/RunOutcome.h"
#include "engine/clsWaitableTimer.h"
#include "platform/CommandLineRules.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

#include <algorithm>

namespace pivora::engine {

namespace fs = pivora::platform;

namespace {

// How often the running jobs are looked at when none of them wakes the wait earlier.
constexpr int kJobPollMilliseconds = 50;

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

// A guard that clears a flag however the scope is left.
struct FlagScope
{
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

struct BatchDriver::Job
{
    Job(fs::EventPump& pump, UserMessages& messages) : Runner(pump, messages) {}

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
};

BatchDriver::BatchDriver(Setup setup, pivora::input::InputList& list, BatchHost& host,
                         fs::EventPump& pump, UserMessages& messages,
                         const pivora::settings::OptionValues& options)
    : m_setup(std::move(setup)), m_list(list), m_host(host), m_pump(pump), m_messages(messages),
      m_options(options), m_log(m_setup.LogPath)
{
}

BatchDriver::~BatchDriver() = default;

std::size_t BatchDriver::JobsAtOnce() const
{
    return static_cast<std::size_t>(
        m_setup.Settings ? pivora::settings::ParallelJobsUsed(*m_setup.Settings) : 1);
}

std::vector<std::string> BatchDriver::RunningCommandLines() const
{
    std::vector<std::string> lines;
    for (const auto& job : m_jobs)
        if (job->Runner.Running())
            lines.push_back(job->Running);
    return lines;
}

void BatchDriver::objDOS_CommandOver(Job& job, std::string_view outcome)
{
    if (m_journal) {
        m_journal->RunEnded(job.Id, outcome);
        m_journal->Flush();
        std::erase(m_journalPending, job.Id);
    }
    m_list.Remove(job.Id);
}

void BatchDriver::SyncJournal()
{
    if (!m_journal || !m_journal->IsOpen())
        return;
    const std::size_t count = m_list.Count();
    const std::pair<std::size_t, pivora::input::EntryId> seen{count,
                                                              count ? m_list.IdAt(count - 1) : 0};
    if (seen == m_journalSeen)
        return;
    m_journalSeen = seen;
    // The list keeps its order and its ids only grow: one walk along both finds the entries
    // taken off it, and the new ones are at its end.
    std::vector<pivora::input::EntryId> kept;
    std::size_t at = 0;
    for (const pivora::input::EntryId id : m_journalPending) {
        while (at < count && m_list.IdAt(at) < id)
            ++at;
        if (at < count && m_list.IdAt(at) == id)
            kept.push_back(id);
        else
            m_journal->Removed(id);
    }
    m_journalPending = std::move(kept);
    std::size_t first = count;
    while (first > 0 && m_list.IdAt(first - 1) > m_journalLastId)
        --first;
    for (std::size_t i = first; i < count; ++i) {
        m_journal->Entry(m_list.IdAt(i), m_list.At(i));
        m_journalPending.push_back(m_list.IdAt(i));
    }
    if (count > first)
        m_journalLastId = m_list.IdAt(count - 1);
    m_journal->Flush();
}

bool BatchDriver::PollJob(Job& job)
{
    if (job.Question)
        return job.Question->Poll(m_stopRequested || m_pump.Quitting());
    return job.Runner.Poll();
}

void BatchDriver::Ask(Job& job, Step step, const std::string& file)
{
    job.Now = step;
    job.Question = std::make_unique<ConverterQuestion>(
        ProbeCommandLine(fs::ConverterPath(m_setup.ProgramFolder), file), m_setup.QuestionPatience);
}

ProbeResult BatchDriver::Answer(Job& job)
{
    ProbeResult result;
    if (const ConverterQuestion* question = job.Question.get()) {
        if (question->Answer())
            result = ReadProbe(*question->Answer());
        else if (question->Why() == ConverterQuestion::Unanswered::NotStarted)
            result.NotRun = CheckNotStarted();
        else if (question->Why() == ConverterQuestion::Unanswered::TimedOut)
            result.NotRun = CheckTimedOut(static_cast<int>(
                std::chrono::ceil<std::chrono::seconds>(question->Patience()).count()));
        else if (question->Why() == ConverterQuestion::Unanswered::Ended)
            result.NotRun = CheckEnded();
    }
    job.Question.reset();
    return result;
}

void BatchDriver::Stop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    for (const auto& job : m_jobs)
        job->Runner.Stop();
}

void BatchDriver::WarmUp()
{
    if (!m_setup.Settings || !m_setup.Settings->LosslessRotation || m_rotationWriting ||
        m_optionList)
        return;
    // A converter is asked once, not once a program start.
    m_rotationWriting =
        RememberedRotationWriting(m_setup.CacheFolder, fs::ConverterPath(m_setup.ProgramFolder));
    if (m_rotationWriting)
        return;
    m_optionList = fs::ChildProcess::Start(
                       pivora::platform::QuoteArgument(fs::ConverterPath(m_setup.ProgramFolder)) +
                       " -hide_banner -h full")
                       .Process;
}

void BatchDriver::ConvertQueue()
{
    if (m_running)
        return;
    {
        FlagScope running(m_running);
        m_stopRequested = false;
        m_notStarted = false;
        m_failures.clear();
        m_failureNumbers.clear();
        m_takenOutputs.clear();
        m_progress = {};
        // What the batch has to do is written down before any of it is done.
        m_journal = std::make_unique<BatchJournal>(m_setup.JournalFolder);
        m_journalPending.clear();
        m_journalLastId = 0;
        m_journalSeen = {0, 0};
        SyncJournal();
        // How many at once is settled for the whole batch: one at a time waits for every
        // converter and ends strays before each entry, which would end the batch's own runs.
        m_jobsAtOnce = JobsAtOnce();
        m_wholeBatchProgress = m_jobsAtOnce > 1;

        // The converter's option list is taken in before any converter is stopped.
        if (m_setup.Settings && m_setup.Settings->LosslessRotation && !m_rotationWriting) {
            WarmUp();
            if (m_optionList) {
                if (const auto options = CollectOutput(std::move(m_optionList), m_pump, {})) {
                    m_rotationWriting = RotationWritingFrom(*options);
                    RememberRotationWriting(m_setup.CacheFolder,
                                            fs::ConverterPath(m_setup.ProgramFolder),
                                            *m_rotationWriting);
                }
                m_optionList.reset();
            }
        }

        fs::CreateFolder(m_host.OutputFolderText());
        fs::CreateFolders(m_setup.WorkFolder);
        if (const std::string text = m_host.OutputFolderText();
            text.empty() || text.back() != fs::PathSeparator())
            m_host.SetOutputFolderText(text + fs::PathSeparator());
        m_outputFolder = m_host.OutputFolderText();
        if (m_wholeBatchProgress) {
            // Converters left over from before are ended once; from now on several of this
            // batch's own run side by side.
            m_host.SetProgressValue(0);
            fs::KillProcessByName(fs::ConverterProcessName(),
                                  fs::ConverterPath(m_setup.ProgramFolder));
        }

        // A dialog or a long handler that the window opens in the middle of a wait holds the
        // wait up until it ends; the jobs go on behind it all the same.
        m_pump.SetHeldUpWork(
            [this] {
                if (!m_ticking)
                    Tick();
            },
            kJobPollMilliseconds);
        while (true) {
            const bool ended = Tick();
            if (m_jobs.empty()) {
                // Nothing ran and nothing could start: the batch is over.
                if (!ended || m_pump.Quitting())
                    break;
                m_pump.ProcessEvents();
            } else if (ended) {
                // A free place is taken at once, not after the others' next news.
                m_pump.ProcessEvents();
            } else {
                WaitForJobs();
            }
        }
        m_pump.SetHeldUpWork({}, 0);
        // The batch ends here in every ordinary way, stopped or not; only a hard end of the
        // program leaves its journal behind.
        m_journal->End();
        m_journal.reset();
        // A program that is shutting down shows nothing more.
        if (m_pump.Quitting())
            return;
        if (m_notStarted) {
            m_host.SetProgressValue(0);
            m_host.UnlockPanel();
            m_host.UnlockCommands();
            m_host.ShowNotStarted();
        } else if (m_stopRequested) {
            EndStoppedBatch();
        } else {
            FinishBatch();
        }
    }
    // The report comes after the batch has ended, so that the window can be closed from it.
    ReportFailures();
}

bool BatchDriver::Tick()
{
    FlagScope ticking(m_ticking);
    SyncJournal();
    // No events run between a look at the stop flag and the start of a run, so a stop cannot
    // fall between them and be lost.
    while (!m_stopRequested && !m_notStarted && !m_pump.Quitting() &&
           m_jobs.size() < m_jobsAtOnce && StartNextJob(m_outputFolder)) {
    }
    bool ended = false;
    for (std::size_t i = 0; i < m_jobs.size();) {
        Job& job = *m_jobs[i];
        if (!PollJob(job) && !AdvanceJob(job)) {
            m_jobs.erase(m_jobs.begin() + static_cast<std::ptrdiff_t>(i));
            ended = true;
        } else {
            ++i;
        }
    }
    return ended;
}

void BatchDriver::WaitForJobs()
{
    // The events first: a dialog among them may have moved the jobs on, or ended them.
    const bool quitting = m_pump.Quitting();
    if (!quitting)
        m_pump.ProcessEvents();
    std::vector<fs::NativeHandle> handles;
    for (const auto& job : m_jobs) {
        const auto wake = job->Question ? job->Question->WakeHandles() : job->Runner.WakeHandles();
        handles.insert(handles.end(), wake.begin(), wake.end());
    }
    if (quitting || m_pump.Quitting()) {
        // The window's loops return at once now; wait on the children alone.
        fs::WaitForHandles(kJobPollMilliseconds, handles);
    } else {
        clsWaitableTimer(m_pump).Wait(kJobPollMilliseconds, handles);
    }
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
    job->OutputPath = UniqueOutputName(request, request.Counter);
    m_takenOutputs.insert(job->OutputPath);
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
        started = BeginRun(*job, Step::Reencode, job->Reencode);
    if (started == Started::Yes)
        m_jobs.push_back(std::move(job));
    else
        EndJob(*job);
    return true;
}

BatchDriver::Started BatchDriver::BeginRun(Job& job, Step step, const std::string& commandLine)
{
    WatchedProcessName() = fs::ConverterProcessName();
    if (m_journal && (step == Step::Copy || step == Step::Reencode)) {
        SyncJournal();
        m_journal->RunStarts(job.Id, job.OutputPath,
                             step == Step::Copy ? std::optional<int>(job.Wanted) : std::nullopt);
    }
    job.Now = step;
    job.Running = commandLine;
    job.Progress.Reset();
    if (job.Runner.Begin(commandLine))
        return Started::Yes;
    // The runner has told the user; the same entry must not be tried again and again.
    m_notStarted = true;
    m_log.Record(commandLine, "not started", "the converter could not be started");
    return Started::NotStarted;
}

bool BatchDriver::AdvanceJob(Job& job)
{
    const bool stopping = m_stopRequested || m_pump.Quitting();
    const auto reencode = [&] {
        // The share the copy had shown is not the re-encoding's.
        m_host.ShowEntryState(job.Id, m_messages.Translate(kConverting));
        if (BeginRun(job, Step::Reencode, job.Reencode) == Started::Yes)
            return true;
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
        if (!input.Ran || !input.Opened || !input.HasVideo) {
            job.Reencoding = "the converter found no picture in the input";
            return reencode();
        }
        switch (BeginCopy(job, input.Rotation % 90 == 0 ? input.Rotation : kNotAQuarterTurn)) {
        case Started::Yes:
            return true;
        case Started::No:
            return reencode();
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
    case Step::Copy:
    case Step::Reencode:
        break;
    }

    if (job.Runner.LastRunStopped()) {
        // The name was free before the run, so whatever stands there now is this run's.
        fs::RemoveFile(job.OutputPath);
        m_log.Record(job.Running, DescribeExit(job.Runner.LastExitStatus()),
                     m_pump.Quitting() ? "stopped: the program was closed" : "stopped");
        EndJob(job);
        return false;
    }
    job.Facts = {};
    job.Facts.Exit = job.Runner.LastExitStatus();
    job.Facts.OutputSize = fs::IsRegularFile(job.OutputPath) ? fs::FileSize(job.OutputPath) : -1;
    job.Facts.ConverterOutput = job.Runner.Outputs();
    // Whether the converter's lines decide by themselves, or the output must be opened.
    bool opens = false;
    job.Facts.Probe = [&opens] {
        opens = true;
        return ProbeResult{};
    };
    const RunOutcome outcome = JudgeRun(job.Facts);
    if (job.Now == Step::Copy) {
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
        fs::RemoveFile(job.OutputPath);
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

void BatchDriver::EndJob(Job& job)
{
    m_host.ShowEntryState(job.Id, "");
    if (m_list.IndexOf(job.Id)) {
        // The entry stays for another batch: its name is free again.
        m_takenOutputs.erase(job.OutputPath);
    }
    if (m_wholeBatchProgress) {
        m_progress.Finish(job.Number);
        ShowBatchProgress();
    }
}

void BatchDriver::ShowJobProgress(Job& job, const std::optional<ProgressDisplay>& display)
{
    if (display)
        m_host.ShowEntryState(job.Id, display->Label);
    if (!m_wholeBatchProgress) {
        if (display)
            m_host.ShowProgress(*display);
        return;
    }
    // A run counts for the whole as soon as its length is known.
    if (job.Progress.TotalSeconds() > 0) {
        m_progress.Update(job.Number, job.Progress.ElapsedSeconds(), job.Progress.TotalSeconds());
        ShowBatchProgress();
    }
}

void BatchDriver::ShowBatchProgress()
{
    // The entries no run has taken yet.
    std::size_t taken = 0;
    for (const auto& job : m_jobs)
        taken += m_list.IndexOf(job->Id) ? 1 : 0;
    m_progress.SetWaiting(m_list.Count() > taken ? static_cast<int>(m_list.Count() - taken) : 0);
    if (const auto display = m_progress.Display())
        m_host.ShowProgress(*display);
}

void BatchDriver::RecordReencoding(Job& job, const ProbeResult& opened)
{
    job.Facts.Probe = [&opened] { return opened; };
    RecordOutcome(job, JudgeRun(job.Facts));
}

void BatchDriver::RecordOutcome(Job& job, const RunOutcome& outcome)
{
    const std::string& outputPath = job.OutputPath;
    const std::string note = job.Reencoding.empty() ? "" : " (re-encoded: " + job.Reencoding + ")";
    // The end of the run is written down once its output is what it will stay.
    if (outcome.Succeeded) {
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit), outputPath + note);
        objDOS_CommandOver(job, "converted");
        return;
    }
    if (outcome.Unchecked) {
        // Kept for the user to judge.
        NameInReport(job, outcome.FailureLine);
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                     outputPath + " (not checked: " + outcome.FailureLine + ")" + note);
        objDOS_CommandOver(job, "not checked");
        return;
    }
    fs::RemoveFile(outputPath);
    m_takenOutputs.erase(outputPath);
    NameInReport(job, outcome.FailureLine);
    m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                 "failed: " + outcome.FailureLine + note);
    objDOS_CommandOver(job, "failed");
}

void BatchDriver::NameInReport(const Job& job, const std::string& line)
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
                      FailedEntry{entry.DisplayText, reason});
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
        Ask(job, Step::ProbeInput, job.Entry.Path);
        return Started::Yes;
    }
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
    return BeginRun(job, Step::Copy,
                    BuildLosslessCommandLine(job.Request, job.Wanted, *m_rotationWriting));
}

bool BatchDriver::KeepLossless(Job& job, const ProbeResult& written)
{
    std::string& why = job.Reencoding;
    // The converter's word for the copy, then the turn read back from the file itself: a
    // converter that drops the tag must not leave the picture unturned.
    job.Facts.Probe = [&written] { return written; };
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
        fs::RemoveFile(job.OutputPath);
        m_log.Record(job.Running, DescribeExit(job.Facts.Exit), "not kept: " + why);
        return false;
    }
    objDOS_CommandOver(job, "converted");
    m_log.Record(job.Running, DescribeExit(job.Facts.Exit),
                 job.OutputPath + " (turned without re-encoding)");
    return true;
}

std::string BatchDriver::UniqueOutputName(const CommandLineRequest& request, int& counter) const
{
    for (counter = 0;; counter = counter == 0 ? 2 : counter + 1) {
        std::string path = OutputFilePath(request.OutputFolder, request.InputPath,
                                          request.OutputFormat, request.Time, counter);
        if (!fs::PathExists(path) && !m_takenOutputs.contains(path))
            return path;
    }
}

void BatchDriver::FinishBatch()
{
    FlagScope finishing(m_finishing);
    m_host.SetProgressValue(0);
    m_host.UnlockPanel();
    m_host.OpenFolder(m_host.OutputFolderText());
    if (m_options.SoundReminder == 0)
        m_host.PlayEndSound();
    m_host.UnlockCommands();
    m_host.ShowFinished();
}

void BatchDriver::EndStoppedBatch()
{
    // As at the end of a batch, but the folder stays closed and no sound plays.
    m_host.SetProgressValue(0);
    m_host.UnlockPanel();
    m_host.UnlockCommands();
    m_host.ShowStopped();
}

void BatchDriver::ReportFailures()
{
    if (m_failures.empty())
        return;
    // The head and the program's own reasons are translated; names and the converter's lines
    // stay as they are.
    std::string text =
        m_messages.Translate(PIVORA_TRANSLATE_NOOP("CoreTexts", "以下文件没有转换成功:"));
    text += '\n';
    for (const FailedEntry& failure : m_failures)
        text += "\n" + failure.DisplayText + "\n    " +
                ShownFailureLine(failure.Reason, m_messages) + "\n";
    m_messages.ShowMessage(text, kProgramTitle, UserMessages::Icon::Warning);
}

} // namespace pivora::engine
