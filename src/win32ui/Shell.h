#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pivora::win32ui {

// The system's dialogs and shell, in wide characters; paths come back as UTF-8.

// The open-file dialog with multiple selection: the chosen files' full paths, none when
// cancelled. `filter` is "description|pattern|...".
std::vector<std::string> ShowOpenFiles(HWND owner, const std::string& title,
                                       const std::string& filter);
// The shell's folder dialog: the chosen folder, empty when cancelled.
std::string BrowseForFolder(HWND owner, const std::string& prompt);
// The shell's "open" for a file, a folder or a link.
void ShellOpen(const std::string& target);

enum class BoxIcon { None, Information, Warning, Error, Question };
// A message box with one OK button.
void ShowBox(HWND owner, const std::string& text, const std::string& title, BoxIcon icon);
// A question with "是" and "否" (the system's Yes and No); true for yes.
bool AskYesNo(HWND owner, const std::string& text, const std::string& title, bool defaultYes);

} // namespace pivora::win32ui
