#pragma once

#include "settings/OptionValues.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    // The position of the last progress line, in whole seconds.
    int ElapsedSeconds() const { return m_elapsedSeconds; }
    // The end of a run: the next file's length is read afresh.
    void Reset()
    {
        m_totalSeconds = 0;
        m_elapsedSeconds = 0;
        m_unfinishedLine.clear();
    }

private:
    int m_totalSeconds = 0;
    int m_elapsedSeconds = 0;
    // The end of the previous chunk after its last line break: the duration line may be cut
    // between two chunks, and a missed length would show 100% for the whole file.
    std::string m_unfinishedLine;
};

// The display of a fraction done, 0 to 1: the fill, the bar and the label ("27.6%").
ProgressDisplay DisplayOf(double fraction);

// The progress of several runs at once, as one: the seconds done over the seconds of every
// run whose length is known so far, with each entry still waiting counted at the mean length
// known. A length that becomes known changes the whole, so the display keeps the highest
// fraction it has shown and never runs backwards.
class BatchProgress
{
public:
    // A running run's position; one without a known length counts for nothing yet.
    void Update(int run, int elapsedSeconds, int totalSeconds);
    // The run has ended, done or not: all of its length counts as done.
    void Finish(int run);
    // How many entries wait for a run.
    void SetWaiting(int entries) { m_waiting = entries; }
    // The display now; nothing while no run's length is known.
    std::optional<ProgressDisplay> Display();

private:
    struct Run
    {
        int Id = 0;
        int Elapsed = 0;
        int Total = 0;
    };
    std::vector<Run> m_running;
    double m_finishedSeconds = 0;
    int m_finishedRuns = 0;
    int m_waiting = 0;
    double m_shown = 0;
};

// hours:minutes:seconds (seconds may have a fraction) in whole seconds, halves to even;
// 0 when the text does not give three numbers.
int ParseClockSeconds(std::string_view text);

// The first four characters of f × 100 written in its shortest decimal form.
std::string PercentageText(double fraction);

} // namespace pivora::engine
