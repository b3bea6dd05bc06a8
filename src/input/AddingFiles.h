#pragma once

#include "engine/UserMessages.h"
#include "input/InputList.h"
#include "input/TempCopies.h"
#include "platform/EventPump.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pivora::input {

// Heads of the messages that name what an add left out.
inline constexpr const char* kUnreadableFoldersHead =
    PIVORA_TRANSLATE_NOOP("CoreTexts", "以下文件夹无法读取, 其中的文件没有加入列表:");

// A dropped file list. Names of a "wide" list are the files' own names; the others are
// already in the code page.
struct DropFileList
{
    bool Wide = true;
    std::vector<std::string> Names;
};

// The ways files join the input list, each with its own rule for the path the converter
// gets, the text shown and the type column.
class InputAdder
{
public:
    InputAdder(InputList& list, TempCopies& copies, pivora::platform::EventPump* pump = nullptr);

    // Told when a temporary copy starts (true) and ends (false), for a status text.
    std::function<void(bool copying)> onCopying;
    // Told when a folder search starts (true) and ends (false).
    std::function<void(bool searching)> onSearching;

    // A file picked in the open dialog: passed on as it is when the narrow functions can
    // reach it, otherwise as a temporary copy; its shown name is cleaned.
    void AddChosenFile(const std::string& p);
    // The files of a folder search, exactly as found.
    void AddFoundFiles(std::vector<std::string> paths);
    // Every file below a folder.
    void AddFolder(const std::string& folder);
    // A drop on the welcome picture or the list overlay: chosen-file rules for every name,
    // the type column from the dropped name itself. Folders are searched.
    void AddFullDrop(const DropFileList& drop);
    // A drop on the list or the side target: the names as they come, in the code page.
    // Folders are searched.
    void AddSimpleDrop(const DropFileList& drop);
    // A file picked through the narrow open dialog.
    void AddBrowsedFile(const std::string& p);
    // Files named on the program's command line, or handed over by a second start. Folders
    // are searched; a name that is not an existing file is refused.
    void AddNamedFiles(const std::vector<std::string>& paths);

    // What the adds since the last call refused, in order: named pipes, sockets and devices,
    // which the converter and the program's own reads could wait on for ever, and named files
    // that do not exist.
    std::vector<std::string> TakeRefused();
    // The folders the searches since the last call could not list, in order.
    std::vector<std::string> TakeUnreadable() { return std::exchange(m_unreadable, {}); }

private:
    std::string PathFor(const std::string& p);
    // True, and noted, when `p` must not join the list.
    bool Refuse(const std::string& p);

    InputList& m_list;
    TempCopies& m_copies;
    pivora::platform::EventPump* m_pump;
    std::vector<std::string> m_refused;
    std::vector<std::string> m_unreadable;
};

} // namespace pivora::input
