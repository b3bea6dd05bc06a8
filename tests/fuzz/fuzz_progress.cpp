// The progress display fed with converter output, cut into chunks wherever the pipe happens
// to split it.
#include "FuzzCheck.h"

#include "engine/Progress.h"

#include <algorithm>
#include <cmath>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

using pivora::engine::kFullFillTwips;
using pivora::engine::ProgressDisplay;
using pivora::engine::ProgressReader;

namespace {

void CheckDisplay(const ProgressDisplay& display)
{
    FUZZ_CHECK(display.BarValue >= 0 && display.BarValue <= 100);
    FUZZ_CHECK(std::isfinite(display.FillWidthTwips));
    FUZZ_CHECK(display.FillWidthTwips >= 0 && display.FillWidthTwips <= kFullFillTwips);
    FUZZ_CHECK(display.Label.size() >= 2 && display.Label.size() <= 5 &&
               display.Label.ends_with('%'));
}

// Whether the length must be read the same however the output is cut: one duration line as
// ffmpeg writes it, the marker at the start of its line after the indent, its value ended by
// a blank on the same line, within the 512 characters the reader keeps of an unfinished line.
bool LengthMustNotDependOnCuts(const std::string& text)
{
    const std::string_view marker = ProgressReader::kDurationMarker;
    const std::size_t at = text.find(marker);
    if (at == std::string::npos || text.find(marker, at + 1) != std::string::npos)
        return false;
    const std::size_t lineEnd = at == 0 ? std::string::npos : text.find_last_of("\r\n", at - 1);
    const std::size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    if (text.find_first_not_of(' ', lineStart) != at || at - lineStart >= 256)
        return false;
    const std::size_t blank = text.find(' ', at + marker.size());
    return blank != std::string::npos && blank - lineStart < 512 &&
           text.find_first_of("\r\n", at) > blank;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    pivora::settings::OptionValues options;
    // Most runs read the length from the output; some take a stored range's end instead.
    if (in.ConsumeIntegral<std::uint8_t>() >= 224) {
        options.CutEnabled = 1;
        options.CutEnd = in.ConsumeIntegral<std::int32_t>();
    }
    std::vector<std::size_t> cuts(in.ConsumeIntegralInRange<std::size_t>(0, 24));
    for (std::size_t& cut : cuts)
        cut = in.ConsumeIntegral<std::uint16_t>();
    const std::string text = in.ConsumeRemainingBytesAsString();
    for (std::size_t& cut : cuts)
        cut = text.empty() ? 0 : cut % (text.size() + 1);
    cuts.push_back(text.size());
    std::sort(cuts.begin(), cuts.end());

    ProgressReader reader;
    std::size_t begin = 0;
    for (const std::size_t end : cuts) {
        const auto display =
            reader.ReceiveOutputs(std::string_view(text).substr(begin, end - begin), options);
        if (display)
            CheckDisplay(*display);
        begin = end;
    }

    ProgressReader whole;
    if (const auto display = whole.ReceiveOutputs(text, options))
        CheckDisplay(*display);
    if (options.CutEnabled == 0 && LengthMustNotDependOnCuts(text))
        FUZZ_CHECK(reader.TotalSeconds() == whole.TotalSeconds());
    return 0;
}
