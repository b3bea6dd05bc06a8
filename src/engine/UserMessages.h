#pragma once

#include <string>

namespace pivora::engine {

// The message boxes the engine may show. The window shows them; tests record them.
class UserMessages
{
public:
    enum class Icon { None, Information, Warning, Error };

    virtual ~UserMessages() = default;
    virtual void ShowMessage(const std::string& text, const std::string& title, Icon icon) = 0;
};

inline constexpr const char* kProgramTitle = "Pivora";

} // namespace pivora::engine
