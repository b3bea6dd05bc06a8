#pragma once

#include "engine/ActivityLog.h"
#include "engine/BatchJournal.h"
#include "engine/CommandLine.h"
#include "engine/DOSOutputs.h"
#include "engine/InputNeeds.h"
#include "engine/LosslessTurn.h"
#include "engine/OutputProbe.h"
#include "engine/Progress.h"
#include "engine/RunOutcome.h"
#include "engine/UserMessages.h"
#include "input/InputList.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::engine {

// The window a batch works in: the boxes it reads every time it needs a value, and the
// controls it resets and unlocks at the end.
class BatchHost
{
public:
    virtual ~BatchHost() = default;

    virtual int Rotation() const = 0;
    virtual int OutputFormat() const = 0;
    virtual std::string VideoBitrate() const = 0;
    virtual std::string OutputFolderText() const = 0;
    virtual void SetOutputFolderText(const std::string& text) = 0;

    virtual void SetProgressValue(int value) = 0;
    // The fill, the bar and the label: the running file's progress when one file is converted
    // at a time, the whole batch's when several are.
    virtual void ShowProgress(const ProgressDisplay& display) = 0;
    // Where an entry of the list stands: "转换中" once its conversion has started, then how far
    // it has got ("46%"); empty once it is converted no longer and stays in the list.
    virtual void ShowEntryState(pivora::input::EntryId id, const std::string& state) = 0;
    // The end of a batch, step by step.
    virtual void UnlockPanel() = 0;                         // format, bitrate, folder, rotation
    virtual void OpenFolder(const std::string& folder) = 0; // in the file browser
    virtual void PlayEndSound() = 0;
    virtual void UnlockCommands() = 0; // list, toolbar, start, feedback
    virtual void ShowFinished() = 0;   // empty fill, "完成."
    // A batch the user stopped ends here instead: empty bar, "已停止.".
    virtual void ShowStopped() = 0;
    // A batch that could not run its converter at all ends here instead.
    virtual void ShowNotStarted() = 0;
};

struct FailedEntry
{
    // What stands of a file named in the report: nothing, an output that could not be checked,
    // or all that a damaged input held.
    enum class Kept { Nothing, Unchecked, Incomplete };

    std::string DisplayText;
    std::string Reason;
    Kept Output = Kept::Nothing;
};

// Converts the input list from its head until it is empty, up to the chosen number of
// entries at once. Each conversion is a job with its own runner, child, progress and outcome;
// everything runs on the calling thread, which keeps the window's events flowing.
class BatchDriver
{
public:
    struct Setup
    {
        std::string ProgramFolder;
        std::string WorkFolder;
        std::string LogPath;
        std::function<pivora::platform::LocalDateTime()> Clock = pivora::platform::Now;
        // Read at every entry; the defaults when there are none.
        const pivora::settings::ProgramSettings* Settings = nullptr;
        // Where the running batch keeps its journal; none without a folder. The window's
        // journals and the command line's are named apart.
        std::string JournalFolder = {};
        std::string_view JournalKind = kWindowJournals;
        // Where what the converter told is remembered; asked again each time without one.
        std::string CacheFolder = {};
        // The folder an empty or blank output box stands for; the platform's default when
        // empty.
        std::string DefaultOutputFolder = {};
        // How long a question to the converter (about an input, or opening an output to
        // check it) may take before it is given up.
        std::chrono::milliseconds QuestionPatience = ConverterQuestion::kPatience;
    };

    BatchDriver(Setup setup, pivora::input::InputList& list, BatchHost& host,
                pivora::platform::EventPump& pump, UserMessages& messages,
                const pivora::settings::OptionValues& options);
    ~BatchDriver();
    BatchDriver(const BatchDriver&) = delete;
    BatchDriver& operator=(const BatchDriver&) = delete;

    // The current rotation's filter text; follows the rotation box.
    std::string& RotationFilter() { return m_rotationFilter; }

    bool Running() const { return m_running; }
    // The whole batch; returns when the list is empty, the batch was stopped, or the
    // converter cannot be run.
    void ConvertQueue();
    // Stops the batch: every running conversion ends and its partial output is removed; the
    // entries being converted and every entry after them stay in the list.
    void Stop();
    bool Stopping() const { return m_running && m_stopRequested; }
    // Every entry is done and the batch takes its last steps (the folder, the sound).
    bool Finishing() const { return m_running && m_finishing; }
    // How many entries the running batch converts at once.
    std::size_t JobsInUse() const { return m_running ? m_jobsAtOnce : 0; }
    // With lossless turns on, asks the converter how it writes a turn now, in the background,
    // so that the answer is there when the first entry needs it.
    void WarmUp();
    // The list was changed from outside (files added or removed): a running batch writes it
    // into its journal at once, and journals kept for entries put back after a crash go once
    // none of those entries is left.
    void ListChanged();
    // Journals of batches a crash cut short, whose unconverted entries were put back into the
    // list (`entries`): kept until a batch of this driver has written those entries into its
    // own journal, or none of them is in the list any more.
    void KeepRecovered(std::unique_ptr<InterruptedBatches> journals,
                       std::vector<pivora::input::InputEntry> entries);

    const std::vector<FailedEntry>& LastFailures() const { return m_failures; }
    // How many entries the last batch converted.
    std::size_t LastConverted() const { return m_converted; }
    // The command lines of the runs going on now, in the order they started.
    std::vector<std::string> RunningCommandLines() const;

private:
    struct Job;
    // What a job is doing: asking the converter about the input, copying the streams, reading
    // the copy's turn back, re-encoding, opening the re-encoded output, or measuring how far
    // the input's pictures and sound reach.
    enum class Step { ProbeInput, Copy, ReadBack, Reencode, Verify, MeasureInput };
    enum class Started { No, Yes, Stopped, NotStarted };

    // How many entries may be converted at once.
    std::size_t JobsAtOnce() const;
    // Starts a job for the first entry of the list that none has taken; false when there is none.
    bool StartNextJob(const std::string& outputFolder);
    // Moves a job's run or question on without waiting; false once it has ended.
    bool PollJob(Job& job);
    // Takes the next step of a job whose run or question has ended; false once the job is over.
    bool AdvanceJob(Job& job);
    // Judges the job's last conversion run, asking what it needs to; false once the job is over.
    bool JudgeEndedRun(Job& job);
    // Opens `file` with the converter as the job's next step.
    void Ask(Job& job, Step step, const std::string& file);
    // What the job's question found; nothing has run when it was cut short.
    ProbeResult Answer(Job& job);
    // Turns the entry by copying its streams and writing the turn as a display rotation: the
    // copy (or the question before it) is started, or `Job::Reencoding` says why it is not.
    Started BeginLossless(Job& job);
    Started BeginCopy(Job& job, int carried);
    // Whether the copy came out right; when not, `Job::Reencoding` says why and the output is
    // free for the re-encoding.
    bool KeepLossless(Job& job, const ProbeResult& written);
    Started BeginRun(Job& job, Step step, const std::string& commandLine);
    // Re-encodes the entry, with what its input needs: the input is asked about first, once.
    Started BeginReencode(Job& job);
    // Asks about the entry after the running ones while they run, so that the answer is
    // there when its turn comes.
    void AskAhead();
    void RecordReencoding(Job& job, const ProbeResult& opened);
    void RecordOutcome(Job& job, const RunOutcome& outcome);
    void EndJob(Job& job);
    // The end of one conversion, checks included: the entry that was converted leaves the
    // list, wherever it stands.
    void objDOS_CommandOver(Job& job, std::string_view outcome);
    // Names the job's entry in the report at the end of the batch.
    void NameInReport(const Job& job, const std::string& reason,
                      FailedEntry::Kept kept = FailedEntry::Kept::Nothing);
    // The input's length and frame, from what it said of itself.
    static void NoteInput(Job& job, double seconds, double framesPerSecond);
    // An output that is not kept, while its run is not over: emptied, its name still taken, so
    // that no other process takes it before the next run of the job writes it again.
    void Empty(Job& job);
    // Ends a job that a stop reached between two of its steps.
    void EndStopped(Job& job, const char* when);
    // Starts what may start and moves every job on, without waiting; true when a job ended.
    bool Tick();
    // Tells the journal of the entries added to the list and taken off it since last time.
    void SyncJournal();
    void ShowJobProgress(Job& job, const std::optional<ProgressDisplay>& display);
    void ShowBatchProgress();
    void WaitForJobs();
    // A free output name, made on the disk as an empty file (`reserved`) where it can be.
    std::string UniqueOutputName(const CommandLineRequest& request, int& counter,
                                 bool& reserved) const;
    void FinishBatch();
    void EndStoppedBatch();
    void ReportFailures();

    Setup m_setup;
    pivora::input::InputList& m_list;
    BatchHost& m_host;
    pivora::platform::EventPump& m_pump;
    UserMessages& m_messages;
    const pivora::settings::OptionValues& m_options;
    ActivityLog m_log;

    std::string m_rotationFilter = RotationFilterFor(0);
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_notStarted = false;
    bool m_ticking = false;
    bool m_finishing = false;
    std::string m_outputFolder; // this batch's, with its separator
    std::size_t m_jobsAtOnce = 1;
    // Whether the batch shows the whole batch's progress rather than one file's.
    bool m_wholeBatchProgress = false;
    // How the converter writes a display rotation, asked once; the question while it runs.
    std::optional<RotationWriting> m_rotationWriting;
    std::unique_ptr<pivora::platform::ChildProcess> m_optionList;
    std::unique_ptr<ConverterQuestion> m_nextQuestion; // about the entry m_nextQuestionId
    pivora::input::EntryId m_nextQuestionId = 0;
    std::optional<InputStreams> m_nextStreams; // what that entry's file said of itself
    std::vector<std::unique_ptr<Job>> m_jobs;
    int m_jobsStarted = 0;
    BatchProgress m_progress;
    // Output names reserved by the runs of this batch, so that runs started in the same second
    // never share one.
    std::set<std::string> m_takenOutputs;
    std::unique_ptr<BatchJournal> m_journal;
    std::vector<pivora::input::EntryId> m_journalPending; // journaled, not yet ended or removed
    pivora::input::EntryId m_journalLastId = 0;
    std::pair<std::size_t, pivora::input::EntryId> m_journalSeen{0, 0}; // the list's count, last id
    std::vector<FailedEntry> m_failures;
    std::size_t m_converted = 0;
    std::vector<int> m_failureNumbers;            // the failed jobs' numbers, in the same order
    std::optional<BatchChoices> m_journalChoices; // as last written
    bool m_toldNoJournal = false;
    std::unique_ptr<InterruptedBatches> m_recovered;
    std::vector<pivora::input::InputEntry> m_recoveredEntries;
};

} // namespace pivora::engine
