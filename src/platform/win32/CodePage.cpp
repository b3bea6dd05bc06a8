#include "platform/CodePage.h"

#include "platform/win32/WinText.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace pivora::platform {

namespace {

std::atomic<unsigned> g_override{0};

} // namespace

namespace win32 {

std::wstring Wide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          size);
    return wide;
}

std::string Utf8(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                          nullptr, nullptr);
    return utf8;
}

unsigned CodePage()
{
    const unsigned chosen = g_override.load();
    return chosen != 0 ? chosen : ::GetACP();
}

std::string ToCodePage(std::string_view utf8)
{
    const std::wstring wide = Wide(utf8);
    if (wide.empty())
        return {};
    const unsigned page = CodePage();
    // No best-fit mapping: a character the code page lacks becomes "?", never a look-alike.
    const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = page == CP_UTF8 ? nullptr : "?";
    const int size = ::WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, fallback, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(page, flags, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                          size, fallback, nullptr);
    return narrow;
}

std::string FromCodePage(std::string_view narrow)
{
    if (narrow.empty())
        return {};
    const unsigned page = CodePage();
    const int size =
        ::MultiByteToWideChar(page, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(page, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(),
                          size);
    return Utf8(wide);
}

namespace {

bool IsUtf8(std::string_view bytes)
{
    return bytes.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                  static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

// How many bytes at the end begin a UTF-8 character whose other bytes have not come yet.
std::size_t Utf8CutOff(std::string_view bytes)
{
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

std::string DecodeChildOutput(std::string bytes, std::string& partial)
{
    bytes.insert(0, partial);
    partial.clear();
    const std::size_t whole = bytes.size() - Utf8CutOff(bytes);
    if (IsUtf8(std::string_view(bytes).substr(0, whole))) {
        partial = bytes.substr(whole);
        bytes.resize(whole);
        return bytes;
    }
    // The code page's text: a lead byte at the end waits for the byte that completes it.
    const unsigned page = CodePage();
    std::size_t at = 0;
    while (at < bytes.size()) {
        const bool lead = ::IsDBCSLeadByteEx(page, static_cast<BYTE>(bytes[at])) != 0;
        if (lead && at + 1 == bytes.size())
            break;
        at += lead ? 2 : 1;
    }
    partial = bytes.substr(std::min(at, bytes.size()));
    bytes.resize(std::min(at, bytes.size()));
    return FromCodePage(bytes);
}

} // namespace win32

std::string CodePageName()
{
    return "CP" + std::to_string(win32::CodePage());
}

bool SetCodePage(const std::string& name)
{
    if (name.empty()) {
        g_override = 0;
        return true;
    }
    // "CP936", "936"; UTF-8 and the Latin-1 name are understood too.
    unsigned page = 0;
    if (name == "UTF-8")
        page = CP_UTF8;
    else if (name == "ISO-8859-1")
        page = 28591;
    else
        page = static_cast<unsigned>(
            std::strtoul(name.c_str() + (name.rfind("CP", 0) == 0 ? 2 : 0), nullptr, 10));
    CPINFO info;
    if (page == 0 || !::GetCPInfo(page, &info))
        return false;
    g_override = page;
    return true;
}

std::string AnsiRoundTrip(std::string_view utf8)
{
    return win32::FromCodePage(win32::ToCodePage(utf8));
}

std::string NativeNameToAnsi(std::string_view name)
{
    // The narrow listing already gave the name in the code page's terms.
    return std::string(name);
}

} // namespace pivora::platform
