#include "engine/BatchDriver.h"

#include "engine/OutputProbe.h"
#include "engine/RunOutcome.h"
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
    if (m_runningEntry)
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
    SelectRotationFilter(m_host.Rotation(), m_rotationFilter);
    m_host.SetProgressValue(0);
    const std::string converter = fs::ConverterPath(m_setup.ProgramFolder);
    fs::KillProcessByName(fs::ConverterProcessName(), converter);

    const pivora::input::InputEntry entry = m_list.At(0);
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
    WatchedProcessName() = fs::ConverterProcessName();
    m_runner.SetCommandLine(commandLine);
    m_runningEntry = m_list.IdAt(0);
    // No events run between the loop's look at the stop flag and this call, so a stop cannot
    // fall between them and be lost.
    m_runner.ExecuteCommand();

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
    m_takenOutputs.insert(outputPath);

    RunFacts facts;
    facts.Exit = m_runner.LastExitStatus();
    facts.OutputSize = fs::IsRegularFile(outputPath) ? fs::FileSize(outputPath) : -1;
    facts.ConverterOutput = m_runner.Outputs();
    facts.Probe = [&] {
        return ProbeOutput(converter, outputPath, m_pump, [this] { return m_stopRequested; });
    };
    const RunOutcome outcome = JudgeRun(facts);
    if (outcome.Succeeded) {
        m_log.Record(commandLine, DescribeExit(facts.Exit), outputPath);
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
        m_log.Record(commandLine, DescribeExit(facts.Exit), "failed: " + outcome.FailureLine);
    }
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
