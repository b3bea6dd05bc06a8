#include "platform/ProcessList.h"

#include "platform/win32/WinText.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace pivora::platform {

namespace {

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::wstring LowerWide(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

// Calls `visit` with every listed process after the first, as the snapshot walk always did.
template <typename Visit> void WalkProcesses(Visit visit)
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry; // 296, the narrow record
    ::Process32First(snapshot, &entry);
    while (::Process32Next(snapshot, &entry))
        visit(entry);
    ::CloseHandle(snapshot);
}

std::wstring ImagePath(DWORD id)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return {};
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = static_cast<DWORD>(std::size(buffer));
    std::wstring path;
    if (::QueryFullProcessImageNameW(process, 0, buffer, &size))
        path.assign(buffer, size);
    ::CloseHandle(process);
    return path;
}

std::set<long>& Spared()
{
    static std::set<long> spared;
    return spared;
}

// When a process started; nothing when it cannot be asked.
std::optional<ULONGLONG> StartTime(DWORD id)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return std::nullopt;
    FILETIME created{}, exited{}, kernel{}, user{};
    std::optional<ULONGLONG> time;
    if (::GetProcessTimes(process, &created, &exited, &kernel, &user))
        time = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    ::CloseHandle(process);
    return time;
}

std::string OwnExecutableName()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD size = ::GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    std::wstring name(path, size);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return Lower(win32::Utf8(name));
}

// Whether the converter `child` was started by another live process of this program: the
// window or the command line, whoever runs it. Ids are used again on Windows, so the parent
// must be older than its child.
bool HasProgramParent(const PROCESSENTRY32& child, const std::map<DWORD, std::string>& names)
{
    const DWORD parent = child.th32ParentProcessID;
    const auto found = names.find(parent);
    if (parent == ::GetCurrentProcessId() || found == names.end())
        return false;
    static const std::string self = OwnExecutableName();
    const std::string& name = found->second;
    if (name != "pivora.exe" && name != "pivora-cli.exe" && name != self)
        return false;
    const std::optional<ULONGLONG> born = StartTime(parent);
    const std::optional<ULONGLONG> childBorn = StartTime(child.th32ProcessID);
    return !born || !childBorn || *born <= *childBorn;
}

// Calls `visit` with the id of every process that carries `name` and runs from the converter
// file; other programs of the same name, and the conversions of other live processes of this
// program, are left out.
template <typename Visit>
void WalkConverterProcesses(std::string_view name, const std::string& converterPath, Visit visit)
{
    const std::string wanted = Lower(name);
    const std::wstring converter = LowerWide(win32::Wide(converterPath));
    const DWORD self = ::GetCurrentProcessId();
    std::vector<PROCESSENTRY32> converters;
    std::map<DWORD, std::string> names;
    WalkProcesses([&](const PROCESSENTRY32& entry) {
        names[entry.th32ProcessID] = Lower(entry.szExeFile);
        if (entry.th32ProcessID == self || Lower(entry.szExeFile) != wanted ||
            Spared().contains(static_cast<long>(entry.th32ProcessID)))
            return;
        converters.push_back(entry);
    });
    for (const PROCESSENTRY32& entry : converters) {
        if (!HasProgramParent(entry, names) &&
            LowerWide(ImagePath(entry.th32ProcessID)) == converter)
            visit(entry.th32ProcessID);
    }
}

} // namespace

long CurrentProcessId()
{
    return static_cast<long>(::GetCurrentProcessId());
}

std::string MachineName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = static_cast<DWORD>(std::size(name));
    return ::GetComputerNameW(name, &size) ? win32::Utf8(std::wstring(name, size)) : std::string();
}

bool IsProgramProcess(long id)
{
    if (id == static_cast<long>(::GetCurrentProcessId()))
        return true;
    static const std::string self = OwnExecutableName();
    bool found = false;
    WalkProcesses([&](const PROCESSENTRY32& entry) {
        const std::string name = Lower(entry.szExeFile);
        found = found || (static_cast<long>(entry.th32ProcessID) == id &&
                          (name == "pivora.exe" || name == "pivora-cli.exe" || name == self));
    });
    return found;
}

bool IsProcessRunning(std::string_view name, const std::string& converterPath)
{
    bool found = false;
    WalkConverterProcesses(name, converterPath, [&](DWORD) { found = true; });
    return found;
}

void KillProcessByName(std::string_view name, const std::string& converterPath)
{
    WalkConverterProcesses(name, converterPath, [](DWORD id) {
        if (HANDLE process = ::OpenProcess(0x1F0FFF, FALSE, id)) {
            ::TerminateProcess(process, 0);
            ::CloseHandle(process);
        }
    });
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
