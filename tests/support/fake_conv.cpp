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
//   FAKE_CONV_FAIL_ON=text  fail at once when the input's path holds the text
//   FAKE_CONV_HANG=1        write part of the output, then report progress until killed
//   FAKE_CONV_IGNORE_TERM=1 ignore SIGTERM
//   FAKE_CONV_SPANS=path    append "+output" when a run starts and "-output" when it ends
//   FAKE_CONV_TERSE=1       leave out the closing summary, so that the output must be opened
//   FAKE_CONV_PROBES=path   append one line per probe: the file it opens
//   FAKE_CONV_PROBE_HANG=1  a probe never answers; =text: of a file whose path holds the text
//   FAKE_CONV_SPLIT=1       first write a Chinese line in two pieces, cut inside a character
//   FAKE_CONV_UNTIL=n       stop after n of the progress lines, exit status as ever (a run ended
//                           from outside with 0, or a damaged input)
//   FAKE_CONV_DAMAGED=1     say after the first progress line that the input is cut short
//   FAKE_CONV_FOUND=path    append "taken" when the output's name was there as a run began,
//                           "free" when it was not
// An input file that begins with "plan" chooses for its own run: "plan steps=40 exit=1".
// Called as a probe ("-hide_banner -nostdin -i file") it only tells what it finds in the file:
// what it wrote itself is a 10 s video, anything else is not media. Asked to read a file to its
// end ("... -f null -"), it says how far its packets reach: "converted by the stand-in, 4.5 s"
// reaches 4.5 s.
// On Windows it writes in text mode, "\r\n" at the ends of lines, as ffmpeg does there.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The input's own plan, read once: "plan steps=40 exit=1".
std::string g_plan;

int EnvInt(const char* name, int fallback)
{
    // FAKE_CONV_STEPS is "steps=" in a plan.
    const std::string key = std::string(" ").append(name + std::strlen("FAKE_CONV_")) + "=";
    std::string lower;
    for (const char c : key)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const std::size_t at = g_plan.find(lower); at != std::string::npos)
        return std::atoi(g_plan.c_str() + at + lower.size());
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

void Append(const char* variable, const std::string& line)
{
    if (const char* path = std::getenv(variable)) {
        if (FILE* file = std::fopen(path, "ab")) {
            std::fprintf(file, "%s\n", line.c_str());
            std::fclose(file);
        }
    }
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

// Opens a file as the converter would and lists what it holds: the stand-in's own outputs
// hold a picture, anything else is not media.
int Probe(const std::string& file, bool toTheEnd)
{
    Append("FAKE_CONV_PROBES", file);
    if (const char* hang = std::getenv("FAKE_CONV_PROBE_HANG")) {
        while (std::string_view(hang) == "1" || file.find(hang) != std::string::npos)
            Pause(1000);
    }
    std::string head(64, '\0');
    if (FILE* in = std::fopen(file.c_str(), "rb")) {
        head.resize(std::fread(head.data(), 1, head.size(), in));
        std::fclose(in);
    } else {
        Say(file + ": No such file or directory\n");
        return 1;
    }
    if (!head.starts_with("converted by the stand-in")) {
        Say(file + ": Invalid data found when processing input\n");
        return 1;
    }
    Say("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '" + file + "':\n  Duration: 00:00:10.00\n" +
        "  Stream #0:0(und): Video: mpeg4 (mp4v / 0x7634706D), yuv420p, 48x64, 25 fps\n");
    if (!toTheEnd) {
        Say("At least one output file must be specified\n");
        return 1;
    }
    double reach = 10;
    if (const std::size_t at = head.find(", "); at != std::string::npos)
        reach = std::atof(head.c_str() + at + 2);
    char line[128];
    std::snprintf(line, sizeof line,
                  "frame=  250 fps=0.0 q=-1.0 Lsize=N/A time=%02d:%02d:%05.2f "
                  "bitrate=N/A speed=1e+03x\n",
                  static_cast<int>(reach / 3600), static_cast<int>(reach / 60) % 60,
                  reach - 60 * static_cast<int>(reach / 60));
    Say(line);
    return 0;
}

// Leaves another program behind that holds the inherited pipe for `ms`.
void LeavePipeHolder(int ms)
{
#ifdef _WIN32
    // A copy of this program under another name, so that it is not the converter.
    wchar_t self[MAX_PATH];
    wchar_t temp[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring holder = std::wstring(temp) + L"pivora_pipe_holder.exe";
    ::CopyFileW(self, holder.c_str(), FALSE); // in use: it is there already
    std::wstring line = L"\"" + holder + L"\" --hold " + std::to_wstring(ms);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(holder.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &info)) {
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
#else
    if (::fork() == 0) {
        const std::string seconds = std::to_string(ms / 1000.0);
        ::execlp("sleep", "sleep", seconds.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--hold") {
        Pause(std::atoi(argv[2]));
        return 0;
    }
    if (argc == 5 && std::string(argv[1]) == "-hide_banner")
        return Probe(argv[4], false);
    if (argc > 5 && std::string(argv[1]) == "-hide_banner" && std::string(argv[argc - 2]) == "null")
        return Probe(argv[4], true);
    if (argc == 4 && std::string(argv[2]) == "-h")
        return 0; // the option list: nothing of note

    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "-i") {
            if (FILE* in = std::fopen(argv[i + 1], "rb")) {
                char head[128] = {};
                if (std::fgets(head, sizeof head, in) && std::strncmp(head, "plan", 4) == 0)
                    g_plan = std::string(head + 4);
                std::fclose(in);
            }
        }
    }
    if (std::getenv("FAKE_CONV_SPLIT")) {
        const std::string line = "视频: 分开写的字\n";
        Say(line.substr(0, 2)); // two of the three bytes of "视"
        Pause(150);
        Say(line.substr(2));
    }
    if (std::getenv("FAKE_CONV_IGNORE_TERM"))
        std::signal(SIGTERM, SIG_IGN);
    const int step = EnvInt("FAKE_CONV_STEP_MS", 5);
    const int steps = EnvInt("FAKE_CONV_STEPS", 4);
    const std::string output = argc > 1 ? argv[argc - 1] : "";

    Append("FAKE_CONV_LOG", output);
    if (FILE* there = output.empty() ? nullptr : std::fopen(output.c_str(), "rb")) {
        std::fclose(there);
        Append("FAKE_CONV_FOUND", "taken");
    } else {
        Append("FAKE_CONV_FOUND", "free");
    }
    Append("FAKE_CONV_SPANS", "+" + output);
    // As ffmpeg, the output is there from the start, and whole only at the end.
    if (!std::getenv("FAKE_CONV_NOFILE") && !output.empty()) {
        if (FILE* file = std::fopen(output.c_str(), "wb")) {
            std::fputs("part of a conversion", file);
            std::fclose(file);
        }
    }
    const char* failOn = std::getenv("FAKE_CONV_FAIL_ON");
    if (failOn && *failOn && argc > 4 && std::string(argv[4]).find(failOn) != std::string::npos) {
        Say(std::string(argv[4]) + ": Invalid data found when processing input\n");
        return 1;
    }
    if (const int daemonMs = EnvInt("FAKE_CONV_DAEMON_MS", 0); daemonMs > 0)
        LeavePipeHolder(daemonMs);
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
    Say("Output #0, mp4, to '" + output + "':\n" +
        "  Stream #0:0(und): Video: mpeg4 (mp4v / 0x7634706D), yuv420p, 48x64, 25 fps\n");
    if (std::getenv("FAKE_CONV_HANG")) {
        for (int i = 0;; ++i) {
            Pause(step);
            Say("frame=" + std::to_string(i) + " time=00:00:0" + std::to_string(i % 10) +
                ".00 bitrate= 800.0kbits/s\r");
        }
    }
    const int until = EnvInt("FAKE_CONV_UNTIL", steps);
    for (int i = 1; i <= std::min(steps, until); ++i) {
        Pause(step);
        if (i == 2 && EnvInt("FAKE_CONV_DAMAGED", 0))
            Say("[mov,mp4,m4a,3gp,3g2,mj2 @ 0x5599] stream 0, offset 0x2a1f: partial file\n");
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
    if (!std::getenv("FAKE_CONV_TERSE"))
        Say("\nvideo:10kB audio:0kB subtitle:0kB other streams:0kB global headers:0kB muxing "
            "overhead: 1.000000%\n");
    const int exitCode = EnvInt("FAKE_CONV_EXIT", 0);
    Append("FAKE_CONV_SPANS", "-" + output);
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
