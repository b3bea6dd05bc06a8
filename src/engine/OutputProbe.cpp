#include "engine/OutputProbe.h"

#include "engine/CommandLine.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLineRules.h"
#include "platform/ProcessList.h"

#include <chrono>

namespace pivora::engine {

namespace {

constexpr int kPollMilliseconds = 20;

} // namespace

ConverterQuestion::ConverterQuestion(std::unique_ptr<pivora::platform::ChildProcess> child,
                                     std::chrono::milliseconds patience)
    : m_child(std::move(child)), m_patience(patience),
      m_deadline(std::chrono::steady_clock::now() + patience)
{
    // A question is no conversion: the batch neither stops it as a stray nor waits for it.
    if (m_child)
        pivora::platform::SpareProcess(m_child->Id());
}

ConverterQuestion::~ConverterQuestion()
{
    EndChild();
}

void ConverterQuestion::EndChild()
{
    if (m_child)
        pivora::platform::ReleaseProcess(m_child->Id());
    m_child.reset();
}

ConverterQuestion::ConverterQuestion(const std::string& commandLine,
                                     std::chrono::milliseconds patience)
    : ConverterQuestion(pivora::platform::ChildProcess::Start(commandLine).Process, patience)
{
}

std::vector<pivora::platform::NativeHandle> ConverterQuestion::WakeHandles() const
{
    return m_child ? m_child->WakeHandles() : std::vector<pivora::platform::NativeHandle>{};
}

bool ConverterQuestion::Poll(bool cutShort)
{
    if (!m_child)
        return false;
    pivora::platform::ChildProcess& child = *m_child;
    while (const std::size_t waiting = child.BytesWaiting()) {
        std::string chunk;
        const bool read = child.Read(chunk, waiting);
        m_text += chunk;
        if (!read)
            break;
    }
    if (child.HasExited() && child.BytesWaiting() == 0) {
        const pivora::platform::ExitStatus status = child.Status();
        if (status.Known && !status.Exited)
            m_why = Unanswered::Ended;
        else
            m_answer = std::move(m_text);
        EndChild();
        return false;
    }
    if (cutShort || std::chrono::steady_clock::now() > m_deadline) {
        m_why = cutShort ? Unanswered::CutShort : Unanswered::TimedOut;
        child.Kill();
        for (int i = 0; i < 50 && !child.HasExited(); ++i)
            pivora::platform::WaitForHandles(kPollMilliseconds, child.WakeHandles());
        EndChild();
        return false;
    }
    return true;
}

std::optional<std::string> CollectOutput(const std::string& commandLine,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped)
{
    return CollectOutput(pivora::platform::ChildProcess::Start(commandLine).Process, pump, stopped);
}

std::optional<std::string> CollectOutput(std::unique_ptr<pivora::platform::ChildProcess> child,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped)
{
    ConverterQuestion question(std::move(child));
    while (question.Poll(pump.Quitting() || (stopped && stopped())))
        pump.Wait(kPollMilliseconds, question.WakeHandles());
    return question.Answer();
}

std::string ProbeCommandLine(const std::string& converterPath, const std::string& file)
{
    using pivora::platform::QuoteArgument;
    // Without an output the converter only opens its input, lists it and exits.
    return QuoteArgument(converterPath) + " -hide_banner -nostdin -i " +
           QuoteArgument(ConverterSafePath(file));
}

std::string MeasureCommandLine(const std::string& converterPath, const std::string& file)
{
    using pivora::platform::QuoteArgument;
    return QuoteArgument(converterPath) + " -hide_banner -nostdin -i " +
           QuoteArgument(ConverterSafePath(file)) + " -map 0:V? -map 0:a? -c copy -f null -";
}

ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump, const std::function<bool()>& stopped)
{
    const std::optional<std::string> text =
        CollectOutput(ProbeCommandLine(converterPath, file), pump, stopped);
    return text ? ReadProbe(*text) : ProbeResult{};
}

} // namespace pivora::engine
