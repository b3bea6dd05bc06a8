#include "input/TempCopies.h"
#include "input/AddingFiles.h"

#include "TestSupport.h"
#include "engine/ContainerRotation.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace pivora::input;
using pivora::test::kSep;
namespace stdfs = std::filesystem;

namespace {

class CopiesTest : public ::testing::Test
{
protected:
    CopiesTest()
        : copies(dir.File("copies"),
                 [] { return pivora::platform::LocalDateTime{2026, 3, 4, 5, 6, 7}; })
    {
    }

    std::string Input(const std::string& name, const std::string& content = "video")
    {
        const std::string path = dir.File("in/" + name);
        pivora::test::WriteFile(path, content);
        return path;
    }

    pivora::test::TempDir dir;
    TempCopies copies;
};

} // namespace

TEST_F(CopiesTest, CopyNames)
{
    // Names Windows cannot hold are not made there, but the copy is named all the same.
    const std::string folder = dir.File("copies") + kSep;
    const char other = kSep == '/' ? '\\' : '/';
    EXPECT_EQ(copies.MakeTempCopy(Input("a:b*c?d.mp4")), folder + "a b c d.tmp");
    EXPECT_EQ(copies.MakeTempCopy(dir.File("in") + kSep + "back" + other + "slash \"q\".mov"),
              folder + "back slash  q .tmp");
    // A leading blank stays; a name of blanks only becomes the date and time.
    EXPECT_EQ(copies.MakeTempCopy(Input(" lead.mp4")), folder + " lead.tmp");
    EXPECT_EQ(copies.MakeTempCopy(Input("???.mp4")), folder + "20260304-050607.tmp");
    EXPECT_EQ(copies.MakeTempCopy(Input("nodot")), folder + "nodot.tmp");

    // At most 200 characters, counted as characters, and no more than the file system takes.
    pivora::test::ScopedCodePage utf8("UTF-8");
    std::string longName;
    for (int i = 0; i < 130; ++i)
        longName += "视";
    longName += std::string(100, 'x');
    const std::string copy = copies.MakeTempCopy(dir.File("in/" + longName + ".mp4"));
    ASSERT_TRUE(copy.starts_with(folder) && copy.ends_with(".tmp")) << copy;
    const std::string name = copy.substr(folder.size(), copy.size() - folder.size() - 4);
    EXPECT_EQ(name, longName.substr(0, name.size()));
    EXPECT_LE(name.size() + 16, pivora::platform::MaxFileNameUnits(folder));
}

TEST_F(CopiesTest, NoTwoInputsShareACopy)
{
    const std::string first = copies.MakeTempCopy(Input("one/clip.mp4", "first"));
    const std::string second = copies.MakeTempCopy(Input("two/clip.mov", "second"));
    EXPECT_NE(first, second);
    EXPECT_EQ(pivora::test::ReadFile(first), "first");
    EXPECT_EQ(pivora::test::ReadFile(second), "second");
    EXPECT_TRUE(second.ends_with("clip_2.tmp"));

    // Two blank names in the same second.
    const std::string blankA = copies.MakeTempCopy(Input("x/ .mp4", "a"));
    const std::string blankB = copies.MakeTempCopy(Input("y/ .mp4", "b"));
    EXPECT_NE(blankA, blankB);
    EXPECT_EQ(pivora::test::ReadFile(blankA), "a");
    EXPECT_EQ(pivora::test::ReadFile(blankB), "b");

    // A copy that failed still gives its path, and that name is never handed out again.
    const std::string failed = copies.MakeTempCopy(dir.File("in/missing.mp4"));
    EXPECT_FALSE(stdfs::exists(failed));
    const std::string after = copies.MakeTempCopy(Input("z/missing.mp4", "later"));
    EXPECT_NE(after, failed);

    // A file left in the folder is not replaced either.
    pivora::test::WriteFile(dir.File("copies/left.tmp"), "old");
    EXPECT_TRUE(copies.MakeTempCopy(Input("left.mp4")).ends_with("left_2.tmp"));
    EXPECT_EQ(pivora::test::ReadFile(dir.File("copies/left.tmp")), "old");
}

TEST_F(CopiesTest, ChosenDroppedAndFoundFiles)
{
    InputList list;
    InputAdder adder(list, copies);
    std::vector<bool> copying;
    adder.onCopying = [&](bool on) { copying.push_back(on); };
    const std::string plain = Input("plain name.mp4");
    const std::string chinese = Input("视频.mp4");
    {
        pivora::test::ScopedCodePage latin1("ISO-8859-1");
        adder.AddChosenFile(plain);
        // Two characters the code page cannot hold: a date-time copy, blanks in the shown name.
        adder.AddChosenFile(chinese);
    }
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0).Path, plain);
    EXPECT_EQ(list.At(0).DisplayText, plain);
    EXPECT_EQ(list.At(0).TypeText, "MP4");
    EXPECT_EQ(list.At(1).Path, dir.File("copies/20260304-050607.tmp"));
    EXPECT_EQ(pivora::test::ReadFile(list.At(1).Path), "video");
    EXPECT_EQ(list.At(1).DisplayText, dir.File("in/  .mp4"));
    EXPECT_EQ(list.At(1).TypeText, "MP4");
    EXPECT_EQ(copying, (std::vector<bool>{true, false}));

    list.Clear();
    {
        pivora::test::ScopedCodePage latin1("ISO-8859-1");
        // A full drop takes the type column from the dropped name itself.
        adder.AddFullDrop({true, {chinese}});
        // A simple drop keeps the name, in the code page: no copy, "?" in the path.
        adder.AddSimpleDrop({true, {chinese}});
        // Names that come without the wide flag get their path by the same rule.
        adder.AddFullDrop({false, {plain}});
    }
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_TRUE(list.At(0).Path.starts_with(dir.File("copies") + kSep));
    EXPECT_EQ(list.At(0).TypeText, "MP4");
    EXPECT_EQ(list.At(0).DisplayText, dir.File("in/  .mp4"));
    EXPECT_EQ(list.At(1).Path, dir.File("in/??.mp4"));
    EXPECT_EQ(list.At(1).DisplayText, chinese);
    EXPECT_EQ(list.At(2).Path, plain);

    // A dropped folder is searched, on every kind of target.
    list.Clear();
    Input("folder/a.mp4");
    Input("folder/sub/b.mp4");
    adder.AddFullDrop({true, {dir.File("in/folder")}});
    adder.AddSimpleDrop({true, {dir.File("in/folder")}});
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{
                                dir.File("in/folder/a.mp4"), dir.File("in/folder/sub/b.mp4"),
                                dir.File("in/folder/a.mp4"), dir.File("in/folder/sub/b.mp4")}));
}

#ifndef _WIN32
TEST_F(CopiesTest, NamedPipesAreRefusedWhereverFilesEnterAndNeverWaitedOn)
{
    const std::string clip = Input("clip.mp4");
    const std::string pipe = dir.File("in/pipe.mp4");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    InputList list;
    InputAdder adder(list, copies);
    adder.AddNamedFiles({pipe, clip});
    adder.AddChosenFile(pipe);
    adder.AddBrowsedFile(pipe);
    adder.AddFullDrop({true, {pipe}});
    adder.AddSimpleDrop({false, {pipe, clip}});
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{clip, clip}));
    EXPECT_EQ(adder.TakeRefused(), std::vector<std::string>(5, pipe));
    EXPECT_TRUE(adder.TakeRefused().empty());

    // A listed file that has become a pipe: the program's own reads give up at once. One that
    // waited for a writer is let go by a writer after 2 s, and fails.
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(done) << "a read waited on the pipe";
        ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
    });
    EXPECT_FALSE(pivora::engine::ReadDisplayRotation(pipe));
    EXPECT_FALSE(stdfs::exists(copies.MakeTempCopy(pipe)));
    done = true;
    watchdog.join();
}
#endif
