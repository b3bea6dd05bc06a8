#include "engine/Progress.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace pivora::engine {

namespace {

// Collects the characters after every occurrence of `marker`, up to the next blank, the way
// the progress line is read: "time=" followed by "00:00:45.67 ".
std::string TextAfter(std::string_view chunk, std::string_view marker, bool& seen)
{
    std::string text;
    seen = false;
    if (chunk.size() <= marker.size())
        return text;
    for (std::size_t at = 0; at + marker.size() < chunk.size(); ++at) {
        if (chunk.compare(at, marker.size(), marker) != 0)
            continue;
        seen = true;
        for (std::size_t i = at + marker.size(); i < chunk.size() && chunk[i] != ' '; ++i)
            text += chunk[i];
    }
    return text;
}

bool ParseNumber(std::string_view field, double& value)
{
    const std::string text(field);
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

int RoundHalfEven(double value)
{
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    // Fields that are each a number can still add up to something that is not one.
    if (!std::isfinite(rounded) || rounded > 2147483647.0 || rounded < -2147483648.0)
        return 0;
    return static_cast<int>(rounded);
}

// Where the duration line's marker stands: at the start of a line, after its indent. A
// metadata value may hold the same words ("title : Duration: ...").
std::size_t FindDurationMarker(std::string_view text)
{
    for (std::size_t at = text.find(ProgressReader::kDurationMarker); at != std::string_view::npos;
         at = text.find(ProgressReader::kDurationMarker, at + 1)) {
        const std::size_t lineStart = text.find_last_of("\r\n", at == 0 ? 0 : at - 1);
        const std::size_t indent =
            lineStart == std::string_view::npos || at == 0 ? 0 : lineStart + 1;
        if (at == 0 ||
            text.substr(indent, at - indent).find_first_not_of(' ') == std::string_view::npos)
            return at;
    }
    return std::string_view::npos;
}

} // namespace

int ParseClockSeconds(std::string_view text)
{
    // ffmpeg ends the duration with a comma: "00:01:23.45,".
    while (!text.empty() && (text.back() == ',' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    while (fields.size() < 3) {
        const std::size_t colon = text.find(':', begin);
        fields.push_back(
            text.substr(begin, colon == std::string_view::npos ? text.npos : colon - begin));
        if (colon == std::string_view::npos)
            break;
        begin = colon + 1;
    }
    double hours = 0, minutes = 0, seconds = 0;
    if (fields.size() < 3 || !ParseNumber(fields[0], hours) || !ParseNumber(fields[1], minutes) ||
        !ParseNumber(fields[2], seconds))
        return 0;
    return RoundHalfEven(hours * 3600 + minutes * 60 + seconds);
}

std::string PercentageText(double fraction)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", fraction * 100);
    std::string text = buffer;
    if (text.find_first_of("eE") != std::string::npos) {
        std::snprintf(buffer, sizeof buffer, "%.15f", fraction * 100);
        text = buffer;
    }
    return text.substr(0, 4);
}

std::optional<ProgressDisplay>
ProgressReader::ReceiveOutputs(std::string_view chunk,
                               const pivora::settings::OptionValues& options)
{
    if (m_totalSeconds == 0) {
        if (options.CutEnabled != 0) {
            m_totalSeconds = std::max(0, options.CutEnd);
        } else {
            const std::string text = m_unfinishedLine + std::string(chunk);
            // The duration is complete once a blank follows it.
            const std::size_t marker = FindDurationMarker(text);
            const std::size_t value = marker + kDurationMarker.size();
            const std::size_t end = marker == std::string::npos ? marker : text.find(' ', value);
            if (end != std::string::npos) {
                // A length below zero is no length.
                m_totalSeconds = std::max(0, ParseClockSeconds(text.substr(value, end - value)));
                m_unfinishedLine.clear();
            } else {
                const std::size_t lineEnd = text.find_last_of("\r\n");
                m_unfinishedLine = lineEnd == std::string::npos ? text : text.substr(lineEnd + 1);
                if (m_unfinishedLine.size() > 512) {
                    // Only the end of a long line is kept; it starts with a mark, so that what
                    // follows is not taken for the start of a line.
                    m_unfinishedLine.erase(0, m_unfinishedLine.size() - 512);
                    m_unfinishedLine.front() = '\x01';
                }
            }
        }
    }

    bool progressSeen = false;
    const std::string time = TextAfter(chunk, "time=", progressSeen);
    if (!progressSeen)
        return std::nullopt;
    // ffmpeg starts with a slightly negative time; nothing is done yet then.
    const int elapsed = time.starts_with('-') ? 0 : std::max(0, ParseClockSeconds(time));

    m_elapsedSeconds = elapsed;
    return DisplayOf(m_totalSeconds == 0 ? 1.0 : static_cast<double>(elapsed) / m_totalSeconds);
}

ProgressDisplay DisplayOf(double fraction)
{
    ProgressDisplay display;
    if (!(fraction < 1.0)) {
        display.FillWidthTwips = kFullFillTwips;
        display.BarValue = 100;
        display.Label = "100%";
        return display;
    }
    const std::string percentage = PercentageText(fraction);
    display.FillWidthTwips = static_cast<float>(fraction * kFullFillTwips);
    double value = 0;
    display.BarValue = ParseNumber(percentage, value) ? static_cast<int>(value) : 0;
    display.Label = percentage + "%";
    return display;
}

void BatchProgress::Update(int run, int elapsedSeconds, int totalSeconds)
{
    const int total = std::max(0, totalSeconds);
    const Run now{run, std::clamp(elapsedSeconds, 0, total), total};
    const auto known =
        std::find_if(m_running.begin(), m_running.end(), [&](const Run& r) { return r.Id == run; });
    if (known != m_running.end())
        *known = now;
    else
        m_running.push_back(now);
}

void BatchProgress::Finish(int run)
{
    const auto known =
        std::find_if(m_running.begin(), m_running.end(), [&](const Run& r) { return r.Id == run; });
    if (known == m_running.end())
        return;
    if (known->Total > 0) {
        m_finishedSeconds += known->Total;
        ++m_finishedRuns;
    }
    m_running.erase(known);
}

std::optional<ProgressDisplay> BatchProgress::Display()
{
    double done = m_finishedSeconds;
    double total = m_finishedSeconds;
    int lengths = m_finishedRuns;
    for (const Run& run : m_running) {
        done += run.Elapsed;
        total += run.Total;
        lengths += run.Total > 0 ? 1 : 0;
    }
    if (total <= 0 || lengths == 0)
        return std::nullopt;
    total += m_waiting * (total / lengths);
    m_shown = std::max(m_shown, done / total);
    return DisplayOf(m_shown);
}

} // namespace pivora::engine
