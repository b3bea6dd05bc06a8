#pragma once

#include <cstdint>

namespace pivora::platform {

// A waitable object of the operating system: a file descriptor on POSIX, a HANDLE on Windows.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kInvalidHandle = -1;

} // namespace pivora::platform
