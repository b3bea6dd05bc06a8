#include "engine/ContainerRotation.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

namespace pivora::engine {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::uint32_t Be32(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

struct Box
{
    std::string Type;
    std::uint64_t Start = 0; // of the box's content
    std::uint64_t End = 0;
};

// The file as read: at most so many boxes are looked at in all, whatever the file claims.
struct Reader
{
    const pivora::platform::ReadOnlyFile& In;
    int Budget = 20000;

    bool Read(std::uint64_t at, unsigned char* into, std::size_t count) const
    {
        return In.ReadAt(at, reinterpret_cast<char*>(into), count) == count;
    }
};

// The boxes between `begin` and `end` of the file, in order.
std::vector<Box> Children(Reader& reader, std::uint64_t begin, std::uint64_t end)
{
    std::vector<Box> boxes;
    for (std::uint64_t at = begin; at + 8 <= end && reader.Budget-- > 0;) {
        std::array<unsigned char, 16> header{};
        if (!reader.Read(at, header.data(), 8))
            break;
        std::uint64_t size = Be32(header.data());
        std::uint64_t content = at + 8;
        if (size == 1) {
            if (!reader.Read(at + 8, header.data() + 8, 8))
                break;
            size = (std::uint64_t{Be32(header.data() + 8)} << 32) | Be32(header.data() + 12);
            content = at + 16;
        } else if (size == 0) {
            size = end - at;
        }
        // Every box moves forward and stays inside its parent, whatever its size field says.
        if (size < content - at || size > end - at)
            break;
        boxes.push_back(
            {std::string(reinterpret_cast<const char*>(header.data() + 4), 4), content, at + size});
        at += size;
    }
    return boxes;
}

const Box* Find(const std::vector<Box>& boxes, const char* type)
{
    for (const Box& box : boxes) {
        if (box.Type == type)
            return &box;
    }
    return nullptr;
}

std::vector<unsigned char> Content(Reader& reader, const Box& box, std::size_t most)
{
    std::vector<unsigned char> bytes(std::min<std::uint64_t>(box.End - box.Start, most));
    if (!reader.Read(box.Start, bytes.data(), bytes.size()))
        bytes.clear();
    return bytes;
}

// The 3 × 3 matrix of a tkhd or mvhd box: a, b, u, c, d, v, x, y, w.
std::optional<std::array<std::int32_t, 9>> Matrix(Reader& reader, const Box& box,
                                                  std::size_t offsetV0, std::size_t offsetV1)
{
    const std::vector<unsigned char> bytes = Content(reader, box, 128);
    if (bytes.empty())
        return std::nullopt;
    const std::size_t offset = bytes[0] == 1 ? offsetV1 : offsetV0;
    if (bytes.size() < offset + 36)
        return std::nullopt;
    std::array<std::int32_t, 9> matrix{};
    for (std::size_t i = 0; i < 9; ++i)
        matrix[i] = static_cast<std::int32_t>(Be32(bytes.data() + offset + 4 * i));
    return matrix;
}

// The transfer characteristics of ISO/IEC 23091-2 as the converter names them.
std::string TransferName(std::uint16_t code)
{
    switch (code) {
    case 1:
        return "bt709";
    case 6:
        return "smpte170m";
    case 13:
        return "iec61966-2-1";
    case 14:
        return "bt2020-10";
    case 15:
        return "bt2020-12";
    case 16:
        return "smpte2084";
    case 18:
        return "arib-std-b67";
    default:
        return "unknown";
    }
}

bool IsIdentity(const std::array<std::int32_t, 9>& m)
{
    return m == std::array<std::int32_t, 9>{0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
}

} // namespace

namespace {

std::string Handler(Reader& reader, const std::vector<Box>& media)
{
    const Box* hdlr = Find(media, "hdlr");
    const std::vector<unsigned char> bytes =
        hdlr ? Content(reader, *hdlr, 12) : std::vector<unsigned char>{};
    return bytes.size() == 12 ? std::string(bytes.begin() + 8, bytes.end()) : std::string();
}

std::uint16_t Be16(const unsigned char* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// The first sample entry of a track's sample description (minf/stbl/stsd), and the sample
// table it stands in.
struct SampleEntry
{
    std::string Format;
    Box Entry; // the entry's content, after its size and type
    std::vector<Box> Table;
};

SampleEntry FirstSampleEntry(Reader& reader, const std::vector<Box>& media)
{
    SampleEntry sample;
    const Box* minf = Find(media, "minf");
    const std::vector<Box> info =
        minf ? Children(reader, minf->Start, minf->End) : std::vector<Box>{};
    const Box* stbl = Find(info, "stbl");
    if (stbl)
        sample.Table = Children(reader, stbl->Start, stbl->End);
    const Box* stsd = Find(sample.Table, "stsd");
    // Version and flags and the entry count; the first entry is a box of its own.
    std::array<unsigned char, 8> head{};
    if (!stsd || !reader.Read(stsd->Start, head.data(), head.size()) || Be32(head.data() + 4) == 0)
        return sample;
    const std::vector<Box> entries = Children(reader, stsd->Start + 8, stsd->End);
    if (entries.empty())
        return sample;
    sample.Format = entries.front().Type;
    sample.Entry = entries.front();
    return sample;
}

// "yuv420p" or "yuv422p10le": the pixels an H.264 or HEVC picture's codec setup promises;
// empty when it does not say.
std::string PixelFormat(Reader& reader, const SampleEntry& sample)
{
    // A picture's sample entry holds 78 bytes of its own before its boxes.
    const std::vector<Box> setup = Children(reader, sample.Entry.Start + 78, sample.Entry.End);
    if (const Box* avcC = Find(setup, "avcC")) {
        // Baseline, Main, Extended and High are 8-bit 4:2:0 by definition.
        const std::vector<unsigned char> bytes = Content(reader, *avcC, 2);
        if (bytes.size() == 2 &&
            (bytes[1] == 66 || bytes[1] == 77 || bytes[1] == 88 || bytes[1] == 100))
            return "yuv420p";
        return {};
    }
    if (const Box* hvcC = Find(setup, "hvcC")) {
        const std::vector<unsigned char> bytes = Content(reader, *hvcC, 19);
        if (bytes.size() < 19)
            return {};
        const int chroma = bytes[16] & 3;
        const int depth = 8 + (bytes[17] & 7);
        constexpr const char* kChroma[]{"gray", "yuv420p", "yuv422p", "yuv444p"};
        return std::string(kChroma[chroma]) + (depth == 8 ? "" : std::to_string(depth) + "le");
    }
    return {};
}

// Frames a second when every frame lasts as long (the last may differ), else 0.
double FrameRate(Reader& reader, const std::vector<Box>& media, const SampleEntry& sample)
{
    const Box* mdhd = Find(media, "mdhd");
    const Box* stts = Find(sample.Table, "stts");
    const std::vector<unsigned char> header =
        mdhd ? Content(reader, *mdhd, 24) : std::vector<unsigned char>{};
    const std::vector<unsigned char> times =
        stts ? Content(reader, *stts, 8 + 2 * 8) : std::vector<unsigned char>{};
    if (header.size() < 24 || times.size() < 16)
        return 0;
    const std::uint32_t scale = Be32(header.data() + (header[0] == 1 ? 20 : 12));
    const std::uint32_t count = Be32(times.data() + 4);
    const std::uint32_t delta = Be32(times.data() + 12);
    if (scale == 0 || delta == 0 || count == 0 || count > 2 ||
        (count == 2 && (times.size() < 24 || Be32(times.data() + 16) != 1)))
        return 0;
    return static_cast<double>(scale) / delta;
}

// An edit list the reader can follow: one edit at the normal rate, after at most one empty
// edit that delays the start.
bool PlainEdits(Reader& reader, const Box& edts)
{
    const std::vector<Box> edits = Children(reader, edts.Start, edts.End);
    const Box* elst = Find(edits, "elst");
    if (!elst)
        return edits.empty();
    const std::vector<unsigned char> bytes = Content(reader, *elst, 8 + 2 * 20);
    if (bytes.size() < 8)
        return false;
    const bool wide = bytes[0] == 1;
    const std::size_t entrySize = wide ? 20 : 12;
    const std::uint32_t count = Be32(bytes.data() + 4);
    if (count == 0 || count > 2 || bytes.size() < 8 + count * entrySize ||
        elst->End - elst->Start != 8 + count * entrySize)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char* entry = bytes.data() + 8 + i * entrySize;
        const std::uint32_t timeHigh = Be32(entry + (wide ? 8 : 4));
        const bool empty = wide ? (timeHigh == 0xFFFFFFFFu && Be32(entry + 12) == 0xFFFFFFFFu)
                                : timeHigh == 0xFFFFFFFFu;
        const unsigned char* rate = entry + (wide ? 16 : 8);
        if (empty != (count == 2 && i == 0) || Be32(rate) != 0x00010000u)
            return false;
    }
    return true;
}

} // namespace

std::optional<ContainerFacts> ReadContainer(const std::string& path)
{
    // Opened without waiting: a named pipe put in the file's place must not hold the window.
    const pivora::platform::ReadOnlyFile in(path);
    const std::int64_t length = in.Size();
    if (length <= 0)
        return std::nullopt;
    Reader reader{in};
    const auto size = static_cast<std::uint64_t>(length);
    const std::vector<Box> top = Children(reader, 0, size);
    const Box* moov = Find(top, "moov");
    // A fragmented file keeps its samples, and perhaps more tracks, outside the movie box.
    if (!moov || Find(top, "moof"))
        return std::nullopt;
    const std::vector<Box> tracks = Children(reader, moov->Start, moov->End);
    if (Find(tracks, "mvex"))
        return std::nullopt;
    // A movie-wide matrix would turn every track again; that is left to the converter.
    ContainerFacts facts;
    if (const Box* mvhd = Find(tracks, "mvhd")) {
        const auto movie = Matrix(reader, *mvhd, 36, 48);
        if (!movie || !IsIdentity(*movie))
            return std::nullopt;
        const std::vector<unsigned char> head = Content(reader, *mvhd, 32);
        if (head.size() == 32) {
            const bool wide = head[0] == 1;
            const std::uint32_t scale = Be32(head.data() + (wide ? 20 : 12));
            const std::uint64_t duration =
                wide ? (std::uint64_t{Be32(head.data() + 24)} << 32) | Be32(head.data() + 28)
                     : Be32(head.data() + 16);
            if (scale > 0 && duration != 0xFFFFFFFFu && duration != ~std::uint64_t{0})
                facts.Seconds = static_cast<double>(duration) / scale;
        }
    }
    // Metadata before the tracks may hold a cover picture, which the converter then lists
    // before the moving one.
    for (const Box& box : tracks) {
        if (box.Type == "trak")
            break;
        if (box.Type == "udta" || box.Type == "meta")
            return std::nullopt;
    }
    int pictures = 0;
    for (const Box& trak : tracks) {
        if (trak.Type != "trak")
            continue;
        const std::vector<Box> parts = Children(reader, trak.Start, trak.End);
        const Box* mdia = Find(parts, "mdia");
        const Box* tkhd = Find(parts, "tkhd");
        const Box* edts = Find(parts, "edts");
        if (!mdia || !tkhd || (edts && !PlainEdits(reader, *edts)))
            return std::nullopt;
        // A track that refers to another (chapters, descriptions) is read by the converter.
        facts.References = facts.References || Find(parts, "tref");
        const std::vector<Box> media = Children(reader, mdia->Start, mdia->End);
        const SampleEntry sample = FirstSampleEntry(reader, media);
        if (sample.Format.empty())
            return std::nullopt;
        facts.Formats.push_back(sample.Format);
        facts.Handlers.push_back(Handler(reader, media));
        if (facts.Handlers.back() != "vide")
            continue;
        if (++pictures > 1)
            return std::nullopt;
        if (sample.Entry.End - sample.Entry.Start >= 78) {
            std::array<unsigned char, 4> stored{};
            if (reader.Read(sample.Entry.Start + 24, stored.data(), stored.size())) {
                facts.Width = Be16(stored.data());
                facts.Height = Be16(stored.data() + 2);
            }
            facts.PixelFormat = PixelFormat(reader, sample);
            const std::vector<Box> setup =
                Children(reader, sample.Entry.Start + 78, sample.Entry.End);
            if (const Box* colr = Find(setup, "colr")) {
                const std::vector<unsigned char> colour = Content(reader, *colr, 10);
                if (colour.size() >= 8 &&
                    (std::string(colour.begin(), colour.begin() + 4) == "nclx" ||
                     std::string(colour.begin(), colour.begin() + 4) == "nclc"))
                    facts.Transfer = TransferName(Be16(colour.data() + 6));
            }
        }
        facts.FramesPerSecond = FrameRate(reader, media, sample);
        const auto m = Matrix(reader, *tkhd, 40, 52);
        if (!m)
            return std::nullopt;
        // Only a plain quarter turn (or none) is a turn: a tilt, a mirror or a stretch is not.
        const std::int32_t a = (*m)[0], b = (*m)[1], c = (*m)[3], d = (*m)[4];
        const auto unit = [](std::int32_t v) { return v == 0 || v == 0x10000 || v == -0x10000; };
        const std::int64_t determinant = std::int64_t{a} * d - std::int64_t{b} * c;
        if (!unit(a) || !unit(b) || !unit(c) || !unit(d) || determinant != 0x100000000LL) {
            facts.Rotation = kNotAQuarterTurn;
            continue;
        }
        // As ffmpeg reads it: minus the angle of the first column, in degrees.
        const long turn = std::lround(-std::atan2(b, a) * 180 / kPi);
        facts.Rotation = static_cast<int>(((turn % 360) + 360) % 360);
    }
    if (pictures != 1)
        return std::nullopt;
    return facts;
}

std::optional<int> ReadDisplayRotation(const std::string& path)
{
    const std::optional<ContainerFacts> facts = ReadContainer(path);
    return facts ? std::optional<int>(facts->Rotation) : std::nullopt;
}

bool Mp4RefusesFormat(std::string_view format)
{
    constexpr std::string_view kPlainSound[]{"sowt", "twos", "lpcm", "in24", "in32",
                                             "fl32", "fl64", "raw ", "NONE"};
    return std::find(std::begin(kPlainSound), std::end(kPlainSound), format) !=
           std::end(kPlainSound);
}

} // namespace pivora::engine
