#include "TestSupport.h"

#include "engine/DOSOutputs.h"
#include "platform/CodePage.h"
#include "platform/CommandLineRules.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

extern char** environ;

namespace pivora::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "pivora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string MakeProgramFolder(const TempDir& dir, const std::string& converter)
{
    const std::string folder = dir.File("program");
    std::filesystem::create_directories(folder + "/data");
    std::filesystem::create_symlink(converter, folder + "/data/conv");
    return folder;
}

std::string FakeConverterPath()
{
    return PIVORA_FAKE_CONV;
}

std::string PrintArgsPath()
{
    return PIVORA_PRINT_ARGS;
}

std::string FfmpegPath()
{
    return PIVORA_FFMPEG_PATH;
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

namespace {

class FailOnMessage : public pivora::engine::UserMessages
{
public:
    void ShowMessage(const std::string& text, const std::string&, Icon) override
    {
        std::fprintf(stderr, "runner message: %s\n", text.c_str());
    }
};

} // namespace

std::string RunCommand(const std::string& commandLine, const std::string& watchedName, bool* ok)
{
    pivora::platform::PlainEventPump pump;
    FailOnMessage messages;
    pivora::engine::DOSOutputs runner(pump, messages);
    const std::string saved = pivora::engine::WatchedProcessName();
    pivora::engine::WatchedProcessName() = watchedName;
    std::string output = runner.ExecuteCommand(commandLine);
    pivora::engine::WatchedProcessName() = saved;
    if (ok)
        *ok = runner.LastExitStatus().Exited && runner.LastExitStatus().Code == 0;
    return output;
}

bool MakeTestClip(const std::string& path)
{
    bool ok = false;
    RunCommand(FfmpegPath() +
                   " -nostdin -loglevel error -f lavfi -i "
                   "\"color=c=blue:s=64x48:r=25:d=1,drawbox=x=0:y=0:w=16:h=12:color=red:t=fill\" "
                   "-f lavfi -i sine=d=1 -shortest -c:v libx264 -pix_fmt yuv420p -y " +
                   pivora::platform::QuoteArgument(path),
               "ffmpeg", &ok);
    return ok;
}

std::vector<std::pair<std::string, std::string>> ProbeVideo(const std::string& file)
{
    const std::string probe =
        std::filesystem::path(FfmpegPath()).replace_filename("ffprobe").string();
    const std::string output =
        RunCommand(probe +
                       " -v error -select_streams v:0 -show_entries "
                       "stream=codec_name,width,height:format=format_name:format_tags=major_brand "
                       "-of default=noprint_wrappers=1 " +
                       pivora::platform::QuoteArgument(file),
                   "ffprobe");
    std::vector<std::pair<std::string, std::string>> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (const std::size_t eq = line.find('='); eq != std::string::npos)
            values.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return values;
}

std::string ProbeValue(const std::string& file, const std::string& key)
{
    for (const auto& [name, value] : ProbeVideo(file)) {
        if (name == key)
            return value;
    }
    return {};
}

pid_t StartLingering(const std::string& program, int lingerMs)
{
    ScopedEnv linger("FAKE_CONV_LINGER_MS", std::to_string(lingerMs));
    ScopedEnv steps("FAKE_CONV_STEPS", "0");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::usleep(50000);
    return pid;
}

ScopedCodePage::ScopedCodePage(const std::string& name)
{
    if (!pivora::platform::SetCodePage(name))
        std::fprintf(stderr, "code page %s is not available\n", name.c_str());
}

ScopedCodePage::~ScopedCodePage()
{
    pivora::platform::SetCodePage({});
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    if (const char* old = std::getenv(name)) {
        m_had = true;
        m_old = old;
    }
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

} // namespace pivora::test
