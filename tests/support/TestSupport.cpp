#include "TestSupport.h"

#include "engine/OutputProbe.h"
#include "engine/RunOutcome.h"

#include "engine/DOSOutputs.h"
#include "platform/CodePage.h"
#include "platform/CommandLineRules.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include "platform/win32/WinText.h"
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace pivora::test {

namespace fs = pivora::platform;

std::string Native(std::string path)
{
    if (kSep != '/') {
        for (char& c : path) {
            if (c == '/')
                c = kSep;
        }
    }
    return path;
}

std::filesystem::path U8(const std::string& path)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return path;
#endif
}

TempDir::TempDir()
{
#ifdef _WIN32
    const std::u8string temp = std::filesystem::temp_directory_path().u8string();
    const std::string base = fs::JoinPath(std::string(temp.begin(), temp.end()), "pivora-test-");
    // A new folder of its own: one that exists already is never taken over.
    for (unsigned n = ::GetTickCount() ^ ::GetCurrentProcessId();; ++n) {
        if (fs::CreateFolder(base + std::to_string(n))) {
            m_path = base + std::to_string(n);
            break;
        }
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "pivora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    m_path = pattern;
#endif
}

TempDir::~TempDir()
{
#ifdef _WIN32
    fs::RemoveFolderTree(m_path);
#else
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
#endif
}

std::string MakeProgramFolder(const TempDir& dir, const std::string& converter,
                              const std::string& name)
{
    const std::string folder = dir.File(name);
    const std::string target = fs::ConverterPath(folder);
    fs::CreateFolders(fs::JoinPath(folder, "data"));
#ifdef _WIN32
    // A program's processes carry the path of the file they run from: a copy, not a link.
    fs::CopyToNewFile(converter, target);
#else
    std::filesystem::create_symlink(converter, target);
#endif
    return folder;
}

std::string FakeConverterPath()
{
    return fs::JoinPath(fs::ProgramFolder(), Native("helpers/fake_conv") + kExe);
}

std::string PrintArgsPath()
{
    return fs::JoinPath(fs::ProgramFolder(), Native("helpers/print_args") + kExe);
}

std::string FfmpegPath()
{
#ifdef _WIN32
    // Fetched into the build beside the tests, when it could be.
    const std::string path = fs::JoinPath(fs::ProgramFolder(), "ffmpeg\\ffmpeg.exe");
    return fs::IsRegularFile(path) ? path : std::string();
#else
    return PIVORA_FFMPEG_PATH;
#endif
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::error_code ignored;
    std::filesystem::create_directories(U8(path).parent_path(), ignored);
    std::ofstream out(U8(path), std::ios::binary);
    out << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(U8(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(U8(path), std::ios::binary);
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

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of("/\\") + 1);
}

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

bool MakeTestClip(const std::string& path, const ClipShape& shape)
{
    char picture[256];
    std::snprintf(picture, sizeof picture,
                  "color=c=blue:s=%dx%d:r=25:d=%d,drawbox=x=0:y=0:w=%d:h=%d:color=red:t=fill",
                  shape.Width, shape.Height, shape.Seconds, shape.Width / 4, shape.Height / 4);
    std::string filter = picture;
    if (shape.Noise > 0)
        filter += ",noise=alls=" + std::to_string(shape.Noise) + ":allf=t";
    bool ok = false;
    const std::string output = RunCommand(
        fs::QuoteArgument(FfmpegPath(), true) + " -nostdin -loglevel error -f lavfi -i \"" +
            filter + "\" -f lavfi -i sine=d=" + std::to_string(shape.Seconds) +
            " -shortest -c:v libx264" + (shape.Noise > 0 ? " -preset ultrafast" : "") +
            " -pix_fmt yuv420p -y " + fs::QuoteArgument(path),
        FileNameOf(FfmpegPath()), &ok);
    EXPECT_TRUE(ok) << output;
    return ok;
}

double ClipSeconds(const std::string& file)
{
    return pivora::engine::LastProgressSeconds(RunCommand(
        pivora::engine::MeasureCommandLine(FfmpegPath(), file), FileNameOf(FfmpegPath())));
}

std::string RedCorner(const std::string& file, int width, int height)
{
    const std::string raw = file + ".rgb";
    bool ok = false;
    const std::string output =
        RunCommand(fs::QuoteArgument(FfmpegPath(), true) + " -nostdin -loglevel error -i " +
                       fs::QuoteArgument(file) + " -frames:v 1 -f rawvideo -pix_fmt rgb24 -y " +
                       fs::QuoteArgument(raw),
                   FileNameOf(FfmpegPath()), &ok);
    EXPECT_TRUE(ok) << output;
    const std::string pixels = ReadFile(raw);
    fs::RemoveFile(raw);
    EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width * height * 3));
    if (pixels.size() != static_cast<std::size_t>(width * height * 3))
        return "unreadable";
    const auto isRed = [&](int cx, int cy) {
        long red = 0, blue = 0;
        for (int y = cy; y < cy + 4; ++y)
            for (int x = cx; x < cx + 4; ++x) {
                const std::size_t at = static_cast<std::size_t>((y * width + x) * 3);
                red += static_cast<unsigned char>(pixels[at]);
                blue += static_cast<unsigned char>(pixels[at + 2]);
            }
        return red > blue * 2;
    };
    std::string corners;
    if (isRed(1, 1))
        corners += "top-left ";
    if (isRed(width - 5, 1))
        corners += "top-right ";
    if (isRed(1, height - 5))
        corners += "bottom-left ";
    if (isRed(width - 5, height - 5))
        corners += "bottom-right ";
    return corners.empty() ? "none" : corners.substr(0, corners.size() - 1);
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
                       fs::QuoteArgument(file),
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

Process StartLingering(const std::string& program, int lingerMs)
{
    ScopedEnv linger("FAKE_CONV_LINGER_MS", std::to_string(lingerMs));
    ScopedEnv steps("FAKE_CONV_STEPS", "0");
#ifdef _WIN32
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    std::wstring line = L"\"" + fs::win32::Wide(program) + L"\"";
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &info))
        << program;
    ::CloseHandle(nul);
    if (info.hThread)
        ::CloseHandle(info.hThread);
    ::Sleep(50);
    return info.hProcess;
#else
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
#endif
}

bool Ended(Process process)
{
    if (!process)
        return false;
#ifdef _WIN32
    if (::WaitForSingleObject(process, 0) != WAIT_OBJECT_0)
        return false;
    ::CloseHandle(process);
    return true;
#else
    return ::waitpid(process, nullptr, WNOHANG) == process;
#endif
}

void Kill(Process process)
{
    // Never 0: that would be every process of the group.
    if (!process)
        return;
#ifdef _WIN32
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 10000);
    ::CloseHandle(process);
#else
    ::kill(process, SIGKILL);
    ::waitpid(process, nullptr, 0);
#endif
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

void SetEnv(const char* name, const char* value)
{
#ifdef _WIN32
    // The C runtime's copy for this process, the system's for the children.
    ::_putenv_s(name, value ? value : "");
    ::SetEnvironmentVariableA(name, value);
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    if (const char* old = std::getenv(name)) {
        m_had = true;
        m_old = old;
    }
    SetEnv(name, value.c_str());
}

ScopedEnv::~ScopedEnv()
{
    SetEnv(m_name.c_str(), m_had ? m_old.c_str() : nullptr);
}

} // namespace pivora::test
