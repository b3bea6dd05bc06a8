#include "app/cli/PrivateConverter.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <cstdlib>
#include <unistd.h>

namespace pivora::cli {

namespace fs = pivora::platform;

PrivateConverter::PrivateConverter(const std::string& programFolder) : m_folder(programFolder)
{
    // The converters are recognised by the folder they were started from, links not resolved.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* temporary = std::getenv("TMPDIR");
    std::string base = runtime && *runtime ? runtime : temporary && *temporary ? temporary : "/tmp";
    std::string pattern = fs::JoinPath(base, "pivora-cli-XXXXXX");
    if (!::mkdtemp(pattern.data()))
        return;
    const std::string converter = fs::ConverterPath(fs::AbsolutePath(programFolder));
    const std::string data = fs::JoinPath(pattern, "data");
    if (!fs::CreateFolder(data) ||
        ::symlink(converter.c_str(), fs::ConverterPath(pattern).c_str()) != 0) {
        fs::RemoveFolderTree(pattern);
        return;
    }
    m_made = pattern;
    m_folder = pattern;
}

PrivateConverter::~PrivateConverter()
{
    if (!m_made.empty())
        fs::RemoveFolderTree(m_made);
}

} // namespace pivora::cli
