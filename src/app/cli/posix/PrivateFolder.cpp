#include "app/cli/PrivateFolder.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace pivora::cli::private_folder {

namespace fs = pivora::platform;

std::vector<std::string> Places()
{
    // The runtime folder is the user's own and emptied at log-out; it counts only when it is
    // (after su, in containers it is someone else's, or gone), then the temporary folders.
    std::vector<std::string> places;
    const auto add = [&](const char* folder) {
        if (folder && *folder == '/' &&
            std::find(places.begin(), places.end(), folder) == places.end())
            places.emplace_back(folder);
    };
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info
    {
    };
    if (runtime && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid())
        add(runtime);
    add(std::getenv("TMPDIR"));
    add("/tmp");
    return places;
}

std::string MakeFolder(const std::string& place)
{
    std::string pattern = fs::JoinPath(place, "pivora-cli-XXXXXX");
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

bool IsOwnFolder(const std::string& folder)
{
    struct stat info
    {
    };
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid();
}

bool PlaceConverter(const std::string& folder, const std::string& programFolder)
{
    // The converters are recognised by the folder they were started from, links not resolved.
    const std::string converter = fs::ConverterPath(fs::AbsolutePath(programFolder));
    return fs::CreateFolder(fs::JoinPath(folder, "data")) &&
           ::symlink(converter.c_str(), fs::ConverterPath(folder).c_str()) == 0;
}

bool ConverterRunsFromFolder()
{
    return true;
}

} // namespace pivora::cli::private_folder
