#pragma once

#include <string>
#include <string_view>

namespace pivora::platform {

// True when at least one live process of the current user has the executable file name
// `name` (compared without regard to letter case) and was started from `converterPath`, the
// same processes KillProcessByName would stop. Exited processes that were not yet waited for
// do not count, and neither do other programs that happen to share the name, nor the
// converters whose parent is another live process of this program (a window or a command
// line): those are its conversions, not strays.
bool IsProcessRunning(std::string_view name, const std::string& converterPath);

// Terminates every process of the current user whose executable name matches `name`
// (case-insensitive) and that was started from `converterPath`, unless its parent is another
// live process of this program: what is ended is what an earlier program left behind. Other
// programs that happen to share the name are left alone.
void KillProcessByName(std::string_view name, const std::string& converterPath);

// This process, its machine, and whether another id is a live process of this program on
// this machine (the window or the command line): for files that say which process wrote them.
long CurrentProcessId();
std::string MachineName();
bool IsProgramProcess(long id);

// This program's own converter processes that are no conversion (a preview frame being
// made): the two functions above leave them alone while they are spared.
void SpareProcess(long id);
void ReleaseProcess(long id);

} // namespace pivora::platform
