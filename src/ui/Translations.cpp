#include "ui/Translations.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>

#include <cstdlib>
#include <optional>
#include <string_view>

namespace pivora::ui {

namespace {

// The language a locale name ("en_GB.UTF-8", "zh_CN", "en") names, when it is one of ours.
std::optional<Language> Named(std::string_view locale)
{
    const auto is = [&](std::string_view code) {
        return locale.starts_with(code) &&
               (locale.size() == code.size() ||
                std::string_view("_.@-").find(locale[code.size()]) != std::string_view::npos);
    };
    if (is("en"))
        return Language::English;
    if (is("zh"))
        return Language::Chinese;
    return std::nullopt;
}

std::string_view Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

Language LanguageFromEnvironment()
{
    // A list of preferences, "fr:en:zh"; a language with no text of its own is passed over.
    if (std::string_view preferences = Variable("LANGUAGE"); !preferences.empty()) {
        for (std::size_t end = 0; end != std::string_view::npos;
             preferences.remove_prefix(end + 1)) {
            end = preferences.find(':');
            if (const std::optional<Language> language = Named(preferences.substr(0, end)))
                return *language;
        }
        return Language::Chinese;
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const std::string_view locale = Variable(name); !locale.empty())
            return Named(locale).value_or(Language::Chinese);
    }
    return Language::Chinese;
}

std::string TranslationsFolder(const std::string& programFolder)
{
    return pivora::platform::JoinPath(pivora::platform::DataFolder(programFolder), "translations");
}

std::unique_ptr<QTranslator> LoadTranslation(Language language, const std::string& folder)
{
    if (language == Language::Chinese)
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("pivora_en"),
                          QFile::decodeName(QByteArray::fromStdString(folder))))
        return nullptr;
    return translator;
}

std::unique_ptr<QTranslator> InstallTranslation(Language language, const std::string& folder)
{
    std::unique_ptr<QTranslator> translator = LoadTranslation(language, folder);
    if (!translator || !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

std::unique_ptr<QTranslator> InstallQtTranslation(Language language, const std::string& folder)
{
    if (language == Language::English)
        return nullptr;
    const QString from = folder.empty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                                        : QFile::decodeName(QByteArray::fromStdString(folder));
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), from) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace pivora::ui
