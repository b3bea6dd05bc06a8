#include "app/cli/PrivateFolder.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <random>

namespace pivora::cli::private_folder {

namespace fs = pivora::platform;

std::vector<std::string> Places()
{
    // Beside the window's own folders, under the user's local application data.
    return {fs::CacheFolder()};
}

std::string MakeFolder(const std::string& place)
{
    fs::CreateFolders(place);
    constexpr char kCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed() ^ ::GetCurrentProcessId() ^ static_cast<unsigned>(::GetTickCount()));
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kCharacters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "pivora-cli-";
        for (int i = 0; i < 6; ++i)
            name += kCharacters[pick(random)];
        const std::string folder = fs::JoinPath(place, name);
        if (::CreateDirectoryW(fs::win32::Wide(folder).c_str(), nullptr))
            return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

bool IsOwnFolder(const std::string&)
{
    // The local application data folder is the user's own.
    return true;
}

bool PlaceConverter(const std::string&, const std::string&)
{
    return true;
}

bool ConverterRunsFromFolder()
{
    // A process carries the path of the file it runs from, so a private converter would be a
    // copy of the real one; the program folder is shared instead.
    return false;
}

} // namespace pivora::cli::private_folder
