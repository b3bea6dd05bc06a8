#include "win32ui/Texts.h"

#include "platform/win32/WinText.h"
#include "win32ui/TranslationTable.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace pivora::win32ui {

namespace {

Language g_language = Language::Chinese;

} // namespace

Language LanguageFromSystem()
{
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_ENGLISH ? Language::English
                                                                       : Language::Chinese;
}

void SetLanguage(Language language)
{
    g_language = language;
}

Language CurrentLanguage()
{
    return g_language;
}

std::string Tr(std::string_view source, std::string_view context)
{
    if (g_language == Language::Chinese)
        return std::string(source);
    const TranslationEntry* begin = kEnglishTexts;
    const TranslationEntry* end = kEnglishTexts + kEnglishTextCount;
    // The table is sorted by the source's bytes.
    const auto [first, last] =
        std::equal_range(begin, end, source, [](const auto& a, const auto& b) {
            auto text = [](const auto& x) -> std::string_view {
                if constexpr (std::is_same_v<std::decay_t<decltype(x)>, TranslationEntry>)
                    return x.Source;
                else
                    return x;
            };
            return text(a) < text(b);
        });
    if (first == last)
        return std::string(source);
    for (const TranslationEntry* entry = first; entry != last; ++entry) {
        if (context == entry->Context)
            return entry->Translation;
    }
    return first->Translation;
}

std::wstring TrW(std::string_view source, std::string_view context)
{
    return Wide(Tr(source, context));
}

std::wstring Wide(std::string_view utf8)
{
    return pivora::platform::win32::Wide(utf8);
}

std::string Utf8(std::wstring_view wide)
{
    return pivora::platform::win32::Utf8(wide);
}

} // namespace pivora::win32ui
