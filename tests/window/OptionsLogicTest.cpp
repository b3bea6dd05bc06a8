#include "window/OptionsLogic.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using pivora::settings::OptionValues;
using pivora::window::OptionsFields;
using pivora::window::OptionsLogic;

TEST(OptionsLogic, TheStoredRangeIsSplitAndJoinedExactly)
{
    pivora::test::TempDir dir;
    OptionValues options{0, 1, 5025, -30};
    pivora::settings::ProgramSettings settings;
    OptionsLogic dialog(options, dir.File("options.ini"), settings, dir.File("pivora.conf"));
    OptionsFields fields = dialog.Form_Load();
    EXPECT_EQ(fields.Range, (std::array<std::string, 6>{"1", "23", "45", "-1", "59", "30"}));
    EXPECT_TRUE(OptionsLogic::RangeBoxesEnabled(fields.CutEnabled));
    EXPECT_FALSE(dialog.Command1_Click(fields));
    EXPECT_EQ(options.CutEnabled, 1);
    EXPECT_EQ(options.CutStart, 5025);
    EXPECT_EQ(options.CutEnd, -30);
    EXPECT_EQ(pivora::test::ReadFile(dir.File("options.ini")), "0\r\n1\r\n5025\r\n-30\r\n");

    options = {0, 1, 0, 3599};
    EXPECT_EQ(dialog.Form_Load().Range,
              (std::array<std::string, 6>{"0", "0", "0", "0", "59", "59"}));

    // The net effect of OK on the stored range.
    struct Case
    {
        OptionValues before;
        std::int16_t enabled;
        std::int32_t start, end;
    };
    const Case cases[] = {
        {{0, 1, 90, 120}, 1, 90, 120},
        {{0, 1, 0, 0}, 0, 0, 0},
        {{0, 0, 90, 120}, 0, 0, 0},
        {{0, 2, 90, 120}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        options = c.before;
        fields = dialog.Form_Load();
        EXPECT_FALSE(dialog.Command1_Click(fields));
        EXPECT_EQ(options.CutEnabled, c.enabled) << c.before.CutEnabled;
        EXPECT_EQ(options.CutStart, c.start) << c.before.CutEnabled;
        EXPECT_EQ(options.CutEnd, c.end) << c.before.CutEnabled;
    }
}
