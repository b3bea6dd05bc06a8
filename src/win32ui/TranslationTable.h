#pragma once

#include <cstddef>

namespace pivora::win32ui {

// One translated text: the Linux window's context, the Chinese source, what tells it apart
// from another of the same source (empty for most), and its English; a text that names a
// number ("%n") has a plural form too, the same text for the others.
struct TranslationEntry
{
    const char* Context;
    const char* Source;
    const char* Comment;
    const char* Translation;
    const char* Plural;
};

// Made at build time from translations/pivora_en.ts, sorted by source text.
extern const TranslationEntry kEnglishTexts[];
extern const std::size_t kEnglishTextCount;

} // namespace pivora::win32ui
