#pragma once

#include "settings/OptionValues.h"

#include <string>
#include <string_view>

namespace pivora::settings {

// The number at the start of a text as the settings files and the options boxes are read:
// blanks (spaces, tabs, line breaks) anywhere are ignored, then the longest leading decimal
// number (sign, digits, fraction, exponent) is taken; 0 when there is none.
double LeadingNumber(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double RoundHalfEven(double value);

// pvsetting.ini: one line, the output folder. Gives the box's new text: the stored folder
// without surrounding blanks, `current` when there is no file, `fallback` when either is
// empty.
std::string LoadOutputFolder(const std::string& path, const std::string& current,
                             const std::string& fallback);
bool SaveOutputFolder(const std::string& path, const std::string& folder);

// options.ini: four lines, one value each. Values that are missing, or too large for their
// field, keep what `options` held. Without a file the sound reminder and the range switch
// go back to 0 and the range stays.
void LoadOptions(const std::string& path, OptionValues& options);
bool SaveOptions(const std::string& path, const OptionValues& options);

// The same readings from the files' text, for callers that hold it in memory.
std::string OutputFolderFromText(std::string_view text, const std::string& fallback);
void OptionsFromText(std::string_view text, OptionValues& options);

// Where options.ini lives: beside the program when its folder is the user's and can be written,
// otherwise in the settings files' folder, so that a choice made in an installed program is
// not lost and nothing is written among the system's files.
std::string OptionsFilePath(const std::string& programFolder, const std::string& settingsFolder);
// Where pvsetting.ini lives: in the settings files' folder (the program's own folder in the
// settings folder on Linux, the settings folder itself on Windows).
//
// Both move a file of theirs that an earlier version kept directly in the settings folder to
// its new place, the first time they are asked.
std::string OutputFolderFilePath(const std::string& settingsFolder);

} // namespace pivora::settings
