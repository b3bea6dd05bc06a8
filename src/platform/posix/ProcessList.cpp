#include "platform/ProcessList.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pivora::platform {

namespace {

struct ProcessEntry
{
    pid_t Pid = 0;
    std::string Name;    // the executable's file name as the kernel keeps it
    std::string Program; // the program path it was started as
    std::string Image;   // the executable file
};

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The live processes of this user. Exited children that nobody has waited for yet (state Z)
// are still listed by the kernel; they are not running and are skipped.
std::vector<ProcessEntry> ListOwnProcesses()
{
    std::vector<ProcessEntry> entries;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return entries;
    const uid_t me = ::getuid();
    while (const dirent* item = ::readdir(proc)) {
        const std::string id = item->d_name;
        if (id.empty() || !std::all_of(id.begin(), id.end(), ::isdigit))
            continue;
        const std::string folder = "/proc/" + id;
        struct stat info
        {
        };
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != me)
            continue;
        const std::string stat = ReadWhole(folder + "/stat");
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 2 >= stat.size())
            continue;
        const char state = stat[close + 2];
        if (state == 'Z' || state == 'X' || state == 'x')
            continue;
        ProcessEntry entry;
        entry.Pid = static_cast<pid_t>(std::stol(id));
        entry.Name = stat.substr(open + 1, close - open - 1);
        const std::string commandLine = ReadWhole(folder + "/cmdline");
        entry.Program = commandLine.substr(0, commandLine.find('\0'));
        char image[4096];
        const ssize_t length = ::readlink((folder + "/exe").c_str(), image, sizeof image - 1);
        if (length > 0)
            entry.Image.assign(image, static_cast<std::size_t>(length));
        entries.push_back(std::move(entry));
    }
    ::closedir(proc);
    return entries;
}

// The kernel keeps at most 15 bytes of a process name.
bool NameMatches(const ProcessEntry& entry, std::string_view name)
{
    constexpr std::size_t kKernelNameLength = 15;
    const std::string wanted = Lower(name.substr(0, std::min(name.size(), kKernelNameLength)));
    return !wanted.empty() && Lower(entry.Name) == wanted;
}

} // namespace

bool IsProcessRunning(std::string_view name)
{
    const std::vector<ProcessEntry> entries = ListOwnProcesses();
    return std::any_of(entries.begin(), entries.end(),
                       [&](const ProcessEntry& entry) { return NameMatches(entry, name); });
}

void KillProcessByName(std::string_view name, const std::string& converterPath)
{
    const pid_t self = ::getpid();
    for (const ProcessEntry& entry : ListOwnProcesses()) {
        if (entry.Pid == self || !NameMatches(entry, name))
            continue;
        const bool ours = entry.Program == converterPath || entry.Image == converterPath;
        if (ours)
            ::kill(entry.Pid, SIGKILL);
    }
}

} // namespace pivora::platform
