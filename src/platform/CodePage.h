#pragma once

#include <string>
#include <string_view>

namespace pivora::platform {

// The narrow character set that paths handed to the converter and to the narrow path
// functions must fit: the system's code page on Windows, the locale's character set here.
// Text inside the program is UTF-8.

// The name of the current code page ("UTF-8", "ISO-8859-1", "GBK", ...).
std::string CodePageName();
// Replaces the code page; tests use narrower ones. An empty name restores the system's.
// False when the system cannot convert to that character set.
bool SetCodePage(const std::string& name);

// The text after a trip into the code page and back: every character the code page cannot
// hold comes back as "?". Bytes that are not UTF-8 at all come back as "?" too.
std::string AnsiRoundTrip(std::string_view utf8);

// A name as the file system gave it, in the form the narrow functions would give it: kept as
// it is when the code page is UTF-8 (the bytes are the name), otherwise read as UTF-8 and
// passed through AnsiRoundTrip.
std::string NativeNameToAnsi(std::string_view name);

} // namespace pivora::platform
