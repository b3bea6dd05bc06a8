#pragma once

#include <QString>

#include <cstdint>
#include <string>

class QWidget;

namespace pivora::ui {

// A one-call open dialog whose result is in the code page (the narrow interface): the chosen
// path, or empty text when the dialog was cancelled. A blank or unlistable initial folder
// opens the program's folder.
std::string BrowseForFile(QWidget* owner, const QString& caption, const QString& initialFolder,
                          const QString& filter, std::int32_t flags,
                          const std::string& programFolder);

// The folder dialog: only file-system folders can be confirmed. The chosen folder in the code
// page, or empty text when the dialog was cancelled.
std::string BrowseForFolder(QWidget* owner, const QString& prompt);

} // namespace pivora::ui
