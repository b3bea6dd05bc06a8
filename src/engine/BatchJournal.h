#pragma once

#include "engine/ActivityLog.h"
#include "input/InputList.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::engine {

// The window's journals and the command line's are told apart by their names: each tidies up
// after its own.
inline constexpr std::string_view kWindowJournals = "batch";
inline constexpr std::string_view kCommandLineJournals = "cli";

// What a batch was choosing when it ran: where the rest of it is to go, and how.
struct BatchChoices
{
    std::string OutputFolder;
    int OutputFormat = 0;
    int Rotation = 0;
    std::string VideoBitrate;

    bool operator==(const BatchChoices&) const = default;
};

// The journal of a running batch: what it has to convert, which output each run writes, and
// which runs have ended. It is written before the work it tells of, one checkable record a
// line, so that the next start can tidy up after a batch the program did not live to finish.
// A batch that ends in any ordinary way removes it.
class BatchJournal
{
public:
    // Begins a journal in `folder`, named after `kind`. Without a folder, or when no file can
    // be made there, the batch goes on without one (Problem() says why).
    explicit BatchJournal(const std::string& folder, std::string_view kind = kWindowJournals);
    ~BatchJournal();

    bool IsOpen() const { return m_file != nullptr; }
    // Where the file system keeps no locks, another program could take the journal for one
    // left behind: it is kept all the same, and this says so.
    bool Guarded() const { return m_file && m_file->Guarded(); }
    // Why there is no journal; empty when there is one or none was asked for.
    const std::string& Problem() const { return m_problem; }
    void Choices(const BatchChoices& choices);
    void Entry(pivora::input::EntryId id, const pivora::input::InputEntry& entry);
    void Removed(pivora::input::EntryId id);
    // On the disk before it returns: the output may be written from then on. A turn is the
    // display rotation a copy without re-encoding is to carry; the input's length (0 when
    // not known) is what the output is measured against should the program not live to see
    // it end. False when it could not be made sure of.
    bool RunStarts(pivora::input::EntryId id, const std::string& output, std::optional<int> turn,
                   double inputSeconds = 0);
    // An output's name taken for a run that may start later: handed to the system, which keeps
    // it should the program end (the run's start makes it durable against a power cut too).
    void OutputTaken(pivora::input::EntryId id, const std::string& output);
    void RunEnded(pivora::input::EntryId id, std::string_view outcome);
    // Hands what was written to the system, which keeps it should the program end now.
    void Flush();
    // The batch has ended in an ordinary way: the journal goes.
    void End();

private:
    void Write(std::string record);

    std::string m_path;
    std::unique_ptr<pivora::platform::LockedFile> m_file;
    std::string m_unwritten;
    std::string m_problem;
};

// One entry of a batch, as its journal tells it.
struct JournalEntry
{
    pivora::input::EntryId Id = 0;
    pivora::input::InputEntry Entry;
    bool Removed = false;    // taken off the list by the user
    bool Ended = false;      // its run ended, whatever came of it
    std::string Output;      // the output of the last run started for it; empty when none
    std::optional<int> Turn; // the display rotation that output was to carry
    double Seconds = 0;      // its input's length when that run started; 0 when not known
};

struct JournalContents
{
    std::vector<JournalEntry> Entries; // in list order
    // A record did not read back whole: it and everything after it were left out. (A last
    // record that the end of the file cuts short is not damage: it was being written when the
    // program ended.)
    bool Damaged = false;
    // The choices the batch last ran with; none in a journal that does not say.
    std::optional<BatchChoices> Choices;
    // The process that wrote it and its machine, for a journal no lock guards.
    long Writer = 0;
    std::string Machine;
};

// What a journal's text tells. Nothing when it is not a journal this program reads: another
// version's, or not one at all.
std::optional<JournalContents> ReadJournal(std::string_view text);

// What the batches that a hard end left unfinished leave to do, found at start-up.
class InterruptedBatches
{
public:
    // Takes every journal of `kind` in `folder` that no running program holds. The output of
    // each run that started and did not end is read to its last packet with the converter:
    // kept when it is whole media (with a picture, turned as it was to be, and as long as its
    // input was when the run started), removed when the converter says it is not; nothing else
    // is ever touched. A journal whose outputs could not all be checked, or whose output
    // folder cannot be reached now (a share, a removable drive), is left for a later start,
    // and one that cannot be read is set aside. Each step is written to `log`.
    InterruptedBatches(const std::string& folder, const std::string& converterPath,
                       pivora::platform::EventPump& pump, ActivityLog& log,
                       std::string_view kind = kWindowJournals);
    ~InterruptedBatches();

    // The entries that were never converted, in their order, each file once.
    const std::vector<pivora::input::InputEntry>& Unconverted() const { return m_unconverted; }
    // The choices the last of those batches ran with, for the entries that go back.
    const std::optional<BatchChoices>& Choices() const { return m_choices; }
    // The journals are done with: they are removed. Until then they stay, held by this
    // object, so that entries put back into the list are not lost to another hard end.
    void Discard();

private:
    struct Found
    {
        std::string Path;
        std::unique_ptr<pivora::platform::LockedFile> File;
    };
    std::vector<Found> m_journals;
    std::vector<pivora::input::InputEntry> m_unconverted;
    std::optional<BatchChoices> m_choices;
};

// The entries of `recovered` whose files are not in `list` already, in their order.
std::vector<pivora::input::InputEntry>
NotListedYet(const pivora::input::InputList& list,
             const std::vector<pivora::input::InputEntry>& recovered);

// The folder's file names that are journals.
inline constexpr std::string_view kJournalSuffix = ".journal";

} // namespace pivora::engine
