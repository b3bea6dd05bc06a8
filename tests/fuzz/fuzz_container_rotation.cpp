// What the program reads from an MP4 or QuickTime file that may be anything at all: it must
// end quickly and give a quarter turn (or the mark for "not a quarter turn") and a sample
// format for each track, or nothing.
#include "FuzzCheck.h"

#include "engine/ContainerRotation.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/pivora-fuzz-rotation-" + std::to_string(::getpid());
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    const std::optional<pivora::engine::ContainerFacts> facts = pivora::engine::ReadContainer(path);
    if (!facts)
        return 0;
    const int turn = facts->Rotation;
    FUZZ_CHECK(turn == pivora::engine::kNotAQuarterTurn || turn == 0 || turn == 90 || turn == 180 ||
               turn == 270);
    // One sample format of four characters for each track the file holds.
    FUZZ_CHECK(!facts->Formats.empty() && facts->Formats.size() <= size / 8);
    for (const std::string& format : facts->Formats)
        FUZZ_CHECK(format.size() == 4);
    return 0;
}
