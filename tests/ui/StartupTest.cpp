#include "WindowFixture.h"

#include "platform/ProcessList.h"
#include "ui/SingleInstance.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>

namespace stdfs = std::filesystem;

namespace {

using StartupTest = pivora::test::WindowTest;

} // namespace

TEST_F(StartupTest, ScaleToScreen)
{
    const QRect before = Find<QWidget>("Command3")->geometry();
    window->ScaleToScreen(96, 96);
    EXPECT_EQ(Find<QWidget>("Command3")->geometry(), before);
    EXPECT_EQ(window->centralWidget()->size(), QSize(566, 470));

    const int labelFont = Find<QLabel>("Label10")->font().pixelSize();
    const int pathFont = Find<QLineEdit>("txtPath")->font().pixelSize();
    ASSERT_EQ(labelFont, 12);
    ASSERT_EQ(pathFont, 12);
    // Where Qt leaves the density to the program, the window grows with it and stays readable.
    window->ScaleToScreen(120, 120);
    EXPECT_EQ(window->centralWidget()->size(), QSize(708, 588));
    EXPECT_EQ(Find<QWidget>("Command3")->geometry(), QRect(505, 488, 191, 69));
    EXPECT_EQ(Find<QWidget>("CmdToolsBar5")->geometry(), QRect(588, 0, 119, 83));
    EXPECT_EQ(Find<QLabel>("Label10")->font().pixelSize(), 15);    // 12 × 1.25
    EXPECT_EQ(Find<QLineEdit>("txtPath")->font().pixelSize(), 19); // 12 × 1.25²
}

TEST_F(StartupTest, TheStateColumnFollowsTheNumberUsedAndStaysInView)
{
    const bool several = pivora::settings::MaxParallelJobs() > 1;
    auto* list = Find<QTreeView>("LV");
    for (const char* written : {"2", "99", "abc", "0"}) {
        pivora::test::WriteFile(dir.File("config/pivora/pivora.conf"),
                                std::string("[Conversion]\nParallelJobs=") + written);
        Open();
        list = Find<QTreeView>("LV");
        window->AddFiles({"/videos/a clip with a rather long name that goes on and on.mp4"});
        const bool shown =
            several && std::string_view(written) != "abc" && std::string_view(written) != "0";
        EXPECT_EQ(!list->isColumnHidden(2), shown) << written;
        // Never behind the right edge, nor reached only by a scroll bar.
        for (const double dpi : {96.0, 120.0}) {
            window->ScaleToScreen(dpi, dpi);
            QApplication::processEvents();
            const QHeaderView* header = list->header();
            EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << written << " at " << dpi;
            if (shown) {
                EXPECT_LE(header->sectionViewportPosition(2) + header->sectionSize(2),
                          list->viewport()->width())
                    << written << " at " << dpi;
            }
        }
    }
}

TEST(SingleInstance, ALaterStartHandsOverItsFilesAndEnds)
{
    pivora::test::App();
    const QString key = QStringLiteral("pivora-test-%1").arg(::getpid());
    pivora::ui::SingleInstance first(key);
    ASSERT_TRUE(first.Acquire({}));
    std::vector<std::string> received;
    QObject::connect(&first, &pivora::ui::SingleInstance::filesReceived,
                     [&](const std::vector<std::string>& files) { received = files; });

    pivora::ui::SingleInstance silent(key);
    EXPECT_FALSE(silent.Acquire({}));

    const std::vector<std::string> files{"/videos/a.mp4", "/videos/b c.mov",
                                         std::string("/videos/\xff.avi")};
    pivora::ui::SingleInstance second(key);
    EXPECT_FALSE(second.Acquire(files));
    EXPECT_TRUE(pivora::test::WaitUntil([&] { return !received.empty(); }, 5000));
    EXPECT_EQ(received, files);
}
