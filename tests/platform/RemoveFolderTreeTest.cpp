#include "platform/EventPump.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32/WinText.h"
#include <windows.h>
#endif

namespace stdfs = std::filesystem;

TEST(RemoveFolderTree, RemovesEverythingButFollowsNoLink)
{
    pivora::test::TempDir dir;
    const std::string home = dir.File("home");
    stdfs::create_directories(home + "/documents");
    pivora::test::WriteFile(home + "/documents/thesis.txt", "precious");
    pivora::test::WriteFile(home + "/.profile", "precious too");

    const std::string tree = dir.File("cache/pivora/tmp");
    stdfs::create_directories(tree + "/sub/deeper");
    stdfs::create_directories(tree + "/.hidden");
    pivora::test::WriteFile(tree + "/a.tmp", "x");
    pivora::test::WriteFile(tree + "/.b.tmp", "x");
    pivora::test::WriteFile(tree + "/sub/deeper/c.tmp", "x");
    pivora::test::WriteFile(tree + "/sub/readonly.tmp", "x");
    stdfs::permissions(tree + "/sub/readonly.tmp", stdfs::perms::owner_read);
    stdfs::permissions(tree + "/sub/deeper", stdfs::perms::owner_read | stdfs::perms::owner_exec);
#ifndef _WIN32
    stdfs::create_directory_symlink(home, tree + "/home-link");
    stdfs::create_directory_symlink(home, tree + "/sub/also-home");
    stdfs::create_symlink(home + "/.profile", tree + "/profile-link");
#endif

    pivora::platform::PlainEventPump pump;
    pivora::platform::RemoveFolderTree(tree + "/", &pump);
    EXPECT_FALSE(stdfs::exists(tree));
    EXPECT_EQ(pivora::test::ReadFile(home + "/documents/thesis.txt"), "precious");
    EXPECT_EQ(pivora::test::ReadFile(home + "/.profile"), "precious too");

#ifndef _WIN32
    // A link standing where the folder should be goes; what it points to stays.
    stdfs::create_directory_symlink(home, dir.File("cache/pivora/work"));
    pivora::platform::RemoveFolderTree(dir.File("cache/pivora/work"));
    EXPECT_FALSE(stdfs::is_symlink(dir.File("cache/pivora/work")));
    EXPECT_TRUE(stdfs::exists(home + "/documents/thesis.txt"));
#endif

    pivora::platform::RemoveFolderTree(dir.File("nothing here"));
}

TEST(RemoveFolderTree, GivesUpOnWhatCannotBeRemoved)
{
#ifdef _WIN32
    // A file held open without leave to delete it stays, and so does its folder.
    pivora::test::TempDir dir;
    const std::string held = dir.File("busy/held.tmp");
    pivora::test::WriteFile(held, "x");
    pivora::test::WriteFile(dir.File("busy/free.tmp"), "x");
    HANDLE file = ::CreateFileW(pivora::platform::win32::Wide(held).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    pivora::platform::RemoveFolderTree(dir.File("busy"));
    ::CloseHandle(file);
    EXPECT_TRUE(stdfs::exists(held));
    EXPECT_FALSE(stdfs::exists(dir.File("busy/free.tmp")));
#else
    // Nobody, root included, can delete the kernel's own entries: one pass, then it returns.
    pivora::platform::RemoveFolderTree("/proc/self/fdinfo");
    EXPECT_TRUE(stdfs::exists("/proc/self/fdinfo"));
#endif
}
