// pivora-cli as scripts and users run it: a real process in a program folder of its own, with
// ffmpeg as its converter, its output and errors read back from files.
#include "TestSupport.h"
#include "engine/CommandLine.h"
#include "input/FileSearch.h"
#include "platform/CommandLineRules.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = pivora::platform;
namespace test = pivora::test;
using Json = std::map<std::string, std::string>;

namespace {

// A test's own program folder (the command line and its converter) and settings folders.
struct Place
{
    test::TempDir dir;
    std::string program = dir.File("program");
    std::vector<std::unique_ptr<test::ScopedEnv>> folders;
    explicit Place(const std::string& converter = test::FfmpegPath())
    {
        fs::CreateFolders(dir.File("program/data"));
        if (!converter.empty())
            std::filesystem::create_symlink(converter, fs::ConverterPath(program));
        std::filesystem::copy_file(PIVORA_CLI, Cli());
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
            fs::CreateFolders(dir.File(name));
            folders.push_back(std::make_unique<test::ScopedEnv>(name, dir.File(name)));
        }
    }
    std::string Cli() const { return dir.File("program/pivora-cli"); }
};

struct Started
{
    pid_t Pid = -1;
    std::string Out, Err;
};

// Where the process's standard streams go: input from a file, output into one (else a file of
// its own), or output and error closed.
struct Streams
{
    std::string In = "/dev/null";
    std::string Out;
    bool Closed = false;
};

// Starts `arguments` in a process group of its own, with the default reaction to Ctrl+C that
// a terminal's foreground job has.
Started Start(const Place& place, const std::vector<std::string>& arguments, const std::string& tag,
              const Streams& streams = {})
{
    Started started;
    started.Out = streams.Out.empty() ? place.dir.File(tag + ".out") : streams.Out;
    started.Err = place.dir.File(tag + ".err");
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, streams.In.c_str(), O_RDONLY, 0);
    if (streams.Closed) {
        posix_spawn_file_actions_addclose(&files, 1);
        posix_spawn_file_actions_addclose(&files, 2);
    } else {
        posix_spawn_file_actions_addopen(&files, 1, started.Out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&files, 2, started.Err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    EXPECT_EQ(posix_spawnp(&started.Pid, argv[0], &files, &attributes, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    return started;
}

// The exit status, or -1 when it has not ended in time (it is killed then).
int Finish(const Started& started, int seconds = 120)
{
    for (int waited = 0; waited < seconds * 20; ++waited) {
        int status = 0;
        if (::waitpid(started.Pid, &status, WNOHANG) == started.Pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(-started.Pid, SIGKILL);
    ::waitpid(started.Pid, nullptr, 0);
    return -1;
}

struct Result
{
    int Exit;
    std::string Out, Err;
};

Result RunCli(const Place& place, std::vector<std::string> arguments, const Streams& streams = {})
{
    arguments.insert(arguments.begin(), place.Cli());
    const Started started = Start(place, arguments, "run", streams);
    const int exit = Finish(started);
    // An output of the caller's choosing (a device) is not read back.
    return {exit, streams.Out.empty() ? test::ReadFile(started.Out) : std::string(),
            test::ReadFile(started.Err)};
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// The fields of JSON lines: strings unescaped (names here need only \" and \\), numbers as
// written.
std::vector<Json> JsonLines(const std::string& text)
{
    std::vector<Json> objects;
    for (const std::string& line : Lines(text)) {
        Json& object = objects.emplace_back();
        for (const std::string key : {"input", "output", "outcome", "reason", "seconds"}) {
            std::size_t at = line.find("\"" + key + "\":");
            if (at == std::string::npos)
                continue;
            at += key.size() + 3;
            std::string& value = object[key];
            if (line[at] != '"') {
                value = line.substr(at, line.find_first_of(",}", at) - at);
                continue;
            }
            for (++at; at < line.size() && line[at] != '"'; ++at)
                value += line[at] == '\\' ? line[++at] : line[at];
        }
    }
    return objects;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<fs::FolderEntry> entries;
    fs::ListFolder(folder, entries);
    std::vector<std::string> names;
    for (const fs::FolderEntry& entry : entries)
        names.push_back(entry.Name);
    return names;
}

} // namespace

TEST(Cli, BadUsageNamesTheProblemAndExitsWithTwo)
{
    Place place("");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "no files or folders"},
        {{"--rotate=sideways", "a.mp4"}, "'sideways' for --rotate"},
        {{"-f", "mkv", "a.mp4"}, "'mkv' for --format"},
        {{"--bitrate", "5000 -f null", "a.mp4"}, "for --bitrate"},
        {{"--jobs", "-1", "a.mp4"}, "'-1' for --jobs"},
        {{"-0", "a.mp4"}, "goes with --files-from"},
        {{"--files-from", place.dir.File("no list")}, "cannot read the list"},
        {{"--frobnicate", "a.mp4"}, "unknown option '--frobnicate'"},
        {{"a.mp4", "--output"}, "'--output' needs a value"},
        {{"--json=yes", "a.mp4"}, "'--json' takes no value"},
    };
    for (const auto& [arguments, problem] : cases) {
        const Result result = RunCli(place, arguments);
        EXPECT_EQ(result.Exit, 2) << problem;
        EXPECT_NE(result.Err.find(problem), std::string::npos) << result.Err;
        EXPECT_TRUE(result.Out.empty()) << result.Out;
    }
    const Result help = RunCli(place, {"--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_NE(help.Out.find("--dry-run"), std::string::npos);
    // Help that could not be written is no success.
    const Result full = RunCli(place, {"--help"}, {"/dev/null", "/dev/full", false});
    EXPECT_NE(full.Exit, 0);
    EXPECT_NE(full.Err.find("cannot write to standard output"), std::string::npos) << full.Err;
}

TEST(Cli, ADryRunPrintsForAPosixShellWhatTheWindowRuns)
{
    Place place;
    const std::string in = place.dir.File("in");
    for (const char* name : {"a clip.mp4", "it's $(x) `y` \\.mov", "-dash.avi", "sub/z"})
        test::WriteFile(fs::JoinPath(in, name), "x");
    const std::string out = place.dir.File("out");
    // The last name comes from a list on standard input, each name ended by NUL.
    test::WriteFile(place.dir.File("list"), place.dir.File("in/-dash.avi") + '\0');
    const test::ScopedEnv temporary("TMPDIR", place.dir.File("tmp"));
    fs::CreateFolder(place.dir.File("tmp"));
    // Nothing is made anywhere, not even for a moment: a folder's time changes with each name
    // made or removed in it.
    std::map<std::string, std::int64_t> times;
    for (const std::string& folder :
         {place.program, place.program + "/data", place.dir.File("tmp"),
          place.dir.File("XDG_CONFIG_HOME"), place.dir.File("XDG_CACHE_HOME"),
          place.dir.File("XDG_STATE_HOME"), place.dir.File("XDG_RUNTIME_DIR")})
        times[folder] = fs::ModificationTime(folder);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto before = fs::Now();
    const Result result = RunCli(place,
                                 {"-n", "--rotate", "ccw", "-f", "h264", "-b", "2500", "-o", out,
                                  "-j", "99", in, "--files-from", "-", "-0"},
                                 {place.dir.File("list"), {}, false});
    const auto after = fs::Now();
    ASSERT_EQ(result.Exit, 0) << result.Err;
    EXPECT_FALSE(fs::PathExists(out)) << "nothing is converted, no folder made";
    for (const auto& [folder, time] : times)
        EXPECT_EQ(fs::ModificationTime(folder), time) << folder;
    // A number of jobs beyond the machine is cut, and the user told to what.
    const int cores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 16);
    EXPECT_NE(result.Err.find("--jobs 99: " + std::to_string(cores) + " at once"),
              std::string::npos)
        << result.Err;

    std::vector<std::string> inputs;
    pivora::input::SearchFolder(in, inputs);
    inputs.push_back(place.dir.File("in/-dash.avi"));
    const std::vector<std::string> lines = Lines(result.Out);
    ASSERT_EQ(lines.size(), inputs.size()) << result.Out;
    // What the shell makes of each line is what the runner makes of the window's.
    std::string script;
    for (const std::string& line : lines)
        script += "set -- " + line + "\nprintf '%s\\0' \"$@\"; echo\n";
    test::WriteFile(place.dir.File("words.sh"), script);
    const Started shell = Start(place, {"/bin/sh", place.dir.File("words.sh")}, "sh");
    ASSERT_EQ(Finish(shell), 0);
    const std::vector<std::string> printed = Lines(test::ReadFile(shell.Out));
    ASSERT_EQ(printed.size(), inputs.size());
    std::set<std::string> outputs;
    const auto secondOfDay = [](const fs::LocalDateTime& t) {
        return t.Hour * 3600 + t.Minute * 60 + t.Second;
    };
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        std::vector<std::string> words;
        for (std::size_t at = 0, end; (end = printed[i].find('\0', at)) != std::string::npos;
             at = end + 1)
            words.push_back(printed[i].substr(at, end - at));
        // The line was built at one of the seconds the run took.
        bool matched = false;
        for (int second = secondOfDay(before);
             !matched &&
             second <= secondOfDay(after) + (secondOfDay(after) < secondOfDay(before)) * 86400;
             ++second) {
            pivora::engine::CommandLineRequest request;
            request.ProgramFolder = place.program;
            request.InputPath = inputs[i];
            request.OutputFolder = out + "/";
            request.OutputFormat = 1;
            request.VideoBitrate = "2500";
            request.RotationFilter = pivora::engine::RotationFilterFor(1);
            request.Time = {second / 3600 % 24, second / 60 % 60, second % 60};
            // The same input twice in one second: the second takes the next name.
            request.Counter = outputs.contains(pivora::engine::OutputFilePath(
                                  request.OutputFolder, inputs[i], 1, request.Time))
                                  ? 2
                                  : 0;
            const auto split = fs::SplitProgram(
                pivora::engine::BuildCommandLine(request), [&](const std::string& program) {
                    return program == fs::ConverterPath(place.program);
                });
            std::vector<std::string> expected = fs::SplitArguments(split.ArgumentText);
            expected.insert(expected.begin(), split.Program);
            matched = words == expected;
        }
        EXPECT_TRUE(matched) << lines[i];
        outputs.insert(words.empty() ? "" : words.back());
    }
    EXPECT_EQ(outputs.size(), inputs.size());

    // Names that name nothing are named as failed, and get no command line.
    const std::string gone = place.dir.File("gone.mp4");
    const Result missing = RunCli(place, {"-n", gone, "", place.dir.File("in/sub")});
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_NE(missing.Err.find("failed: " + gone + ": no such file or folder"), std::string::npos)
        << missing.Err;
    EXPECT_NE(missing.Err.find("failed: '': an empty name names no file"), std::string::npos);
    EXPECT_EQ(Lines(missing.Out).size(), 1u) << missing.Out;
}

TEST(Cli, ABatchWithAFailureConvertsTheRestNamesTheFailureAndExitsWithOne)
{
    Place place;
    const std::string good = place.dir.File("good.mp4"), other = place.dir.File("other clip.mkv");
    const std::string broken = place.dir.File("broken.avi");
    ASSERT_TRUE(test::MakeTestClip(good));
    ASSERT_TRUE(test::MakeTestClip(other));
    test::WriteFile(broken, "not a video");
    const std::string out = place.dir.File("out");
    const Result result = RunCli(
        place, {"--json", "--rotate", "ccw", "--format=mov", "-o", out, good, broken, other});
    EXPECT_EQ(result.Exit, 1) << result.Err;
    EXPECT_NE(result.Err.find("failed: " + broken + ": "), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("Invalid data found"), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find("converted: " + good + " -> "), std::string::npos) << result.Err;

    const std::vector<Json> lines = JsonLines(result.Out);
    ASSERT_EQ(lines.size(), 3u) << result.Out;
    std::map<std::string, Json> byInput;
    for (const Json& line : lines)
        byInput[line.at("input")] = line;
    for (const std::string& input : {good, other}) {
        const Json& line = byInput[input];
        EXPECT_EQ(line.at("outcome"), "converted");
        EXPECT_EQ(line.at("reason"), "");
        EXPECT_TRUE(line.at("output").ends_with(".mov")) << line.at("output");
        // A quarter turn anticlockwise takes the top-left corner to the bottom-left.
        EXPECT_EQ(test::RedCorner(line.at("output"), 48, 64), "bottom-left");
        EXPECT_GT(std::stod(line.at("seconds")), 0.0);
    }
    EXPECT_EQ(byInput[broken].at("outcome"), "failed");
    EXPECT_EQ(byInput[broken].at("output"), "");
    EXPECT_NE(byInput[broken].at("reason").find("Invalid data"), std::string::npos);
    EXPECT_EQ(FilesIn(out).size(), 2u);
    const std::string log = test::ReadFile(place.dir.File("XDG_STATE_HOME/pivora/activity.log"));
    EXPECT_NE(log.find("result: failed: " + broken), std::string::npos) << log;

    // Started with standard output and error closed, it converts every file all the same.
    const std::string quiet = place.dir.File("closed");
    EXPECT_EQ(RunCli(place, {"-o", quiet, good, other}, {"/dev/null", {}, true}).Exit, 0);
    EXPECT_EQ(FilesIn(quiet).size(), 2u);

    // Only the videos of a folder, from a list written on Windows: a text file the converter
    // would show as a picture, a picture, and a file it cannot read are skipped, and named.
    const std::string mixed = place.dir.File("mixed");
    ASSERT_TRUE(fs::CreateFolder(mixed));
    ASSERT_TRUE(test::MakeTestClip(fs::JoinPath(mixed, "clip.mkv")));
    std::string readme;
    for (int i = 0; i < 100; ++i)
        readme += "Clips from the trip, turned the right way up.\n";
    test::WriteFile(fs::JoinPath(mixed, "README.txt"), readme);
    test::WriteFile(fs::JoinPath(mixed, ".DS_Store"), std::string("\0\0\0\1Bud1\0", 9));
    const Started picture =
        Start(place,
              {test::FfmpegPath(), "-v", "error", "-f", "lavfi", "-i", "color=c=red:s=32x32",
               "-frames:v", "1", fs::JoinPath(mixed, "photo.jpg")},
              "picture");
    ASSERT_EQ(Finish(picture), 0);
    test::WriteFile(place.dir.File("list.txt"), mixed + "\r\n" + good + "\r\n");
    const std::string videos = place.dir.File("videos");
    const Result only = RunCli(place, {"--only-videos", "--json", "-o", videos, "--files-from",
                                       place.dir.File("list.txt")});
    EXPECT_EQ(only.Exit, 0) << only.Err;
    std::map<std::string, std::string> outcomes;
    for (const Json& line : JsonLines(only.Out))
        outcomes[line.at("input").substr(line.at("input").rfind('/') + 1)] = line.at("outcome");
    EXPECT_EQ(outcomes, (std::map<std::string, std::string>{{"clip.mkv", "converted"},
                                                            {"good.mp4", "converted"},
                                                            {"README.txt", "skipped"},
                                                            {".DS_Store", "skipped"},
                                                            {"photo.jpg", "skipped"}}))
        << only.Out;
    EXPECT_NE(only.Err.find("skipped: " + fs::JoinPath(mixed, "README.txt")), std::string::npos)
        << only.Err;
    EXPECT_EQ(FilesIn(videos).size(), 2u);

    // Without a converter nothing can be converted, and that is no success either.
    Place bare("");
    const Result missing = RunCli(bare, {"--json", "-q", good});
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_NE(missing.Err.find(fs::ConverterPath(bare.program) + " could not be started"),
              std::string::npos)
        << missing.Err;
    ASSERT_EQ(JsonLines(missing.Out).size(), 1u) << missing.Out;
    EXPECT_EQ(JsonLines(missing.Out)[0].at("outcome"), "not converted");
}

// Waits until the folder holds a file with something in it.
bool WrittenInto(const std::string& folder)
{
    for (int waited = 0; waited < 600; ++waited) {
        const std::vector<std::string> written = FilesIn(folder);
        if (!written.empty() && fs::FileSize(fs::JoinPath(folder, written[0])) > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(Cli, TwoProcessesIntoOneFolderAtOnceNeverShareANameNorEachOthersFolder)
{
    Place place;
    std::vector<std::string> clips;
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) {
        clips.push_back(place.dir.File(name));
        ASSERT_TRUE(test::MakeTestClip(clips.back(), {64, 48, 2, 0}));
    }
    // One command line converts on while another is killed outright: the next to start
    // removes the folder of the killed one, and neither the live one's nor one it cannot tell
    // about.
    const std::string runtime = place.dir.File("XDG_RUNTIME_DIR");
    const std::string clip = place.dir.File("long.mp4");
    ASSERT_TRUE(test::MakeTestClip(clip, {640, 480, 30, 40}));
    const Started live = Start(
        place, {place.Cli(), "-q", "-f", "h264", "-o", place.dir.File("live"), clip, clip}, "live");
    ASSERT_TRUE(WrittenInto(place.dir.File("live"))) << test::ReadFile(live.Err);
    const std::vector<std::string> liveFolder = FilesIn(runtime);
    ASSERT_EQ(liveFolder.size(), 1u);
    const Started killed =
        Start(place, {place.Cli(), "-f", "h264", "-o", place.dir.File("killed"), clip}, "killed");
    ASSERT_TRUE(WrittenInto(place.dir.File("killed"))) << test::ReadFile(killed.Err);
    ::kill(killed.Pid, SIGKILL);
    EXPECT_EQ(Finish(killed), 128 + SIGKILL);
    EXPECT_EQ(FilesIn(runtime).size(), 2u);
    ASSERT_TRUE(fs::CreateFolder(fs::JoinPath(runtime, "pivora-cli-unknown")));

    const std::string out = place.dir.File("out");
    std::vector<std::string> arguments{place.Cli(), "-q", "--json", "--jobs", "1", "-o", out};
    arguments.insert(arguments.end(), clips.begin(), clips.end());
    const Started first = Start(place, arguments, "first");
    const Started second = Start(place, arguments, "second");
    EXPECT_EQ(Finish(first), 0) << test::ReadFile(first.Err);
    EXPECT_EQ(Finish(second), 0) << test::ReadFile(second.Err);

    std::set<std::string> reported;
    for (const Started& process : {first, second})
        for (const Json& line : JsonLines(test::ReadFile(process.Out))) {
            EXPECT_EQ(line.at("outcome"), "converted") << line.at("reason");
            EXPECT_TRUE(reported.insert(line.at("output")).second) << line.at("output");
        }
    EXPECT_EQ(reported.size(), 6u);
    EXPECT_EQ(FilesIn(out).size(), 6u);
    for (const std::string& output : reported)
        EXPECT_EQ(test::RedCorner(output, 48, 64), "top-right") << output;

    const std::vector<std::string> left = FilesIn(runtime);
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
              (std::set<std::string>{liveFolder[0], "pivora-cli-unknown"}));
    ::kill(-live.Pid, SIGINT);
    EXPECT_EQ(Finish(live, 15), 130) << test::ReadFile(live.Err);
    EXPECT_EQ(FilesIn(runtime), std::vector<std::string>{"pivora-cli-unknown"});

    // A runtime folder that cannot be used (after su, in a container): the temporary folder.
    const test::ScopedEnv gone("XDG_RUNTIME_DIR", place.dir.File("gone"));
    const test::ScopedEnv temporary("TMPDIR", place.dir.File("tmp"));
    fs::CreateFolder(place.dir.File("tmp"));
    EXPECT_EQ(RunCli(place, {"-q", "-o", out, clips[0]}).Exit, 0);
    const std::string log = test::ReadFile(place.dir.File("XDG_STATE_HOME/pivora/activity.log"));
    EXPECT_NE(log.find("command: " + place.dir.File("tmp/pivora-cli-")), std::string::npos) << log;
    EXPECT_TRUE(FilesIn(place.dir.File("tmp")).empty());
}

TEST(Cli, CtrlCStopsTheBatchLeavesNoPartialOutputAndExitsWith130)
{
    Place place;
    const std::string clip = place.dir.File("long.mp4");
    ASSERT_TRUE(test::MakeTestClip(clip, {640, 480, 30, 40}));
    const std::string out = place.dir.File("out");
    const Started started =
        Start(place, {place.Cli(), "--json", "-f", "h264", "-o", out, clip, clip}, "batch");
    // Ctrl+C once the converter has written part of the output: the terminal sends it to the
    // whole foreground group, converter included.
    for (int waited = 0; waited < 600; ++waited) {
        const std::vector<std::string> written = FilesIn(out);
        if (!written.empty() && fs::FileSize(fs::JoinPath(out, written[0])) > 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(FilesIn(out).empty()) << test::ReadFile(started.Err);
    ::kill(-started.Pid, SIGINT);
    EXPECT_EQ(Finish(started, 15), 130) << test::ReadFile(started.Err);
    EXPECT_TRUE(FilesIn(out).empty()) << FilesIn(out)[0];
    const std::vector<Json> lines = JsonLines(test::ReadFile(started.Out));
    ASSERT_EQ(lines.size(), 2u);
    for (const Json& line : lines)
        EXPECT_EQ(line.at("outcome"), "stopped");
    EXPECT_TRUE(FilesIn(place.dir.File("XDG_RUNTIME_DIR")).empty());
}

// Runs the command line with a terminal of 200 columns as its standard input, output and
// error; gives the exit status and every byte the terminal received.
std::pair<int, std::string> RunOnTerminal(const Place& place, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), place.Cli());
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(terminal, 0);
    ::grantpt(terminal);
    ::unlockpt(terminal);
    winsize size{};
    size.ws_col = 200;
    size.ws_row = 50;
    ::ioctl(terminal, TIOCSWINSZ, &size);
    const std::string side = ::ptsname(terminal);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&files, fd, side.c_str(), O_RDWR | O_NOCTTY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    // Read all along: a full terminal would hold the program up.
    std::string received;
    int exit = -1;
    for (int waited = 0; waited < 120 * 20;) {
        pollfd ready{terminal, POLLIN, 0};
        const int polled = ::poll(&ready, 1, 50);
        if (polled > 0 && (ready.revents & POLLIN)) {
            char buffer[4096];
            const ssize_t got = ::read(terminal, buffer, sizeof buffer);
            if (got > 0) {
                received.append(buffer, static_cast<std::size_t>(got));
                continue;
            }
        }
        int status = 0;
        if (exit < 0 && ::waitpid(pid, &status, WNOHANG) == pid)
            exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (exit >= 0)
            break; // ended, and nothing more to read
        else if (polled > 0)
            ::usleep(50'000); // hung up before the program is gone: poll no longer waits
        ++waited;
    }
    if (exit < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    ::close(terminal);
    return {exit, received};
}

// The lines as a terminal shows them: each "\r" takes the cursor back to the line's start,
// and what follows overwrites what was there.
std::vector<std::string> ShownLines(const std::string& received)
{
    std::vector<std::string> shown;
    for (const std::string& line : Lines(received)) {
        std::string screen;
        std::size_t column = 0;
        for (const char c : line) {
            if (c == '\r') {
                column = 0;
                continue;
            }
            if (column < screen.size())
                screen[column] = c;
            else
                screen += c;
            ++column;
        }
        shown.push_back(screen.substr(0, screen.find_last_not_of(' ') + 1));
    }
    return shown;
}

TEST(Cli, OnATerminalEachFileIsNamedWithItsOutputAndNoNameOrJsonLineSpoilsTheScreen)
{
    Place place;
    const std::string plain = place.dir.File("plain.mp4");
    // A name that would clear the screen.
    const std::string odd = place.dir.File("odd\x1b[2Jname.mp4");
    ASSERT_TRUE(test::MakeTestClip(plain, {320, 240, 3, 40}));
    ASSERT_TRUE(test::MakeTestClip(odd, {320, 240, 3, 40}));
    const std::string out = place.dir.File("out");
    const auto [exit, received] =
        RunOnTerminal(place, {"--json", "--jobs", "auto", "-f", "h264", "-o", out, plain, odd});
    EXPECT_EQ(exit, 0) << received;
    EXPECT_NE(received.find("0/2 files"), std::string::npos) << "a progress line was drawn";
    EXPECT_EQ(received.find("\x1b"), std::string::npos) << received;

    const std::vector<std::string> shown = ShownLines(received);
    std::set<std::string> named;
    for (const std::string& line : shown) {
        // Every JSON line stands alone, whatever was drawn before it.
        if (line.find("{\"input\"") != std::string::npos) {
            EXPECT_TRUE(line.starts_with("{\"input\"") && line.ends_with("}")) << line;
            const std::vector<Json> object = JsonLines(line);
            EXPECT_EQ(object[0].at("outcome"), "converted");
            named.insert(object[0].at("input").substr(0, object[0].at("input").find('\x1b')) +
                         " -> " + object[0].at("output").substr(0, out.size()));
        }
    }
    EXPECT_EQ(named.size(), 2u);
    // Each file with its new name, the odd one escaped, and where the files went.
    const auto shows = [&](const std::string& text) {
        return std::any_of(shown.begin(), shown.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    };
    EXPECT_TRUE(shows("pivora-cli: converted: " + plain + " -> " + out + "/plain_Rotated"));
    EXPECT_TRUE(shows("pivora-cli: converted: " + place.dir.File("odd\\x1b[2Jname.mp4") + " -> " +
                      out + "/odd\\x1b[2Jname_Rotated"));
    EXPECT_TRUE(shows("2 of 2 files converted")) << received;
    EXPECT_TRUE(shows("output folder: " + out)) << received;
}

TEST(Cli, GnuParallelOverAListOfClipsConvertsEachExactlyOnce)
{
    if (!fs::IsRegularFile("/usr/bin/parallel"))
        GTEST_SKIP() << "GNU parallel is not installed (scripts/install-deps.sh installs it)";
    Place place;
    std::string list;
    for (const char* name : {"one.mp4", "two.mp4", "three.mp4", "four.mp4"}) {
        ASSERT_TRUE(test::MakeTestClip(place.dir.File(name)));
        list += place.dir.File(name) + "\n";
    }
    test::WriteFile(place.dir.File("clips.txt"), list);
    const std::string out = place.dir.File("out");
    const Started started = Start(place,
                                  {"/usr/bin/parallel", "--will-cite", "-j", "2", place.Cli(), "-q",
                                   "--json", "-o", out, "{}", "::::", place.dir.File("clips.txt")},
                                  "parallel");
    EXPECT_EQ(Finish(started), 0) << test::ReadFile(started.Err);
    std::multiset<std::string> inputs;
    for (const Json& line : JsonLines(test::ReadFile(started.Out))) {
        EXPECT_EQ(line.at("outcome"), "converted");
        inputs.insert(line.at("input"));
    }
    EXPECT_EQ(inputs.size(), 4u);
    EXPECT_EQ(std::set<std::string>(inputs.begin(), inputs.end()).size(), 4u);
    std::set<std::string> bases;
    for (const std::string& name : FilesIn(out))
        bases.insert(name.substr(0, name.find("_Rotated")));
    EXPECT_EQ(bases, (std::set<std::string>{"one", "two", "three", "four"}));
}

TEST(Cli, AfterAHardEndTheNextStartTidiesUpItsOwnBatchesOnly)
{
    Place place;
    const std::string clip = place.dir.File("in/long.mp4");
    const std::string other = place.dir.File("in/short.mp4");
    fs::CreateFolders(place.dir.File("in"));
    ASSERT_TRUE(test::MakeTestClip(clip, {640, 480, 30, 40}));
    ASSERT_TRUE(test::MakeTestClip(other, {64, 48, 1, 0}));
    const std::string state = place.dir.File("XDG_STATE_HOME/pivora");
    // A window's journal is the window's business, readable or not.
    test::WriteFile(fs::JoinPath(state, "batch-1.journal"), "not for the command line\n");

    // Killed outright in the middle of an MPEG-1 run on a file system without locks: one
    // journal, unguarded, and a cut-short output that still opens.
    const std::string out = place.dir.File("out");
    std::string sanitizers = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
    Started killed;
    {
        const test::ScopedEnv preload("LD_PRELOAD", PIVORA_NOLOCK);
        const test::ScopedEnv asan("ASAN_OPTIONS", sanitizers + ":verify_asan_link_order=0");
        killed = Start(place, {place.Cli(), "-f", "mpg", "-o", out, clip, other}, "killed");
    }
    ASSERT_TRUE(WrittenInto(out)) << test::ReadFile(killed.Err);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(killed.Pid, SIGKILL);
    EXPECT_EQ(Finish(killed), 128 + SIGKILL);
    std::vector<std::string> journals;
    for (const std::string& name : FilesIn(state))
        if (name.starts_with("cli-"))
            journals.push_back(name);
    EXPECT_EQ(journals.size(), 1u) << "a journal a lock attempt";
    EXPECT_NE(test::ReadFile(fs::JoinPath(state, "activity.log")).find("keeps no locks"),
              std::string::npos);
    const std::vector<std::string> partial = FilesIn(out);
    ASSERT_EQ(partial.size(), 1u);

    // The input moves away, and the output folder is not there (a drive taken out): nothing
    // can be judged, and nothing is forgotten.
    std::filesystem::rename(clip, place.dir.File("moved.mp4"));
    std::filesystem::rename(out, place.dir.File("unplugged"));
    const Result unplugged = RunCli(place, {"-o", place.dir.File("else"), other});
    EXPECT_EQ(unplugged.Exit, 0) << unplugged.Err;
    EXPECT_EQ(unplugged.Err.find("did not finish"), std::string::npos) << unplugged.Err;
    EXPECT_TRUE(fs::PathExists(fs::JoinPath(state, journals[0])));

    // Back again: the output is read to its last packet and falls short of the 30 s its input
    // had when the run started, so it goes; the files never converted are named once.
    std::filesystem::rename(place.dir.File("unplugged"), out);
    const Result back = RunCli(place, {"-o", place.dir.File("else"), other});
    EXPECT_EQ(back.Exit, 0) << back.Err;
    EXPECT_NE(
        back.Err.find("an earlier run did not finish; not converted then: " + clip + " " + other),
        std::string::npos)
        << back.Err;
    EXPECT_TRUE(FilesIn(out).empty()) << "a cut-short output was kept";
    EXPECT_FALSE(fs::PathExists(fs::JoinPath(state, journals[0])));
    EXPECT_TRUE(fs::PathExists(fs::JoinPath(state, "batch-1.journal")));
    EXPECT_EQ(RunCli(place, {"-o", place.dir.File("else"), other}).Err.find("did not finish"),
              std::string::npos);
}
