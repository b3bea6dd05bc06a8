#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
