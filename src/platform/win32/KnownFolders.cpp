#include "platform/KnownFolders.h"

#include "platform/FileSystem.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <cstdlib>

namespace pivora::platform {

namespace {

std::string Variable(const wchar_t* name)
{
    const wchar_t* value = ::_wgetenv(name);
    return value ? win32::Utf8(value) : std::string();
}

std::string LocalAppData()
{
    std::string folder = Variable(L"LOCALAPPDATA");
    return folder.empty() ? Variable(L"APPDATA") : folder;
}

} // namespace

std::string DataFolder(const std::string& programFolder)
{
    // Everything stays together in the program's folder.
    return programFolder;
}

bool IsSystemProgramFolder(const std::string&)
{
    // Installed or unpacked, the program keeps options.ini with the user's settings in
    // %APPDATA%: never among a Program Files install, and an uninstall or a newer copy keeps it.
    return true;
}

std::string ProgramFolder()
{
    wchar_t buffer[32768];
    const DWORD size = ::GetModuleFileNameW(nullptr, buffer, 32768);
    std::string path = win32::Utf8(std::wstring_view(buffer, size));
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string ConverterRelativePath()
{
    return "data\\conv.exe";
}

std::string ConverterProcessName()
{
    return "conv.exe";
}

std::string ConverterPath(const std::string& programFolder)
{
    return JoinPath(programFolder, ConverterRelativePath());
}

std::string HomeFolder()
{
    return Variable(L"USERPROFILE");
}

std::string DefaultOutputFolder()
{
    return "C:\\output";
}

// The settings file goes where it always went: "APPDATA" followed by the file's name, even
// when the variable is unset.
std::string SettingsFolder()
{
    return Variable(L"APPDATA");
}

// Where other copies of the program look for them.
std::string SettingsFilesFolder(const std::string& settingsFolder)
{
    return settingsFolder;
}

std::string WorkFolder()
{
    return JoinPath(LocalAppData(), "Pivora\\work");
}

std::string TempCopiesFolder()
{
    return JoinPath(LocalAppData(), "Pivora\\tmp");
}

std::string CacheFolder()
{
    return JoinPath(LocalAppData(), "Pivora");
}

std::string StateFolder()
{
    return JoinPath(LocalAppData(), "Pivora");
}

} // namespace pivora::platform
