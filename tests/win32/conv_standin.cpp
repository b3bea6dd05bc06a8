// A stand-in for conv.exe on Windows. It reports the command line it was given and the
// arguments the C runtime parsed from it, then talks like ffmpeg, in pieces.
//   STANDIN_EXIT=n       exit code
//   STANDIN_SLEEP_MS=n   stay alive this long before the output (to be found and stopped)
//   STANDIN_BULK=n       write n bytes of filler first, as fast as possible
//   STANDIN_FILE=1       write the output file named by the last argument
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int EnvInt(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

void Say(const std::string& text)
{
    HANDLE out = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD wrote = 0;
    ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
}

std::string Hex(const char* text)
{
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        hex += digits[*p >> 4];
        hex += digits[*p & 15];
    }
    return hex;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const int sleep = EnvInt("STANDIN_SLEEP_MS"))
        ::Sleep(static_cast<DWORD>(sleep));
    if (const int bulk = EnvInt("STANDIN_BULK")) {
        std::string filler;
        while (static_cast<int>(filler.size()) < bulk)
            filler += "filler line of the stand-in\n";
        filler.resize(static_cast<std::size_t>(bulk));
        Say(filler);
    }
    Say(std::string("CMDLINE ") + Hex(::GetCommandLineA()) + "\n");
    for (int i = 1; i < argc; ++i)
        Say(std::string("ARG ") + Hex(argv[i]) + "\n");
    Say("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'in.mp4':\n  Dura");
    ::Sleep(30);
    Say("tion: 00:00:10.00, start: 0.000000, bitrate: 1000 kb/s\n");
    for (int i = 1; i <= 4; ++i) {
        ::Sleep(30);
        char line[128];
        std::snprintf(line, sizeof line,
                      "frame=%4d fps=25 q=2.0 size=%6dkB time=00:00:%05.2f bitrate= 800.0kbits/s\r",
                      i * 25, i * 100, 2.5 * i);
        Say(line);
    }
    if (EnvInt("STANDIN_FILE") && argc > 1) {
        if (FILE* file = std::fopen(argv[argc - 1], "wb")) {
            std::fputs("converted\n", file);
            std::fclose(file);
        }
    }
    return EnvInt("STANDIN_EXIT");
}
