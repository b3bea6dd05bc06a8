#include "WindowFixture.h"

#include "platform/ProcessList.h"
#include "ui/SingleInstance.h"
#include "ui/StartOptions.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <tuple>

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
        const std::string clip = dir.File("a clip with a rather long name that goes on and on.mp4");
        pivora::test::WriteFile(clip, "video");
        window->AddFiles({clip});
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

TEST_F(StartupTest, TheWindowFitsItsScreen)
{
    QApplication::processEvents(); // fitted again once shown, with its frame known
    const QRect area = window->screen()->availableGeometry();
    if (qEnvironmentVariableIsSet("PIVORA_TEST_SMALL_SCREEN")) {
        ASSERT_EQ(area.size(), QSize(683, 384)) << "1366 × 768 at 200 %";
        EXPECT_LT(window->ScreenFitFactor(), 0.8);
    } else {
        EXPECT_EQ(window->ScreenFitFactor(), 1.0) << "a window that fits keeps its size";
    }
    EXPECT_TRUE(area.contains(window->frameGeometry()));
    // Every control within the window, its text within the control.
    const QRect client(QPoint(), window->centralWidget()->size());
    for (const char* name : {"CmdToolsBar5", "LV", "cmbBitrate", "txtPath", "cmdBrowse", "Command3",
                             "pb", "lblFeed", "Label11"}) {
        auto* control = Find<QWidget>(name);
        EXPECT_TRUE(client.contains(control->geometry())) << name;
    }
    auto* start = Find<QPushButton>("Command3");
    EXPECT_LT(QFontMetrics(start->font()).horizontalAdvance(start->text()), start->width());
    auto* label = Find<QLabel>("Label11");
    EXPECT_LE(label->sizeHint().width(), label->width() + 1);
    for (auto* box : window->findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, box);
        // Drawn a pixel in from each side of the field.
        for (int i = 0; i < box->count(); ++i)
            EXPECT_LE(QFontMetrics(box->font()).horizontalAdvance(box->itemText(i)),
                      field.width() - 2)
                << box->itemText(i).toStdString();
    }

    // So does the dialog that adds files.
    pivora::test::ModalAnswerer answers;
    QRect dialogPlace;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        dialogPlace = dialog->frameGeometry();
        dialog->reject();
    };
    window->imgAdd_Click();
    EXPECT_TRUE(area.contains(dialogPlace));
}

TEST(StartOptions, HelpAndVersionWithoutADisplayAndOtherOptionsRefused)
{
    // After "--" every name is a file, whatever it looks like.
    const auto parsed = pivora::ui::ParseStartOptions({"a.mp4", "-", "--", "--help", "-V"});
    EXPECT_FALSE(parsed.Help || parsed.Version);
    EXPECT_EQ(parsed.Files, (std::vector<std::string>{"a.mp4", "-", "--help", "-V"}));

    // The program itself, as a desktop program is asked from a terminal: no display needed.
    pivora::test::App();
    const auto run = [](const QStringList& arguments, const QString& output = {}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        program.setProcessEnvironment(environment);
        if (!output.isEmpty())
            program.setStandardOutputFile(output);
        program.start(QStringLiteral(PIVORA_PROGRAM), arguments);
        EXPECT_TRUE(program.waitForFinished(20000)) << arguments.join(' ').toStdString();
        return std::make_tuple(program.exitCode(),
                               QString::fromUtf8(program.readAllStandardOutput()),
                               QString::fromUtf8(program.readAllStandardError()));
    };
    auto [status, out, err] = run({QStringLiteral("a.mp4"), QStringLiteral("-h")});
    EXPECT_EQ(status, 0) << err.toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("Usage: pivora"))) << out.toStdString();
    std::tie(status, out, err) = run({QStringLiteral("--version")});
    EXPECT_EQ(out, QStringLiteral("pivora " PIVORA_VERSION "\n"));
    std::tie(status, out, err) = run({QStringLiteral("--help")}, QStringLiteral("/dev/full"));
    EXPECT_EQ(status, 1) << "help that could not be printed";
    // An option it does not know ends it before any window, with a word on standard error.
    std::tie(status, out, err) = run(
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--verbose")});
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(err.endsWith(QStringLiteral("pivora: unknown option '--verbose'\n"
                                            "Try 'pivora --help' for more information.\n")))
        << err.toStdString();
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
