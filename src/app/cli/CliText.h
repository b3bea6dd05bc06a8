#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// Text as a terminal may show it: control characters, C1 controls and bytes that are not
// UTF-8 written as escapes ("\n", "\x1b", "\u009b"), so that no name can move the cursor,
// clear the screen or retitle the window.
std::string TerminalText(std::string_view text);

// The names of a list, one a line (a carriage return before the line's end and a leading
// byte-order mark dropped), or each ended by NUL; empty names are left out.
std::vector<std::string> SplitNameList(std::string_view text, bool nulSeparated);

// Whole seconds as "m:ss", or "h:mm:ss" from an hour on.
std::string ClockText(long seconds);

} // namespace pivora::cli
