#include "platform/CommandLineRules.h"

#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using pivora::platform::QuoteArgument;
using pivora::platform::SplitArguments;
using pivora::platform::SplitProgram;
using Args = std::vector<std::string>;

TEST(CommandLineRules, SplitsAsTheCRuntimeDoes)
{
    // The C runtime's documented examples.
    EXPECT_EQ(SplitArguments(R"("abc" d e)"), (Args{"abc", "d", "e"}));
    EXPECT_EQ(SplitArguments(R"(a\\b d"e f"g h)"), (Args{R"(a\\b)", "de fg", "h"}));
    EXPECT_EQ(SplitArguments(R"(a\\\"b c d)"), (Args{R"(a\"b)", "c", "d"}));
    EXPECT_EQ(SplitArguments(R"(a\\\\"b c" d e)"), (Args{R"(a\\b c)", "d", "e"}));
    EXPECT_EQ(SplitArguments(R"(a"b"" c d)"), (Args{R"(ab" c d)"}));
    // Blanks and tabs separate; other white space is part of an argument.
    EXPECT_EQ(SplitArguments(" \t x\ny \t"), (Args{"x\ny"}));
    EXPECT_EQ(SplitArguments(R"("" "")"), (Args{"", ""}));
    EXPECT_EQ(SplitArguments(""), Args{});
}

TEST(CommandLineRules, QuotedArgumentsComeBackUnchanged)
{
    const Args hostile{"plain",
                       "with blank",
                       "quote\"inside",
                       "trailing\\",
                       "two trailing\\\\",
                       "\\\"already escaped\\\"",
                       "$(touch pwned) `id`",
                       "new\nline\ttab",
                       "-leading-dash",
                       "",
                       std::string("bytes \xff\xfe not utf-8"),
                       "\"\"",
                       "C:\\Program Files\\x\\"};
    std::string line;
    for (const std::string& argument : hostile)
        line += QuoteArgument(argument) + " ";
    EXPECT_EQ(SplitArguments(line), hostile);
    // Only-if-needed leaves plain words alone and still quotes what needs it.
    EXPECT_EQ(QuoteArgument("/apps/data/conv", true), "/apps/data/conv");
    EXPECT_EQ(QuoteArgument("/my apps/data/conv", true), "\"/my apps/data/conv\"");
}

TEST(CommandLineRules, FindsTheProgramLikeWindowsProcessCreation)
{
    pivora::test::TempDir dir;
    const std::string folder = dir.File("My Apps");
    std::filesystem::create_directories(folder + "/data");
    const std::string program = folder + "/data/conv";
    pivora::test::WriteFile(program, "");
    const auto exists = [&](const std::string& candidate) { return candidate == program; };

    const auto unquoted = SplitProgram(program + " -threads 1 -i \"a b.mp4\"", exists);
    EXPECT_EQ(unquoted.Program, program);
    EXPECT_EQ(SplitArguments(unquoted.ArgumentText), (Args{"-threads", "1", "-i", "a b.mp4"}));

    const auto quoted = SplitProgram("\"" + program + "\" -y", exists);
    EXPECT_EQ(quoted.Program, program);
    EXPECT_EQ(SplitArguments(quoted.ArgumentText), Args{"-y"});

    // The shortest candidate that exists wins, as "C:\Program.exe" would.
    const std::string shorter = dir.File("My");
    const auto both = [&](const std::string& candidate) {
        return candidate == program || candidate == shorter;
    };
    EXPECT_EQ(SplitProgram(program + " -y", both).Program, shorter);

    EXPECT_TRUE(SplitProgram(dir.File("missing") + " -y", exists).Program.empty());
}
