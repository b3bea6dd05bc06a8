#include "platform/FileSystem.h"

#include "platform/EventPump.h"

#include <chrono>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pivora::platform {

char PathSeparator()
{
    return '/';
}

bool IsAbsolutePath(const std::string& path)
{
    return !path.empty() && path.front() == '/';
}

std::string AbsolutePath(const std::string& path)
{
    if (IsAbsolutePath(path) || path.empty())
        return path;
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return path;
    return JoinPath(buffer, path);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool PathExists(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool NarrowPathExists(const std::string& path)
{
    return PathExists(path);
}

bool NarrowIsFolder(const std::string& path)
{
    return IsFolder(path);
}

bool IsRegularFile(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsSpecialFile(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
           !S_ISDIR(info.st_mode);
}

bool IsFolder(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::int64_t ModificationTime(const std::string& path)
{
    struct stat info
    {
    };
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return -1;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::int64_t FileSize(const std::string& path)
{
    struct stat info
    {
    };
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return -1;
    return info.st_size;
}

bool CreateFolder(const std::string& path)
{
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool CreateFolders(const std::string& path)
{
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    const std::size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0)
        CreateFolders(path.substr(0, slash));
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool RemoveFile(const std::string& path)
{
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool CreateNewFile(const std::string& path)
{
    const int made = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0644);
    if (made < 0)
        return false;
    ::close(made);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

// Writes the whole text, however the system splits the writes; false when it cannot.
bool WriteAll(int fd, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

bool AppendToFile(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool whole = WriteAll(fd, text);
    ::close(fd);
    return whole;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::unique_ptr<LockedFile> LockedFile::Open(const std::string& path, bool create)
{
    const int flags =
        O_RDWR | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (create ? O_CREAT | O_EXCL : 0);
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0)
        return nullptr;
    struct stat info
    {
    };
    const auto fail = [&] {
        ::close(fd);
        if (create)
            ::unlink(path.c_str());
        return nullptr;
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return fail();
    // The lock goes with the descriptor: a process that ends in any way releases it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != ENOLCK && error != EOPNOTSUPP && error != ENOSYS && error != EINVAL)
            return fail();
        return std::unique_ptr<LockedFile>(new LockedFile(fd, false));
    }
    return std::unique_ptr<LockedFile>(new LockedFile(fd, true));
}

LockedFile::~LockedFile()
{
    ::close(static_cast<int>(m_handle));
}

bool LockedFile::Append(std::string_view text)
{
    return WriteAll(static_cast<int>(m_handle), text);
}

bool LockedFile::Sync()
{
    return ::fdatasync(static_cast<int>(m_handle)) == 0;
}

std::string LockedFile::ReadAll() const
{
    std::string text;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(static_cast<int>(m_handle), buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
    return text;
}

LocalDateTime Now()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

} // namespace pivora::platform

namespace pivora::platform {

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    entries.clear();
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return false;
    const int folderFd = ::dirfd(listing);
    while (const dirent* item = ::readdir(listing)) {
        const std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.Name = std::string(name);
        unsigned char type = item->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            struct stat info
            {
            };
            if (::fstatat(folderFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            entry.IsLink = S_ISLNK(info.st_mode);
            if (entry.IsLink) {
                struct stat target
                {
                };
                if (::fstatat(folderFd, item->d_name, &target, 0) != 0)
                    continue; // a dangling link names nothing
                entry.IsFolder = S_ISDIR(target.st_mode);
                entry.IsFile = S_ISREG(target.st_mode);
            } else {
                entry.IsFolder = S_ISDIR(info.st_mode);
                entry.IsFile = S_ISREG(info.st_mode);
            }
        } else {
            entry.IsFolder = type == DT_DIR;
            entry.IsFile = type == DT_REG;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(listing);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const int order = ::strcasecmp(a.Name.c_str(), b.Name.c_str());
        return order != 0 ? order < 0 : a.Name < b.Name;
    });
    return true;
}

std::string RealPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result = resolved;
    std::free(resolved);
    return result;
}

namespace {

// Opens a regular file for reading; -1 for anything else. A named pipe would block the open
// itself without O_NONBLOCK, and its reads after it.
int OpenRegularFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& path) : m_handle(OpenRegularFile(path)) {}

ReadOnlyFile::~ReadOnlyFile()
{
    if (IsOpen())
        ::close(static_cast<int>(m_handle));
}

std::int64_t ReadOnlyFile::Size() const
{
    struct stat info
    {
    };
    if (!IsOpen() || ::fstat(static_cast<int>(m_handle), &info) != 0)
        return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const
{
    std::size_t done = 0;
    while (IsOpen() && done < count) {
        const ssize_t got = ::pread(static_cast<int>(m_handle), buffer + done, count - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool CopyToNewFile(const std::string& from, const std::string& to, EventPump* pump)
{
    const int in = OpenRegularFile(from);
    if (in < 0)
        return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    std::vector<char> buffer(1 << 20);
    auto lastBreath = std::chrono::steady_clock::now();
    while (ok) {
        if (pump &&
            std::chrono::steady_clock::now() - lastBreath >= std::chrono::milliseconds(16)) {
            pump->ProcessEvents();
            lastBreath = std::chrono::steady_clock::now();
            if (pump->Quitting()) {
                ok = false;
                break;
            }
        }
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0) {
                ok = false;
                break;
            }
            done += wrote;
        }
    }
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok)
        ::unlink(to.c_str());
    return ok;
}

} // namespace pivora::platform

namespace pivora::platform {

bool WriteFileWhole(const std::string& path, const std::string& content)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        CreateFolders(path.substr(0, slash));
    const std::string sibling = path + ".new";
    const int fd = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < content.size();) {
        const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        ok = wrote > 0;
        if (ok)
            done += static_cast<std::size_t>(wrote);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(sibling.c_str(), path.c_str()) != 0) {
        ::unlink(sibling.c_str());
        return false;
    }
    return true;
}

bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

std::size_t MaxFileNameUnits(const std::string& folder)
{
    // The folder may not be there yet; its file system's limit is then the usual one.
    errno = 0;
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

std::size_t FileNameUnits(std::string_view name)
{
    return name.size();
}

bool CanWriteFolder(const std::string& folder)
{
    // Permission bits do not tell the whole story (read-only mounts, and root ignores them):
    // making a file is the only sure test.
    if (folder.empty())
        return false;
    std::string probe = JoinPath(folder, ".pivora-write-test-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

namespace {

void RemoveTree(const std::string& folder, EventPump* pump,
                std::chrono::steady_clock::time_point& lastBreath)
{
    // The folder must be writable for its entries to go, whatever its attributes were.
    ::chmod(folder.c_str(), 0700);
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* item = ::readdir(listing)) {
            const std::string_view name = item->d_name;
            if (name != "." && name != "..")
                names.emplace_back(name);
        }
        ::closedir(listing);
    }
    // One pass over what the folder held: an entry that cannot be removed stays, and the
    // folder with it; nothing is tried twice.
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat info
        {
        };
        if (::lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            RemoveTree(path, pump, lastBreath);
        else
            ::unlink(path.c_str());
        if (pump && std::chrono::steady_clock::now() - lastBreath > std::chrono::milliseconds(16)) {
            pump->ProcessEvents();
            lastBreath = std::chrono::steady_clock::now();
        }
    }
    ::rmdir(folder.c_str());
}

} // namespace

void RemoveFolderTree(const std::string& path, EventPump* pump)
{
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat info
    {
    };
    if (folder.empty() || ::lstat(folder.c_str(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        // A link (or a file) where the folder should be: it goes, what it points to stays.
        ::unlink(folder.c_str());
        return;
    }
    auto lastBreath = std::chrono::steady_clock::now();
    RemoveTree(folder, pump, lastBreath);
}

} // namespace pivora::platform
