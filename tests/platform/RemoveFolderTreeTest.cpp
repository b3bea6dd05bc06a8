#include "platform/EventPump.h"
#include "platform/FileSystem.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

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
    stdfs::create_directory_symlink(home, tree + "/home-link");
    stdfs::create_directory_symlink(home, tree + "/sub/also-home");
    stdfs::create_symlink(home + "/.profile", tree + "/profile-link");

    pivora::platform::PlainEventPump pump;
    pivora::platform::RemoveFolderTree(tree + "/", &pump);
    EXPECT_FALSE(stdfs::exists(tree));
    EXPECT_EQ(pivora::test::ReadFile(home + "/documents/thesis.txt"), "precious");
    EXPECT_EQ(pivora::test::ReadFile(home + "/.profile"), "precious too");

    // A link standing where the folder should be goes; what it points to stays.
    stdfs::create_directory_symlink(home, dir.File("cache/pivora/work"));
    pivora::platform::RemoveFolderTree(dir.File("cache/pivora/work"));
    EXPECT_FALSE(stdfs::is_symlink(dir.File("cache/pivora/work")));
    EXPECT_TRUE(stdfs::exists(home + "/documents/thesis.txt"));

    pivora::platform::RemoveFolderTree(dir.File("nothing here"));
}

TEST(RemoveFolderTree, GivesUpOnWhatCannotBeRemoved)
{
    // Nobody, root included, can delete the kernel's own entries: one pass, then it returns.
    pivora::platform::RemoveFolderTree("/proc/self/fdinfo");
    EXPECT_TRUE(stdfs::exists("/proc/self/fdinfo"));
}
