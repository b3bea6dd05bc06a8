#include "engine/BatchDriver.h"

#include "engine/ContainerRotation.h"
#include "engine/OutputProbe.h"
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
    std::string Running;  // the command line of the run going on
    // The run going on copies the streams; the entry stays until the copy is confirmed.
    bool Copying = false;
    // Why the entry is re-encoded although lossless turns are on.
    std::string Reencoding;
    int Carried = 0; // the turn the input carries
    int Wanted = 0;  // the turn the copy must carry
    bool CarriedFromFile = false;
    DOSOutputs Runner;
    ProgressReader Progress;
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
    const int jobs = m_setup.Settings ? m_setup.Settings->ParallelJobs : 1;
    return static_cast<std::size_t>(std::clamp(jobs, 1, pivora::settings::kMaxParallelJobs));
}

std::vector<std::string> BatchDriver::RunningCommandLines() const
{
    std::vector<std::string> lines;
    for (const auto& job : m_jobs)
        if (job->Runner.Running())
            lines.push_back(job->Running);
    return lines;
}

void BatchDriver::objDOS_CommandOver(Job& job)
{
    if (!job.Copying)
        m_list.Remove(job.Id);
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
        m_takenOutputs.clear();
        m_progress = {};
        m_wholeBatchProgress = JobsAtOnce() > 1;

        // The converter's option list is taken in before any converter is stopped.
        if (m_setup.Settings && m_setup.Settings->LosslessRotation && !m_rotationWriting) {
            WarmUp();
            if (m_optionList) {
                if (const auto options = CollectOutput(*m_optionList, m_pump, {}))
                    m_rotationWriting = RotationWritingFrom(*options);
                m_optionList.reset();
            }
        }

        fs::CreateFolder(m_host.OutputFolderText());
        fs::CreateFolders(m_setup.WorkFolder);
        if (const std::string text = m_host.OutputFolderText();
            text.empty() || text.back() != fs::PathSeparator())
            m_host.SetOutputFolderText(text + fs::PathSeparator());
        const std::string outputFolder = m_host.OutputFolderText();
        if (m_wholeBatchProgress) {
            // Converters left over from before are ended once; from now on several of this
            // batch's own run side by side.
            m_host.SetProgressValue(0);
            fs::KillProcessByName(fs::ConverterProcessName(),
                                  fs::ConverterPath(m_setup.ProgramFolder));
        }

        while (true) {
            // No events run between a look at the stop flag and the start of a run, so a stop
            // cannot fall between them and be lost.
            while (!m_stopRequested && !m_notStarted && !m_pump.Quitting() &&
                   m_jobs.size() < JobsAtOnce() && StartNextJob(outputFolder)) {
            }
            if (m_jobs.empty())
                break;
            bool ended = false;
            for (std::size_t i = 0; i < m_jobs.size();) {
                Job& job = *m_jobs[i];
                if (!job.Runner.Poll() && !AdvanceJob(job)) {
                    m_jobs.erase(m_jobs.begin() + static_cast<std::ptrdiff_t>(i));
                    ended = true;
                } else {
                    ++i;
                }
            }
            if (ended && !m_jobs.empty()) {
                // A free place is taken at once, not after the others' next news.
                m_pump.ProcessEvents();
            } else if (m_jobs.empty()) {
                if (m_pump.Quitting())
                    break;
                m_pump.ProcessEvents();
            } else {
                WaitForJobs();
            }
        }
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

void BatchDriver::WaitForJobs()
{
    std::vector<fs::NativeHandle> handles;
    for (const auto& job : m_jobs) {
        const auto wake = job->Runner.WakeHandles();
        handles.insert(handles.end(), wake.begin(), wake.end());
    }
    if (m_pump.Quitting()) {
        // The window's loops return at once now; wait on the children alone.
        fs::WaitForHandles(kJobPollMilliseconds, handles);
    } else {
        m_pump.ProcessEvents();
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
        if (const auto display = running->Progress.ReceiveOutputs(chunk, m_options))
            ShowJobProgress(*running, *display);
    };
    job->Runner.CommandOver = [this, running] { objDOS_CommandOver(*running); };
    m_host.ShowEntryState(job->Id, "转换中");

    Started started = Started::No;
    if (m_setup.Settings && m_setup.Settings->LosslessRotation)
        started = BeginLossless(*job);
    if (started == Started::No)
        started = BeginRun(*job, job->Reencode);
    if (started == Started::Yes)
        m_jobs.push_back(std::move(job));
    else
        EndJob(*job);
    return true;
}

BatchDriver::Started BatchDriver::BeginRun(Job& job, const std::string& commandLine)
{
    WatchedProcessName() = fs::ConverterProcessName();
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
    if (!job.Runner.LastRunStarted() || job.Runner.LastRunStopped()) {
        // The name was free before the run, so whatever stands there now is this run's.
        fs::RemoveFile(job.OutputPath);
        m_log.Record(job.Running, DescribeExit(job.Runner.LastExitStatus()),
                     m_pump.Quitting() ? "stopped: the program was closed" : "stopped");
        EndJob(job);
        return false;
    }
    if (job.Copying) {
        if (KeepLossless(job) || m_stopRequested || m_pump.Quitting()) {
            EndJob(job);
            return false;
        }
        job.Copying = false;
        if (BeginRun(job, job.Reencode) != Started::Yes) {
            EndJob(job);
            return false;
        }
        return true;
    }
    JudgeReencoding(job);
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
        if (const auto display = m_progress.Display())
            m_host.ShowProgress(*display);
    }
}

void BatchDriver::ShowJobProgress(Job& job, const ProgressDisplay& display)
{
    m_host.ShowEntryState(job.Id, display.Label);
    if (!m_wholeBatchProgress) {
        m_host.ShowProgress(display);
        return;
    }
    m_progress.Update(job.Number, job.Progress.ElapsedSeconds(), job.Progress.TotalSeconds());
    if (const auto whole = m_progress.Display())
        m_host.ShowProgress(*whole);
}

void BatchDriver::JudgeReencoding(Job& job)
{
    const std::string converter = fs::ConverterPath(m_setup.ProgramFolder);
    const std::string& outputPath = job.OutputPath;
    RunFacts facts;
    facts.Exit = job.Runner.LastExitStatus();
    facts.OutputSize = fs::IsRegularFile(outputPath) ? fs::FileSize(outputPath) : -1;
    facts.ConverterOutput = job.Runner.Outputs();
    facts.Probe = [&] {
        return ProbeOutput(converter, outputPath, m_pump, [this] { return m_stopRequested; });
    };
    const RunOutcome outcome = JudgeRun(facts);
    const std::string note = job.Reencoding.empty() ? "" : " (re-encoded: " + job.Reencoding + ")";
    if (outcome.Succeeded) {
        m_log.Record(job.Running, DescribeExit(facts.Exit), outputPath + note);
        return;
    }
    fs::RemoveFile(outputPath);
    m_takenOutputs.erase(outputPath);
    // The converter names the file by the path it got, which for a temporary copy is not a
    // name the user knows: the report speaks of the file as the list showed it.
    const pivora::input::InputEntry& entry = job.Entry;
    std::string reason = outcome.FailureLine;
    for (std::size_t at = 0;
         !entry.Path.empty() && (at = reason.find(entry.Path, at)) != std::string::npos;
         at += entry.DisplayText.size())
        reason.replace(at, entry.Path.size(), entry.DisplayText);
    m_failures.push_back({entry.DisplayText, reason});
    m_log.Record(job.Running, DescribeExit(facts.Exit), "failed: " + outcome.FailureLine + note);
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
    const auto stopping = [this] { return m_stopRequested || m_pump.Quitting(); };
    // The turn the input already carries is part of what a player shows, and of what the
    // re-encoding turns further. An MP4 or QuickTime file says it itself, and the converter
    // confirms it in its listing of the copy's input; a converter that is given the turn as
    // an input option lists the new one there, so it is asked beforehand instead.
    job.CarriedFromFile = *m_rotationWriting == RotationWriting::RotateTag;
    std::optional<int> carried =
        job.CarriedFromFile ? ReadDisplayRotation(job.Entry.Path) : std::nullopt;
    if (!carried) {
        const ProbeResult input =
            ProbeOutput(fs::ConverterPath(m_setup.ProgramFolder), job.Entry.Path, m_pump, stopping);
        if (stopping()) {
            m_log.Record(BuildLosslessCommandLine(job.Request, *turn, *m_rotationWriting),
                         "not started", "stopped");
            return Started::Stopped;
        }
        if (!input.Ran || !input.Opened || !input.HasVideo) {
            why = "the converter found no picture in the input";
            return Started::No;
        }
        carried = input.Rotation % 90 == 0 ? input.Rotation : kNotAQuarterTurn;
    }
    if (*carried == kNotAQuarterTurn) {
        why = "the input is shown tilted or mirrored, not by a quarter turn";
        return Started::No;
    }
    job.Carried = *carried;
    job.Wanted = (*carried + *turn) % 360;
    job.Copying = true;
    const Started started =
        BeginRun(job, BuildLosslessCommandLine(job.Request, job.Wanted, *m_rotationWriting));
    if (started != Started::Yes)
        job.Copying = false;
    return started;
}

bool BatchDriver::KeepLossless(Job& job)
{
    std::string& why = job.Reencoding;
    const std::string converter = fs::ConverterPath(m_setup.ProgramFolder);
    const std::string& outputPath = job.OutputPath;
    const auto stopping = [this] { return m_stopRequested || m_pump.Quitting(); };
    // The converter's word for the copy, then the turn read back from the file itself: a
    // converter that drops the tag must not leave the picture unturned.
    std::optional<ProbeResult> written;
    RunFacts facts;
    facts.Exit = job.Runner.LastExitStatus();
    facts.OutputSize = fs::IsRegularFile(outputPath) ? fs::FileSize(outputPath) : -1;
    facts.ConverterOutput = job.Runner.Outputs();
    facts.Probe = [&] {
        written = ProbeOutput(converter, outputPath, m_pump, stopping);
        return *written;
    };
    const RunOutcome outcome = JudgeRun(facts);
    if (outcome.Succeeded && !written)
        written = ProbeOutput(converter, outputPath, m_pump, stopping);
    if (stopping()) {
        fs::RemoveFile(outputPath);
        m_log.Record(job.Running, DescribeExit(facts.Exit), "stopped");
        return false;
    }
    if (!outcome.Succeeded)
        why = "the streams could not be copied: " + outcome.FailureLine;
    else if (StreamsOf(facts.ConverterOutput, "Input #0").Rotation !=
             (job.CarriedFromFile ? job.Carried : job.Wanted))
        why = "the turn the input carries was read as " + std::to_string(job.Carried) +
              " degrees, the converter read another";
    else if (!written->Ran || !written->Opened)
        why = "the copy could not be read back";
    else if (written->Rotation != job.Wanted)
        why = "the converter wrote a turn of " + std::to_string(written->Rotation) +
              " degrees instead of " + std::to_string(job.Wanted);
    if (!why.empty()) {
        fs::RemoveFile(outputPath);
        m_log.Record(job.Running, DescribeExit(facts.Exit), "not kept: " + why);
        return false;
    }
    m_list.Remove(job.Id);
    m_log.Record(job.Running, DescribeExit(facts.Exit),
                 outputPath + " (turned without re-encoding)");
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
    std::string text = "以下文件没有转换成功:\n";
    for (const FailedEntry& failure : m_failures)
        text += "\n" + failure.DisplayText + "\n    " + failure.Reason + "\n";
    m_messages.ShowMessage(text, kProgramTitle, UserMessages::Icon::Warning);
}

} // namespace pivora::engine
