#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pivora::cli {

// What the command line needs of the console it runs in; one implementation per system.

// The program's arguments after its own name, in the program's own text form (file names
// exactly as the system gives them; UTF-8 on Windows, read from the wide command line).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Sets up the standard streams before anything else is opened: a standard stream left closed
// by whoever started the program is opened on the null device, so that no file or pipe the
// program opens later takes its place; a closed reader of the output makes writes fail
// instead of ending the program in the middle of a batch; the output is written byte for byte.
void PrepareStreams();

// Whether standard error and standard output are interactive terminals, and how many columns
// standard error's has (0 when unknown).
bool ErrorIsTerminal();
bool OutputIsTerminal();
int TerminalColumns();

// Writes program text to standard error or standard output, whole. False when it could not
// all be written; WriteProblem() then says why.
bool WriteError(std::string_view text);
bool WriteOutput(std::string_view text);
std::string WriteProblem();

// Reads a whole file, or standard input for "-", into `text`; false with `problem` set when
// it cannot be read. Pipes are read too: a list may come from another program.
bool ReadWholeInput(const std::string& name, std::string& text, std::string& problem);

// Whether the converter's command line passes through the code page on its way to the
// converter, so that a name the code page cannot hold must reach it as a copy.
bool ConverterTakesCodePageNames();

} // namespace pivora::cli
