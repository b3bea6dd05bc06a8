#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <mutex>

namespace pivora::platform {

namespace {

std::string SystemCodePage()
{
    std::string name;
    if (locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr))) {
        name = ::nl_langinfo_l(CODESET, locale);
        ::freelocale(locale);
    }
    // The plain C locale reports ASCII, but file names here are UTF-8 all the same.
    if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII")
        name = "UTF-8";
    return name;
}

bool IsUtf8(const std::string& name)
{
    return name == "UTF-8" || name == "utf8" || name == "UTF8";
}

struct CodePageState
{
    std::mutex lock;
    std::string name = SystemCodePage();
    iconv_t toCodePage = reinterpret_cast<iconv_t>(-1);

    ~CodePageState() { Close(); }
    void Close()
    {
        if (toCodePage != reinterpret_cast<iconv_t>(-1))
            ::iconv_close(toCodePage);
        toCodePage = reinterpret_cast<iconv_t>(-1);
    }
};

CodePageState& State()
{
    static CodePageState state;
    return state;
}

// The length of the UTF-8 sequence at the start of `text`, 0 when it is not valid UTF-8.
std::size_t SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    // Overlong and surrogate forms are not UTF-8.
    if (length == 3 && ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0)))
        return 0;
    if (length == 4 && ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)))
        return 0;
    return length;
}

} // namespace

std::string CodePageName()
{
    std::lock_guard guard(State().lock);
    return State().name;
}

bool SetCodePage(const std::string& name)
{
    CodePageState& state = State();
    std::lock_guard guard(state.lock);
    const std::string wanted = name.empty() ? SystemCodePage() : name;
    if (!IsUtf8(wanted)) {
        iconv_t probe = ::iconv_open(wanted.c_str(), "UTF-8");
        if (probe == reinterpret_cast<iconv_t>(-1))
            return false;
        ::iconv_close(probe);
    }
    state.Close();
    state.name = wanted;
    return true;
}

std::string AnsiRoundTrip(std::string_view utf8)
{
    CodePageState& state = State();
    std::lock_guard guard(state.lock);
    const bool utf8CodePage = IsUtf8(state.name);
    if (!utf8CodePage && state.toCodePage == reinterpret_cast<iconv_t>(-1))
        state.toCodePage = ::iconv_open(state.name.c_str(), "UTF-8");

    std::string result;
    result.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t length = SequenceLength(utf8);
        if (length == 0) {
            result += '?';
            utf8.remove_prefix(1);
            continue;
        }
        const std::string_view character = utf8.substr(0, length);
        utf8.remove_prefix(length);
        if (length == 1 || utf8CodePage) {
            result.append(character);
            continue;
        }
        // Whether the code page holds this character: convert it alone.
        char in[4];
        character.copy(in, length);
        char out[16];
        char* inPointer = in;
        std::size_t inLeft = length;
        char* outPointer = out;
        std::size_t outLeft = sizeof out;
        ::iconv(state.toCodePage, nullptr, nullptr, nullptr, nullptr);
        const std::size_t converted =
            ::iconv(state.toCodePage, &inPointer, &inLeft, &outPointer, &outLeft);
        if (converted == static_cast<std::size_t>(-1) || inLeft != 0 || converted > 0)
            result += '?'; // not held, or only approximated
        else
            result.append(character);
    }
    return result;
}

std::string NativeNameToAnsi(std::string_view name)
{
    {
        std::lock_guard guard(State().lock);
        if (IsUtf8(State().name))
            return std::string(name);
    }
    return AnsiRoundTrip(name);
}

} // namespace pivora::platform
