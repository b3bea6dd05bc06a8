#pragma once

#include "platform/EventPump.h"

#include <string>
#include <vector>

namespace pivora::input {

// Appends the full path of every regular file below `folder` to `list`: a folder's own files
// first, in listing order, then the files of each subfolder, depth first. Hidden and
// read-only entries count like any other; pipes, sockets and devices are not files. Links to
// folders are not entered (a link cycle cannot recurse), and a link to a file outside the searched
// tree is not followed. Pending events run now and then, so the window stays alive during a long
// search; the search ends early when the program is shutting down. Every subfolder is
// searched, however many a folder holds; the folders that cannot be listed (no permission,
// gone meanwhile) are appended to `unreadable` when it is given, so that nothing is left out
// without a word.
void SearchFolder(const std::string& folder, std::vector<std::string>& list,
                  pivora::platform::EventPump* pump = nullptr,
                  std::vector<std::string>* unreadable = nullptr);

} // namespace pivora::input
