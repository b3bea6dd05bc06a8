#pragma once

#include <functional>
#include <set>
#include <string>

#include "platform/EventPump.h"
#include "platform/FileSystem.h"

namespace pivora::input {

// Copies of inputs whose paths cannot be handed on as they are, made under safe names in the
// program's own copies folder. No two inputs ever share a copy.
class TempCopies
{
public:
    explicit TempCopies(std::string folder, std::function<pivora::platform::LocalDateTime()> clock =
                                                pivora::platform::Now);

    // Copies the file and gives the copy's path: the cleaned base name of the input (at most
    // 200 characters; the date and time when it is blank) and ".tmp", with "_2", "_3", ...
    // when that name is taken. The path is given even when the copy failed. With a pump the
    // window keeps running during a long copy.
    std::string MakeTempCopy(const std::string& p, pivora::platform::EventPump* pump = nullptr);

    // The cleaned base name a copy of `p` is named after, before any counter.
    std::string CopyBaseName(const std::string& p) const;

    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
    std::function<pivora::platform::LocalDateTime()> m_clock;
    std::set<std::string> m_issued;
};

} // namespace pivora::input
