#pragma once

#include "settings/OptionValues.h"

#include <optional>
#include <string>
#include <string_view>

namespace pivora::engine {

// What the progress controls show after a chunk of converter output.
struct ProgressDisplay
{
    float FillWidthTwips = 0; // width of the fill image, of kFullFillTwips
    int BarValue = 0;         // 0 to 100
    std::string Label;        // "46%", "27.6%", "100%"
};

inline constexpr float kFullFillTwips = 5415.0f;

// Reads the input's length and the running position from the converter's console output.
class ProgressReader
{
public:
    // The duration line ffmpeg prints for its input: "  Duration: 00:01:23.45, start: ...".
    static constexpr std::string_view kDurationMarker = "Duration: ";

    // Reads one chunk. Gives the new display, or nothing when the chunk holds no progress.
    std::optional<ProgressDisplay> ReceiveOutputs(std::string_view chunk,
                                                  const pivora::settings::OptionValues& options);

    int TotalSeconds() const { return m_totalSeconds; }
    // The end of a run: the next file's length is read afresh.
    void Reset()
    {
        m_totalSeconds = 0;
        m_unfinishedLine.clear();
    }

private:
    int m_totalSeconds = 0;
    // The end of the previous chunk after its last line break: the duration line may be cut
    // between two chunks, and a missed length would show 100% for the whole file.
    std::string m_unfinishedLine;
};

// hours:minutes:seconds (seconds may have a fraction) in whole seconds, halves to even;
// 0 when the text does not give three numbers.
int ParseClockSeconds(std::string_view text);

// The first four characters of f × 100 written in its shortest decimal form.
std::string PercentageText(double fraction);

} // namespace pivora::engine
