#pragma once

#include "engine/ActivityLog.h"
#include "engine/CommandLine.h"
#include "engine/DOSOutputs.h"
#include "engine/LosslessTurn.h"
#include "engine/UserMessages.h"
#include "input/InputList.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
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
    // The length of the finished file is forgotten.
    virtual void ResetRunLength() = 0;
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
    std::string DisplayText;
    std::string Reason;
};

// Converts the input list from its head until it is empty.
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
    };

    BatchDriver(Setup setup, pivora::input::InputList& list, BatchHost& host, DOSOutputs& runner,
                pivora::platform::EventPump& pump, UserMessages& messages,
                const pivora::settings::OptionValues& options);

    // The current rotation's filter text; follows the rotation box.
    std::string& RotationFilter() { return m_rotationFilter; }

    bool Running() const { return m_running; }
    // The whole batch; returns when the list is empty, the batch was stopped, or the
    // converter cannot be run.
    void ConvertQueue();
    // Stops the batch: the running conversion ends and its partial output is removed; the
    // entry it was converting and every entry after it stay in the list.
    void Stop();
    bool Stopping() const { return m_running && m_stopRequested; }
    // With lossless turns on, asks the converter how it writes a turn now, in the background,
    // so that the answer is there when the first entry needs it.
    void WarmUp();
    // The end of one run: the entry that was converted leaves the list, wherever it stands.
    void objDOS_CommandOver();

    const std::vector<FailedEntry>& LastFailures() const { return m_failures; }

private:
    enum class HeadResult { Done, Stopped, NotStarted, NotDone };
    HeadResult ConvertHead(const std::string& outputFolder);
    // Turns the entry by copying its streams and writing the turn as a display rotation.
    // NotDone, with `why`, when that is not possible or did not come out right; the output
    // is then free for the re-encoding.
    HeadResult TryLossless(pivora::input::EntryId id, const pivora::input::InputEntry& entry,
                           const CommandLineRequest& request, int rotation,
                           const std::string& outputPath, std::string& why);
    // One run of the converter. Done once it has run to its end; Stopped and NotStarted are
    // handled here (the partial output removed, the log written).
    HeadResult Run(const std::string& commandLine, pivora::input::EntryId id,
                   const std::string& outputPath, bool keepEntry);
    std::string UniqueOutputName(const CommandLineRequest& request, int& counter) const;
    void FinishBatch();
    void EndStoppedBatch();
    void ReportFailures();

    Setup m_setup;
    pivora::input::InputList& m_list;
    BatchHost& m_host;
    DOSOutputs& m_runner;
    pivora::platform::EventPump& m_pump;
    UserMessages& m_messages;
    const pivora::settings::OptionValues& m_options;
    ActivityLog m_log;

    std::string m_rotationFilter = RotationFilterFor(0);
    bool m_running = false;
    bool m_stopRequested = false;
    // The entry stays in the list at the end of a run that may still be followed by another.
    bool m_keepEntryOnOver = false;
    // How the converter writes a display rotation, asked once; the question while it runs.
    std::optional<RotationWriting> m_rotationWriting;
    std::unique_ptr<pivora::platform::ChildProcess> m_optionList;
    std::optional<pivora::input::EntryId> m_runningEntry;
    std::set<std::string> m_takenOutputs;
    std::vector<FailedEntry> m_failures;
};

} // namespace pivora::engine
