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

// The journal of a running batch: what it has to convert, which output each run writes, and
// which runs have ended. It is written before the work it tells of, one checkable record a
// line, so that the next start can tidy up after a batch the program did not live to finish.
// A batch that ends in any ordinary way removes it.
class BatchJournal
{
public:
    // Begins a journal in `folder`. Without a folder, or when no file can be made there, the
    // batch goes on without one.
    explicit BatchJournal(const std::string& folder);
    ~BatchJournal();

    bool IsOpen() const { return m_file != nullptr; }
    void Entry(pivora::input::EntryId id, const pivora::input::InputEntry& entry);
    void Removed(pivora::input::EntryId id);
    // On the disk before it returns: the output may be written from then on. A turn is the
    // display rotation a copy without re-encoding is to carry.
    void RunStarts(pivora::input::EntryId id, const std::string& output, std::optional<int> turn);
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
};

struct JournalContents
{
    std::vector<JournalEntry> Entries; // in list order
    // A record did not read back whole: it and everything after it were left out. (A last
    // record that the end of the file cuts short is not damage: it was being written when the
    // program ended.)
    bool Damaged = false;
};

// What a journal's text tells. Nothing when it is not a journal this program reads: another
// version's, or not one at all.
std::optional<JournalContents> ReadJournal(std::string_view text);

// What the batches that a hard end left unfinished leave to do, found at start-up.
class InterruptedBatches
{
public:
    // Takes every journal in `folder` that no running program holds. The output of each run
    // that started and did not end is opened with the converter: kept when it is whole media
    // (of a length, as long as its input when that is known, with a picture, and turned as it
    // was to be), removed when the converter says it is not; nothing else is ever touched. A
    // journal whose outputs could not all be checked is left for a later start, and one that
    // cannot be read is set aside. Each step is written to `log`.
    InterruptedBatches(const std::string& folder, const std::string& converterPath,
                       pivora::platform::EventPump& pump, ActivityLog& log);
    ~InterruptedBatches();

    // The entries that were never converted, in their order.
    const std::vector<pivora::input::InputEntry>& Unconverted() const { return m_unconverted; }
    // The journals are done with: they are removed.
    void Discard();

private:
    struct Found
    {
        std::string Path;
        std::unique_ptr<pivora::platform::LockedFile> File;
    };
    std::vector<Found> m_journals;
    std::vector<pivora::input::InputEntry> m_unconverted;
};

// The folder's file names that are journals.
inline constexpr std::string_view kJournalSuffix = ".journal";

} // namespace pivora::engine
