#pragma once

#include "platform/FileSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace pivora::cli {

// A folder of this process alone, for as long as it runs: its temporary copies and scratch
// files, and on Linux its converter. A batch ends every converter started from its program
// folder before it starts its own, and waits for all of them; several command lines at once,
// or one beside the window, would end each other's conversions if they shared the folder, and
// the window's start would clear copies a command line still converts. The private converter
// is a link to the real one, so what runs is the same.
//
// The folder holds a lock for as long as its process lives, however it ends; the folders of
// command lines that are gone (killed, say) are removed when the next one starts, and never
// the folder of one that still runs. Where no such folder can be made anywhere, the shared
// folders are used.
class PrivateFolder
{
public:
    explicit PrivateFolder(const std::string& programFolder);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // The program folder the batch is to use.
    const std::string& ProgramFolder() const { return m_programFolder; }
    std::string CopiesFolder() const;
    std::string WorkFolder() const;

private:
    std::string m_programFolder;
    std::string m_made; // removed at the end; empty when none was made
    std::unique_ptr<pivora::platform::LockedFile> m_lock;
};

// What differs between the systems.
namespace private_folder {

// Where such folders are made, in the order tried.
std::vector<std::string> Places();
// A new, empty folder in `place` named "pivora-cli-" and six characters, that only this user
// can enter; empty when none can be made there.
std::string MakeFolder(const std::string& place);
// A folder, not a link, that belongs to this user.
bool IsOwnFolder(const std::string& folder);
// Puts the converter into the folder, when the converter runs from it.
bool PlaceConverter(const std::string& folder, const std::string& programFolder);
bool ConverterRunsFromFolder();

} // namespace private_folder

} // namespace pivora::cli
