// Prints each argument it receives on a line of its own, hex-encoded, so that any byte
// (blank, quote, new-line, non-UTF-8) can be compared exactly. On Windows the command line
// as process creation handed it over comes first, on a "CMDLINE" line.
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void PrintHex(const char* label, const char* text)
{
    std::printf("%s ", label);
    for (const char* p = text; *p; ++p)
        std::printf("%02x", static_cast<unsigned char>(*p));
    std::printf("\n");
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef _WIN32
    PrintHex("CMDLINE", ::GetCommandLineA());
#endif
    for (int i = 1; i < argc; ++i)
        PrintHex("ARG", argv[i]);
    return 0;
}
