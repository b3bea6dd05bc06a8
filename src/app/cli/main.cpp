// pivora-cli: the window's batch from the command line, over the same core.
#include "app/cli/CliHost.h"
#include "app/cli/CliInputs.h"
#include "app/cli/CliOptions.h"
#include "app/cli/Console.h"
#include "app/cli/OnlyVideos.h"
#include "app/cli/PrivateFolder.h"
#include "engine/BatchDriver.h"
#include "input/TempCopies.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/Signals.h"
#include "settings/FormatPresets.h"
#include "settings/ProgramSettings.h"
#include "settings/SettingsFiles.h"

#include <optional>
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

// `jobsNote` says what was used when the number of jobs asked for was cut.
Settings ReadSettings(const CliOptions& options, const std::string& programFolder,
                      std::string& jobsNote)
{
    namespace settings = pivora::settings;
    const std::string folder = fs::SettingsFolder();
    Settings read;
    // Only a conversion reads them; finding their file may try a write in the program folder.
    if (!options.DryRun)
        settings::LoadOptions(settings::OptionsFilePath(programFolder, folder), read.Options);
    read.Program = settings::LoadProgramSettings(settings::ProgramSettingsPath(folder));
    if (options.Jobs)
        read.Program.ParallelJobs = JobsToUse(*options.Jobs, settings::MaxParallelJobs(), jobsNote);
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

} // namespace

int main(int argc, char* argv[])
{
    // First: no file or pipe opened from here on may take a closed standard stream's place.
    PrepareStreams();
    // Before anything starts a child: the converters' ends must be ours to collect.
    fs::ResetInheritedSignals();

    std::string problem;
    const std::optional<CliOptions> parsed = ParseOptions(ProgramArguments(argc, argv), problem);
    if (!parsed) {
        WriteError(std::string("pivora-cli: ")
                       .append(problem)
                       .append("\nTry 'pivora-cli --help' for more information.\n"));
        return kUsageError;
    }
    const CliOptions& options = *parsed;
    if (options.Help || options.Version) {
        if (WriteOutput(options.Help ? UsageText() : "pivora-cli " PIVORA_VERSION "\n"))
            return 0;
        WriteError("pivora-cli: cannot write to standard output: " + WriteProblem() + "\n");
        return 1;
    }
    std::vector<std::string> names;
    if (!ReadNames(options.Inputs, options.FilesFrom, options.NulSeparated, names, problem)) {
        WriteError("pivora-cli: " + problem + "\n");
        return kUsageError;
    }

    const std::string programFolder = fs::ProgramFolder();
    std::string jobsNote;
    Settings settings = ReadSettings(options, programFolder, jobsNote);

    // Ctrl+C, SIGTERM and SIGHUP stop the batch as the window's stop button does.
    fs::WatchShutdownRequests();
    bool interrupted = false;
    fs::PlainEventPump pump;
    pivora::engine::BatchDriver* running = nullptr;
    CliHost::Printing printing;
    printing.Json = options.Json;
    printing.Quiet = options.Quiet;
    printing.ErrorTerminal = ErrorIsTerminal();
    printing.OutputTerminal = OutputIsTerminal();
    printing.Terminal = printing.ErrorTerminal && !options.DryRun;
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
    if (!jobsNote.empty())
        host.Note(jobsNote);

    // A dry run makes nothing anywhere: no folder of its own, no copies.
    std::optional<PrivateFolder> own;
    if (!options.DryRun)
        own.emplace(programFolder);
    const std::string batchFolder = own ? own->ProgramFolder() : programFolder;
    // What an earlier command line did not live to finish is tidied up first: its cut-short
    // outputs go, and the files it never converted are named. A window's batches are the
    // window's to tidy.
    if (own)
        TidyUnfinishedBatches(fs::ConverterPath(batchFolder), pump, host);
    pivora::input::TempCopies copies(own ? own->CopiesFolder() : fs::TempCopiesFolder());
    std::vector<std::string> made;
    GatherInputs(names, !options.DryRun, list, copies, made, pump, host);
    if (options.OnlyVideos && !pump.Quitting())
        KeepOnlyVideos(
            list, fs::ConverterPath(batchFolder), settings.Choices.OutputFormat,
            pivora::settings::MaxParallelJobs(), pump,
            [&](const SkippedEntry& skipped) {
                host.Skipped(skipped.Entry.DisplayText, skipped.Why);
            },
            [&](std::size_t done, std::size_t total) { host.ShowLooking(done, total); });
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
        if (!PrintDryRun(list, settings.Choices, programFolder)) {
            WriteError("pivora-cli: cannot write to standard output: " + WriteProblem() + "\n");
            return 1;
        }
        return host.AnyFailed() ? 1 : 0;
    }

    pivora::engine::BatchDriver::Setup setup{batchFolder, own->WorkFolder(),
                                             fs::JoinPath(fs::StateFolder(), "activity.log")};
    setup.Settings = &settings.Program;
    setup.JournalFolder = fs::StateFolder();
    setup.JournalKind = pivora::engine::kCommandLineJournals;
    setup.CacheFolder = fs::CacheFolder();
    pivora::engine::BatchDriver driver(setup, list, host, pump, host, settings.Options);
    host.Attach(driver, fs::ConverterPath(batchFolder), fs::ConverterPath(programFolder));
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
