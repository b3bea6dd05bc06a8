#pragma once

#include <cstddef>

namespace pivora::win32ui {

// One translated text: the Linux window's context, the Chinese source and its English.
struct TranslationEntry
{
    const char* Context;
    const char* Source;
    const char* Translation;
};

// Made at build time from translations/pivora_en.ts, sorted by source text.
extern const TranslationEntry kEnglishTexts[];
extern const std::size_t kEnglishTextCount;

} // namespace pivora::win32ui
