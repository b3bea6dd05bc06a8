// Prints each argument it receives on a line of its own, hex-encoded, so that any byte
// (blank, quote, new-line, non-UTF-8) can be compared exactly.
#include <cstdio>

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        std::printf("ARG ");
        for (const char* p = argv[i]; *p; ++p)
            std::printf("%02x", static_cast<unsigned char>(*p));
        std::printf("\n");
    }
    return 0;
}
