#include "input/FileSearch.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using pivora::input::SearchFolder;
using pivora::test::Native;
namespace stdfs = std::filesystem;

namespace {

void Touch(const std::string& path)
{
    pivora::test::WriteFile(path, "x");
}

std::vector<std::string> Relative(const std::vector<std::string>& paths, const std::string& root)
{
    std::vector<std::string> relative;
    for (const std::string& path : paths)
        relative.push_back(path.substr(root.size() + 1));
    return relative;
}

} // namespace

TEST(FileSearch, OwnFilesFirstThenSubfoldersDepthFirst)
{
    pivora::test::TempDir dir;
    const std::string root = dir.File("tree");
    Touch(root + "/b.mp4");
    Touch(root + "/A.txt");
    Touch(root + "/.hidden.mov");
    Touch(root + "/sub1/x.mp4");
    Touch(root + "/sub1/deep/y.mp4");
    Touch(root + "/Sub2/z.avi");
    Touch(root + "/.config/h.mkv");
    Touch(root + "/locked/r.mp4");
    stdfs::create_directories(root + "/empty");
    std::vector<std::string> expected{".hidden.mov",     "A.txt",        "b.mp4",
                                      ".config/h.mkv",   "locked/r.mp4", "sub1/x.mp4",
                                      "sub1/deep/y.mp4", "Sub2/z.avi"};
#ifndef _WIN32
    stdfs::permissions(root + "/locked/r.mp4", stdfs::perms::owner_read);
    stdfs::permissions(root + "/locked", stdfs::perms::owner_read | stdfs::perms::owner_exec);
    Touch(dir.File("outside/secret.mp4"));
    // Links: a cycle back to the top, a folder and a file outside the tree, a file inside.
    stdfs::create_directory_symlink(root, root + "/sub1/loop");
    stdfs::create_directory_symlink(dir.File("outside"), root + "/away");
    stdfs::create_symlink(dir.File("outside/secret.mp4"), root + "/secret-link.mp4");
    stdfs::create_symlink(root + "/Sub2/z.avi", root + "/z-link.avi");
    expected.insert(expected.begin() + 3, "z-link.avi");
#endif

    std::vector<std::string> found{"already there"};
    SearchFolder(root, found);
    EXPECT_EQ(found.front(), "already there");
    found.erase(found.begin());
    for (std::string& path : expected)
        path = Native(path);
    EXPECT_EQ(Relative(found, root), expected);
    stdfs::permissions(root + "/locked", stdfs::perms::owner_all);

    std::vector<std::string> none;
    SearchFolder(root + "/empty", none);
    SearchFolder(root + "/no such folder", none);
    EXPECT_TRUE(none.empty());
}

TEST(FileSearch, EverySubfolderAndTheUnreadableNamed)
{
    pivora::test::TempDir dir;
    const std::string root = dir.File("many");
    char name[16];
    for (int i = 0; i < 250; ++i) {
        std::snprintf(name, sizeof name, "s%03d", i);
        Touch(root + "/" + name + "/f.mp4");
    }
    Touch(root + "/own.mp4");
    Touch(root + "/s100/locked/hidden.mp4");
    std::vector<std::string> found;
    std::vector<std::string> unreadable;
#ifdef _WIN32
    SearchFolder(root, found, nullptr, &unreadable);
    EXPECT_TRUE(unreadable.empty());
    ASSERT_EQ(found.size(), 252u);
#else
    // Permissions do not hold for root: the search runs as nobody then, in a child.
    stdfs::permissions(dir.Path(), stdfs::perms::owner_all | stdfs::perms::others_exec |
                                       stdfs::perms::others_read);
    stdfs::permissions(root + "/s100/locked", stdfs::perms::none);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        SearchFolder(root, found, nullptr, &unreadable);
        ::_exit(found.size() == 251 && unreadable == std::vector{root + "/s100/locked"} ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the locked folder went unnamed";
    stdfs::permissions(root + "/s100/locked", stdfs::perms::owner_all);
    SearchFolder(root, found, nullptr, &unreadable);
    ASSERT_EQ(found.size(), 252u);
#endif
    EXPECT_EQ(found.front(), Native(root + "/own.mp4"));
    EXPECT_EQ(found[1], Native(root + "/s000/f.mp4"));
    EXPECT_EQ(found.back(), Native(root + "/s249/f.mp4"));
}

TEST(FileSearch, KeepsTheWindowAliveButNotAfterEveryEntry)
{
    pivora::test::TempDir dir;
    const std::string root = dir.File("big");
    for (int i = 0; i < 3000; ++i)
        Touch(root + "/d" + std::to_string(i % 30) + "/f" + std::to_string(i));
    pivora::platform::PlainEventPump pump;
    int breaths = 0;
    pump.onProcessEvents = [&] { ++breaths; };
    std::vector<std::string> found;
    SearchFolder(root, found, &pump);
    EXPECT_EQ(found.size(), 3000u);
    EXPECT_LT(breaths, 3000);
}
