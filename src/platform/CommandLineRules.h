#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::platform {

// The Windows command-line rules, shared by every platform: the text form of a command is
// the program's interface, and the POSIX runner turns it into an argument vector itself.

// Splits argument text as the Microsoft C runtime does: blanks and tabs separate, quotes
// group, 2n back-slashes before a quote give n and a quote toggles, 2n+1 give n and a
// literal quote, other back-slashes are literal, "" inside quotes is a literal quote.
std::vector<std::string> SplitArguments(std::string_view text);

// Quotes one argument so that SplitArguments gives it back unchanged. An argument that
// needs no quotes at all comes back as it is when `onlyIfNeeded` is true.
std::string QuoteArgument(std::string_view argument, bool onlyIfNeeded = false);

struct ProgramAndArguments
{
    std::string Program;      // as written (quotes removed); empty when not found
    std::string ArgumentText; // the rest of the line, for SplitArguments
};

// Finds the program of a command line as Windows process creation does: a quoted first
// token is taken whole; an unquoted one that contains blanks is tried at every blank,
// shortest first, and the first candidate that `isProgram` accepts wins.
ProgramAndArguments SplitProgram(std::string_view commandLine,
                                 const std::function<bool(const std::string&)>& isProgram);

} // namespace pivora::platform
