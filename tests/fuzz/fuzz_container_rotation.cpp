// The display rotation read from an MP4 or QuickTime file that may be anything at all: it
// must end quickly and give a quarter turn, the mark for "not a quarter turn", or nothing.
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
    const std::optional<int> turn = pivora::engine::ReadDisplayRotation(path);
    FUZZ_CHECK(!turn || *turn == pivora::engine::kNotAQuarterTurn || *turn == 0 || *turn == 90 ||
               *turn == 180 || *turn == 270);
    return 0;
}
