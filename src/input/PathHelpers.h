#pragma once

#include <string>
#include <string_view>

namespace pivora::input {

// Existence as the narrow path functions see it: the path goes through the code page first,
// so a path with characters the code page cannot hold never exists here.
bool FileExists(const std::string& pstrFile);
bool FolderExists(const std::string& pstrFolder);

// The text after the last path separator; the whole text when there is none.
std::string GetFileName(std::string_view path);

std::string AnsiRoundTrip(std::string_view text);

// Replaces the characters that cannot stand in a file name by blanks. The path separator of
// this system is replaced only when `includingSeparator` is set.
std::string CleanName(std::string_view name, bool includingSeparator);

// The first column of an entry chosen by the user: the path through the code page, its
// folder part as it is and its file name cleaned.
std::string DisplayTextFor(const std::string& chosenPath);

// The text without its trailing NUL characters and blanks.
std::string StripTrailing(std::string_view text);

// The text without leading and trailing blanks.
std::string TrimBlanks(std::string_view text);

} // namespace pivora::input
