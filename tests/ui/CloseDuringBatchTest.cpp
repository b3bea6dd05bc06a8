// Closing the window in the middle of a batch: the program must leave its loops at once,
// without spinning and without touching the window afterwards.
#include "ui/frmMain.h"

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "platform/ProcessList.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/resource.h>

TEST(CloseDuringBatch, EndsTheProgramCleanly)
{
    QApplication& app = pivora::test::App();
    QApplication::setQuitOnLastWindowClosed(true);
    pivora::test::TempDir dir;
    const std::string program =
        pivora::test::MakeProgramFolder(dir, pivora::test::FakeConverterPath());
    pivora::test::RecordingServices services;
    const pivora::ui::frmMainSetup setup =
        pivora::test::WindowSetup(dir.Path(), program, &services);

    // The converter keeps running for a long time after its output.
    pivora::test::ScopedEnv linger("FAKE_CONV_LINGER_MS", "20000");
    auto window = std::make_unique<pivora::ui::frmMain>(setup);
    pivora::test::WriteFile(dir.File("a.mp4"), "video");
    pivora::test::WriteFile(dir.File("b.mp4"), "video");
    window->AddFiles({dir.File("a.mp4"), dir.File("b.mp4")});
    window->show();

    bool closedDuringBatch = false;
    QTimer::singleShot(0, [&] { window->findChild<QPushButton*>("Command3")->click(); });
    QTimer::singleShot(600, [&] {
        closedDuringBatch = window->BatchRunning();
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

    EXPECT_TRUE(closedDuringBatch);
    EXPECT_LT(elapsed, 3000) << "the program did not leave its loops";
    EXPECT_FALSE(window->BatchRunning());
    // Nothing spun at full speed on the way out.
    const double cpu = static_cast<double>(after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                       (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6;
    EXPECT_LT(cpu, 0.5 * elapsed / 1000.0 + 0.2);
    // Neither entry was taken off the list: the first never finished.
    EXPECT_EQ(window->Entries().Count(), 2u);
    // The shut-down ran all the same.
    EXPECT_EQ(pivora::test::ReadFile(dir.File("config/pvsetting.ini")),
              dir.File("output") + "/\r\n");
    window.reset();
    pivora::platform::KillProcessByName("conv", program + "/data/conv");
}
