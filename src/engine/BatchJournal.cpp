#include "engine/BatchJournal.h"

#include "engine/CommandLine.h"
#include "engine/ConverterListing.h"
#include "platform/CommandLineRules.h"
#include "platform/ProcessList.h"

#include "engine/OutputProbe.h"
#include "engine/Progress.h"
#include "engine/RunOutcome.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace pivora::engine {

namespace fs = pivora::platform;

namespace {

// Version 2 adds the writer, the batch's choices and the inputs' lengths; version 1 journals
// are still read.
constexpr std::string_view kHeader = "pivora-journal|2";
constexpr std::string_view kHeaderVersion1 = "pivora-journal|1";

std::uint32_t Crc32(std::string_view text)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> made{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            made[i] = c;
        }
        return made;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : text)
        crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// A field holds any bytes: the separator, line breaks, controls and "%" are written as %XX.
std::string Escaped(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%' || c == '|') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            text += code;
        } else {
            text += c;
        }
    }
    return text;
}

std::optional<std::string> Unescaped(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            text += field[i];
            continue;
        }
        unsigned value = 0;
        if (field.size() - i < 3)
            return std::nullopt;
        const char* digits = field.data() + i + 1;
        const auto [end, error] = std::from_chars(digits, digits + 2, value, 16);
        if (error != std::errc() || end != digits + 2)
            return std::nullopt;
        text += static_cast<char>(value);
        i += 2;
    }
    return text;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t bar = line.find('|', at);
        fields.push_back(line.substr(at, bar == std::string_view::npos ? bar : bar - at));
        if (bar == std::string_view::npos)
            return fields;
        at = bar + 1;
    }
}

template <typename Number> std::optional<Number> NumberIn(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string Sealed(std::string record)
{
    char crc[16];
    std::snprintf(crc, sizeof crc, "|%08X\n", static_cast<unsigned>(Crc32(record)));
    return record + crc;
}

// The record of a line whose check sum holds; nothing for a line that does not read back whole.
std::optional<std::string_view> Verified(std::string_view line)
{
    const std::size_t bar = line.rfind('|');
    if (bar == std::string_view::npos || line.size() - bar != 9)
        return std::nullopt;
    const std::optional<std::uint32_t> crc = [&]() -> std::optional<std::uint32_t> {
        std::uint32_t value = 0;
        const std::string_view hex = line.substr(bar + 1);
        const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
        if (error != std::errc() || end != hex.data() + hex.size())
            return std::nullopt;
        return value;
    }();
    if (!crc || *crc != Crc32(line.substr(0, bar)))
        return std::nullopt;
    return line.substr(0, bar);
}

} // namespace

BatchJournal::BatchJournal(const std::string& folder, std::string_view kind)
{
    if (folder.empty())
        return;
    fs::CreateFolders(folder);
    const fs::LocalDateTime now = fs::Now();
    // A name no journal has: another program's may be there, or one set aside. A folder where
    // nothing can be made is not tried a thousand times.
    for (int counter = 1; counter < 1000 && !m_file; ++counter) {
        char name[96];
        std::snprintf(name, sizeof name, "%.*s-%04d%02d%02d-%02d%02d%02d-%d.journal",
                      static_cast<int>(kind.size()), kind.data(), now.Year, now.Month, now.Day,
                      now.Hour, now.Minute, now.Second, counter);
        m_path = fs::JoinPath(folder, name);
        m_file = fs::LockedFile::Open(m_path, true);
        if (!m_file && !fs::PathExists(m_path) && !fs::IsFolder(folder))
            break;
        if (!m_file && !fs::PathExists(m_path) && !fs::CanWriteFolder(folder))
            break;
    }
    if (!m_file) {
        m_problem = "no journal can be made in " + folder;
        return;
    }
    if (!(m_file->Append(Sealed(std::string(kHeader))) &&
          m_file->Append(Sealed("P|" + std::to_string(fs::CurrentProcessId()) + "|" +
                                Escaped(fs::MachineName()))) &&
          m_file->Sync())) {
        End();
        m_problem = "the journal in " + folder + " cannot be written";
        return;
    }
    // The journal's name must outlast a power cut as its records do.
    fs::SyncFolder(folder);
}

BatchJournal::~BatchJournal() = default;

void BatchJournal::Write(std::string record)
{
    if (m_file)
        m_unwritten += Sealed(std::move(record));
}

void BatchJournal::Flush()
{
    if (m_file && !m_unwritten.empty())
        m_file->Append(m_unwritten);
    m_unwritten.clear();
}

void BatchJournal::Choices(const BatchChoices& choices)
{
    // Paths are kept whole: the next start may run in another working folder.
    Write("C|0|" + Escaped(fs::AbsolutePath(choices.OutputFolder)) + "|" +
          std::to_string(choices.OutputFormat) + "|" + std::to_string(choices.Rotation) + "|" +
          Escaped(choices.VideoBitrate));
}

void BatchJournal::Entry(pivora::input::EntryId id, const pivora::input::InputEntry& entry)
{
    Write("E|" + std::to_string(id) + "|" + Escaped(fs::AbsolutePath(entry.Path)) + "|" +
          Escaped(entry.DisplayText) + "|" + Escaped(entry.TypeText));
}

void BatchJournal::Removed(pivora::input::EntryId id)
{
    Write("X|" + std::to_string(id));
}

bool BatchJournal::RunStarts(pivora::input::EntryId id, const std::string& output,
                             std::optional<int> turn, double inputSeconds)
{
    if (!m_file)
        return false;
    char seconds[32] = "";
    if (inputSeconds > 0)
        std::snprintf(seconds, sizeof seconds, "%.3f", inputSeconds);
    Write("S|" + std::to_string(id) + "|" + Escaped(fs::AbsolutePath(output)) + "|" +
          (turn ? std::to_string(*turn) : std::string()) + "|" + seconds);
    const bool written = !m_unwritten.empty() && m_file->Append(m_unwritten);
    m_unwritten.clear();
    return m_file->Sync() && written;
}

void BatchJournal::OutputTaken(pivora::input::EntryId id, const std::string& output)
{
    Write("S|" + std::to_string(id) + "|" + Escaped(fs::AbsolutePath(output)) + "||");
    Flush();
}

void BatchJournal::RunEnded(pivora::input::EntryId id, std::string_view outcome)
{
    Write("D|" + std::to_string(id) + "|" + Escaped(outcome));
}

void BatchJournal::End()
{
    if (!m_file)
        return;
    m_file.reset();
    fs::RemoveFile(m_path);
}

std::optional<JournalContents> ReadJournal(std::string_view text)
{
    JournalContents contents;
    std::vector<JournalEntry>& entries = contents.Entries;
    std::map<pivora::input::EntryId, std::size_t> places;
    bool headed = false;
    // A record that fails is not guessed at, nor anything after it.
    const auto damaged = [&] {
        contents.Damaged = true;
        return headed ? std::optional<JournalContents>(std::move(contents)) : std::nullopt;
    };
    // Only whole lines count: what follows the last line break was being written.
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            break;
        const std::optional<std::string_view> record = Verified(text.substr(at, end - at));
        at = end + 1;
        if (!record)
            return damaged();
        if (!headed) {
            if (*record != kHeader && *record != kHeaderVersion1)
                return std::nullopt;
            headed = true;
            continue;
        }
        const std::vector<std::string_view> fields = Fields(*record);
        const auto id =
            fields.size() >= 2 ? NumberIn<pivora::input::EntryId>(fields[1]) : std::nullopt;
        if (!id || fields[0].size() != 1)
            return damaged();
        const auto place = places.find(*id);
        const char kind = fields[0][0];
        if (kind == 'P' && fields.size() == 3) {
            const auto machine = Unescaped(fields[2]);
            if (!machine)
                return damaged();
            contents.Writer = static_cast<long>(*id);
            contents.Machine = *machine;
            continue;
        }
        if (kind == 'C') {
            const auto folder = fields.size() == 6 ? Unescaped(fields[2]) : std::nullopt;
            const auto format = fields.size() == 6 ? NumberIn<int>(fields[3]) : std::nullopt;
            const auto rotation = fields.size() == 6 ? NumberIn<int>(fields[4]) : std::nullopt;
            const auto bitrate = fields.size() == 6 ? Unescaped(fields[5]) : std::nullopt;
            if (!folder || !format || !rotation || !bitrate)
                return damaged();
            contents.Choices = BatchChoices{*folder, *format, *rotation, *bitrate};
            continue;
        }
        if (kind == 'E') {
            // Entries join in list order, and the list's ids only grow.
            if (fields.size() != 5 || (!entries.empty() && *id <= entries.back().Id))
                return damaged();
            const auto path = Unescaped(fields[2]);
            const auto shown = Unescaped(fields[3]);
            const auto type = Unescaped(fields[4]);
            if (!path || !shown || !type)
                return damaged();
            JournalEntry entry;
            entry.Id = *id;
            entry.Entry = {*path, *shown, *type};
            places[*id] = entries.size();
            entries.push_back(std::move(entry));
            continue;
        }
        if (place == places.end())
            return damaged();
        JournalEntry& entry = entries[place->second];
        if (kind == 'X' && fields.size() == 2) {
            entry.Removed = true;
        } else if (kind == 'D' && fields.size() == 3) {
            entry.Ended = true;
        } else if (kind == 'S' && (fields.size() == 4 || fields.size() == 5)) {
            const auto output = Unescaped(fields[2]);
            std::optional<int> turn;
            if (!fields[3].empty() && !(turn = NumberIn<int>(fields[3])))
                return damaged();
            if (!output || output->empty())
                return damaged();
            double seconds = 0;
            if (fields.size() == 5 && !fields[4].empty()) {
                const std::string number(fields[4]);
                char* rest = nullptr;
                seconds = std::strtod(number.c_str(), &rest);
                if (rest != number.c_str() + number.size() || !std::isfinite(seconds) ||
                    seconds < 0)
                    return damaged();
            }
            entry.Output = *output;
            entry.Turn = turn;
            entry.Seconds = seconds;
        } else {
            return damaged();
        }
    }
    if (!headed)
        return std::nullopt;
    return contents;
}

namespace {

// What the converter finds in a file read to its end, packet by packet without decoding: the
// listing, and how far its last packet reaches. Nothing when it gave no answer that can be
// trusted (it could not be started, or something ended it, or it failed without a word about
// the file).
struct Reading
{
    ProbeResult Probe;
    double Seconds = 0;      // how far the last packet reaches
    double FrameSeconds = 0; // one frame of its picture; 0 when not listed
    double Listed = 0;       // the length its header states; 0 when none
};

std::optional<Reading> ReadToTheEnd(const std::string& converterPath, const std::string& file,
                                    fs::EventPump& pump)
{
    const std::string command =
        pivora::platform::QuoteArgument(converterPath) + " -hide_banner -nostdin -i " +
        pivora::platform::QuoteArgument(ConverterSafePath(file)) + " -map 0 -c copy -f null -";
    const std::optional<std::string> text = CollectOutput(command, pump, {});
    if (!text)
        return std::nullopt;
    Reading reading;
    reading.Probe = ReadProbe(*text);
    if (!reading.Probe.Opened && reading.Probe.Line.empty())
        return std::nullopt;
    reading.Seconds = LastProgressSeconds(*text);
    const ConverterListing listing = ReadListing(*text, "Input #0", ConverterSafePath(file));
    if (const ListedStream* picture = listing.Picture(); picture && picture->FramesPerSecond > 0)
        reading.FrameSeconds = 1 / picture->FramesPerSecond;
    reading.Listed = listing.SecondsEstimated ? 0 : listing.Seconds;
    return reading;
}

// Why a run's output is not whole; empty when it is; nothing when that cannot be told now.
std::optional<std::string> Broken(const JournalEntry& entry, const std::string& converterPath,
                                  fs::EventPump& pump)
{
    const auto written = ReadToTheEnd(converterPath, entry.Output, pump);
    if (!written)
        return std::nullopt;
    if (!written->Probe.Opened)
        return "it does not open: " + written->Probe.Line;
    if (!written->Probe.HasVideo)
        return std::string("it holds no picture");
    if (written->Seconds <= 0)
        return std::string("it has no length");
    if (entry.Turn && written->Probe.Rotation != *entry.Turn)
        return std::string("it does not carry its turn");
    // Against its input's length when its run started; an older journal did not say it, and
    // the input itself is asked then, if it is still there.
    double input = entry.Seconds;
    if (input <= 0 && fs::IsRegularFile(entry.Entry.Path)) {
        const std::optional<std::string> text =
            CollectOutput(ProbeCommandLine(converterPath, entry.Entry.Path), pump, {});
        const ConverterListing listing =
            text ? ReadListing(*text, "Input #0", ConverterSafePath(entry.Entry.Path))
                 : ConverterListing{};
        input = listing.SecondsEstimated ? 0 : listing.Seconds;
    }
    if (FallsShort(written->Seconds, input, written->FrameSeconds)) {
        char lengths[96];
        std::snprintf(lengths, sizeof lengths, "it is %.2f s long, its input %.2f s",
                      written->Seconds, input);
        return std::string(lengths);
    }
    return std::string();
}

// The folder a path lies in.
std::string FolderOf(const std::string& path)
{
    const std::size_t separator = path.find_last_of(fs::PathSeparator());
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator + 1);
}

} // namespace

InterruptedBatches::InterruptedBatches(const std::string& folder, const std::string& converterPath,
                                       fs::EventPump& pump, ActivityLog& log, std::string_view kind)
{
    std::vector<fs::FolderEntry> names;
    if (folder.empty() || !fs::ListFolder(folder, names))
        return;
    const std::string prefix = std::string(kind) + "-";
    for (const fs::FolderEntry& name : names) {
        if (!name.IsFile || !name.Name.ends_with(kJournalSuffix) || !name.Name.starts_with(prefix))
            continue;
        const std::string path = fs::JoinPath(folder, name.Name);
        // A journal that a running program holds is that program's business.
        std::unique_ptr<fs::LockedFile> file = fs::LockedFile::Open(path, false);
        if (!file)
            continue;
        const std::optional<JournalContents> contents = ReadJournal(file->ReadAll());
        if (!contents) {
            file.reset();
            const std::string aside = path + ".unreadable";
            fs::RenameFile(path, aside);
            log.Record(path, "-",
                       "journal of an unfinished batch cannot be read: set aside as " + aside);
            continue;
        }
        // Without locks, the process that wrote it tells whether it is still at work.
        if (!file->Guarded() && contents->Writer != 0 && contents->Machine == fs::MachineName() &&
            fs::IsProgramProcess(contents->Writer))
            continue;
        if (contents->Damaged)
            log.Record(path, "-",
                       "journal of an unfinished batch damaged at its end: read up to there");
        std::vector<pivora::input::InputEntry> unconverted;
        bool checked = true;
        for (const JournalEntry& entry : contents->Entries) {
            if (entry.Ended)
                continue;
            // A share or a removable drive that is not there now: what was written on it cannot
            // be told, and must not be taken for never written.
            if (!entry.Output.empty() && !fs::IsFolder(FolderOf(entry.Output))) {
                log.Record(entry.Output, "-",
                           "left by an unfinished batch in a folder that cannot be reached now");
                checked = false;
                break;
            }
            // A run that started and did not end, or whose end was not written: only its file
            // can tell. An entry the user took off the list meanwhile has its output checked
            // too, but does not come back.
            if (!entry.Output.empty() && fs::IsRegularFile(entry.Output)) {
                const std::optional<std::string> why = Broken(entry, converterPath, pump);
                if (!why) {
                    checked = false;
                    break;
                }
                if (why->empty()) {
                    log.Record(entry.Output, "-", "left by an unfinished batch, whole: kept");
                    continue;
                }
                if (fs::RemoveFile(entry.Output))
                    log.Record(entry.Output, "-",
                               "left by an unfinished batch, " + *why + ": removed");
                else
                    log.Record(entry.Output, "-",
                               "left by an unfinished batch, " + *why +
                                   ": it could not be removed");
            }
            if (!entry.Removed)
                unconverted.push_back(entry.Entry);
        }
        if (!checked || pump.Quitting()) {
            log.Record(path, "-",
                       "journal of an unfinished batch: its outputs could not all be checked, "
                       "left for the next start");
            continue;
        }
        if (!unconverted.empty() && contents->Choices)
            m_choices = contents->Choices;
        // A file in two journals comes back once.
        for (pivora::input::InputEntry& entry : unconverted) {
            if (std::none_of(m_unconverted.begin(), m_unconverted.end(),
                             [&](const auto& known) { return known.Path == entry.Path; }))
                m_unconverted.push_back(std::move(entry));
        }
        m_journals.push_back({path, std::move(file)});
    }
}

std::vector<pivora::input::InputEntry>
NotListedYet(const pivora::input::InputList& list,
             const std::vector<pivora::input::InputEntry>& recovered)
{
    std::vector<pivora::input::InputEntry> missing;
    for (const pivora::input::InputEntry& entry : recovered) {
        bool listed = false;
        for (std::size_t i = 0; i < list.Count() && !listed; ++i)
            listed =
                list.At(i).Path == entry.Path || fs::AbsolutePath(list.At(i).Path) == entry.Path;
        if (!listed)
            missing.push_back(entry);
    }
    return missing;
}

InterruptedBatches::~InterruptedBatches() = default;

void InterruptedBatches::Discard()
{
    for (Found& journal : m_journals) {
        journal.File.reset();
        fs::RemoveFile(journal.Path);
    }
    m_journals.clear();
}

} // namespace pivora::engine
