#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pivora::cli {

// What the command line needs of the console it runs in; one implementation per system.

// The program's arguments after its own name, in the program's own text form (file names
// exactly as the system gives them; UTF-8 on Windows, read from the wide command line).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Sets up the standard streams: a closed reader of the output makes writes fail instead of
// ending the program in the middle of a batch, and the output is written byte for byte.
void PrepareStreams();

// Whether standard error is an interactive terminal, and how many columns it has (0 when
// unknown).
bool ErrorIsTerminal();
int TerminalColumns();

// Writes program text to standard error or standard output, whole.
void WriteError(std::string_view text);
void WriteOutput(std::string_view text);

// Whether the converter's command line passes through the code page on its way to the
// converter, so that a name the code page cannot hold must reach it as a copy.
bool ConverterTakesCodePageNames();

} // namespace pivora::cli
