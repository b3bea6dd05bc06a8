#include "platform/CommandLineRules.h"

namespace pivora::platform {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitArguments(std::string_view text)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (true) {
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i >= n)
            break;
        std::string argument;
        bool quoted = false;
        while (i < n) {
            std::size_t slashes = 0;
            while (i < n && text[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < n && text[i] == '"') {
                argument.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    argument += '"';
                    ++i;
                } else if (quoted && i + 1 < n && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
                continue;
            }
            argument.append(slashes, '\\');
            if (i >= n || (!quoted && IsBlank(text[i])))
                break;
            argument += text[i++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string QuoteArgument(std::string_view argument, bool onlyIfNeeded)
{
    if (onlyIfNeeded && !argument.empty() &&
        argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);

    std::string quoted = "\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t slashes = 0;
        while (i < argument.size() && argument[i] == '\\') {
            ++slashes;
            ++i;
        }
        if (i == argument.size()) {
            // Back-slashes before the closing quote must not escape it.
            quoted.append(slashes * 2, '\\');
            break;
        }
        if (argument[i] == '"') {
            quoted.append(slashes * 2 + 1, '\\');
            quoted += '"';
        } else {
            quoted.append(slashes, '\\');
            quoted += argument[i];
        }
    }
    quoted += '"';
    return quoted;
}

ProgramAndArguments SplitProgram(std::string_view commandLine,
                                 const std::function<bool(const std::string&)>& isProgram)
{
    std::size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start]))
        ++start;
    std::string_view line = commandLine.substr(start);
    ProgramAndArguments result;
    if (line.empty())
        return result;

    if (line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        const std::size_t end = close == std::string_view::npos ? line.size() : close;
        const std::string program(line.substr(1, end - 1));
        if (isProgram(program)) {
            result.Program = program;
            result.ArgumentText = std::string(line.substr(std::min(line.size(), end + 1)));
        }
        return result;
    }

    // Unquoted: try the text up to each blank in turn, then the whole line.
    for (std::size_t pos = 0; pos <= line.size(); ++pos) {
        if (pos < line.size() && !IsBlank(line[pos]))
            continue;
        if (pos > 0 && !IsBlank(line[pos - 1])) {
            const std::string candidate(line.substr(0, pos));
            if (isProgram(candidate)) {
                result.Program = candidate;
                result.ArgumentText = std::string(line.substr(pos));
                return result;
            }
        }
    }
    return result;
}

} // namespace pivora::platform
