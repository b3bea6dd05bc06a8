#pragma once

#include <string>
#include <string_view>

namespace pivora::win32ui {

enum class Language { Chinese, English };

// Chinese is the interface's own language; English when the user's interface language is
// English.
Language LanguageFromSystem();
void SetLanguage(Language language);
Language CurrentLanguage();

// `source` (a Chinese text of the window, UTF-8) in the interface's language. `context` is the
// Linux window's name for the place of the text; a text found only under another context is
// taken from there.
std::string Tr(std::string_view source, std::string_view context = {});
// The same for a text that shares its source with another and is told apart by `comment`, and
// for one that names `count` as "%n" (the number is put in).
std::string TrAs(std::string_view source, std::string_view context, std::string_view comment);
std::string TrCount(std::string_view source, std::string_view context, int count);
std::wstring TrW(std::string_view source, std::string_view context = {});

// UTF-8 and UTF-16, the program's text and the system's.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

} // namespace pivora::win32ui
