#pragma once

#include <string>
#include <string_view>

namespace pivora::platform::win32 {

// Text inside the program is UTF-8; the system takes UTF-16 (wide) or the code page (narrow).
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// The code page the narrow functions use: the system's, unless a test chose another.
unsigned CodePage();
// UTF-8 into the code page; characters it cannot hold become "?".
std::string ToCodePage(std::string_view utf8);
std::string FromCodePage(std::string_view narrow);
// A piece of what a child wrote, as UTF-8: ffmpeg writes UTF-8, other programs the code page.
// A read may end inside a character; its first bytes are kept in `partial`, which the next
// piece is to follow.
std::string DecodeChildOutput(std::string bytes, std::string& partial);

} // namespace pivora::platform::win32
