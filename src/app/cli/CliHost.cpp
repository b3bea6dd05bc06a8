#include "app/cli/CliHost.h"

#include "app/cli/CliText.h"
#include "app/cli/Console.h"
#include "engine/CommandLine.h"
#include "engine/RunOutcome.h"
#include "platform/CommandLineRules.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace pivora::cli {

namespace {

constexpr const char* kReportHead = "以下文件没有转换成功:";
// How often the progress line may be drawn again.
constexpr auto kDrawInterval = std::chrono::milliseconds(200);

// The command line speaks English: the texts of the core, with their arguments ("%1") kept.
const std::map<std::string_view, std::string_view>& EnglishTexts()
{
    static const std::map<std::string_view, std::string_view> texts{
        {"转换中", "converting"},
        {kReportHead, "These files were not converted:"},
        {"命令行为空", "The command line is empty"},
        {"创建管道失败. 错误: %1", "Could not create a pipe. Error: %1"},
        {"文件或命令未找到", "File or command not found"},
        {"转换程序没有正常结束", "The converter did not end normally"},
        {"转换程序被终止 (信号 %1)", "The converter was terminated (signal %1)"},
        {"转换程序退出代码 %1", "The converter exited with code %1"},
        {"没有生成输出文件", "No output file was made"},
        {"输出文件无法打开", "The output file cannot be opened"},
        {"无法检查输出: 转换程序无法启动",
         "Cannot check the output: the converter cannot be started"},
        {"无法检查输出: 转换程序 %1 秒内没有回答",
         "Cannot check the output: the converter did not answer within %1 seconds"},
        {"无法检查输出: 转换程序被终止", "Cannot check the output: the converter was ended"},
    };
    return texts;
}

// The share an entry's label tells ("46%", "27.6%"); nothing for a label without one.
std::optional<double> FractionOf(const std::string& label)
{
    if (label.empty() || label.back() != '%')
        return std::nullopt;
    char* end = nullptr;
    const double percent = std::strtod(label.c_str(), &end);
    if (end == label.c_str())
        return std::nullopt;
    return std::clamp(percent / 100.0, 0.0, 1.0);
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

} // namespace

CliHost::CliHost(Choices choices, Printing printing, pivora::input::InputList& list)
    : m_choices(std::move(choices)), m_printing(printing), m_list(list)
{
}

void CliHost::Attach(const pivora::engine::BatchDriver& driver, std::string running,
                     std::string shown)
{
    m_driver = &driver;
    m_converter = std::move(running);
    m_shownConverter = std::move(shown);
}

void CliHost::Begin()
{
    m_total += m_list.Count();
    m_begun = Clock::now();
    DrawProgress(true);
}

void CliHost::Watch()
{
    if (!m_driver)
        return;
    // A run's input follows "-i", its output is the last argument; the outputs already known
    // are not handed to a second entry of the same input.
    std::set<std::string> known;
    for (const auto& [id, running] : m_running)
        known.insert(running.Output);
    for (const std::string& line : m_driver->RunningCommandLines()) {
        const std::vector<std::string> arguments = pivora::platform::SplitArguments(
            pivora::platform::SplitProgram(line, [&](const std::string& candidate) {
                return candidate == m_converter;
            }).ArgumentText);
        const auto input = std::find(arguments.begin(), arguments.end(), "-i");
        if (input == arguments.end() || input + 1 == arguments.end() ||
            known.contains(arguments.back()))
            continue;
        for (auto& [id, running] : m_running) {
            if (running.Output.empty() &&
                (input[1] == running.Entry.Path ||
                 input[1] == pivora::engine::ConverterSafePath(running.Entry.Path))) {
                running.Output = arguments.back();
                known.insert(running.Output);
                break;
            }
        }
    }
}

void CliHost::ShowProgress(const pivora::engine::ProgressDisplay& display)
{
    // With several at once the display is the whole batch's; with one, the running file's.
    if (m_driver && m_driver->JobsInUse() > 1)
        m_batchFraction = FractionOf(display.Label).value_or(m_batchFraction);
}

void CliHost::ShowEntryState(pivora::input::EntryId id, const std::string& state)
{
    if (state.empty()) {
        if (const auto found = m_running.find(id); found != m_running.end()) {
            Running running = std::move(found->second);
            m_running.erase(found);
            Ended(id, std::move(running));
        }
        return;
    }
    auto [entry, fresh] = m_running.try_emplace(id);
    if (fresh) {
        const std::optional<std::size_t> index = m_list.IndexOf(id);
        if (index)
            entry->second.Entry = m_list.At(*index);
        entry->second.Started = Clock::now();
    }
    if (const std::optional<double> fraction = FractionOf(state))
        entry->second.Fraction = *fraction;
    Watch();
    DrawProgress(false);
}

void CliHost::Ended(pivora::input::EntryId id, Running running)
{
    m_reported.insert(id);
    FileResult result;
    result.Input = running.Entry.DisplayText;
    result.Seconds = std::chrono::duration<double>(Clock::now() - running.Started).count();
    if (m_list.IndexOf(id)) {
        // The entry stays in the list: its conversion was stopped, or could not be started.
        result.Outcome = m_interrupted ? "stopped" : "not converted";
        if (!m_interrupted)
            result.Reason = "the converter " + m_shownConverter + " could not be started";
        Report(result);
        return;
    }
    // The batch names its failures by the entries' shown names, in list order; each name takes
    // its failures in turn.
    const std::vector<pivora::engine::FailedEntry>& failures = m_driver->LastFailures();
    std::size_t& taken = m_failuresTaken[result.Input];
    std::size_t seen = 0;
    const pivora::engine::FailedEntry* failure = nullptr;
    for (const pivora::engine::FailedEntry& candidate : failures) {
        if (candidate.DisplayText == result.Input && seen++ == taken) {
            failure = &candidate;
            break;
        }
    }
    if (!failure) {
        result.Outcome = "converted";
        result.Output = running.Output;
    } else {
        ++taken;
        result.Reason = pivora::engine::ShownFailureLine(failure->Reason, *this);
        // A converter the user's Ctrl+C reached as well ends by itself; its output is gone.
        if (m_interrupted) {
            result.Outcome = "stopped";
            result.Reason.clear();
        } else if (failure->Output != pivora::engine::FailedEntry::Kept::Nothing &&
                   !running.Output.empty() && pivora::platform::PathExists(running.Output)) {
            // Kept for the user to judge: the converter could not open it to check it, or it
            // holds all that a damaged input held.
            result.Outcome = failure->Output == pivora::engine::FailedEntry::Kept::Incomplete
                                 ? "incomplete"
                                 : "unchecked";
            result.Output = running.Output;
        } else {
            result.Outcome = "failed";
        }
    }
    Report(result);
}

void CliHost::Refused(const std::string& input, const std::string& reason)
{
    ++m_total;
    FileResult result;
    result.Input = input;
    result.Outcome = "failed";
    result.Reason = reason;
    Report(result);
}

void CliHost::Finish(bool interrupted)
{
    m_interrupted = m_interrupted || interrupted;
    // Whatever still runs in the view has ended with the batch.
    while (!m_running.empty()) {
        auto first = m_running.begin();
        Running running = std::move(first->second);
        const pivora::input::EntryId id = first->first;
        m_running.erase(first);
        Ended(id, std::move(running));
    }
    for (std::size_t i = 0; i < m_list.Count(); ++i) {
        if (m_reported.contains(m_list.IdAt(i)))
            continue;
        FileResult result;
        result.Input = m_list.At(i).DisplayText;
        result.Outcome = m_interrupted ? "stopped" : "not converted";
        if (!m_interrupted)
            result.Reason = "the converter " + m_shownConverter + " could not be started";
        Report(result);
    }
    ClearProgress();
    if (!m_lostOutput.empty())
        Say("the JSON lines could not all be written to standard output: " + m_lostOutput);
    if (m_printing.Quiet)
        return;
    if (m_total == 0) {
        Say(m_skipped == 0 ? "no files to convert"
                           : "no videos to convert, " + std::to_string(m_skipped) + " skipped");
        return;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_begun);
    std::string line = std::to_string(m_converted) + " of " + std::to_string(m_total) +
                       (m_total == 1 ? " file" : " files") + " converted";
    if (m_failed > 0)
        line.append(", ").append(std::to_string(m_failed)).append(" failed");
    if (m_skipped > 0)
        line.append(", ").append(std::to_string(m_skipped)).append(" skipped");
    if (m_interrupted)
        line.append(", stopped");
    else if (m_notStarted)
        line.append(", the converter ").append(m_shownConverter).append(" could not be started");
    line.append(" (").append(ClockText(seconds.count())).append(")");
    // Where the new files are: their names are new, time-stamped ones.
    if (m_converted > 0)
        line.append("; output folder: ").append(m_choices.OutputFolder);
    Say(line);
}

void CliHost::Report(const FileResult& result)
{
    ++m_done;
    const bool failed = result.Outcome == "failed" || result.Outcome == "unchecked" ||
                        result.Outcome == "incomplete" || result.Outcome == "not converted";
    m_failed += failed ? 1 : 0;
    m_converted += result.Outcome == "converted" ? 1 : 0;
    WriteJson(result);
    // Failures are always named, and each other file with its output unless quiet.
    if (result.Outcome == "failed" || result.Outcome == "not converted")
        Say("failed: " + Shown(result.Input) + (result.Reason.empty() ? "" : ": " + result.Reason));
    else if (result.Outcome == "unchecked" || result.Outcome == "incomplete")
        Say((result.Outcome == "unchecked" ? "not checked: " : "incomplete: ") +
            Shown(result.Input) + " -> " + result.Output + ": " + result.Reason);
    else if (!m_printing.Quiet)
        Say(result.Outcome + ": " + Shown(result.Input) +
            (result.Output.empty() ? "" : " -> " + result.Output) +
            (result.Seconds > 0
                 ? std::string(" (").append(SecondsText(result.Seconds)).append(" s)")
                 : std::string()));
    DrawProgress(true);
}

void CliHost::WriteJson(const FileResult& result)
{
    if (!m_printing.Json)
        return;
    // On one terminal with the progress line, a line of its own.
    if (m_printing.OutputTerminal)
        ClearProgress();
    const bool written = WriteOutput(std::string("{\"input\":")
                                         .append(JsonString(result.Input))
                                         .append(",\"output\":")
                                         .append(JsonString(result.Output))
                                         .append(",\"outcome\":")
                                         .append(JsonString(result.Outcome))
                                         .append(",\"reason\":")
                                         .append(JsonString(result.Reason))
                                         .append(",\"seconds\":")
                                         .append(SecondsText(result.Seconds))
                                         .append("}\n"));
    if (!written && m_lostOutput.empty())
        m_lostOutput = WriteProblem();
}

void CliHost::Skipped(const std::string& input, const std::string& reason)
{
    ++m_skipped;
    FileResult result;
    result.Input = input;
    result.Outcome = "skipped";
    result.Reason = reason;
    WriteJson(result);
    if (!m_printing.Quiet)
        Say("skipped: " + Shown(input) + ": " + reason);
}

void CliHost::Note(const std::string& text)
{
    if (!m_printing.Quiet)
        Say(text);
}

void CliHost::ShowLooking(std::size_t done, std::size_t total)
{
    if (!m_printing.Terminal || m_printing.Quiet)
        return;
    const Clock::time_point time = Clock::now();
    if (done < total && time - m_drawn < kDrawInterval)
        return;
    m_drawn = time;
    if (done >= total) {
        ClearProgress();
        return;
    }
    DrawLine("looking for videos: " + std::to_string(done) + "/" + std::to_string(total) +
             " files");
}

void CliHost::ShowMessage(const std::string& text, const std::string&, Icon)
{
    // The batch's closing report names the failures that were named one by one already.
    if (text.starts_with(Translate(kReportHead)))
        return;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (end > at)
            Say(text.substr(at, end - at));
        at = end + 1;
    }
}

std::string CliHost::Translate(const char* source) const
{
    const auto& texts = EnglishTexts();
    const auto found = texts.find(source);
    return found == texts.end() ? std::string(source) : std::string(found->second);
}

std::string CliHost::Shown(const std::string& name) const
{
    return name.empty() ? "''" : name;
}

void CliHost::Say(const std::string& line)
{
    ClearProgress();
    // A name's escape sequences must not reach the terminal: they could clear the screen.
    WriteError(std::string("pivora-cli: ")
                   .append(m_printing.ErrorTerminal ? TerminalText(line) : line)
                   .append("\n"));
}

void CliHost::DrawProgress(bool now)
{
    if (!m_printing.Terminal || m_printing.Quiet || m_total == 0 || m_done >= m_total)
        return;
    const Clock::time_point time = Clock::now();
    if (!now && time - m_drawn < kDrawInterval)
        return;
    m_drawn = time;
    double fraction = m_batchFraction;
    if (fraction < 0) {
        double done = static_cast<double>(m_done);
        for (const auto& [id, running] : m_running)
            done += running.Fraction;
        fraction = done / static_cast<double>(m_total);
    }
    fraction = std::clamp(fraction, 0.0, 1.0);
    const double elapsed = std::chrono::duration<double>(time - m_begun).count();
    char percent[16];
    std::snprintf(percent, sizeof percent, "%.1f%%", fraction * 100.0);
    std::string line = std::to_string(m_done) + "/" + std::to_string(m_total) + " files  " +
                       percent + "  elapsed " + ClockText(static_cast<long>(elapsed)) + "  left ";
    if (fraction >= 0.01 && elapsed >= 1)
        line += ClockText(static_cast<long>(elapsed * (1 - fraction) / fraction + 0.5));
    else
        line += "-:--";
    DrawLine(std::move(line));
}

void CliHost::DrawLine(std::string line)
{
    // A line longer than the terminal would wrap, and "\r" would no longer take it back.
    if (m_printing.Columns > 1 && line.size() >= static_cast<std::size_t>(m_printing.Columns))
        line.resize(static_cast<std::size_t>(m_printing.Columns) - 1);
    const std::size_t width = line.size();
    if (width < m_shownWidth)
        line.append(m_shownWidth - width, ' ');
    WriteError("\r" + line);
    m_shownWidth = width;
}

void CliHost::ClearProgress()
{
    if (m_shownWidth == 0)
        return;
    WriteError(std::string("\r").append(m_shownWidth, ' ').append("\r"));
    m_shownWidth = 0;
}

} // namespace pivora::cli
