#pragma once

#include <string>

namespace pivora::settings {

// Settings beyond the two small files other copies of the program read: pivora.conf, an INI
// file in the program's own settings folder.
struct ProgramSettings
{
    bool LosslessRotation = false; // [Conversion] LosslessRotation
    int ParallelJobs = 1;          // [Conversion] ParallelJobs: conversions at once, 1 to 16
};

inline constexpr int kMaxParallelJobs = 16;

// The most conversions at once that make sense here: one per core, kMaxParallelJobs at most.
int MaxParallelJobs();

// Where pivora.conf lives: "<settings folder>/pivora/pivora.conf".
std::string ProgramSettingsPath(const std::string& settingsFolder);

// A missing or unreadable file, and any value that cannot be read, gives the defaults.
ProgramSettings LoadProgramSettings(const std::string& path);

// Writes the settings whole or not at all. Groups and keys this program does not know, and
// the file's comments, are kept as they were.
bool SaveProgramSettings(const std::string& path, const ProgramSettings& settings);

} // namespace pivora::settings
