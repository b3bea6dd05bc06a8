#pragma once

#include "engine/BatchDriver.h"
#include "engine/UserMessages.h"
#include "input/InputList.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pivora::cli {

// How one file of the batch came out.
struct FileResult
{
    std::string Input;  // as the list shows it
    std::string Output; // the file that stands, empty when none does
    // "converted", "failed", "unchecked", "stopped", "not converted", "skipped"
    std::string Outcome;
    std::string Reason;
    double Seconds = 0;
};

// The window of a batch run from the command line: its boxes hold the options, its progress
// goes to the terminal, its messages to standard error. It follows each entry from the start of
// its conversion to its end and tells how every file came out.
class CliHost : public pivora::engine::BatchHost, public pivora::engine::UserMessages
{
public:
    struct Choices
    {
        int Rotation = 0;
        int OutputFormat = 0;
        std::string VideoBitrate;
        std::string OutputFolder;
    };
    struct Printing
    {
        bool Json = false;           // a JSON line a file on standard output
        bool Quiet = false;          // failures only on standard error
        bool Terminal = false;       // one line of progress, updated in place
        bool ErrorTerminal = false;  // standard error shows names with their controls escaped
        bool OutputTerminal = false; // standard output shares the terminal's lines
        int Columns = 0;
    };

    CliHost(Choices choices, Printing printing, pivora::input::InputList& list);

    // The batch whose failures and runs are read, the converter its command lines begin with,
    // and the converter named to the user.
    void Attach(const pivora::engine::BatchDriver& driver, std::string running, std::string shown);
    // The batch starts now with the list's entries.
    void Begin();
    // Notes the outputs of the runs going on now; called while the batch waits.
    void Watch();
    // A file that never joined the list, for the reason given.
    void Refused(const std::string& input, const std::string& reason);
    // A file left out on purpose (no video in it), for the reason given.
    void Skipped(const std::string& input, const std::string& reason);
    // A word for the user on standard error, unless quiet.
    void Note(const std::string& text);
    // How many of the inputs have been looked at for a video, on a terminal's progress line.
    void ShowLooking(std::size_t done, std::size_t total);
    // The user asked to stop: what ends from now on counts as stopped.
    void Interrupted() { m_interrupted = true; }
    // After the batch: the entries still in the list are reported as not converted.
    void Finish(bool interrupted);
    bool AnyFailed() const { return m_failed > 0 || !m_lostOutput.empty(); }

    // BatchHost
    int Rotation() const override { return m_choices.Rotation; }
    int OutputFormat() const override { return m_choices.OutputFormat; }
    std::string VideoBitrate() const override { return m_choices.VideoBitrate; }
    std::string OutputFolderText() const override { return m_choices.OutputFolder; }
    void SetOutputFolderText(const std::string& text) override { m_choices.OutputFolder = text; }
    void SetProgressValue(int) override {}
    void ShowProgress(const pivora::engine::ProgressDisplay& display) override;
    void ShowEntryState(pivora::input::EntryId id, const std::string& state) override;
    // No file browser and no sound: the command line says when it is done.
    void UnlockPanel() override {}
    void OpenFolder(const std::string&) override {}
    void PlayEndSound() override {}
    void UnlockCommands() override {}
    void ShowFinished() override {}
    void ShowStopped() override {}
    void ShowNotStarted() override { m_notStarted = true; }

    // UserMessages
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override;
    std::string Translate(const char* source) const override;

private:
    using Clock = std::chrono::steady_clock;
    struct Running
    {
        pivora::input::InputEntry Entry;
        Clock::time_point Started;
        double Fraction = 0;
        std::string Output;
    };

    void Ended(pivora::input::EntryId id, Running running);
    void Report(const FileResult& result);
    void WriteJson(const FileResult& result);
    // A name as written to standard error.
    std::string Shown(const std::string& name) const;
    // Standard error, above the progress line.
    void Say(const std::string& line);
    void DrawProgress(bool now);
    void DrawLine(std::string line);
    void ClearProgress();

    Choices m_choices;
    Printing m_printing;
    pivora::input::InputList& m_list;
    const pivora::engine::BatchDriver* m_driver = nullptr;
    std::string m_converter;
    std::string m_shownConverter;
    std::map<pivora::input::EntryId, Running> m_running;
    std::set<pivora::input::EntryId> m_reported; // entries whose conversion ended
    // How many of the batch's failures each shown name has accounted for.
    std::map<std::string, std::size_t> m_failuresTaken;
    std::size_t m_total = 0;
    std::size_t m_done = 0;
    std::size_t m_converted = 0;
    std::size_t m_failed = 0;
    std::size_t m_skipped = 0;
    std::string m_lostOutput; // why a JSON line could not be written; empty when all were
    bool m_notStarted = false;
    bool m_interrupted = false;
    double m_batchFraction = -1; // the batch's own share done when it shows one
    Clock::time_point m_begun = Clock::now();
    Clock::time_point m_drawn;
    std::size_t m_shownWidth = 0;
};

} // namespace pivora::cli
