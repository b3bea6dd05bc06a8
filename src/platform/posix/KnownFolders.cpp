#include "platform/KnownFolders.h"

#include "platform/FileSystem.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pivora::platform {

namespace {

std::string XdgFolder(const char* variable, const char* fallbackUnderHome)
{
    const char* value = std::getenv(variable);
    if (value && *value == '/')
        return value;
    return JoinPath(HomeFolder(), fallbackUnderHome);
}

} // namespace

std::string ProgramFolder()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = path.find_last_of('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string DataFolder(const std::string& programFolder)
{
#ifdef PIVORA_DATA_FROM_PROGRAM
    // As installed: <prefix>/lib/pivora and <prefix>/share/pivora. The help page tells the
    // installed layout from a build folder that happens to sit at the same place.
    const std::string installed =
        std::filesystem::path(JoinPath(programFolder, PIVORA_DATA_FROM_PROGRAM))
            .lexically_normal()
            .string();
    if (IsRegularFile(JoinPath(installed, "help.html")))
        return installed;
#endif
    return programFolder;
}

bool IsSystemProgramFolder(const std::string& programFolder)
{
    struct stat info
    {
    };
    if (DataFolder(programFolder) != programFolder)
        return true;
    return ::stat(programFolder.c_str(), &info) == 0 && info.st_uid != ::geteuid();
}

std::string ConverterRelativePath()
{
    return "data/conv";
}

std::string ConverterProcessName()
{
    return "conv";
}

std::string ConverterPath(const std::string& programFolder)
{
    return JoinPath(programFolder, ConverterRelativePath());
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/tmp";
}

std::string DefaultOutputFolder()
{
    return JoinPath(HomeFolder(), "output");
}

std::string SettingsFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string SettingsFilesFolder(const std::string& settingsFolder)
{
    return settingsFolder.empty() ? settingsFolder : JoinPath(settingsFolder, "pivora");
}

std::string WorkFolder()
{
    return JoinPath(XdgFolder("XDG_CACHE_HOME", ".cache"), "pivora/work");
}

std::string TempCopiesFolder()
{
    return JoinPath(XdgFolder("XDG_CACHE_HOME", ".cache"), "pivora/tmp");
}

std::string CacheFolder()
{
    return JoinPath(XdgFolder("XDG_CACHE_HOME", ".cache"), "pivora");
}

std::string StateFolder()
{
    return JoinPath(XdgFolder("XDG_STATE_HOME", ".local/state"), "pivora");
}

} // namespace pivora::platform
