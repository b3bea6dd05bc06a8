// pivora-cli: the window's batch from the command line, over the same core.
#include "app/cli/CliHost.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliText.h"
#include "app/cli/Console.h"
#include "app/cli/PrivateConverter.h"
#include "engine/BatchDriver.h"
#include "engine/CommandLine.h"
#include "input/AddingFiles.h"
#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "input/TempCopies.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/Signals.h"
#include "settings/FormatPresets.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsFiles.h"

#include <set>
#include <string>
#include <vector>

namespace fs = pivora::platform;
using namespace pivora::cli;

namespace {

constexpr int kUsageError = 2;
constexpr int kInterrupted = 130;

// The user's settings as the window reads them at its start, the command line's choices over
// them.
struct Settings
{
    CliHost::Choices Choices;
    pivora::settings::OptionValues Options;
    pivora::settings::ProgramSettings Program;
};

Settings ReadSettings(const CliOptions& options, const std::string& programFolder)
{
    namespace settings = pivora::settings;
    const std::string folder = fs::SettingsFolder();
    Settings read;
    settings::LoadOptions(settings::OptionsFilePath(programFolder, folder), read.Options);
    read.Program = settings::LoadProgramSettings(settings::ProgramSettingsPath(folder));
    if (options.Jobs)
        read.Program.ParallelJobs = *options.Jobs;
    if (options.Lossless)
        read.Program.LosslessRotation = *options.Lossless;

    CliHost::Choices& choices = read.Choices;
    choices.Rotation = options.Rotation.value_or(0);
    choices.OutputFormat = options.OutputFormat.value_or(0);
    // Choosing a format chooses its bitrate, as in the window.
    choices.VideoBitrate =
        options.VideoBitrate.value_or(settings::BitrateItems()[static_cast<std::size_t>(
            settings::DefaultsForFormat(choices.OutputFormat)->BitrateItem)]);
    const std::string fallback = fs::DefaultOutputFolder();
    choices.OutputFolder = options.OutputFolder
                               ? fs::AbsolutePath(*options.OutputFolder)
                               : settings::LoadOutputFolder(settings::OutputFolderFilePath(folder),
                                                            fallback, fallback);
    return read;
}

// A folder named with separators at its end, without them (a root keeps its own).
std::string TrimmedFolder(std::string folder)
{
    while (folder.size() > 1 && folder.back() == fs::PathSeparator() &&
           folder[folder.size() - 2] != ':')
        folder.pop_back();
    return folder;
}

// The files to convert, in the order named; folders are searched as the window's "add folder"
// searches them. A name the converter could not be given as it is goes as a copy, noted in
// `made` to be removed at the end.
void GatherInputs(const CliOptions& options, pivora::input::InputList& list,
                  pivora::input::TempCopies& copies, std::vector<std::string>& made,
                  fs::EventPump& pump, CliHost& host)
{
    pivora::input::InputAdder adder(list, copies, &pump);
    const auto add = [&](const std::string& path) {
        if (ConverterTakesCodePageNames() && fs::IsRegularFile(path) &&
            !pivora::input::FileExists(path)) {
            pivora::input::InputEntry entry = pivora::input::EntryForPath(path);
            entry.Path = copies.MakeTempCopy(path, &pump);
            made.push_back(entry.Path);
            list.Append(std::move(entry));
        } else {
            adder.AddNamedFiles({path});
        }
        for (const std::string& refused : adder.TakeRefused())
            host.Refused(refused, "not a regular file (a named pipe, a socket or a device)");
    };
    for (const std::string& named : options.Inputs) {
        const std::string path = fs::AbsolutePath(named);
        if (!fs::IsFolder(path)) {
            add(path);
            continue;
        }
        std::vector<std::string> found;
        pivora::input::SearchFolder(TrimmedFolder(path), found, &pump);
        for (const std::string& file : found)
            add(file);
        if (pump.Quitting())
            return;
    }
}

// The command line each entry would run, as the batch builds it for a file that needs nothing
// more, and one name for each even within one second.
void PrintDryRun(const pivora::input::InputList& list, const CliHost::Choices& choices,
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
        WriteOutput(ShellCommand(pivora::engine::BuildCommandLine(request),
                                 fs::ConverterPath(programFolder))
                        .append("\n"));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Before anything starts a child: the converters' ends must be ours to collect.
    fs::ResetInheritedSignals();
    PrepareStreams();

    std::string problem;
    const std::optional<CliOptions> parsed = ParseOptions(ProgramArguments(argc, argv), problem);
    if (!parsed) {
        WriteError(std::string("pivora-cli: ")
                       .append(problem)
                       .append("\nTry 'pivora-cli --help' for more information.\n"));
        return kUsageError;
    }
    const CliOptions& options = *parsed;
    if (options.Help) {
        WriteOutput(UsageText());
        return 0;
    }
    if (options.Version) {
        WriteOutput("pivora-cli " PIVORA_VERSION "\n");
        return 0;
    }

    const std::string programFolder = fs::ProgramFolder();
    Settings settings = ReadSettings(options, programFolder);

    // Ctrl+C, SIGTERM and SIGHUP stop the batch as the window's stop button does.
    fs::WatchShutdownRequests();
    bool interrupted = false;
    fs::PlainEventPump pump;
    pivora::engine::BatchDriver* running = nullptr;
    CliHost::Printing printing;
    printing.Json = options.Json;
    printing.Quiet = options.Quiet;
    printing.Terminal = ErrorIsTerminal() && !options.DryRun;
    printing.Columns = TerminalColumns();
    pivora::input::InputList list;
    CliHost host(settings.Choices, printing, list);
    pump.onProcessEvents = [&] {
        if (fs::TakeShutdownRequest() && !interrupted) {
            interrupted = true;
            host.Interrupted();
            if (running)
                running->Stop();
            else
                pump.RequestQuit();
        }
        host.Watch();
    };

    pivora::input::TempCopies copies(fs::TempCopiesFolder());
    std::vector<std::string> made;
    GatherInputs(options, list, copies, made, pump, host);
    pump.ProcessEvents();
    const auto removeCopies = [&made] {
        for (const std::string& copy : made)
            fs::RemoveFile(copy);
    };
    if (interrupted) {
        removeCopies();
        return kInterrupted;
    }

    if (options.DryRun) {
        PrintDryRun(list, settings.Choices, programFolder);
        removeCopies();
        return host.AnyFailed() ? 1 : 0;
    }

    const PrivateConverter converter(programFolder);
    pivora::engine::BatchDriver::Setup setup{converter.ProgramFolder(), fs::WorkFolder(),
                                             fs::JoinPath(fs::StateFolder(), "activity.log")};
    setup.Settings = &settings.Program;
    setup.JournalFolder = fs::StateFolder();
    setup.CacheFolder = fs::CacheFolder();
    pivora::engine::BatchDriver driver(setup, list, host, pump, host, settings.Options);
    host.Attach(driver, fs::ConverterPath(converter.ProgramFolder()),
                fs::ConverterPath(programFolder));
    if (!list.Empty()) {
        running = &driver;
        host.Begin();
        driver.ConvertQueue();
        running = nullptr;
    }
    host.Finish(interrupted);
    removeCopies();
    if (interrupted)
        return kInterrupted;
    return host.AnyFailed() ? 1 : 0;
}
