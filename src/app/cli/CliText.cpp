#include "app/cli/CliText.h"

#include "platform/CommandLineRules.h"

#include <cstdio>

namespace pivora::cli {

std::string ShellQuoted(std::string_view argument)
{
    constexpr std::string_view kPlain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                        "0123456789_-+=%@:,./";
    if (!argument.empty() && argument.find_first_not_of(kPlain) == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "'";
    for (const char c : argument) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ShellCommand(std::string_view commandLine, const std::string& converter)
{
    const pivora::platform::ProgramAndArguments split = pivora::platform::SplitProgram(
        commandLine, [&](const std::string& candidate) { return candidate == converter; });
    std::string line = ShellQuoted(split.Program);
    for (const std::string& argument : pivora::platform::SplitArguments(split.ArgumentText))
        line.append(" ").append(ShellQuoted(argument));
    return line;
}

namespace {

// The length of the UTF-8 sequence at the start of `text`, 0 when it is not one: no overlong
// forms, no surrogates, nothing beyond U+10FFFF.
std::size_t Utf8Length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string JsonString(std::string_view text)
{
    std::string json = "\"";
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text.front());
        const std::size_t length = Utf8Length(text);
        if (length == 0) {
            json += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c < 0x20 || c == 0x7F ||
                   (c == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0)) {
            // The C1 controls too: the line may be read on a terminal.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x",
                          c == 0xC2 ? static_cast<unsigned>(static_cast<unsigned char>(text[1]))
                                    : static_cast<unsigned>(c));
            json += escaped;
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return json + "\"";
}

std::string TerminalText(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text.front());
        const std::size_t length = Utf8Length(text);
        char escaped[12];
        if (length == 0) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
            text.remove_prefix(1);
            continue;
        }
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        } else if (c == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) {
            // U+0080 to U+009F: some terminals take U+009B as the start of a control sequence.
            std::snprintf(escaped, sizeof escaped, "\\u%04x",
                          static_cast<unsigned>(static_cast<unsigned char>(text[1])));
            shown += escaped;
        } else {
            shown.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return shown;
}

std::vector<std::string> SplitNameList(std::string_view text, bool nulSeparated)
{
    const char end = nulSeparated ? '\0' : '\n';
    if (!nulSeparated && text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<std::string> names;
    while (!text.empty()) {
        const std::size_t at = text.find(end);
        std::string_view name = text.substr(0, at);
        text.remove_prefix(at == std::string_view::npos ? text.size() : at + 1);
        // A list written on Windows ends its lines with CR LF.
        if (!nulSeparated && name.ends_with('\r'))
            name.remove_suffix(1);
        if (!name.empty())
            names.emplace_back(name);
    }
    return names;
}

std::string ClockText(long seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", seconds / 60, seconds % 60);
    return text;
}

} // namespace pivora::cli
