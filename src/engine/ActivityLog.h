#pragma once

#include <cstdint>
#include <string>

namespace pivora::engine {

// Appends one record per converted entry: time, command line, exit status and result.
// The file is kept small: past the limit it is moved aside as "<name>.1" and begun anew.
class ActivityLog
{
public:
    explicit ActivityLog(std::string path, std::int64_t limitBytes = 2 * 1024 * 1024);

    void Record(const std::string& commandLine, const std::string& exitStatus,
                const std::string& result);
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::int64_t m_limitBytes;
};

} // namespace pivora::engine
