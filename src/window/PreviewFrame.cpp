#include "window/PreviewFrame.h"

#include "engine/CommandLine.h"
#include "engine/RunOutcome.h"
#include "platform/CommandLineRules.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"

namespace pivora::window {

namespace fs = pivora::platform;

PreviewFrame::PreviewFrame(std::string programFolder, std::string file)
    : m_programFolder(std::move(programFolder)), m_file(std::move(file))
{
}

PreviewFrame::~PreviewFrame()
{
    Abandon();
}

void PreviewFrame::Abandon()
{
    if (!m_child)
        return;
    // Killed and collected at once, so that nothing lingers as a zombie.
    m_child->Kill();
    for (int i = 0; i < 20 && !m_child->HasExited(); ++i)
        fs::WaitForHandles(10, m_child->WakeHandles());
    fs::ReleaseProcess(m_child->Id());
    m_child.reset();
}

void PreviewFrame::Start(const std::string& input, int rotation)
{
    m_input = input;
    m_rotation = rotation;
    m_seeking = true;
    Run();
}

void PreviewFrame::Run()
{
    using fs::QuoteArgument;
    Abandon();
    m_output.clear();
    m_reason.clear();
    m_reasonText = nullptr;
    fs::CreateFolders(m_file.substr(0, m_file.find_last_of(fs::PathSeparator())));
    fs::RemoveFile(m_file);
    // The same filter as the batch's, and the picture as a player shows it.
    std::string line = QuoteArgument(fs::ConverterPath(m_programFolder)) +
                       " -hide_banner -nostdin -loglevel error";
    if (m_seeking)
        line += " -ss 1";
    line += " -i " + QuoteArgument(pivora::engine::ConverterSafePath(m_input)) + " -frames:v 1 " +
            pivora::engine::RotationFilterFor(m_rotation) + " -y " + QuoteArgument(m_file);
    auto started = fs::ChildProcess::Start(line);
    if (!started.Process) {
        m_state = State::Failed;
        m_reasonText = PIVORA_TRANSLATE_NOOP("CoreTexts", "文件或命令未找到");
        return;
    }
    m_child = std::move(started.Process);
    // A batch started meanwhile neither stops this converter nor waits for it.
    fs::SpareProcess(m_child->Id());
    m_state = State::Busy;
}

PreviewFrame::State PreviewFrame::Poll()
{
    if (!m_child)
        return m_state;
    if (const std::size_t waiting = m_child->BytesWaiting(); waiting != 0) {
        std::string chunk;
        if (m_child->Read(chunk, waiting))
            m_output += chunk;
        return m_state;
    }
    if (m_child->HasExited())
        Finish();
    return m_state;
}

void PreviewFrame::Finish()
{
    fs::ReleaseProcess(m_child->Id());
    m_child.reset();
    if (fs::IsRegularFile(m_file) && fs::FileSize(m_file) > 0) {
        m_state = State::Ready;
        return;
    }
    if (m_seeking && m_output.empty()) {
        // Nothing a second in, and no complaint: a clip shorter than that.
        m_seeking = false;
        Run();
        return;
    }
    m_state = State::Failed;
    m_reason = pivora::engine::FailureReason(m_output);
    if (m_reason.empty())
        m_reasonText = kNoPicture;
}

} // namespace pivora::window
