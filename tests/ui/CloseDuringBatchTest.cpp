// Ending the program in the middle of a batch, by closing the window or by a signal: the
// converter is stopped, its partial output removed, and the shut-down runs, promptly and
// without spinning.
#include "ui/frmMain.h"

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "platform/ProcessList.h"
#include "settings/ProgramSettings.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// What the shut-down must leave: no converter, no partial output, the settings saved and the
// scratch folder gone.
void ExpectCleanEnd(const pivora::test::TempDir& dir, const std::string& program)
{
    EXPECT_FALSE(pivora::platform::IsProcessRunning("conv", program + "/data/conv"));
    const std::vector<std::string> started = pivora::test::ReadLines(dir.File("conv.log"));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(started[0])) << "a truncated output was left";
    EXPECT_EQ(pivora::test::ReadFile(dir.File("config/pivora/pvsetting.ini")),
              dir.File("output") + "/\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("cache/pivora/work")));
}

} // namespace

TEST(CloseDuringBatch, AsksThenStopsAndShutsDown)
{
    QApplication& app = pivora::test::App();
    QApplication::setQuitOnLastWindowClosed(true);
    pivora::test::TempDir dir;
    const std::string program =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
    pivora::test::RecordingServices services;
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    pivora::test::ScopedEnv hang("FAKE_CONV_HANG", "1");
    pivora::test::ScopedEnv step("FAKE_CONV_STEP_MS", "50");
    auto window = std::make_unique<pivora::ui::frmMain>(
        pivora::test::WindowSetup(dir.Path(), program, &services));
    pivora::test::WriteFile(dir.File("a.mp4"), "video");
    pivora::test::WriteFile(dir.File("b.mp4"), "video");
    window->AddFiles({dir.File("a.mp4"), dir.File("b.mp4")});
    window->show();

    // "No" lets the batch go on; "Yes" stops it and closes the window.
    pivora::test::ModalAnswerer answers;
    bool runningAfterNo = false;
    QTimer::singleShot(0, [&] { window->findChild<QPushButton*>("Command3")->click(); });
    QTimer::singleShot(500, [&] { window->close(); });
    QTimer::singleShot(900, [&] {
        runningAfterNo = window->BatchRunning() && window->isVisible();
        answers.questionReply = QMessageBox::Yes;
        window->close();
    });

    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    app.exec();
    const qint64 elapsed = clock.elapsed();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);

    ASSERT_EQ(answers.seen.size(), 2u);
    EXPECT_EQ(answers.seen[0].text, "正在转换视频, 确定要停止并退出吗?");
    EXPECT_TRUE(runningAfterNo);
    EXPECT_LT(elapsed, 3000) << "the program did not stop promptly";
    EXPECT_FALSE(window->BatchRunning());
    // Nothing spun at full speed on the way out.
    const double cpu = static_cast<double>(after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                       (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6;
    EXPECT_LT(cpu, 0.5 * elapsed / 1000.0 + 0.2);
    // The entry being converted and the one after it stay.
    EXPECT_EQ(window->Entries().Count(), 2u);
    EXPECT_TRUE(services.openedFolders.empty());
    ExpectCleanEnd(dir, program);
}

namespace {

// Runs the window in a child process with a batch started at once, as main() would.
pid_t StartProgram(const pivora::test::TempDir& dir, const std::string& program,
                   const std::vector<std::string>& inputs, posix_spawnattr_t* attributes = nullptr)
{
    std::vector<std::string> arguments{PIVORA_SIGNAL_CHILD, dir.Path(), program};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], nullptr, attributes, argv.data(), environ), 0);
    return pid;
}

} // namespace

TEST(CloseDuringBatch, AfterAHardEndNothingPartialStaysAndNothingIsForgotten)
{
    pivora::test::App();
    struct Case
    {
        const char* when;
        const char* settings;
        std::vector<std::pair<const char*, const char*>> converter;
        const char* waitFor; // the stand-in's log that must reach `lines` lines
        std::size_t lines;
        std::size_t kept; // outputs that were whole when the program ended
    };
    const Case cases[] = {
        {"before the first run",
         "LosslessRotation=true",
         {{"FAKE_CONV_PROBE_HANG", "1"}},
         "probes.log",
         1,
         0},
        {"in the middle of a run", "", {{"FAKE_CONV_HANG", "1"}}, "conv.log", 1, 0},
        {"between two runs", "", {{"FAKE_CONV_STEP_MS", "100"}}, "conv.log", 2, 1},
        {"during the output check",
         "",
         {{"FAKE_CONV_TERSE", "1"}, {"FAKE_CONV_PROBE_HANG", "output"}},
         "probes.log",
         3, // the first two inputs asked about, then the first output opened
         1},
        {"two at once", "ParallelJobs=2", {{"FAKE_CONV_HANG", "1"}}, "conv.log", 2, 0},
        {"copying without re-encoding",
         "LosslessRotation=true",
         {{"FAKE_CONV_HANG", "1"}},
         "conv.log",
         1,
         0},
    };
    for (const Case& c : cases) {
        if (std::string_view(c.settings) == "ParallelJobs=2" &&
            pivora::settings::MaxParallelJobs() < 2)
            continue;
        pivora::test::TempDir dir;
        const std::string program =
            pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
        pivora::test::WriteFile(dir.File("config/pivora/pivora.conf"),
                                std::string("[Conversion]\n") + c.settings + "\n");
        // Inputs the stand-in opens as 10 s videos.
        std::vector<std::string> inputs;
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) {
            inputs.push_back(dir.File(name));
            pivora::test::WriteFile(inputs.back(), "converted by the stand-in\n");
        }
        pid_t pid = 0;
        {
            pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
            pivora::test::ScopedEnv probes("FAKE_CONV_PROBES", dir.File("probes.log"));
            std::vector<std::unique_ptr<pivora::test::ScopedEnv>> steering;
            for (const auto& [name, value] : c.converter)
                steering.push_back(std::make_unique<pivora::test::ScopedEnv>(name, value));
            pid = StartProgram(dir, program, inputs);
            ASSERT_TRUE(pivora::test::WaitUntil([&] {
                return pivora::test::ReadLines(dir.File(c.waitFor)).size() >= c.lines;
            })) << c.when;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        // The converter went with the program.
        EXPECT_TRUE(pivora::test::WaitUntil(
            [&] { return !pivora::platform::IsProcessRunning("conv", program + "/data/conv"); },
            5000))
            << c.when;

        // The next start: the whole outputs stay, the partial ones go, the rest comes back. A
        // journal that cannot be read is set aside.
        pivora::test::WriteFile(dir.File("state/batch-garbage.journal"), "pivora-journal|1|0\n");
        pivora::test::RecordingServices services;
        pivora::test::ModalAnswerer answers;
        answers.questionReply = QMessageBox::Yes;
        pivora::ui::frmMain window(pivora::test::WindowSetup(dir.Path(), program, &services));
        window.show();
        pivora::test::WaitUntil([&] { return !answers.seen.empty(); }, 10000);
        std::vector<std::string> outputs;
        for (const auto& file : std::filesystem::directory_iterator(dir.File("output")))
            outputs.push_back(pivora::test::ReadFile(file.path().string()));
        EXPECT_EQ(outputs, std::vector<std::string>(c.kept, "converted by the stand-in\n"))
            << c.when;
        ASSERT_EQ(answers.seen.size(), 1u) << c.when;
        EXPECT_EQ(answers.seen[0].text.toStdString(), "上次的转换没有完成, 还有 " +
                                                          std::to_string(3 - c.kept) +
                                                          " 个文件没有转换. 要把它们放回列表吗?");
        EXPECT_EQ(
            window.Entries().Paths(),
            std::vector<std::string>(inputs.begin() + static_cast<long>(c.kept), inputs.end()))
            << c.when;
        // The journals stay while what they put back is in the list.
        window.menuRA_Click();
        std::vector<std::string> left;
        for (const auto& file : std::filesystem::directory_iterator(dir.File("state")))
            left.push_back(file.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"batch-garbage.journal.unreadable"}) << c.when;
    }
}

TEST(CloseDuringBatch, ASignalStopsTheBatchAndShutsDown)
{
    pivora::test::TempDir dir;
    const std::string program =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
    pivora::test::WriteFile(dir.File("a.mp4"), "video");
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    pivora::test::ScopedEnv hang("FAKE_CONV_HANG", "1");
    pivora::test::ScopedEnv step("FAKE_CONV_STEP_MS", "50");
    const std::string child = std::string(PIVORA_SIGNAL_CHILD);
    std::vector<std::string> arguments{child, dir.Path(), program, dir.File("a.mp4")};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The program runs in a process group of its own, as under a terminal.
    posix_spawnattr_t group;
    posix_spawnattr_init(&group);
    posix_spawnattr_setpgroup(&group, 0);
    posix_spawnattr_setflags(&group, POSIX_SPAWN_SETPGROUP);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::filesystem::remove(dir.File("conv.log"));
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, child.c_str(), nullptr, &group, argv.data(), environ), 0);
        // Signalled once the converter is writing its output.
        for (int i = 0; i < 500 && pivora::test::ReadLines(dir.File("conv.log")).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // Ctrl+C reaches the whole group, the converter too; the others reach the program.
        ::kill(signal == SIGINT ? -pid : pid, signal);

        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 500 && (done = ::waitpid(pid, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (done == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "signal " << signal << " did not end the program";
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "signal " << signal;
        ExpectCleanEnd(dir, program);
    }
    posix_spawnattr_destroy(&group);
}
