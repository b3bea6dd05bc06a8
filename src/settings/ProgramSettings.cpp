#include "settings/ProgramSettings.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

namespace pivora::settings {

namespace {

constexpr std::string_view kGroup = "Conversion";
constexpr std::string_view kGroupHeader = "[Conversion]";
constexpr std::string_view kLosslessRotation = "LosslessRotation";
constexpr std::string_view kParallelJobs = "ParallelJobs";

std::string_view Trim(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// Calls `visit(group, key, value, lineIndex)` for every "key=value" line of the file.
template <typename Visit> void ForEachValue(const std::vector<std::string>& lines, Visit visit)
{
    std::string group;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = Trim(lines[i]);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = std::string(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        visit(group, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), i);
    }
}

} // namespace

std::string ProgramSettingsPath(const std::string& settingsFolder)
{
    return pivora::platform::JoinPath(pivora::platform::JoinPath(settingsFolder, "pivora"),
                                      "pivora.conf");
}

int MaxParallelJobs()
{
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxParallelJobs);
}

int ParallelJobsUsed(const ProgramSettings& settings)
{
    return std::clamp(settings.ParallelJobs, 1, MaxParallelJobs());
}

ProgramSettings LoadProgramSettings(const std::string& path)
{
    ProgramSettings settings;
    ForEachValue(ReadLines(path), [&](const std::string& group, std::string_view key,
                                      std::string_view value, std::size_t) {
        if (group != kGroup)
            return;
        if (key == kLosslessRotation) {
            const std::string word = Lower(value);
            if (word == "true" || word == "false")
                settings.LosslessRotation = word == "true";
        } else if (key == kParallelJobs) {
            // Any whole number is brought into range, however big; anything else means 1.
            const std::string_view digits =
                value.starts_with('+') ? value.substr(1) : std::string_view(value);
            long long jobs = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), jobs);
            if (end != digits.data() + digits.size() || digits.empty() ||
                (error != std::errc() && error != std::errc::result_out_of_range))
                settings.ParallelJobs = 1;
            else if (error == std::errc::result_out_of_range)
                settings.ParallelJobs = digits.starts_with('-') ? 1 : kMaxParallelJobs;
            else
                settings.ParallelJobs =
                    static_cast<int>(std::clamp<long long>(jobs, 1, kMaxParallelJobs));
        }
    });
    return settings;
}

bool SaveProgramSettings(const std::string& path, const ProgramSettings& settings)
{
    // What other versions keep in the file must not be lost because it could not be read.
    if (pivora::platform::PathExists(path) && !std::ifstream(path, std::ios::binary))
        return false;
    std::vector<std::string> lines = ReadLines(path);
    const std::pair<std::string_view, std::string> values[] = {
        {kLosslessRotation, settings.LosslessRotation ? "true" : "false"},
        {kParallelJobs, std::to_string(settings.ParallelJobs)}};
    for (const auto& pair : values) {
        const std::string_view name = pair.first;
        std::string value(name);
        value += '=';
        value += pair.second;
        // The key's own line is replaced; without one, it joins its group, or a new group.
        std::ptrdiff_t keyLine = -1;
        std::ptrdiff_t groupEnd = -1;
        ForEachValue(lines, [&](const std::string& group, std::string_view key, std::string_view,
                                std::size_t index) {
            if (group != kGroup)
                return;
            groupEnd = static_cast<std::ptrdiff_t>(index) + 1;
            if (key == name)
                keyLine = static_cast<std::ptrdiff_t>(index);
        });
        if (keyLine < 0 && groupEnd < 0) {
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (Trim(lines[i]) == kGroupHeader)
                    groupEnd = static_cast<std::ptrdiff_t>(i) + 1;
            }
        }
        if (keyLine >= 0) {
            lines[static_cast<std::size_t>(keyLine)] = value;
        } else if (groupEnd >= 0) {
            lines.insert(lines.begin() + groupEnd, value);
        } else {
            if (!lines.empty() && !Trim(lines.back()).empty())
                lines.emplace_back();
            lines.emplace_back(kGroupHeader);
            lines.push_back(value);
        }
    }
    std::ostringstream text;
    for (const std::string& line : lines)
        text << line << '\n';
    return pivora::platform::WriteFileWhole(path, text.str());
}

} // namespace pivora::settings
