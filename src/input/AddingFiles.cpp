#include "input/AddingFiles.h"

#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace pivora::input {

InputAdder::InputAdder(InputList& list, TempCopies& copies, pivora::platform::EventPump* pump)
    : m_list(list), m_copies(copies), m_pump(pump)
{
}

std::string InputAdder::PathFor(const std::string& p)
{
    if (FileExists(p))
        return p;
    if (onCopying)
        onCopying(true);
    std::string copy = m_copies.MakeTempCopy(p, m_pump);
    if (onCopying)
        onCopying(false);
    return copy;
}

bool InputAdder::Refuse(const std::string& p)
{
    if (!pivora::platform::IsSpecialFile(p))
        return false;
    m_refused.push_back(p);
    return true;
}

std::vector<std::string> InputAdder::TakeRefused()
{
    return std::exchange(m_refused, {});
}

void InputAdder::AddChosenFile(const std::string& p)
{
    if (Refuse(p))
        return;
    InputEntry entry;
    entry.Path = PathFor(p);
    entry.DisplayText = DisplayTextFor(p);
    entry.TypeText = TypeTextOf(TrimBlanks(entry.DisplayText));
    m_list.Append(std::move(entry));
}

void InputAdder::AddFoundFiles(std::vector<std::string> paths)
{
    // A search can bring a hundred thousand files: each path is moved into its entry, and
    // the entries are made in the list itself.
    m_list.Append(paths.size(), [&paths](std::size_t i) {
        std::string& path = paths[i];
        std::string_view trimmed = path;
        trimmed.remove_prefix(std::min(trimmed.find_first_not_of(' '), trimmed.size()));
        trimmed.remove_suffix(trimmed.size() - (trimmed.find_last_not_of(' ') + 1));
        InputEntry entry{{}, path, TypeTextOf(trimmed)};
        entry.Path = std::move(path);
        return entry;
    });
}

void InputAdder::AddFolder(const std::string& folder)
{
    if (onSearching)
        onSearching(true);
    std::vector<std::string> found;
    SearchFolder(folder, found, m_pump, &m_unreadable);
    AddFoundFiles(std::move(found));
    if (onSearching)
        onSearching(false);
}

void InputAdder::AddFullDrop(const DropFileList& drop)
{
    for (const std::string& p : drop.Names) {
        if (Refuse(p))
            continue;
        if (pivora::platform::IsFolder(p)) {
            AddFolder(p);
            continue;
        }
        InputEntry entry;
        entry.Path = PathFor(p);
        entry.DisplayText = DisplayTextFor(p);
        entry.TypeText = TypeTextOf(p);
        m_list.Append(std::move(entry));
    }
}

void InputAdder::AddSimpleDrop(const DropFileList& drop)
{
    for (const std::string& p : drop.Names) {
        if (Refuse(p))
            continue;
        if (pivora::platform::IsFolder(p)) {
            AddFolder(p);
            continue;
        }
        m_list.Append(InputEntry{drop.Wide ? AnsiRoundTrip(p) : p, p, TypeTextOf(p)});
    }
}

void InputAdder::AddBrowsedFile(const std::string& p)
{
    if (!Refuse(p))
        m_list.Append(InputEntry{p, p, TypeTextOf(TrimBlanks(p))});
}

void InputAdder::AddNamedFiles(const std::vector<std::string>& paths)
{
    std::vector<InputEntry> entries;
    entries.reserve(paths.size());
    for (const std::string& named : paths) {
        const std::string path = pivora::platform::AbsolutePath(named);
        if (pivora::platform::IsFolder(path)) {
            // Searched as a dropped folder is, in its place among the files.
            m_list.Append(std::exchange(entries, {}));
            AddFolder(path);
        } else if (!pivora::platform::IsRegularFile(path)) {
            // A name that is no file (a typing error, an option the program does not know)
            // would only fail when its turn came.
            m_refused.push_back(named);
        } else {
            InputEntry entry = EntryForPath(path);
            // A name the code page cannot hold ("Open with" a Chinese name on a Western
            // system) goes to the converter as a copy, as a chosen or dropped file does.
            entry.Path = PathFor(entry.Path);
            entries.push_back(std::move(entry));
        }
    }
    m_list.Append(std::move(entries));
}

} // namespace pivora::input
