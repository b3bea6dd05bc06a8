// The batch while the user does other things in the window: dialogs opened in the middle of
// it, and a double press on "停止".
#include "ui/frmMain.h"

#include "TestSupport.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>

namespace {

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class BatchInUse : public ::testing::Test
{
protected:
    BatchInUse()
    {
        pivora::test::App();
        program = pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
        window = std::make_unique<pivora::ui::frmMain>(
            pivora::test::WindowSetup(dir.Path(), program, &services));
        window->show();
    }

    void AddInputs(int count)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.File("clip" + std::to_string(i) + ".mp4"));
            pivora::test::WriteFile(paths.back(), "video");
        }
        window->AddFiles(paths);
    }

    std::size_t Runs() const { return pivora::test::ReadLines(dir.File("conv.log")).size(); }
    QPushButton* Start() { return window->findChild<QPushButton*>("Command3"); }

    pivora::test::TempDir dir;
    std::string program;
    pivora::test::RecordingServices services;
    pivora::test::ScopedEnv log{"FAKE_CONV_LOG", dir.File("conv.log")};
    std::unique_ptr<pivora::ui::frmMain> window;
};

} // namespace

TEST_F(BatchInUse, GoesOnBehindEveryDialogTheWindowOpens)
{
    pivora::test::ScopedEnv step("FAKE_CONV_STEP_MS", "30");
    AddInputs(7);
    auto* label = window->findChild<QLabel*>("lblPB");
    // "关于", "设置" and the close question, each opened while a file is being converted and
    // left open until two more files have been converted behind it.
    const std::vector<std::function<void()>> openers{
        [&] { window->menuBar()->findChild<QAction*>("menuA")->trigger(); },
        [&] { window->menuBar()->findChild<QAction*>("menuS")->trigger(); },
        [&] { window->close(); },
    };
    std::size_t opened = 0;
    std::size_t runsAtOpening = 0;
    std::vector<std::set<QString>> labelsBehind(openers.size());
    std::vector<QString> dialogs;
    std::vector<std::size_t> convertedBehind;
    QElapsedTimer openFor;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal) {
            if (opened < openers.size() && Runs() > runsAtOpening && window->BatchRunning()) {
                runsAtOpening = Runs();
                QTimer::singleShot(0, openers[opened++]);
            }
            return;
        }
        labelsBehind[opened - 1].insert(label->text());
        if (dialogs.size() < opened) {
            dialogs.push_back(modal->windowTitle());
            openFor.start();
        }
        // A batch that stands still behind the dialog is given 5 s.
        if (Runs() >= runsAtOpening + 2 || openFor.elapsed() > 5000) {
            convertedBehind.push_back(Runs() - runsAtOpening);
            modal->reject(); // "否" for the close question
        }
    });
    script.start(10);
    const double cpuBefore = CpuSeconds();
    QElapsedTimer clock;
    clock.start();
    Start()->click();
    ASSERT_TRUE(pivora::test::WaitUntil([&] { return !window->BatchRunning() && Runs() > 0; }));
    const double cpu = CpuSeconds() - cpuBefore;

    EXPECT_EQ(dialogs, (std::vector<QString>{"关于", "设置", "Pivora"}));
    EXPECT_EQ(convertedBehind, (std::vector<std::size_t>{2, 2, 2}));
    for (const std::set<QString>& labels : labelsBehind)
        EXPECT_GE(labels.size(), 2u) << "the progress stood still behind a dialog";
    EXPECT_EQ(Runs(), 7u);
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_EQ(label->text(), "完成.");
    EXPECT_TRUE(window->isVisible());
    // Nothing spun while the dialogs were open.
    EXPECT_LT(cpu, 0.5 * static_cast<double>(clock.elapsed()) / 1000.0 + 0.3);
}

TEST_F(BatchInUse, ASecondPressOnStopDoesNotStartTheBatchAgain)
{
    pivora::test::ScopedEnv hang("FAKE_CONV_HANG", "1");
    AddInputs(2);
    // The batch runs inside the events, so the presses come from timers.
    bool stopped = false;
    QString caption;
    std::size_t runsAfterDoublePress = 0;
    bool runningAfterDoublePress = true;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        if (!stopped && Runs() == 1) {
            stopped = true;
            Start()->click();
            QTimer::singleShot(80, [&] {
                caption = Start()->text();
                Start()->click();
            });
            QTimer::singleShot(400, [&] {
                runsAfterDoublePress = Runs();
                runningAfterDoublePress = window->BatchRunning();
            });
            QTimer::singleShot(1000, [&] { Start()->click(); }); // deliberate
        }
        if (Runs() == 2 && window->BatchRunning() && !window->Entries().Empty())
            Start()->click();
    });
    script.start(10);
    Start()->click();
    ASSERT_TRUE(pivora::test::WaitUntil([&] { return Runs() == 2 && !window->BatchRunning(); }));

    EXPECT_EQ(caption, "旋转视频");
    EXPECT_FALSE(runningAfterDoublePress);
    EXPECT_EQ(runsAfterDoublePress, 1u);
    EXPECT_EQ(window->Entries().Count(), 2u);
}

TEST_F(BatchInUse, ClosingWhileTheEndSoundPlaysAsksNothing)
{
    AddInputs(1);
    pivora::test::ModalAnswerer answers;
    services.whilePlaying = [&] { window->close(); };
    Start()->click();
    EXPECT_TRUE(pivora::test::WaitUntil([&] { return !window->isVisible(); }, 5000));
    EXPECT_TRUE(answers.seen.empty()) << "every file was done: nothing to ask";
    EXPECT_EQ(services.playedSounds.size(), 1u);
}
