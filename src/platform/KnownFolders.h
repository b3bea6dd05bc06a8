#pragma once

#include <string>

namespace pivora::platform {

// The folder that holds the program's executable, without a trailing separator.
std::string ProgramFolder();
// The converter, relative to the program folder, and the name its processes carry.
std::string ConverterRelativePath();
std::string ConverterProcessName();
std::string ConverterPath(const std::string& programFolder);
// Where the help pages, translations and end sound are: the installed program keeps them with
// the system's shared data, a copy run from its build or its own folder beside itself.
std::string DataFolder(const std::string& programFolder);
// Whether the program folder belongs to the system rather than to the user: an installed
// program, or a folder someone else owns. Such a folder is never written to.
bool IsSystemProgramFolder(const std::string& programFolder);

std::string HomeFolder();
std::string DefaultOutputFolder(); // the output folder of a first start
std::string SettingsFolder();      // per-user settings
// Where pvsetting.ini and options.ini are kept in the settings folder: on Linux a folder of
// the program's own, where another program's file of the same name cannot clash with them.
std::string SettingsFilesFolder(const std::string& settingsFolder);
std::string WorkFolder();       // the batch's own scratch folder
std::string TempCopiesFolder(); // copies of inputs made under safe names
std::string CacheFolder();      // what the program remembers and may forget
std::string StateFolder();      // activity log

} // namespace pivora::platform
