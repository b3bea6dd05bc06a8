// Ending the program in the middle of a batch, by closing the window or by a signal: the
// converter is stopped, its partial output removed, and the shut-down runs, promptly and
// without spinning.
#include "ui/frmMain.h"

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "platform/ProcessList.h"

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
    EXPECT_EQ(pivora::test::ReadFile(dir.File("config/pvsetting.ini")),
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
