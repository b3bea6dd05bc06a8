// The batch while the user does other things in the window: dialogs opened in the middle of
// it, double clicks on the start button, a close while the end sound plays. The batch runs inside
// the events, so the user's presses come from timers.
#include "WindowFixture.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>

#include <sys/resource.h>
#include <utility>

namespace {

class BatchInUse : public pivora::test::WindowTest
{
protected:
    std::size_t Runs() const { return pivora::test::ReadLines(dir.File("conv.log")).size(); }
    QPushButton* Start() { return Find<QPushButton>("Command3"); }

    pivora::test::ScopedEnv log{"FAKE_CONV_LOG", dir.File("conv.log")};
};

} // namespace

TEST_F(BatchInUse, GoesOnBehindEveryDialogTheWindowOpens)
{
    pivora::test::ScopedEnv step("FAKE_CONV_STEP_MS", "30");
    window->AddFiles(MakeInputs(10));
    // "关于", "设置" and the close question, each opened while a file is being converted and
    // left open until two more have been converted behind it (or 5 s have passed).
    const std::vector<std::function<void()>> openers{
        [&] { window->menuBar()->findChild<QAction*>("menuA")->trigger(); },
        [&] { window->menuBar()->findChild<QAction*>("menuS")->trigger(); },
        [&] { window->close(); },
    };
    std::size_t opened = 0, runsAtOpening = 0;
    std::vector<QString> dialogs;
    std::vector<std::size_t> convertedBehind;
    std::vector<QString> labelsBehind; // each change of the progress label behind a dialog
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
        if (const QString label = Find<QLabel>("lblPB")->text();
            labelsBehind.empty() || labelsBehind.back() != label)
            labelsBehind.push_back(label);
        if (dialogs.size() < opened) {
            dialogs.push_back(modal->windowTitle());
            openFor.start();
        }
        if (Runs() >= runsAtOpening + 2 || openFor.elapsed() > 5000) {
            convertedBehind.push_back(Runs() - runsAtOpening);
            modal->reject(); // "否" for the close question
        }
    });
    script.start(10);
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    Start()->click();
    ASSERT_TRUE(pivora::test::WaitUntil([&] { return !window->BatchRunning() && Runs() > 0; }));
    ::getrusage(RUSAGE_SELF, &after);

    EXPECT_EQ(dialogs, (std::vector<QString>{"关于", "设置", "Pivora"}));
    ASSERT_EQ(convertedBehind.size(), 3u);
    for (const std::size_t converted : convertedBehind)
        EXPECT_GE(converted, 2u) << "the batch stood still behind a dialog";
    EXPECT_GE(labelsBehind.size(), 6u) << "the progress stood still behind the dialogs";
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_EQ(Find<QLabel>("lblPB")->text(), "完成.");
    // Nothing spun while the dialogs were open.
    const double cpu = static_cast<double>(after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                       (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6;
    EXPECT_LT(cpu, 0.5 * static_cast<double>(clock.elapsed()) / 1000.0 + 0.3);
}

TEST_F(BatchInUse, ADoubleClickIsOnePressAndAPressAfterAStopIsNeverDropped)
{
    pivora::test::ScopedEnv hang("FAKE_CONV_HANG", "1");
    window->AddFiles(MakeInputs(2));
    const auto send = [&](QEvent::Type type) {
        const QPointF at(Start()->width() / 2.0, Start()->height() / 2.0);
        QMouseEvent event(type, at, Start()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(Start(), &event);
    };
    const auto usable = [&](const char* caption) {
        return Start()->isEnabled() && Start()->text() == QString::fromUtf8(caption);
    };
    // Each double click as the window system gives it: press and release, then the second
    // press as a double click, here only once the first press has been handled and the button
    // is usable again. What it did is looked at 300 ms later.
    int step = 0;
    bool runningAfterFirst = false, runningAfterSecond = true;
    std::size_t runsAfterSecond = 0;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        if (step == 0 && usable("停止")) {
            step = 1;
            send(QEvent::MouseButtonDblClick);
            send(QEvent::MouseButtonRelease);
            QTimer::singleShot(300, [&] {
                runningAfterFirst = window->BatchRunning();
                send(QEvent::MouseButtonPress);
                send(QEvent::MouseButtonRelease);
                step = 2;
            });
        } else if (step == 2 && usable("旋转视频")) {
            step = 3;
            send(QEvent::MouseButtonDblClick);
            send(QEvent::MouseButtonRelease);
            QTimer::singleShot(300, [&] {
                runningAfterSecond = window->BatchRunning();
                runsAfterSecond = Runs();
                // A press of its own, however soon after the stop, is taken.
                Start()->click();
                step = 4;
            });
        } else if (step == 4 && Runs() == 2 && usable("停止")) {
            step = 5;
            Start()->click();
        }
    });
    script.start(10);
    // A batch started where none should be would run nested in the script for ever.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        step = -1;
        window->ShutdownRequested();
    });
    watchdog.start(15000);
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    ASSERT_TRUE(
        pivora::test::WaitUntil([&] { return step == 5 && !window->BatchRunning(); }, 20000))
        << "stuck at step " << step;
    EXPECT_TRUE(runningAfterFirst) << "a double click on 旋转视频 starts the batch only";
    EXPECT_FALSE(runningAfterSecond) << "a double click on 停止 stops it only";
    EXPECT_EQ(runsAfterSecond, 1u);
    EXPECT_EQ(window->Entries().Count(), 2u);
}

TEST_F(BatchInUse, ClosingWhileTheEndSoundPlaysAsksNothing)
{
    window->AddFiles(MakeInputs(1));
    pivora::test::ModalAnswerer answers;
    services.whilePlaying = [&] { window->close(); };
    Start()->click();
    EXPECT_TRUE(pivora::test::WaitUntil([&] { return !window->isVisible(); }, 5000));
    EXPECT_TRUE(answers.seen.empty()) << "every file was done: nothing to ask";
}
