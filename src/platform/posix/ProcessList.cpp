#include "platform/ProcessList.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pivora::platform {

namespace {

struct ProcessEntry
{
    pid_t Pid = 0;
    pid_t Parent = 0;
    std::string Name;                 // the executable's file name as the kernel keeps it
    std::vector<std::string> Started; // the first two arguments: a program, or a script's
                                      // interpreter and the script
    std::string Image;                // the executable file
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
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return text;
}

// The kernel keeps at most 15 bytes of a process name.
std::string KernelName(std::string_view name)
{
    constexpr std::size_t kKernelNameLength = 15;
    return Lower(name.substr(0, std::min(name.size(), kKernelNameLength)));
}

// The live processes of this user that carry `name`, compared without regard to case.
// Exited children that nobody has waited for yet (state Z) are still listed by the kernel;
// they are not running and are skipped. A scan runs several times per converted file, so
// only the processes of that name are looked at closely.
std::vector<ProcessEntry> ListOwnProcesses(std::string_view name)
{
    const std::string wanted = KernelName(name);
    if (wanted.empty())
        return {};
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
        // The name alone first: the kernel makes it for half what the whole status costs,
        // and on a busy desktop hundreds of processes are looked at per scan.
        std::string comm = ReadWhole(folder + "/comm");
        if (!comm.empty() && comm.back() == '\n')
            comm.pop_back();
        if (Lower(comm) != wanted)
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
        // Whose it is, asked only of the few of that name.
        struct stat info
        {
        };
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != me)
            continue;
        // After the state comes the parent's id.
        entry.Parent = static_cast<pid_t>(std::strtol(stat.c_str() + close + 3, nullptr, 10));
        const std::string commandLine = ReadWhole(folder + "/cmdline");
        for (std::size_t at = 0; at < commandLine.size() && entry.Started.size() < 2;) {
            const std::size_t end = commandLine.find('\0', at);
            std::string argument = commandLine.substr(at, end - at);
            // A relative path is relative to where that process was started.
            if (!argument.empty() && argument.front() != '/')
                argument = folder + "/cwd/" + argument;
            entry.Started.push_back(std::move(argument));
            if (end == std::string::npos)
                break;
            at = end + 1;
        }
        char image[4096];
        const ssize_t length = ::readlink((folder + "/exe").c_str(), image, sizeof image - 1);
        if (length > 0)
            entry.Image.assign(image, static_cast<std::size_t>(length));
        entries.push_back(std::move(entry));
    }
    ::closedir(proc);
    return entries;
}

// The kernel's name of a live process; empty when it is gone or has exited.
std::string LiveProcessName(pid_t pid)
{
    const std::string stat = ReadWhole("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 >= stat.size())
        return {};
    const char state = stat[close + 2];
    if (state == 'Z' || state == 'X' || state == 'x')
        return {};
    return stat.substr(open + 1, close - open - 1);
}

// Whether `pid` is another live process of this program: the window or the command line,
// whoever started it, or a copy of this very program under another name.
bool IsOtherProgramProcess(pid_t pid)
{
    if (pid <= 1 || pid == ::getpid())
        return false;
    const std::string name = LiveProcessName(pid);
    if (name.empty())
        return false;
    static const std::string self = LiveProcessName(::getpid());
    return name == "pivora" || name == "pivora-cli" || name == self;
}

std::set<long>& Spared()
{
    static std::set<long> spared;
    return spared;
}

// The folder a path lies in, links resolved, and its own name: two paths that give the same
// pair name the same file however they were written ("data/conv", "/x/tests/../data/conv").
std::pair<std::string, std::string> Location(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    char* resolved = ::realpath(folder.empty() ? "/" : folder.c_str(), nullptr);
    if (!resolved)
        return {};
    std::pair<std::string, std::string> location{resolved, path.substr(slash + 1)};
    std::free(resolved);
    return location;
}

// The live processes of this user, other than this one, that carry `name` and were started
// from the converter file: directly, or as a script under its interpreter.
std::vector<pid_t> FindConverterProcesses(std::string_view name, const std::string& converterPath)
{
    std::vector<pid_t> found;
    const auto converter = Location(converterPath);
    if (converter.first.empty())
        return found;
    const pid_t self = ::getpid();
    for (const ProcessEntry& entry : ListOwnProcesses(name)) {
        if (entry.Pid == self || Spared().contains(entry.Pid))
            continue;
        // Another program's conversion, not a stray: several of them may share a converter.
        if (IsOtherProgramProcess(entry.Parent))
            continue;
        if (entry.Image == converterPath ||
            std::any_of(entry.Started.begin(), entry.Started.end(),
                        [&](const std::string& started) { return Location(started) == converter; }))
            found.push_back(entry.Pid);
    }
    return found;
}

} // namespace

long CurrentProcessId()
{
    return static_cast<long>(::getpid());
}

std::string MachineName()
{
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

bool IsProgramProcess(long id)
{
    if (id <= 1 || id != static_cast<pid_t>(id))
        return false;
    return id == ::getpid() || IsOtherProgramProcess(static_cast<pid_t>(id));
}

bool IsProcessRunning(std::string_view name, const std::string& converterPath)
{
    return !FindConverterProcesses(name, converterPath).empty();
}

void KillProcessByName(std::string_view name, const std::string& converterPath)
{
    for (const pid_t pid : FindConverterProcesses(name, converterPath))
        ::kill(pid, SIGKILL);
}

void SpareProcess(long id)
{
    Spared().insert(id);
}

void ReleaseProcess(long id)
{
    Spared().erase(id);
}

} // namespace pivora::platform
