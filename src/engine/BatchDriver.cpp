#include "engine/BatchDriver.h"

#include "engine/InputNeeds.h"
#include "engine/Job.h"
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

// A guard that clears a flag however the scope is left.
struct FlagScope
{
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

BatchDriver::BatchDriver(Setup setup, pivora::input::InputList& list, BatchHost& host,
                         fs::EventPump& pump, UserMessages& messages,
                         const pivora::settings::OptionValues& options)
    : m_setup(std::move(setup)), m_list(list), m_host(host), m_pump(pump), m_messages(messages),
      m_options(options), m_log(m_setup.LogPath)
{
}

BatchDriver::~BatchDriver() = default;

void BatchDriver::ListChanged()
{
    if (m_running) {
        SyncJournal();
        return;
    }
    if (m_recovered &&
        NotListedYet(m_list, m_recoveredEntries).size() == m_recoveredEntries.size()) {
        m_recovered->Discard();
        m_recovered.reset();
        m_recoveredEntries.clear();
    }
}

void BatchDriver::KeepRecovered(std::unique_ptr<InterruptedBatches> journals,
                                std::vector<pivora::input::InputEntry> entries)
{
    m_recovered = std::move(journals);
    m_recoveredEntries = std::move(entries);
    ListChanged();
}

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
        // An output whose end is written down must outlast a power cut as the record does.
        if (outcome != "failed" && !fs::SyncFile(job.OutputPath))
            m_log.Record(job.OutputPath, "-", "could not be made sure of on the disk");
        m_journal->RunEnded(job.Id, outcome);
        m_journal->Flush();
        std::erase(m_journalPending, job.Id);
    }
    if (outcome == "converted")
        ++m_converted;
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
        if (question->Answer()) {
            result = ReadProbe(*question->Answer());
            if (job.Now == Step::ProbeInput)
                job.InputListing = *question->Answer();
        } else if (question->Why() == ConverterQuestion::Unanswered::NotStarted)
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
        m_converted = 0;
        m_failureNumbers.clear();
        m_takenOutputs.clear();
        m_progress = {};
        // What the batch has to do is written down before any of it is done.
        m_journal = std::make_unique<BatchJournal>(m_setup.JournalFolder, m_setup.JournalKind);
        m_journalPending.clear();
        m_journalLastId = 0;
        m_journalSeen = {0, 0};
        m_journalChoices.reset();
        if (!m_journal->IsOpen() && !m_journal->Problem().empty()) {
            m_log.Record("-", "-",
                         m_journal->Problem() + ": this batch cannot be recovered "
                                                "should the program end early");
            // Said once a program run, before any work begins.
            if (!m_toldNoJournal)
                m_messages.ShowMessage(
                    WithArgument(m_messages.Translate(PIVORA_TRANSLATE_NOOP(
                                     "CoreTexts", "无法在 %1 保存转换进度, "
                                                  "程序意外结束后将无法恢复这一批文件.")),
                                 m_setup.JournalFolder),
                    kProgramTitle, UserMessages::Icon::Warning);
            m_toldNoJournal = true;
        } else if (m_journal->IsOpen() && !m_journal->Guarded()) {
            m_log.Record("-", "-",
                         "the journal's file system keeps no locks: recovery after a crash is "
                         "not guarded against another program");
        }
        SyncJournal();
        // The entries put back after a crash are in this batch's journal now.
        if (m_recovered && m_journal->IsOpen()) {
            m_recovered->Discard();
            m_recovered.reset();
            m_recoveredEntries.clear();
        }
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

        // An empty or blank box means the default folder, never the file system's root.
        if (m_host.OutputFolderText().find_first_not_of(" \t") == std::string::npos)
            m_host.SetOutputFolderText(m_setup.DefaultOutputFolder.empty()
                                           ? fs::DefaultOutputFolder()
                                           : m_setup.DefaultOutputFolder);
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
        m_nextQuestion.reset();
        m_nextQuestionId = 0;
        m_nextStreams.reset();
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
    AskAhead();
    return ended;
}

void BatchDriver::AskAhead()
{
    if (m_nextQuestion) {
        // Kept, answered or not, until its entry's turn; dropped with the entry.
        if (m_stopRequested || m_pump.Quitting() || !m_list.IndexOf(m_nextQuestionId))
            m_nextQuestion.reset();
        else
            m_nextQuestion->Poll(false);
        return;
    }
    // A copy without re-encoding needs no question; the first job asks for itself.
    if (m_jobs.empty() || m_stopRequested || m_notStarted || m_pump.Quitting() ||
        (m_setup.Settings && m_setup.Settings->LosslessRotation))
        return;
    for (std::size_t i = 0; i < m_list.Count(); ++i) {
        const pivora::input::EntryId id = m_list.IdAt(i);
        if (std::any_of(m_jobs.begin(), m_jobs.end(),
                        [&](const auto& job) { return job->Id == id; }))
            continue;
        // Each entry is looked at once; one that tells what it holds itself needs no question.
        if (id != m_nextQuestionId) {
            m_nextQuestionId = id;
            m_nextStreams = ReadInputStreamsFromFile(m_list.At(i).Path, m_host.OutputFormat());
            if (!m_nextStreams)
                m_nextQuestion = std::make_unique<ConverterQuestion>(
                    ProbeCommandLine(fs::ConverterPath(m_setup.ProgramFolder), m_list.At(i).Path),
                    m_setup.QuestionPatience);
        }
        return;
    }
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
    if (m_nextQuestion) {
        const auto wake = m_nextQuestion->WakeHandles();
        handles.insert(handles.end(), wake.begin(), wake.end());
    }
    if (quitting || m_pump.Quitting()) {
        // The window's loops return at once now; wait on the children alone.
        fs::WaitForHandles(kJobPollMilliseconds, handles);
    } else {
        clsWaitableTimer(m_pump).Wait(kJobPollMilliseconds, handles);
    }
}

void BatchDriver::EndJob(Job& job)
{
    m_host.ShowEntryState(job.Id, "");
    // A name taken for a run that never wrote to it is given back.
    if (job.Reserved && fs::FileSize(job.OutputPath) == 0)
        fs::RemoveFile(job.OutputPath);
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

std::string BatchDriver::UniqueOutputName(const CommandLineRequest& request, int& counter,
                                          bool& reserved) const
{
    for (counter = 0;; counter = counter == 0 ? 2 : counter + 1) {
        std::string path = OutputFilePath(request.OutputFolder, request.InputPath,
                                          request.OutputFormat, request.Time, counter);
        if (fs::PathExists(path) || m_takenOutputs.contains(path))
            continue;
        // The name is taken on the disk itself, so that another process of the program,
        // choosing in the same second, takes the next one.
        reserved = fs::CreateNewFile(path);
        if (reserved || !fs::PathExists(path))
            return path; // when nothing can be made there, the converter says why
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
