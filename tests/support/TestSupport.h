#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pivora::test {

// The tests write paths with "/"; Windows gives and expects "\".
#ifdef _WIN32
inline constexpr char kSep = '\\';
inline constexpr const char* kExe = ".exe";
// The converter writes its lines in text mode there: "\r\n".
inline constexpr const char* kNewLine = "\r\n";
#else
inline constexpr char kSep = '/';
inline constexpr const char* kExe = "";
inline constexpr const char* kNewLine = "\n";
#endif

// A path written with "/" in this system's form.
std::string Native(std::string path);
// A path for std::filesystem from UTF-8 text, which its narrow strings are not on Windows.
std::filesystem::path U8(const std::string& path);

// A folder of its own for one test, removed with everything in it at the end.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // `name` may hold "/"; it comes back in this system's form.
    std::string File(const std::string& name) const { return m_path + kSep + Native(name); }

private:
    std::string m_path;
};

// A program folder whose converter (data/conv, data\conv.exe) is the given program.
std::string MakeProgramFolder(const TempDir& dir, const std::string& converter,
                              const std::string& name = "program");

// Helpers built beside the tests.
std::string FakeConverterPath();
std::string PrintArgsPath();
std::string FfmpegPath(); // empty when there is none

// Writes a file, making its folder first when need be.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);

// Runs a command line through the program's own runner and gives what it printed; `ok`
// tells whether it exited with 0.
std::string RunCommand(const std::string& commandLine, const std::string& watchedName,
                       bool* ok = nullptr);

// A clip made by ffmpeg: blue, with sound, and a red block in the top-left corner, a quarter of
// each side. Noise gives the encoder work, so that a conversion of it takes a while.
struct ClipShape
{
    int Width = 64;
    int Height = 48;
    int Seconds = 1;
    int Noise = 0;
};
bool MakeTestClip(const std::string& path, const ClipShape& shape = {});

// Which corners of the first frame of a video are red ("top-left", "top-right bottom-left",
// "none"), decoded by ffmpeg.
std::string RedCorner(const std::string& file, int width, int height);
// How far a media file's pictures and sound reach, read to their last packet; 0 when unreadable.
double ClipSeconds(const std::string& file);

// "key=value" lines that ffprobe prints for the first video stream and the container.
std::vector<std::pair<std::string, std::string>> ProbeVideo(const std::string& file);
std::string ProbeValue(const std::string& file, const std::string& key);

// A process the test starts itself, beside the runner's.
#ifdef _WIN32
using Process = void*; // its handle
#else
using Process = int; // its id
#endif
// Starts the stand-in converter at `program` as a direct child of the test, quiet, printing
// no progress and staying alive `lingerMs` after it; returns once it carries its new name.
Process StartLingering(const std::string& program, int lingerMs);
// True once it has ended, and then collected; never waits.
bool Ended(Process process);
// Ends it and collects it.
void Kill(Process process);

// Sets a code page for the scope's life and puts the system's back afterwards.
class ScopedCodePage
{
public:
    explicit ScopedCodePage(const std::string& name);
    ~ScopedCodePage();
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;
};

// Sets (or, with nullptr, removes) an environment variable that children inherit.
void SetEnv(const char* name, const char* value);

// Sets an environment variable for the scope's life.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_had = false;
    std::string m_old;
};

} // namespace pivora::test
