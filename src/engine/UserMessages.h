#pragma once

#include <string>

// Marks a text of the core that the user reads, for lupdate (as QT_TRANSLATE_NOOP); the core
// keeps the source text, which is also what it writes to files.
#define PIVORA_TRANSLATE_NOOP(context, text) text

namespace pivora::engine {

// The message boxes the engine may show. The window shows them; tests record them.
class UserMessages
{
public:
    enum class Icon { None, Information, Warning, Error };

    virtual ~UserMessages() = default;
    virtual void ShowMessage(const std::string& text, const std::string& title, Icon icon) = 0;
    // One of the texts marked in the context "CoreTexts", in the user's language; the source
    // text itself when there is no translation.
    virtual std::string Translate(const char* source) const { return source; }
};

inline constexpr const char* kProgramTitle = "Pivora";

// `pattern` with its "%1" replaced by `argument`.
inline std::string WithArgument(std::string pattern, const std::string& argument)
{
    if (const std::size_t at = pattern.find("%1"); at != std::string::npos)
        pattern.replace(at, 2, argument);
    return pattern;
}

inline std::string WithArguments(std::string pattern, const std::string& first,
                                 const std::string& second)
{
    pattern = WithArgument(std::move(pattern), first);
    if (const std::size_t at = pattern.find("%2"); at != std::string::npos)
        pattern.replace(at, 2, second);
    return pattern;
}

} // namespace pivora::engine
