// The names of temporary copies, made from input paths that may hold any bytes, under the
// code pages the program meets.
#include "FuzzCheck.h"

#include "input/TempCopies.h"
#include "platform/CodePage.h"

#include <string>
#include <string_view>

namespace {

constexpr const char* kCodePages[] = {"UTF-8", "GBK", "CP1252", "ISO-8859-1"};
constexpr pivora::platform::LocalDateTime kNow{2026, 3, 4, 5, 6, 7};

// The number of characters of valid UTF-8 text; npos when the text is not valid UTF-8.
std::size_t Utf8Characters(std::string_view text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++characters) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > text.size())
            return std::string_view::npos;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return std::string_view::npos;
        }
        i += length;
    }
    return characters;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static std::size_t codePage = std::size(kCodePages);
    const std::size_t wanted = data[0] % std::size(kCodePages);
    if (wanted != codePage) {
        FUZZ_CHECK(pivora::platform::SetCodePage(kCodePages[wanted]));
        codePage = wanted;
    }
    const std::string path(reinterpret_cast<const char*>(data) + 1, size - 1);

    static const pivora::input::TempCopies copies("/tmp/copies", [] { return kNow; });
    const std::string name = copies.CopyBaseName(path);

    FUZZ_CHECK(name.find_first_not_of(' ') != std::string::npos);
    FUZZ_CHECK(name.find_first_of("/\\<>?\":*|") == std::string::npos);
    const std::size_t characters = Utf8Characters(name);
    FUZZ_CHECK(characters != std::string_view::npos && characters <= 200);
    // The point of the copy: its name passes through the code page unchanged.
    FUZZ_CHECK(pivora::platform::AnsiRoundTrip(name) == name);
    return 0;
}
