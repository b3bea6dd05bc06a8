// pvsetting.ini and options.ini as read at start-up: the files may have been edited by hand
// or written by another program.
#include "FuzzCheck.h"

#include "settings/SettingsFiles.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using pivora::settings::OptionValues;

namespace {

// The file's lines as a text editor shows them, a "\r\n" ending counting as a line break.
std::vector<std::string_view> EditorLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The value of a line that holds a plain whole number between blanks; nothing for any other.
std::optional<std::int64_t> PlainNumber(std::string_view line)
{
    std::string compact;
    for (const char c : line) {
        if (c != ' ' && c != '\t' && c != '\r')
            compact += c;
    }
    const std::size_t digitsAt = compact.starts_with('-') ? 1 : 0;
    if (compact.size() == digitsAt || compact.size() - digitsAt > 15 ||
        compact.find_first_not_of("0123456789", digitsAt) != std::string::npos)
        return std::nullopt;
    return std::stoll(compact);
}

bool HasDigit(std::string_view line)
{
    return line.find_first_of("0123456789") != std::string_view::npos;
}

template <typename Field> void CheckField(std::string_view line, Field before, Field after)
{
    if (const std::optional<std::int64_t> value = PlainNumber(line)) {
        const bool fits = *value >= std::numeric_limits<Field>::min() &&
                          *value <= std::numeric_limits<Field>::max();
        FUZZ_CHECK(after == (fits ? static_cast<Field>(*value) : before));
    } else if (!HasDigit(line)) {
        FUZZ_CHECK(after == 0);
    }
}

void CheckOutputFolder(std::string_view text)
{
    const std::string fallback = "/home/user/Videos";
    const std::string folder = pivora::settings::OutputFolderFromText(text, fallback);
    const std::vector<std::string_view> lines = EditorLines(text);
    const std::string_view first = lines.empty() ? std::string_view() : lines.front();
    if (first.find_first_not_of(' ') == std::string_view::npos) {
        FUZZ_CHECK(folder == fallback);
        return;
    }
    FUZZ_CHECK(!folder.empty() && folder.front() != ' ' && folder.back() != ' ');
    FUZZ_CHECK(first.find(folder) != std::string_view::npos);
    // What is saved reads back the same.
    FUZZ_CHECK(pivora::settings::OutputFolderFromText(folder + "\r\n", fallback) == folder);
}

void CheckOptions(std::string_view text)
{
    const OptionValues before{-1, 2, 30, 40};
    OptionValues after = before;
    pivora::settings::OptionsFromText(text, after);
    const std::vector<std::string_view> lines = EditorLines(text);
    const auto line = [&](std::size_t i) {
        return i < lines.size() ? std::optional(lines[i]) : std::nullopt;
    };
    if (const auto l = line(0))
        CheckField(*l, before.SoundReminder, after.SoundReminder);
    else
        FUZZ_CHECK(after.SoundReminder == before.SoundReminder);
    if (const auto l = line(1))
        CheckField(*l, before.CutEnabled, after.CutEnabled);
    else
        FUZZ_CHECK(after.CutEnabled == before.CutEnabled);
    if (const auto l = line(2))
        CheckField(*l, before.CutStart, after.CutStart);
    else
        FUZZ_CHECK(after.CutStart == before.CutStart);
    if (const auto l = line(3))
        CheckField(*l, before.CutEnd, after.CutEnd);
    else
        FUZZ_CHECK(after.CutEnd == before.CutEnd);

    // Saved in the form SaveOptions writes and read again, the values come back unchanged.
    std::ostringstream saved;
    saved << after.SoundReminder << "\r\n"
          << after.CutEnabled << "\r\n"
          << after.CutStart << "\r\n"
          << after.CutEnd << "\r\n";
    OptionValues reread{7, 7, 7, 7};
    pivora::settings::OptionsFromText(saved.str(), reread);
    FUZZ_CHECK(reread.SoundReminder == after.SoundReminder &&
               reread.CutEnabled == after.CutEnabled && reread.CutStart == after.CutStart &&
               reread.CutEnd == after.CutEnd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckOutputFolder(text);
    CheckOptions(text);
    return 0;
}
