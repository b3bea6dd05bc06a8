// The command-line rules: every argument the program quotes (file names above all) must reach
// the converter unchanged, and any line must split without harm.
#include "FuzzCheck.h"

#include "platform/CommandLineRules.h"

#include <string>
#include <string_view>
#include <vector>

using namespace pivora::platform;

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The arguments are the input's parts between NUL bytes, which no argument can hold.
std::vector<std::string> ArgumentsOf(std::string_view text)
{
    std::vector<std::string> arguments;
    while (true) {
        const std::size_t end = text.find('\0');
        arguments.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return arguments;
        text.remove_prefix(end + 1);
    }
}

// The program part and the argument text put back together give the line (without its
// leading blanks); an unquoted program is the shortest accepted run up to a blank.
void CheckSplitProgram(std::string_view line, std::size_t acceptedLength)
{
    std::vector<std::string> asked;
    const ProgramAndArguments split = SplitProgram(line, [&](const std::string& candidate) {
        asked.push_back(candidate);
        return !candidate.empty() && candidate.size() == acceptedLength;
    });
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    if (split.Program.empty()) {
        FUZZ_CHECK(split.ArgumentText.empty());
        return;
    }
    FUZZ_CHECK(split.Program.size() == acceptedLength && asked.back() == split.Program);
    if (line.front() == '"') {
        FUZZ_CHECK(split.Program.find('"') == std::string::npos);
        const bool closed = line.size() > split.Program.size() + 1;
        FUZZ_CHECK(line == "\"" + split.Program + (closed ? "\"" : "") + split.ArgumentText);
        return;
    }
    FUZZ_CHECK(line == split.Program + split.ArgumentText);
    FUZZ_CHECK(!IsBlank(split.Program.back()));
    FUZZ_CHECK(split.ArgumentText.empty() || IsBlank(split.ArgumentText.front()));
    for (std::size_t i = 0; i + 1 < asked.size(); ++i)
        FUZZ_CHECK(asked[i].size() < asked[i + 1].size() && asked[i].size() != acceptedLength);
    SplitArguments(split.ArgumentText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says which arguments are quoted only where needed, one bit each in turn.
    const unsigned onlyIfNeeded = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> arguments = ArgumentsOf(rest);

    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += QuoteArgument(arguments[i], (onlyIfNeeded >> (i % 8) & 1) != 0);
    }
    FUZZ_CHECK(SplitArguments(line) == arguments);

    // As the runner starts a program: the first argument is the program, found on its own,
    // and the rest splits into the other arguments. A program's path never ends with a
    // back-slash nor holds a quote.
    const std::string& program = arguments.front();
    if (!program.empty() && !program.ends_with('\\') && program.find('"') == std::string::npos) {
        const ProgramAndArguments split =
            SplitProgram(line, [&](const std::string& candidate) { return candidate == program; });
        FUZZ_CHECK(split.Program == program);
        const std::vector<std::string> others = SplitArguments(split.ArgumentText);
        FUZZ_CHECK(others == std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    }

    // Any text as a command line, with the program accepted at a length the input chooses.
    CheckSplitProgram(rest, arguments.back().size());
    return 0;
}
