#include "engine/BatchDriver.h"

#include "engine/ContainerRotation.h"
#include "engine/OutputProbe.h"
#include "engine/RunOutcome.h"
#include "platform/CommandLineRules.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

namespace pivora::engine {

namespace fs = pivora::platform;

namespace {

std::string DescribeExit(const fs::ExitStatus& exit)
{
    if (!exit.Known)
        return "unknown";
    if (exit.Exited)
        return "exit code " + std::to_string(exit.Code);
    return "signal " + std::to_string(exit.Signal);
}

// A guard that clears a flag however the scope is left.
struct FlagScope
{
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

BatchDriver::BatchDriver(Setup setup, pivora::input::InputList& list, BatchHost& host,
                         DOSOutputs& runner, fs::EventPump& pump, UserMessages& messages,
                         const pivora::settings::OptionValues& options)
    : m_setup(std::move(setup)), m_list(list), m_host(host), m_runner(runner), m_pump(pump),
      m_messages(messages), m_options(options), m_log(m_setup.LogPath)
{
    m_runner.CommandOver = [this] { objDOS_CommandOver(); };
}

void BatchDriver::objDOS_CommandOver()
{
    if (m_runningEntry && !m_keepEntryOnOver)
        m_list.Remove(*m_runningEntry);
    m_runningEntry.reset();
    m_host.ResetRunLength();
}

void BatchDriver::Stop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    if (m_runningEntry)
        m_runner.Stop();
}

void BatchDriver::WarmUp()
{
    if (!m_setup.Settings || !m_setup.Settings->LosslessRotation || m_rotationWriting ||
        m_optionList)
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
    HeadResult last = HeadResult::Done;
    {
        FlagScope running(m_running);
        m_stopRequested = false;
        m_failures.clear();
        m_takenOutputs.clear();

        // The converter's option list is taken in before any converter is stopped.
        if (m_setup.Settings && m_setup.Settings->LosslessRotation && !m_rotationWriting) {
            WarmUp();
            if (m_optionList) {
                if (const auto options = CollectOutput(*m_optionList, m_pump, {}))
                    m_rotationWriting = RotationWritingFrom(*options);
                m_optionList.reset();
            }
        }

        fs::CreateFolder(m_host.OutputFolderText());
        fs::CreateFolders(m_setup.WorkFolder);
        if (const std::string text = m_host.OutputFolderText();
            text.empty() || text.back() != fs::PathSeparator())
            m_host.SetOutputFolderText(text + fs::PathSeparator());
        const std::string outputFolder = m_host.OutputFolderText();

        while (!m_list.Empty() && !m_stopRequested && !m_pump.Quitting()) {
            last = ConvertHead(outputFolder);
            if (last != HeadResult::Done || m_pump.Quitting())
                break;
            m_pump.ProcessEvents();
        }
        // A program that is shutting down shows nothing more.
        if (m_pump.Quitting())
            return;
        if (last == HeadResult::NotStarted) {
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

BatchDriver::HeadResult BatchDriver::ConvertHead(const std::string& outputFolder)
{
    fs::RemoveFile(fs::JoinPath(m_setup.WorkFolder, "tmp.mp4"));
    const int rotation = m_host.Rotation();
    SelectRotationFilter(rotation, m_rotationFilter);
    m_host.SetProgressValue(0);
    const std::string converter = fs::ConverterPath(m_setup.ProgramFolder);
    fs::KillProcessByName(fs::ConverterProcessName(), converter);

    const pivora::input::InputEntry entry = m_list.At(0);
    const pivora::input::EntryId id = m_list.IdAt(0);
    const fs::LocalDateTime now = m_setup.Clock();
    CommandLineRequest request;
    request.ProgramFolder = m_setup.ProgramFolder;
    request.InputPath = entry.Path;
    request.OutputFolder = outputFolder;
    request.OutputFormat = m_host.OutputFormat();
    request.VideoBitrate = m_host.VideoBitrate();
    request.RotationFilter = m_rotationFilter;
    request.Time = {now.Hour, now.Minute, now.Second};
    const std::string outputPath = UniqueOutputName(request, request.Counter);
    const std::string commandLine = BuildCommandLine(request);

    fs::KillProcessByName(fs::ConverterProcessName(), converter);
    // Why the entry is re-encoded although lossless turns are on.
    std::string reencoding;
    if (m_setup.Settings && m_setup.Settings->LosslessRotation) {
        const HeadResult lossless =
            TryLossless(id, entry, request, rotation, outputPath, reencoding);
        if (lossless != HeadResult::NotDone)
            return lossless;
    }
    // No events run between the loop's look at the stop flag and this run, so a stop cannot
    // fall between them and be lost.
    if (const HeadResult ran = Run(commandLine, id, outputPath, false); ran != HeadResult::Done)
        return ran;
    m_takenOutputs.insert(outputPath);

    RunFacts facts;
    facts.Exit = m_runner.LastExitStatus();
    facts.OutputSize = fs::IsRegularFile(outputPath) ? fs::FileSize(outputPath) : -1;
    facts.ConverterOutput = m_runner.Outputs();
    facts.Probe = [&] {
        return ProbeOutput(converter, outputPath, m_pump, [this] { return m_stopRequested; });
    };
    const RunOutcome outcome = JudgeRun(facts);
    const std::string note = reencoding.empty() ? "" : " (re-encoded: " + reencoding + ")";
    if (outcome.Succeeded) {
        m_log.Record(commandLine, DescribeExit(facts.Exit), outputPath + note);
    } else {
        fs::RemoveFile(outputPath);
        // The converter names the file by the path it got, which for a temporary copy is
        // not a name the user knows: the report speaks of the file as the list showed it.
        std::string reason = outcome.FailureLine;
        for (std::size_t at = 0;
             !entry.Path.empty() && (at = reason.find(entry.Path, at)) != std::string::npos;
             at += entry.DisplayText.size())
            reason.replace(at, entry.Path.size(), entry.DisplayText);
        m_failures.push_back({entry.DisplayText, reason});
        m_log.Record(commandLine, DescribeExit(facts.Exit),
                     "failed: " + outcome.FailureLine + note);
    }
    return HeadResult::Done;
}

BatchDriver::HeadResult BatchDriver::Run(const std::string& commandLine, pivora::input::EntryId id,
                                         const std::string& outputPath, bool keepEntry)
{
    WatchedProcessName() = fs::ConverterProcessName();
    m_runner.SetCommandLine(commandLine);
    m_runningEntry = id;
    m_keepEntryOnOver = keepEntry;
    m_runner.ExecuteCommand();
    m_keepEntryOnOver = false;

    if (!m_runner.LastRunStarted()) {
        // The runner has told the user; the same entry must not be tried again and again.
        m_runningEntry.reset();
        m_host.ResetRunLength();
        m_log.Record(commandLine, "not started", "the converter could not be started");
        return HeadResult::NotStarted;
    }
    if (m_runner.LastRunStopped()) {
        // The name was free before the run, so whatever stands there now is this run's.
        m_runningEntry.reset();
        m_host.ResetRunLength();
        fs::RemoveFile(outputPath);
        m_log.Record(commandLine, DescribeExit(m_runner.LastExitStatus()),
                     m_pump.Quitting() ? "stopped: the program was closed" : "stopped");
        return HeadResult::Stopped;
    }
    return HeadResult::Done;
}

BatchDriver::HeadResult BatchDriver::TryLossless(pivora::input::EntryId id,
                                                 const pivora::input::InputEntry& entry,
                                                 const CommandLineRequest& request, int rotation,
                                                 const std::string& outputPath, std::string& why)
{
    const std::optional<int> turn = PureTurnAnticlockwise(rotation);
    if (!turn) {
        why = rotation == 5 ? "no turn was chosen" : "a mirror is not a turn";
        return HeadResult::NotDone;
    }
    if (!CarriesDisplayRotation(request.OutputFormat)) {
        why = "the output format cannot carry a display rotation";
        return HeadResult::NotDone;
    }
    const auto stopping = [this] { return m_stopRequested || m_pump.Quitting(); };
    const std::string converter = fs::ConverterPath(m_setup.ProgramFolder);

    if (!m_rotationWriting) {
        why = "the converter did not list its options";
        return HeadResult::NotDone;
    }
    // The turn the input already carries is part of what a player shows, and of what the
    // re-encoding turns further. An MP4 or QuickTime file says it itself, and the converter
    // confirms it in its listing of the copy's input; a converter that is given the turn as
    // an input option lists the new one there, so it is asked beforehand instead.
    const bool readFromFile = *m_rotationWriting == RotationWriting::RotateTag;
    std::optional<int> carried = readFromFile ? ReadDisplayRotation(entry.Path) : std::nullopt;
    if (!carried) {
        const ProbeResult input = ProbeOutput(converter, entry.Path, m_pump, stopping);
        if (stopping())
            return HeadResult::Stopped;
        if (!input.Ran || !input.Opened || !input.HasVideo) {
            why = "the converter found no picture in the input";
            return HeadResult::NotDone;
        }
        carried = input.Rotation % 90 == 0 ? input.Rotation : kNotAQuarterTurn;
    }
    if (*carried == kNotAQuarterTurn) {
        why = "the input is shown tilted or mirrored, not by a quarter turn";
        return HeadResult::NotDone;
    }
    const int wanted = (*carried + *turn) % 360;
    const std::string commandLine = BuildLosslessCommandLine(request, wanted, *m_rotationWriting);
    if (const HeadResult ran = Run(commandLine, id, outputPath, true); ran != HeadResult::Done)
        return ran;

    // The converter's word for the copy, then the turn read back from the file itself: a
    // converter that drops the tag must not leave the picture unturned.
    std::optional<ProbeResult> written;
    RunFacts facts;
    facts.Exit = m_runner.LastExitStatus();
    facts.OutputSize = fs::IsRegularFile(outputPath) ? fs::FileSize(outputPath) : -1;
    facts.ConverterOutput = m_runner.Outputs();
    facts.Probe = [&] {
        written = ProbeOutput(converter, outputPath, m_pump, stopping);
        return *written;
    };
    const RunOutcome outcome = JudgeRun(facts);
    if (outcome.Succeeded && !written)
        written = ProbeOutput(converter, outputPath, m_pump, stopping);
    if (stopping()) {
        fs::RemoveFile(outputPath);
        m_log.Record(commandLine, DescribeExit(facts.Exit), "stopped");
        return HeadResult::Stopped;
    }
    if (!outcome.Succeeded)
        why = "the streams could not be copied: " + outcome.FailureLine;
    else if (StreamsOf(facts.ConverterOutput, "Input #0").Rotation !=
             (readFromFile ? *carried : wanted))
        why = "the turn the input carries was read as " + std::to_string(*carried) +
              " degrees, the converter read another";
    else if (!written->Ran || !written->Opened)
        why = "the copy could not be read back";
    else if (written->Rotation != wanted)
        why = "the converter wrote a turn of " + std::to_string(written->Rotation) +
              " degrees instead of " + std::to_string(wanted);
    if (!why.empty()) {
        fs::RemoveFile(outputPath);
        m_log.Record(commandLine, DescribeExit(facts.Exit), "not kept: " + why);
        return HeadResult::NotDone;
    }
    m_list.Remove(id);
    m_takenOutputs.insert(outputPath);
    m_log.Record(commandLine, DescribeExit(facts.Exit),
                 outputPath + " (turned without re-encoding)");
    return HeadResult::Done;
}

std::string BatchDriver::UniqueOutputName(const CommandLineRequest& request, int& counter) const
{
    for (counter = 0;; counter = counter == 0 ? 2 : counter + 1) {
        std::string path = OutputFilePath(request.OutputFolder, request.InputPath,
                                          request.OutputFormat, request.Time, counter);
        if (!fs::PathExists(path) && !m_takenOutputs.contains(path))
            return path;
    }
}

void BatchDriver::FinishBatch()
{
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
    std::string text = "以下文件没有转换成功:\n";
    for (const FailedEntry& failure : m_failures)
        text += "\n" + failure.DisplayText + "\n    " + failure.Reason + "\n";
    m_messages.ShowMessage(text, kProgramTitle, UserMessages::Icon::Warning);
}

} // namespace pivora::engine
