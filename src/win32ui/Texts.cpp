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

namespace {

// The entry for `source` in `context` with `comment`; one of another context when that is all
// there is; null when the text has no English.
const TranslationEntry* Find(std::string_view source, std::string_view context,
                             std::string_view comment)
{
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
        return nullptr;
    const TranslationEntry* found = nullptr;
    for (const TranslationEntry* entry = first; entry != last; ++entry) {
        if (context == entry->Context && comment == entry->Comment)
            return entry;
        if (!found || (comment == entry->Comment && comment != found->Comment))
            found = entry;
    }
    return found;
}

} // namespace

std::string Tr(std::string_view source, std::string_view context)
{
    return TrAs(source, context, {});
}

std::string TrAs(std::string_view source, std::string_view context, std::string_view comment)
{
    if (g_language == Language::Chinese)
        return std::string(source);
    const TranslationEntry* entry = Find(source, context, comment);
    return entry ? entry->Translation : std::string(source);
}

std::string TrCount(std::string_view source, std::string_view context, int count)
{
    std::string text(source);
    if (g_language == Language::English) {
        if (const TranslationEntry* entry = Find(source, context, {}))
            text = count == 1 ? entry->Translation : entry->Plural;
    }
    for (std::size_t at = 0; (at = text.find("%n", at)) != std::string::npos;)
        text.replace(at, 2, std::to_string(count));
    return text;
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
