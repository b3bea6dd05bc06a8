#include "settings/SettingsFiles.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

namespace pivora::settings {

namespace fs = pivora::platform;

double LeadingNumber(std::string_view text)
{
    std::string compact;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            compact += c;
    }
    // Longest prefix of the form [+-]digits[.digits][(e|E)[+-]digits].
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < compact.size() && compact[at] >= '0' && compact[at] <= '9')
            ++at;
        return at - start;
    };
    if (at < compact.size() && (compact[at] == '+' || compact[at] == '-'))
        ++at;
    std::size_t mantissa = digits();
    if (at < compact.size() && compact[at] == '.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return 0;
    std::size_t end = at;
    if (at < compact.size() && (compact[at] == 'e' || compact[at] == 'E')) {
        ++at;
        if (at < compact.size() && (compact[at] == '+' || compact[at] == '-'))
            ++at;
        if (digits() > 0)
            end = at;
    }
    const double value = std::strtod(compact.substr(0, end).c_str(), nullptr);
    return std::isfinite(value) ? value : 0;
}

double RoundHalfEven(double value)
{
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return rounded;
}

namespace {

std::vector<std::string> ReadLines(std::istream& in)
{
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path, bool& exists)
{
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    return ReadLines(in);
}

std::vector<std::string> TextLines(std::string_view text)
{
    std::istringstream in{std::string(text)};
    return ReadLines(in);
}

template <typename Field> void Store(const std::string& line, Field& field)
{
    const double value = RoundHalfEven(LeadingNumber(line));
    // A value that does not fit its field leaves the field as it was.
    if (value >= static_cast<double>(std::numeric_limits<Field>::min()) &&
        value <= static_cast<double>(std::numeric_limits<Field>::max()))
        field = static_cast<Field>(value);
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string FirstLineTrimmed(const std::vector<std::string>& lines)
{
    return lines.empty() ? std::string() : Trim(lines.front());
}

void StoreOptions(const std::vector<std::string>& lines, OptionValues& options)
{
    if (lines.size() > 0)
        Store(lines[0], options.SoundReminder);
    if (lines.size() > 1)
        Store(lines[1], options.CutEnabled);
    if (lines.size() > 2)
        Store(lines[2], options.CutStart);
    if (lines.size() > 3)
        Store(lines[3], options.CutEnd);
}

} // namespace

std::string LoadOutputFolder(const std::string& path, const std::string& current,
                             const std::string& fallback)
{
    std::string folder = current;
    if (fs::IsRegularFile(path)) {
        bool exists = false;
        folder = FirstLineTrimmed(ReadLines(path, exists));
    }
    return folder.empty() ? fallback : folder;
}

std::string OutputFolderFromText(std::string_view text, const std::string& fallback)
{
    const std::string folder = FirstLineTrimmed(TextLines(text));
    return folder.empty() ? fallback : folder;
}

bool SaveOutputFolder(const std::string& path, const std::string& folder)
{
    return fs::WriteFileWhole(path, folder + "\r\n");
}

void LoadOptions(const std::string& path, OptionValues& options)
{
    bool exists = false;
    const std::vector<std::string> lines =
        fs::IsRegularFile(path) ? ReadLines(path, exists) : std::vector<std::string>{};
    if (!exists) {
        options.SoundReminder = 0;
        options.CutEnabled = 0;
        return;
    }
    StoreOptions(lines, options);
}

void OptionsFromText(std::string_view text, OptionValues& options)
{
    StoreOptions(TextLines(text), options);
}

bool SaveOptions(const std::string& path, const OptionValues& options)
{
    std::ostringstream text;
    text << options.SoundReminder << "\r\n"
         << options.CutEnabled << "\r\n"
         << options.CutStart << "\r\n"
         << options.CutEnd << "\r\n";
    return fs::WriteFileWhole(path, text.str());
}

namespace {

bool OnlyNumberCharacters(const std::string& line)
{
    return line.find_first_not_of("0123456789+-.eE \t") == std::string::npos;
}

// What the program itself writes: one line; four lines of numbers.
bool IsOutputFolderText(const std::vector<std::string>& lines)
{
    return lines.size() <= 1;
}

bool IsOptionsText(const std::vector<std::string>& lines)
{
    return lines.size() <= 4 && std::all_of(lines.begin(), lines.end(), OnlyNumberCharacters);
}

// The settings file `name` in the settings files' own folder. One that an earlier version left
// directly in the settings folder moves there on first use, when there is none there yet and
// it reads as the program's own: a file of that name may belong to another program.
std::string SettingsFilePath(const std::string& settingsFolder, const std::string& name,
                             bool (*ours)(const std::vector<std::string>&))
{
    const std::string folder = fs::SettingsFilesFolder(settingsFolder);
    const std::string path = fs::JoinPath(folder, name);
    const std::string old = fs::JoinPath(settingsFolder, name);
    if (old == path || fs::PathExists(path) || !fs::IsRegularFile(old))
        return path;
    const std::int64_t size = fs::FileSize(old);
    if (size < 0 || size > 64 * 1024)
        return path;
    bool exists = false;
    const std::vector<std::string> lines = ReadLines(old, exists);
    if (!exists || !ours(lines))
        return path;
    fs::CreateFolders(folder);
    fs::RenameFile(old, path);
    return path;
}

} // namespace

std::string OptionsFilePath(const std::string& programFolder, const std::string& settingsFolder)
{
    if (!fs::IsSystemProgramFolder(programFolder) && fs::CanWriteFolder(programFolder))
        return fs::JoinPath(programFolder, "options.ini");
    return SettingsFilePath(settingsFolder, "options.ini", IsOptionsText);
}

std::string OutputFolderFilePath(const std::string& settingsFolder)
{
    // With no settings folder at all the file is sought at the root, as it always was.
    if (settingsFolder.empty())
        return std::string(1, fs::PathSeparator()) + "pvsetting.ini";
    return SettingsFilePath(settingsFolder, "pvsetting.ini", IsOutputFolderText);
}

} // namespace pivora::settings
