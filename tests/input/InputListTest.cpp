#include "input/InputList.h"

#include <gtest/gtest.h>

using namespace pivora::input;

TEST(InputList, EntriesKeepTheirIdsWhateverIsRemovedAroundThem)
{
    InputList list;
    const EntryId a = list.Append(EntryForPath("/v/a.mp4"));
    const EntryId b = list.Append(EntryForPath("/v/b.mov"));
    const EntryId c = list.Append(EntryForPath("/v/c.avi"));
    list.RemoveAt(0);
    EXPECT_EQ(list.IndexOf(a), std::nullopt);
    EXPECT_EQ(list.IndexOf(c), 1u);
    EXPECT_TRUE(list.Remove(c));
    EXPECT_FALSE(list.Remove(c));
    EXPECT_EQ(list.Paths(), std::vector<std::string>{"/v/b.mov"});
    EXPECT_EQ(list.IdAt(0), b);
}

TEST(InputList, TypeText)
{
    EXPECT_EQ(TypeTextOf("/v/a.mp4"), "MP4");
    EXPECT_EQ(TypeTextOf("/v/clip.mpeg"), "PEG");
    EXPECT_EQ(TypeTextOf("/v/c.ts"), ".TS");
    EXPECT_EQ(TypeTextOf("ab"), "AB");
    // Characters, not bytes.
    EXPECT_EQ(TypeTextOf("/v/视频文件"), "频文件");
    const InputEntry entry = EntryForPath("/v/x.avi  ");
    EXPECT_EQ(entry.DisplayText, "/v/x.avi  ");
    EXPECT_EQ(entry.TypeText, "AVI");
}
