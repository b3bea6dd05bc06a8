#include "app/cli/PrivateFolder.h"

#include "platform/KnownFolders.h"

#include <string_view>

namespace pivora::cli {

namespace fs = pivora::platform;

namespace {

constexpr std::string_view kPrefix = "pivora-cli-";
constexpr const char* kLock = "lock";

// The folders of command lines that are gone: the lock of a live one cannot be taken. A
// folder without its lock file (being made this moment) is left alone.
void RemoveLeftovers(const std::string& place)
{
    std::vector<fs::FolderEntry> entries;
    if (!fs::ListFolder(place, entries))
        return;
    for (const fs::FolderEntry& entry : entries) {
        if (!entry.Name.starts_with(kPrefix) || !entry.IsFolder || entry.IsLink)
            continue;
        const std::string folder = fs::JoinPath(place, entry.Name);
        if (!private_folder::IsOwnFolder(folder))
            continue;
        if (std::unique_ptr<fs::LockedFile> lock =
                fs::LockedFile::Open(fs::JoinPath(folder, kLock), false)) {
            // Removed while held: a start that made this folder a moment ago and has not
            // locked it yet cannot lock it meanwhile and go on in it.
            fs::RemoveFolderTree(folder);
            // Windows removes no file that is open: the rest goes once it is let go.
            lock.reset();
            if (fs::PathExists(folder))
                fs::RemoveFolderTree(folder);
        }
    }
}

} // namespace

PrivateFolder::PrivateFolder(const std::string& programFolder) : m_programFolder(programFolder)
{
    const std::vector<std::string> places = private_folder::Places();
    for (const std::string& place : places)
        RemoveLeftovers(place);
    for (const std::string& place : places) {
        // A folder whose lock another start took first (taking it for a leftover) is given up.
        for (int attempt = 0; attempt < 3 && m_made.empty(); ++attempt) {
            const std::string folder = private_folder::MakeFolder(place);
            if (folder.empty())
                break;
            std::unique_ptr<fs::LockedFile> lock =
                fs::LockedFile::Open(fs::JoinPath(folder, kLock), true);
            if (lock && private_folder::PlaceConverter(folder, programFolder)) {
                m_lock = std::move(lock);
                m_made = folder;
                break;
            }
            lock.reset();
            fs::RemoveFolderTree(folder);
        }
        if (!m_made.empty())
            break;
    }
    if (!m_made.empty() && private_folder::ConverterRunsFromFolder())
        m_programFolder = m_made;
}

PrivateFolder::~PrivateFolder()
{
    m_lock.reset();
    if (!m_made.empty())
        fs::RemoveFolderTree(m_made);
}

std::string PrivateFolder::CopiesFolder() const
{
    return m_made.empty() ? fs::TempCopiesFolder() : fs::JoinPath(m_made, "tmp");
}

std::string PrivateFolder::WorkFolder() const
{
    return m_made.empty() ? fs::WorkFolder() : fs::JoinPath(m_made, "work");
}

} // namespace pivora::cli
