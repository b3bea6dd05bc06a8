#include "platform/FileSystem.h"

#include "platform/CodePage.h"
#include "platform/EventPump.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace pivora::platform {

using win32::Wide;

namespace {

DWORD Attributes(const std::string& path)
{
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(Wide(path).c_str());
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

char PathSeparator()
{
    return '\\';
}

bool IsAbsolutePath(const std::string& path)
{
    return (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) ||
           (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

std::string AbsolutePath(const std::string& path)
{
    if (path.empty())
        return path;
    wchar_t buffer[32768];
    const DWORD size = ::GetFullPathNameW(Wide(path).c_str(), 32768, buffer, nullptr);
    return size == 0 || size >= 32768 ? path : win32::Utf8(std::wstring_view(buffer, size));
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (IsSeparator(folder.back()))
        return folder + name;
    return folder + "\\" + name;
}

bool PathExists(const std::string& path)
{
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

// The path as a narrow function receives it: through the chosen code page and back, looked up
// by its wide name, so that a code page other than the system's is honoured too.
bool NarrowPathExists(const std::string& path)
{
    return ::PathFileExistsW(Wide(AnsiRoundTrip(path)).c_str()) == 1;
}

bool NarrowIsFolder(const std::string& path)
{
    return ::PathIsDirectoryW(Wide(AnsiRoundTrip(path)).c_str()) != 0;
}

bool IsRegularFile(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSpecialFile(const std::string& path)
{
    // Pipes and devices live outside the file system's folders, under "\\.\".
    return path.size() > 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '.' &&
           IsSeparator(path[3]);
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
{
    if (path.empty() || IsSpecialFile(path))
        return;
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return;
    }
    m_handle = reinterpret_cast<NativeHandle>(file);
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (IsOpen())
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

std::int64_t ReadOnlyFile::Size() const
{
    LARGE_INTEGER size{};
    if (!IsOpen() || !::GetFileSizeEx(reinterpret_cast<HANDLE>(m_handle), &size))
        return -1;
    return size.QuadPart;
}

std::size_t ReadOnlyFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t count) const
{
    std::size_t done = 0;
    while (IsOpen() && done < count) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        if (!::ReadFile(reinterpret_cast<HANDLE>(m_handle), buffer + done, want, &got, &at) ||
            got == 0)
            break;
        done += got;
    }
    return done;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t ModificationTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

std::int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool CreateFolder(const std::string& path)
{
    return !path.empty() && ::CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool CreateFolders(const std::string& path)
{
    if (path.empty())
        return false;
    if (IsFolder(path))
        return true;
    std::string parent = path;
    while (!parent.empty() && IsSeparator(parent.back()))
        parent.pop_back();
    const std::size_t slash = parent.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && parent[slash - 1] != ':')
        CreateFolders(parent.substr(0, slash));
    return CreateFolder(path) || IsFolder(path);
}

bool RemoveFile(const std::string& path)
{
    return !path.empty() && ::DeleteFileW(Wide(path).c_str()) != 0;
}

bool CreateNewFile(const std::string& path)
{
    const HANDLE made = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (made == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(made);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to)
{
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool AppendToFile(const std::string& path, const std::string& text)
{
    HANDLE file = ::CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    const BOOL ok =
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    ::CloseHandle(file);
    return ok && wrote == text.size();
}

bool WriteFileWhole(const std::string& path, const std::string& content)
{
    const std::size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0)
        CreateFolders(path.substr(0, slash));
    const std::string sibling = path + ".new";
    HANDLE file = ::CreateFileW(Wide(sibling).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD wrote = 0;
    bool ok =
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr) &&
        wrote == content.size();
    ok = ::FlushFileBuffers(file) && ok;
    ::CloseHandle(file);
    if (!ok || !::MoveFileExW(Wide(sibling).c_str(), Wide(path).c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(Wide(sibling).c_str());
        return false;
    }
    return true;
}

bool SyncFile(const std::string& path)
{
    // Flushing needs a handle that may write; the sharing lets the file's own writer be.
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool synced = ::FlushFileBuffers(file) != 0;
    ::CloseHandle(file);
    return synced;
}

std::size_t MaxFileNameUnits(const std::string&)
{
    return MAX_PATH - 5; // 255 UTF-16 units, as NTFS and FAT's long names allow
}

std::size_t FileNameUnits(std::string_view name)
{
    // Counted in UTF-8 bytes, never fewer than its UTF-16 units: a name that fits NTFS this way
    // also fits a share whose server counts bytes.
    return name.size();
}

bool CanWriteFolder(const std::string& folder)
{
    wchar_t probe[MAX_PATH];
    if (folder.empty() || !::GetTempFileNameW(Wide(folder).c_str(), L"pv", 0, probe))
        return false;
    ::DeleteFileW(probe);
    return true;
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    entries.clear();
    // The narrow listing: a name the code page cannot hold comes with "?" in it.
    WIN32_FIND_DATAA found;
    HANDLE listing = ::FindFirstFileA(win32::ToCodePage(JoinPath(folder, "*.*")).c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::string name = win32::FromCodePage(found.cFileName);
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.Name = name;
        entry.IsLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.IsFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(std::move(entry));
    } while (::FindNextFileA(listing, &found));
    ::FindClose(listing);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const int order = ::_stricmp(a.Name.c_str(), b.Name.c_str());
        return order != 0 ? order < 0 : a.Name < b.Name;
    });
    return true;
}

std::string RealPath(const std::string& path)
{
    HANDLE file = ::CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    wchar_t buffer[32768];
    const DWORD size = ::GetFinalPathNameByHandleW(file, buffer, 32768, FILE_NAME_NORMALIZED);
    ::CloseHandle(file);
    if (size == 0 || size >= 32768)
        return {};
    std::wstring resolved(buffer, size);
    if (resolved.rfind(L"\\\\?\\", 0) == 0)
        resolved.erase(0, 4);
    return win32::Utf8(resolved);
}

namespace {

struct CopyBreath
{
    EventPump* Pump;
    std::chrono::steady_clock::time_point Last;
};

// Called by the system between pieces of a copy: lets the window run now and then, and
// gives the copy up when the program is shutting down.
DWORD CALLBACK OnCopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                              DWORD, HANDLE, HANDLE, LPVOID data)
{
    auto* breath = static_cast<CopyBreath*>(data);
    const auto now = std::chrono::steady_clock::now();
    if (now - breath->Last >= std::chrono::milliseconds(16)) {
        breath->Pump->ProcessEvents();
        breath->Last = std::chrono::steady_clock::now();
    }
    return breath->Pump->Quitting() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

} // namespace

void SyncFolder(const std::string&)
{
    // A file's name is written with the file itself here.
}

std::unique_ptr<LockedFile> LockedFile::Open(const std::string& path, bool create)
{
    // Sharing reads only: no other process can open it to write, or delete it, meanwhile.
    HANDLE file =
        ::CreateFileW(Wide(path).c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                      create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        if (create)
            ::DeleteFileW(Wide(path).c_str());
        return nullptr;
    }
    // The sharing mode itself keeps others out, on every file system Windows writes to.
    return std::unique_ptr<LockedFile>(new LockedFile(reinterpret_cast<NativeHandle>(file), true));
}

LockedFile::~LockedFile()
{
    ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

bool LockedFile::Append(std::string_view text)
{
    DWORD wrote = 0;
    return ::WriteFile(reinterpret_cast<HANDLE>(m_handle), text.data(),
                       static_cast<DWORD>(text.size()), &wrote, nullptr) &&
           wrote == text.size();
}

bool LockedFile::Sync()
{
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(m_handle)) != 0;
}

std::string LockedFile::ReadAll() const
{
    std::string text;
    char buffer[65536];
    for (std::uint64_t at = 0;;) {
        OVERLAPPED from{};
        from.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        from.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(m_handle), buffer, sizeof buffer, &got, &from) ||
            got == 0)
            break;
        text.append(buffer, got);
        at += got;
    }
    return text;
}

bool CopyToNewFile(const std::string& from, const std::string& to, EventPump* pump)
{
    if (!ReadOnlyFile(from).IsOpen())
        return false;
    // Both named by their full wide paths; an existing target is never replaced.
    if (!pump)
        return ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), TRUE) != 0;
    CopyBreath breath{pump, std::chrono::steady_clock::now()};
    return ::CopyFileExW(Wide(from).c_str(), Wide(to).c_str(), OnCopyProgress, &breath, nullptr,
                         COPY_FILE_FAIL_IF_EXISTS) != 0;
}

namespace {

void RemoveTree(const std::wstring& folder, EventPump* pump,
                std::chrono::steady_clock::time_point& lastBreath)
{
    std::vector<std::pair<std::wstring, DWORD>> entries;
    WIN32_FIND_DATAW found;
    HANDLE listing = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                entries.emplace_back(folder + L"\\" + name, found.dwFileAttributes);
        } while (::FindNextFileW(listing, &found));
        ::FindClose(listing);
    }
    // One pass: what cannot be removed stays, and is not tried again.
    for (const auto& [path, attributes] : entries) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveTree(path, pump, lastBreath);
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            ::RemoveDirectoryW(path.c_str()); // a linked folder: the link goes, not its content
        else
            ::DeleteFileW(path.c_str());
        if (pump && std::chrono::steady_clock::now() - lastBreath > std::chrono::milliseconds(16)) {
            pump->ProcessEvents();
            lastBreath = std::chrono::steady_clock::now();
        }
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
}

} // namespace

void RemoveFolderTree(const std::string& path, EventPump* pump)
{
    std::string folder = path;
    while (folder.size() > 3 && IsSeparator(folder.back()))
        folder.pop_back();
    const DWORD attributes = Attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::RemoveDirectoryW(Wide(folder).c_str());
        ::DeleteFileW(Wide(folder).c_str());
        return;
    }
    auto lastBreath = std::chrono::steady_clock::now();
    RemoveTree(Wide(folder), pump, lastBreath);
}

LocalDateTime Now()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

} // namespace pivora::platform
