#pragma once

#include <string>

namespace pivora::settings {

// Settings beyond the two small files other copies of the program read: pivora.conf, an INI
// file in the program's own settings folder.
struct ProgramSettings
{
    bool LosslessRotation = false; // [Conversion] LosslessRotation
    // [Conversion] ParallelJobs: conversions at once, 1 to 16 as read (a number beyond is
    // brought into that range, anything else is 1); kept for a bigger machine as written.
    int ParallelJobs = 1;
};

inline constexpr int kMaxParallelJobs = 16;

// The most conversions at once that make sense here: one per core, kMaxParallelJobs at most.
int MaxParallelJobs();

// How many conversions run at once with these settings here: ParallelJobs, 1 to
// MaxParallelJobs(). Everything that shows or uses the number goes by this one.
int ParallelJobsUsed(const ProgramSettings& settings);

// Where pivora.conf lives: "<settings folder>/pivora/pivora.conf".
std::string ProgramSettingsPath(const std::string& settingsFolder);

// A missing or unreadable file, and any value that cannot be read, gives the defaults.
ProgramSettings LoadProgramSettings(const std::string& path);

// Writes the settings whole or not at all. Groups and keys this program does not know, and
// the file's comments, are kept as they were.
bool SaveProgramSettings(const std::string& path, const ProgramSettings& settings);

} // namespace pivora::settings
