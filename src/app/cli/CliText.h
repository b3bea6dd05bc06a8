#pragma once

#include <string>
#include <string_view>

namespace pivora::cli {

// One argument as a POSIX shell reads it back unchanged: as it is when it holds only
// characters no shell treats specially, in single quotes otherwise.
std::string ShellQuoted(std::string_view argument);

// A converter command line, as the runner splits it into arguments, written for a POSIX shell:
// `converter` is its program, which the line begins with unquoted.
std::string ShellCommand(std::string_view commandLine, const std::string& converter);

// Text as a JSON string, quotes included. Bytes that are not UTF-8 (a file name is bytes on
// POSIX) become U+FFFD, so that the line stays valid JSON.
std::string JsonString(std::string_view text);

// Whole seconds as "m:ss", or "h:mm:ss" from an hour on.
std::string ClockText(long seconds);

} // namespace pivora::cli
