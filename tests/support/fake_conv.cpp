// A stand-in for the converter. It talks like ffmpeg and is steered by environment variables:
//   FAKE_CONV_LOG=path      append one line per run: the output path (last argument)
//   FAKE_CONV_EXIT=n        exit with status n (after writing the output unless NOFILE)
//   FAKE_CONV_CRASH=1       abort() instead of exiting
//   FAKE_CONV_NOFILE=1      write no output file
//   FAKE_CONV_STEP_MS=n     pause between pieces of output (default 5)
//   FAKE_CONV_STEPS=n       progress lines to print (default 4)
//   FAKE_CONV_LINGER_MS=n   close standard output and error, then keep running this long
//   FAKE_CONV_BULK=n        write n bytes of filler before the progress lines
//   FAKE_CONV_DAEMON_MS=n   leave a differently named process holding the pipe this long
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

int EnvInt(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

void Say(const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(2, text.data() + done, text.size() - done);
        if (wrote <= 0)
            return;
        done += static_cast<std::size_t>(wrote);
    }
}

void Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

int main(int argc, char* argv[])
{
    const int step = EnvInt("FAKE_CONV_STEP_MS", 5);
    const int steps = EnvInt("FAKE_CONV_STEPS", 4);
    const std::string output = argc > 1 ? argv[argc - 1] : "";

    if (const char* log = std::getenv("FAKE_CONV_LOG")) {
        if (FILE* file = std::fopen(log, "a")) {
            std::fprintf(file, "%s\n", output.c_str());
            std::fclose(file);
        }
    }
    if (const int daemonMs = EnvInt("FAKE_CONV_DAEMON_MS", 0); daemonMs > 0) {
        if (::fork() == 0) {
            const std::string seconds = std::to_string(daemonMs / 1000.0);
            ::execlp("sleep", "sleep", seconds.c_str(), static_cast<char*>(nullptr));
            std::_Exit(127);
        }
    }
    if (const int bulk = EnvInt("FAKE_CONV_BULK", 0); bulk > 0) {
        std::string filler;
        while (static_cast<int>(filler.size()) < bulk)
            filler += "filler line of the stand-in converter, numbered " +
                      std::to_string(filler.size()) + "\n";
        filler.resize(static_cast<std::size_t>(bulk));
        Say(filler);
    }

    // The duration line arrives in two pieces, cut inside the marker.
    Say("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'in.mp4':\n  Dura");
    Pause(step);
    Say("tion: 00:00:10.00, start: 0.000000, bitrate: 1000 kb/s\n");
    for (int i = 1; i <= steps; ++i) {
        Pause(step);
        char line[160];
        const double seconds = 10.0 * i / steps;
        std::snprintf(line, sizeof line,
                      "frame=%4d fps=25 q=2.0 size=%6dkB time=00:00:%05.2f bitrate= 800.0kbits/s "
                      "speed=1.0x\r",
                      i * 25, i * 100, seconds);
        Say(line);
    }
    if (!std::getenv("FAKE_CONV_NOFILE") && !output.empty()) {
        if (FILE* file = std::fopen(output.c_str(), "wb")) {
            std::fputs("converted by the stand-in\n", file);
            std::fclose(file);
        }
    }
    const int exitCode = EnvInt("FAKE_CONV_EXIT", 0);
    if (exitCode != 0)
        Say("\nin.mp4: Invalid data found when processing input\n");
    if (std::getenv("FAKE_CONV_CRASH"))
        std::abort();
    if (const int linger = EnvInt("FAKE_CONV_LINGER_MS", 0); linger > 0) {
        ::close(1);
        ::close(2);
        Pause(linger);
    }
    return exitCode;
}
