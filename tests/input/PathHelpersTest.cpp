#include "input/PathHelpers.h"

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

using namespace pivora::input;
using pivora::test::Native;

TEST(PathHelpers, NamesAndCleaning)
{
    EXPECT_EQ(GetFileName(Native("/a.b/clip.tar.mp4")), "clip.tar.mp4");
    EXPECT_EQ(GetFileName("clip.mp4"), "clip.mp4");
    EXPECT_EQ(GetFileName(Native("/videos/")), "");
    EXPECT_EQ(GetFileName(""), "");
    EXPECT_EQ(CleanName("a<b>c?d\"e:f*g|h\\i/j", true), "a b c d e f g h i j");
    // In a shown name this system's separator cannot occur and stays; the other slash goes.
    const char other = pivora::test::kSep == '/' ? '\\' : '/';
    EXPECT_EQ(CleanName(std::string("a") + other + Native("b/c"), false), "a " + Native("b/c"));
    EXPECT_EQ(DisplayTextFor(Native("/x/") + "what?: \"now\".mp4"), Native("/x/what    now .mp4"));
    EXPECT_EQ(StripTrailing(std::string("name  \0\0 ", 9)), "name");
    EXPECT_EQ(StripTrailing("   "), "");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
}

TEST(PathHelpers, TheCodePageDecidesWhatExists)
{
    pivora::test::TempDir dir;
    const std::string chinese = dir.File("视频.mp4");
    const std::string latin = dir.File("café.mp4");
    const std::string korean = dir.File("비디오.mp4");
    const std::string folder = dir.File("文件夹");
    for (const std::string& file : {chinese, latin, korean})
        pivora::test::WriteFile(file, "video");
    pivora::platform::CreateFolder(folder);
    const std::string system = pivora::platform::CodePageName();

    {
        // UTF-8 holds every name.
        pivora::test::ScopedCodePage utf8("UTF-8");
        EXPECT_TRUE(FileExists(chinese));
        EXPECT_TRUE(FileExists(korean));
        EXPECT_FALSE(FileExists(folder));
        EXPECT_TRUE(FolderExists(folder));
        EXPECT_FALSE(FolderExists(chinese));
        EXPECT_EQ(AnsiRoundTrip("视频"), "视频");
#ifndef _WIN32
        // Names are bytes here, and need not be UTF-8.
        EXPECT_EQ(AnsiRoundTrip(std::string("bad \xff byte")), "bad ? byte");
#endif
    }
    {
        pivora::test::ScopedCodePage latin1("ISO-8859-1");
        EXPECT_EQ(AnsiRoundTrip("café 视频"), "café ??");
        EXPECT_TRUE(FileExists(latin));
        EXPECT_FALSE(FileExists(chinese)) << "the file exists, but not for the code page";
        EXPECT_FALSE(FolderExists(folder));
    }
    {
        pivora::test::ScopedCodePage gbk("CP936");
        EXPECT_EQ(AnsiRoundTrip("视频 비디오"), "视频 ???");
        EXPECT_TRUE(FileExists(chinese));
        EXPECT_FALSE(FileExists(korean));
        EXPECT_TRUE(FolderExists(folder));
    }
    EXPECT_FALSE(pivora::platform::SetCodePage("NO-SUCH-CHARSET"));
    EXPECT_EQ(pivora::platform::CodePageName(), system);
}
