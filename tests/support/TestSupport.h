#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace pivora::test {

// A folder of its own for one test, removed with everything in it at the end.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// A program folder whose data/conv is the given program (a link to it).
std::string MakeProgramFolder(const TempDir& dir, const std::string& converter);

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

// A short clip made by ffmpeg: blue, a red block in the top-left corner, 64 × 48, with sound.
bool MakeTestClip(const std::string& path);

// "key=value" lines that ffprobe prints for the first video stream and the container.
std::vector<std::pair<std::string, std::string>> ProbeVideo(const std::string& file);
std::string ProbeValue(const std::string& file, const std::string& key);

// Starts the stand-in converter at `program` as a direct child of the test, quiet, printing
// no progress and staying alive `lingerMs` after it; returns once it carries its new name.
pid_t StartLingering(const std::string& program, int lingerMs);

// Sets a code page for the scope's life and puts the system's back afterwards.
class ScopedCodePage
{
public:
    explicit ScopedCodePage(const std::string& name);
    ~ScopedCodePage();
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;
};

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
