#include "app/cli/CliInputs.h"

#include "engine/BatchJournal.h"

#include "app/cli/CliText.h"
#include "app/cli/Console.h"
#include "engine/CommandLine.h"
#include "input/AddingFiles.h"
#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <set>

namespace pivora::cli {

namespace fs = pivora::platform;

namespace {

// A folder named with separators at its end, without them (a root keeps its own).
std::string TrimmedFolder(std::string folder)
{
    while (folder.size() > 1 && folder.back() == fs::PathSeparator() &&
           folder[folder.size() - 2] != ':')
        folder.pop_back();
    return folder;
}

} // namespace

bool ReadNames(const std::vector<std::string>& named, const std::vector<std::string>& lists,
               bool nulSeparated, std::vector<std::string>& names, std::string& problem)
{
    names = named;
    for (const std::string& list : lists) {
        std::string text, why;
        if (!ReadWholeInput(list, text, why)) {
            problem = "cannot read the list '" + list + "': " + why;
            return false;
        }
        for (std::string& name : SplitNameList(text, nulSeparated))
            names.push_back(std::move(name));
    }
    return true;
}

void GatherInputs(const std::vector<std::string>& names, bool makeCopies,
                  pivora::input::InputList& list, pivora::input::TempCopies& copies,
                  std::vector<std::string>& made, fs::EventPump& pump, CliHost& host)
{
    pivora::input::InputAdder adder(list, copies, &pump);
    const auto add = [&](const std::string& path) {
        if (makeCopies && ConverterTakesCodePageNames() && fs::IsRegularFile(path) &&
            !pivora::input::FileExists(path)) {
            pivora::input::InputEntry entry = pivora::input::EntryForPath(path);
            entry.Path = copies.MakeTempCopy(path, &pump);
            made.push_back(entry.Path);
            list.Append(std::move(entry));
        } else if (!makeCopies && fs::IsRegularFile(path) && !pivora::input::FileExists(path)) {
            // A dry run shows the name as it is and copies nothing.
            list.Append(pivora::input::EntryForPath(path));
        } else {
            adder.AddNamedFiles({path});
        }
        for (const std::string& refused : adder.TakeRefused())
            host.Refused(refused, "not a regular file (a named pipe, a socket or a device)");
    };
    for (const std::string& named : names) {
        if (named.empty()) {
            host.Refused(named, "an empty name names no file or folder");
            continue;
        }
        const std::string path = fs::AbsolutePath(named);
        if (!fs::PathExists(path)) {
            host.Refused(path, "no such file or folder");
            continue;
        }
        if (!fs::IsFolder(path)) {
            add(path);
            continue;
        }
        std::vector<std::string> found;
        std::vector<std::string> unreadable;
        pivora::input::SearchFolder(TrimmedFolder(path), found, &pump, &unreadable);
        for (const std::string& file : found)
            add(file);
        // Nothing is left out without a word.
        for (const std::string& folder : unreadable)
            host.Refused(folder, "a folder that cannot be read: its files were not searched");
        if (pump.Quitting())
            return;
    }
}

void TidyUnfinishedBatches(const std::string& converterPath, fs::EventPump& pump, CliHost& host)
{
    pivora::engine::ActivityLog log(fs::JoinPath(fs::StateFolder(), "activity.log"));
    pivora::engine::InterruptedBatches batches(fs::StateFolder(), converterPath, pump, log,
                                               pivora::engine::kCommandLineJournals);
    if (pump.Quitting())
        return;
    if (const auto& left = batches.Unconverted(); !left.empty()) {
        std::string line = "an earlier run did not finish; not converted then:";
        for (const pivora::input::InputEntry& entry : left)
            line += " " + entry.DisplayText;
        host.Note(line);
    }
    batches.Discard();
}

bool PrintDryRun(const pivora::input::InputList& list, const CliHost::Choices& choices,
                 const std::string& programFolder)
{
    std::string folder = choices.OutputFolder;
    if (folder.empty() || folder.back() != fs::PathSeparator())
        folder += fs::PathSeparator();
    const fs::LocalDateTime now = fs::Now();
    std::set<std::string> taken;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        pivora::engine::CommandLineRequest request;
        request.ProgramFolder = programFolder;
        request.InputPath = list.At(i).Path;
        request.OutputFolder = folder;
        request.OutputFormat = choices.OutputFormat;
        request.VideoBitrate = choices.VideoBitrate;
        request.RotationFilter = pivora::engine::RotationFilterFor(choices.Rotation);
        request.Time = {now.Hour, now.Minute, now.Second};
        for (request.Counter = 0;;
             request.Counter = request.Counter == 0 ? 2 : request.Counter + 1) {
            const std::string output = pivora::engine::OutputFilePath(
                folder, request.InputPath, request.OutputFormat, request.Time, request.Counter);
            if (!fs::PathExists(output) && taken.insert(output).second)
                break;
        }
        if (!WriteOutput(ShellCommand(pivora::engine::BuildCommandLine(request),
                                      fs::ConverterPath(programFolder))
                             .append("\n")))
            return false;
    }
    return true;
}

} // namespace pivora::cli
