#pragma once

#include "platform/NativeHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::platform {

class EventPump;

char PathSeparator();
bool IsAbsolutePath(const std::string& path);
std::string AbsolutePath(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

bool PathExists(const std::string& path); // anything, links not followed
// Existence as the narrow (code page) path functions see it; the path fits the code page.
bool NarrowPathExists(const std::string& path);
bool NarrowIsFolder(const std::string& path);
bool IsRegularFile(const std::string& path); // an existing file: not a folder, pipe or device
bool IsFolder(const std::string& path);
// Something that is there but neither a file nor a folder: a named pipe, a socket, a device.
// Reading one may block for ever.
bool IsSpecialFile(const std::string& path);
std::int64_t FileSize(const std::string& path); // -1 when it cannot be read
// When the file was last written, in the system's own units; -1 when it cannot be read.
std::int64_t ModificationTime(const std::string& path);
bool CreateFolder(const std::string& path);  // one level; false when it fails or exists
bool CreateFolders(const std::string& path); // with its parents
bool RemoveFile(const std::string& path);
// Makes an empty file where nothing is: false when something is there already, whoever made
// it a moment ago, or nothing can be made.
bool CreateNewFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
// Replaces a file with new content whole or not at all: the content goes into a sibling
// that is then renamed over the file. Missing parent folders are made.
bool WriteFileWhole(const std::string& path, const std::string& content);
// Makes the folder's list of names durable on the disk, such as a file just made in it.
void SyncFolder(const std::string& folder);
// Makes a file's content durable on the disk; false when it cannot be made sure of.
bool SyncFile(const std::string& path);
// How long a file name may be in `folder`, and how long `name` is, in the units the file
// system counts (bytes; on Windows, whose limit is in UTF-16 units, counting bytes errs on the
// safe side).
std::size_t MaxFileNameUnits(const std::string& folder);
std::size_t FileNameUnits(std::string_view name);
// Whether new files can be made in the folder.
bool CanWriteFolder(const std::string& folder);

// Deletes a folder and everything below it. Links are removed, never followed; read-only
// and hidden entries go too; what cannot be removed is left after one try, never retried.
// Pending events run now and then during a long removal.
void RemoveFolderTree(const std::string& path, EventPump* pump = nullptr);

// Appends to a file, creating it; false on any failure.
bool AppendToFile(const std::string& path, const std::string& text);

// One entry of a folder listing.
struct FolderEntry
{
    std::string Name;
    bool IsFolder = false; // a folder, or a link to one
    bool IsLink = false;   // a symbolic link
    bool IsFile = true;    // a regular file, or a link to one; not a pipe, socket or device
};
// The entries of a folder, without "." and "..", sorted by name without regard to case
// (the order a Windows listing gives). False when the folder cannot be listed.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// The canonical path, links resolved; empty when it does not exist.
std::string RealPath(const std::string& path);

// Copies `from` to `to`, which must not exist yet. False on any failure; nothing is left
// at `to` then. With a pump, pending events run now and then during a long copy, and the
// copy is given up when the program is shutting down.
bool CopyToNewFile(const std::string& from, const std::string& to, EventPump* pump = nullptr);

// A regular file opened for reading. Opening never blocks, and the file's kind is checked on
// the opened handle itself: a named pipe, a socket or a device is not opened, even one put in
// the file's place after it was looked at.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return m_handle != kInvalidHandle; }
    std::int64_t Size() const; // -1 when it is not open
    // Reads up to `count` bytes from `offset`; fewer only at the end or on a failure.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const;

private:
    NativeHandle m_handle = kInvalidHandle;
};

// A file that one process at a time appends records to, such as a journal: it stays locked
// against every other process for as long as this object lives, and a process that ends,
// however it ends, lets go of it.
class LockedFile
{
public:
    // Opens `path` for appending: a new file when `create` (then it must not exist yet), an
    // existing regular file otherwise. Null when it cannot be opened or another process
    // holds it. Where the file system keeps no locks (an NFS home without its lock service),
    // the file is opened all the same, unguarded: Guarded() says so. A new file that cannot be
    // opened is not left behind.
    static std::unique_ptr<LockedFile> Open(const std::string& path, bool create);
    // Whether other processes are kept out; false where the file system cannot lock.
    bool Guarded() const { return m_guarded; }
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool Append(std::string_view text);
    // What was appended is on the disk, as far as the system can make sure of it.
    bool Sync();
    std::string ReadAll() const;

private:
    LockedFile(NativeHandle handle, bool guarded) : m_handle(handle), m_guarded(guarded) {}
    NativeHandle m_handle;
    bool m_guarded;
};

struct LocalDateTime
{
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};
LocalDateTime Now();

} // namespace pivora::platform
