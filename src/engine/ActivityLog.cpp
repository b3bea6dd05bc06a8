#include "engine/ActivityLog.h"

#include "platform/FileSystem.h"

#include <cstdio>

namespace pivora::engine {

namespace {

// One record field per line: line breaks inside a file name are written as "\n".
std::string OneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    return line;
}

} // namespace

ActivityLog::ActivityLog(std::string path, std::int64_t limitBytes)
    : m_path(std::move(path)), m_limitBytes(limitBytes)
{
}

void ActivityLog::Record(const std::string& commandLine, const std::string& exitStatus,
                         const std::string& result)
{
    namespace fs = pivora::platform;
    if (m_path.empty())
        return;
    const std::size_t slash = m_path.find_last_of(fs::PathSeparator());
    if (slash != std::string::npos)
        fs::CreateFolders(m_path.substr(0, slash));
    if (fs::FileSize(m_path) >= m_limitBytes)
        fs::RenameFile(m_path, m_path + ".1");

    const fs::LocalDateTime now = fs::Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", now.Year, now.Month,
                  now.Day, now.Hour, now.Minute, now.Second);
    const std::string record = std::string(stamp) + "\n  command: " + OneLine(commandLine) +
                               "\n  exit: " + exitStatus + "\n  result: " + OneLine(result) + "\n";
    fs::AppendToFile(m_path, record);
}

} // namespace pivora::engine
