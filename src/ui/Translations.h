#pragma once

#include <QTranslator>

#include <memory>
#include <string>

namespace pivora::ui {

// The interface is written in Chinese, which is also the default; English is a translation.
enum class Language { Chinese, English };

// The language the user reads messages in, by the usual precedence: LANGUAGE (its first entry
// that names English or Chinese), else the first of LC_ALL, LC_MESSAGES and LANG that is set.
// English when that names English, Chinese otherwise.
Language LanguageFromEnvironment();

// The folder beside the program that holds the compiled translations.
std::string TranslationsFolder(const std::string& programFolder);

// The program's translation into `language` found in `folder`, not installed. Null for
// Chinese, or when the translation is missing.
std::unique_ptr<QTranslator> LoadTranslation(Language language, const std::string& folder);

// Installs the translation into `language` found in `folder`; the application speaks it for as
// long as the returned translator lives. Null for Chinese, or when the translation is missing.
std::unique_ptr<QTranslator> InstallTranslation(Language language, const std::string& folder);

// Installs Qt's own translation of its dialogs and buttons into `language` ("Look in:",
// "Cancel"), so that the whole window speaks one language; `folder` is where Qt's
// translations are, the system's own when empty. Null for English, which Qt speaks itself, or
// when the translation is missing.
std::unique_ptr<QTranslator> InstallQtTranslation(Language language,
                                                  const std::string& folder = {});

} // namespace pivora::ui
