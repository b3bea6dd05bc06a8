#include "input/PathHelpers.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace pivora::input {

namespace fs = pivora::platform;

bool FileExists(const std::string& pstrFile)
{
    const std::string path = fs::AnsiRoundTrip(pstrFile);
    return fs::NarrowPathExists(path) && !fs::NarrowIsFolder(path);
}

bool FolderExists(const std::string& pstrFolder)
{
    const std::string path = fs::AnsiRoundTrip(pstrFolder);
    return fs::NarrowPathExists(path) && fs::NarrowIsFolder(path);
}

std::string GetFileName(std::string_view path)
{
    const std::size_t separator = path.find_last_of(fs::PathSeparator());
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string AnsiRoundTrip(std::string_view text)
{
    return fs::AnsiRoundTrip(text);
}

std::string CleanName(std::string_view name, bool includingSeparator)
{
    std::string cleaned(name);
    for (char& c : cleaned) {
        switch (c) {
        case '/':
        case '\\':
            if (includingSeparator || c != fs::PathSeparator())
                c = ' ';
            break;
        case '<':
        case '>':
        case '?':
        case '"':
        case ':':
        case '*':
        case '|':
            c = ' ';
            break;
        default:
            break;
        }
    }
    return cleaned;
}

std::string DisplayTextFor(const std::string& chosenPath)
{
    const std::string t = AnsiRoundTrip(chosenPath);
    const std::size_t separator = t.find_last_of(fs::PathSeparator());
    const std::string folder = separator == std::string::npos ? "" : t.substr(0, separator + 1);
    return folder + CleanName(GetFileName(t), false);
}

std::string StripTrailing(std::string_view text)
{
    const std::size_t last = text.find_last_not_of(std::string_view("\0 ", 2));
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

} // namespace pivora::input
