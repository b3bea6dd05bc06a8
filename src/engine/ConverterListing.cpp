#include "engine/ConverterListing.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace pivora::engine {

namespace {

std::string_view Trim(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// "h264 (High), yuv420p(tv, bt709, progressive), 1920x1080 [SAR 1:1 DAR 16:9], 30 fps": the
// fields between the commas that stand outside parentheses.
std::vector<std::string_view> TopLevelFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && depth > 0)
            --depth;
        else if (c == ',' && depth == 0) {
            fields.push_back(Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    return fields;
}

// "00:01:02.50" in seconds; nothing for "N/A" or anything else.
std::optional<double> ClockSeconds(std::string_view text)
{
    const std::string clock(text.substr(0, text.find_first_of(", ")));
    char* rest = nullptr;
    const long hours = std::strtol(clock.c_str(), &rest, 10);
    if (rest == clock.c_str() || *rest != ':')
        return std::nullopt;
    const char* at = rest + 1;
    const long minutes = std::strtol(at, &rest, 10);
    if (rest == at || *rest != ':')
        return std::nullopt;
    at = rest + 1;
    const double seconds = std::strtod(at, &rest);
    if (rest == at || hours < 0 || minutes < 0 || !std::isfinite(seconds) || seconds < 0)
        return std::nullopt;
    return static_cast<double>(hours) * 3600 + static_cast<double>(minutes) * 60 + seconds;
}

// "mono", "stereo", "5.1(side)", "7.1", "quad", "3 channels".
int ChannelsOf(std::string_view layout)
{
    layout = layout.substr(0, layout.find('('));
    if (layout.ends_with(" channels"))
        return std::atoi(std::string(layout).c_str());
    if (layout == "mono")
        return 1;
    if (layout == "stereo" || layout == "downmix")
        return 2;
    if (layout == "quad")
        return 4;
    if (layout == "hexagonal")
        return 6;
    if (layout == "octagonal")
        return 8;
    if (layout == "hexadecagonal")
        return 16;
    // "5.1": five full channels and one for the low frequencies.
    const std::string text(layout);
    char* rest = nullptr;
    const long full = std::strtol(text.c_str(), &rest, 10);
    if (rest == text.c_str() || *rest != '.')
        return 0;
    const char* low = rest + 1;
    const long lfe = std::strtol(low, &rest, 10);
    return rest != low && *rest == '\0' && full > 0 && lfe >= 0 ? static_cast<int>(full + lfe) : 0;
}

void ReadPicture(std::string_view fields, ListedStream& stream)
{
    const std::vector<std::string_view> parts = TopLevelFields(fields);
    if (parts.size() > 1) {
        const std::string_view pixels = parts[1];
        stream.PixelFormat = std::string(pixels.substr(0, pixels.find('(')));
        // "(tv, bt2020nc/bt2020/arib-std-b67, progressive)": space, primaries and transfer
        // when they differ; one name for all three when they do not.
        if (const std::size_t open = pixels.find('('); open != std::string_view::npos) {
            std::string_view inside = pixels.substr(open + 1);
            inside = inside.substr(0, inside.rfind(')'));
            for (const std::string_view item : TopLevelFields(inside)) {
                const std::size_t first = item.find('/');
                const std::size_t second =
                    first == std::string_view::npos ? first : item.find('/', first + 1);
                if (second != std::string_view::npos) {
                    stream.Primaries = std::string(item.substr(first + 1, second - first - 1));
                    stream.Transfer = std::string(item.substr(second + 1));
                } else if (item.starts_with("bt") || item.starts_with("smpte")) {
                    stream.Primaries = stream.Transfer = std::string(item);
                }
            }
        }
    }
    for (const std::string_view field : parts) {
        const std::string text(field);
        char* rest = nullptr;
        const long width = std::strtol(text.c_str(), &rest, 10);
        if (width > 0 && *rest == 'x') {
            const long height = std::strtol(rest + 1, &rest, 10);
            if (height > 0 && stream.Width == 0) {
                stream.Width = static_cast<int>(width);
                stream.Height = static_cast<int>(height);
            }
        } else if (field.ends_with(" fps")) {
            double rate = std::strtod(text.c_str(), &rest);
            if (*rest == 'k')
                rate *= 1000;
            if (std::isfinite(rate) && rate > 0)
                stream.FramesPerSecond = rate;
        }
    }
}

ListedStream ReadStream(std::string_view entry)
{
    ListedStream stream;
    constexpr std::pair<std::string_view, ListedStream::Kind> kKinds[]{
        {": Video: ", ListedStream::Kind::Video},
        {": Audio: ", ListedStream::Kind::Audio},
        {": Subtitle: ", ListedStream::Kind::Subtitle},
        {": Data: ", ListedStream::Kind::Data}};
    for (const auto& [marker, kind] : kKinds) {
        const std::size_t at = entry.find(marker);
        if (at == std::string_view::npos)
            continue;
        stream.Type = kind;
        const std::string_view fields = entry.substr(at + marker.size());
        stream.Codec = std::string(fields.substr(0, fields.find_first_of(" ,(")));
        if (kind == ListedStream::Kind::Video) {
            stream.Cover = entry.find("(attached pic)") != std::string_view::npos;
            ReadPicture(fields, stream);
        } else if (kind == ListedStream::Kind::Audio) {
            const std::vector<std::string_view> parts = TopLevelFields(fields);
            if (parts.size() > 1 && parts[1].ends_with(" Hz"))
                stream.SampleRate = std::atoi(std::string(parts[1]).c_str());
            if (parts.size() > 2)
                stream.Channels = ChannelsOf(parts[2]);
        }
        break;
    }
    return stream;
}

struct Line
{
    std::string_view Text;
    std::size_t End; // where the next line begins
};

std::optional<Line> NextLine(std::string_view text, std::size_t at)
{
    if (at >= text.size())
        return std::nullopt;
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos)
        end = text.size();
    return Line{text.substr(at, end - at), end + 1};
}

// Where the listing of the section whose head starts at `head` begins; npos when its head
// does not end.
std::size_t ListingStart(std::string_view text, std::size_t head, std::string_view file)
{
    if (!file.empty()) {
        // "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'clip.mp4':"
        for (const std::string_view word : {" from '", " to '"}) {
            const std::string close = std::string(word) + std::string(file) + "':";
            const std::size_t at = text.find(close, head);
            const std::size_t lineEnd = text.find_first_of("\r\n", head);
            // The file's name begins on the head's own line.
            if (at != std::string_view::npos && (lineEnd == std::string_view::npos || at < lineEnd))
                return at + close.size();
        }
    }
    const auto first = NextLine(text, head);
    if (!first)
        return std::string_view::npos;
    if (first->Text.ends_with(':') || first->Text.ends_with(":\r"))
        return first->End;
    // The head names a file with a line break in its name: it ends at "':".
    for (std::size_t at = first->End;;) {
        const auto line = NextLine(text, at);
        if (!line)
            return std::string_view::npos;
        if (line->Text.ends_with("':"))
            return line->End;
        at = line->End;
    }
}

} // namespace

const ListedStream* ConverterListing::Picture() const
{
    for (const ListedStream& stream : Streams) {
        if (stream.Type == ListedStream::Kind::Video && !stream.Cover)
            return &stream;
    }
    return nullptr;
}

int ConverterListing::Count(ListedStream::Kind kind) const
{
    int count = 0;
    for (const ListedStream& stream : Streams)
        count += stream.Type == kind && !stream.Cover ? 1 : 0;
    return count;
}

ConverterListing ReadListing(const std::string& converterOutput, std::string_view section,
                             std::string_view file)
{
    ConverterListing listing;
    const std::string_view text = converterOutput;
    // The head begins a line.
    std::size_t head = 0;
    while (true) {
        head = text.find(section, head);
        if (head == std::string_view::npos)
            return listing;
        if (head == 0 || text[head - 1] == '\n' || text[head - 1] == '\r')
            break;
        ++head;
    }
    // A demuxer that cannot tell a length says so before its input's listing.
    listing.SecondsEstimated =
        section.starts_with("Input") &&
        text.substr(0, head).find("Estimating duration from bitrate") != std::string_view::npos;
    std::size_t at = ListingStart(text, head, file);
    if (at == std::string_view::npos)
        return listing;
    // The stream whose side data may follow: the last one listed, when it is a moving picture.
    std::optional<std::size_t> picture;
    for (std::optional<Line> line; (line = NextLine(text, at)); at = line->End) {
        if (line->Text.empty())
            continue; // between the two characters of a "\r\n"
        // The section's listing is indented; the first line that is not ends it.
        if (!line->Text.starts_with(' '))
            break;
        const std::string_view entry = Trim(line->Text);
        if (entry.starts_with("Duration: ")) {
            listing.Seconds = ClockSeconds(entry.substr(10)).value_or(0);
            continue;
        }
        if (!entry.starts_with("Stream #")) {
            // A stream's side data follows it: "displaymatrix: rotation of -90.00 degrees".
            constexpr std::string_view kMarker = "displaymatrix: rotation of ";
            if (picture && entry.starts_with(kMarker)) {
                const std::string degrees(entry.substr(kMarker.size()));
                const long turn = std::lround(std::strtod(degrees.c_str(), nullptr));
                listing.Streams[*picture].Rotation = static_cast<int>(((turn % 360) + 360) % 360);
            }
            continue;
        }
        listing.Listed = true;
        listing.Streams.push_back(ReadStream(entry));
        const ListedStream& stream = listing.Streams.back();
        picture = stream.Type == ListedStream::Kind::Video && !stream.Cover
                      ? std::optional<std::size_t>(listing.Streams.size() - 1)
                      : std::nullopt;
    }
    return listing;
}

} // namespace pivora::engine
