#pragma once

#include "app/cli/CliHost.h"
#include "input/InputList.h"
#include "input/TempCopies.h"
#include "platform/EventPump.h"

#include <string>
#include <vector>

namespace pivora::cli {

// The names to convert: those on the command line, then each list's in turn ("-" is standard
// input). False with `problem` set when a list cannot be read.
bool ReadNames(const std::vector<std::string>& named, const std::vector<std::string>& lists,
               bool nulSeparated, std::vector<std::string>& names, std::string& problem);

// The files to convert, in the order named; folders are searched as the window's "add folder"
// searches them. A name that names nothing is told to `host` as failed. With `makeCopies`, a
// name the converter could not be given as it is goes as a copy, noted in `made` to be removed
// at the end.
void GatherInputs(const std::vector<std::string>& names, bool makeCopies,
                  pivora::input::InputList& list, pivora::input::TempCopies& copies,
                  std::vector<std::string>& made, pivora::platform::EventPump& pump, CliHost& host);

// Tidies up after the command lines that did not live to finish their batches (their
// journals): cut-short outputs go, and the files never converted are named in one line.
void TidyUnfinishedBatches(const std::string& converterPath, pivora::platform::EventPump& pump,
                           CliHost& host);

// Writes the command line each entry would run, as the batch builds it for a file that needs
// nothing more, and one name for each even within one second. False when standard output
// could not take it.
bool PrintDryRun(const pivora::input::InputList& list, const CliHost::Choices& choices,
                 const std::string& programFolder);

} // namespace pivora::cli
