#include "ui/frmMain.h"

#include "WindowFixture.h"
#include "platform/ProcessList.h"
#include "ui/StartOptions.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using pivora::test::App;
using pivora::test::ModalAnswerer;
using pivora::test::WaitUntil;
using pivora::ui::frmMain;

namespace {

using frmMainTest = pivora::test::WindowTest;

} // namespace

TEST_F(frmMainTest, LayoutOfTheMainWindow)
{
    EXPECT_EQ(window->windowTitle(), "Pivora");
    EXPECT_EQ(window->centralWidget()->size(), QSize(566, 470));

    struct Control
    {
        const char* name;
        QRect place; // width or height -1: not fixed by the design
        const char* text;
    };
    const Control controls[] = {
        {"CmdToolsBar0", {0, 0, 95, 66}, "添加文件"},
        {"CmdToolsBar1", {94, 0, 95, 66}, "添加文件夹"},
        {"CmdToolsBar2", {188, 0, 95, 66}, "移除"},
        {"CmdToolsBar4", {282, 0, 95, 66}, "设置"},
        {"CmdToolsBar3", {376, 0, 95, 66}, "帮助"},
        {"CmdToolsBar5", {470, 0, 95, 66}, "退出"},
        {"Label10", {8, 70, -1, 14}, "文件列表:"},
        {"LV", {4, 88, 555, 204}, nullptr},
        {"picText", {184, 190, 163, 21}, nullptr},
        {"picDoor", {2, 68, 563, 378}, nullptr},
        {"Label1", {10, 298, -1, 14}, "输出格式:"},
        {"cmbOF1", {8, 317, 197, -1}, nullptr},
        {"Label9", {218, 298, -1, 14}, "旋转:"},
        {"cmbRotate", {216, 317, 171, -1}, nullptr},
        {"Label11", {398, 298, -1, 14}, "视频质量 (比特率 - K):"},
        {"cmbBitrate", {398, 317, 157, -1}, nullptr},
        {"Label8", {10, 346, -1, 14}, "输出路径:"},
        {"txtPath", {8, 363, 495, 21}, nullptr},
        {"cmdBrowse", {508, 364, 47, 20}, "..."},
        {"Command3", {404, 390, 153, 55}, "旋转视频"},
        {"lblPB", {184, 396, -1, 14}, "0%"},
        {"pb", {6, 422, 391, 21}, nullptr},
    };
    for (const Control& control : controls) {
        QWidget* widget = Find<QWidget>(control.name);
        ASSERT_NE(widget, nullptr);
        const QRect at = widget->geometry();
        EXPECT_EQ(at.topLeft(), control.place.topLeft()) << control.name;
        if (control.place.width() > 0) {
            EXPECT_EQ(at.width(), control.place.width()) << control.name;
        }
        if (control.place.height() > 0) {
            EXPECT_EQ(at.height(), control.place.height()) << control.name;
        }
        // Every caption fits its control.
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), QString::fromUtf8(control.text));
            EXPECT_GE(at.width(), label->sizeHint().width()) << control.name;
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(control.text));
        }
        EXPECT_TRUE(window->centralWidget()->rect().contains(at)) << control.name;
    }
    EXPECT_EQ(Find<QLabel>("lblFeed")->toolTip(), "向我们发送您的建议或问题");
    EXPECT_EQ(Find<QLineEdit>("txtPath")->toolTip(), "选择要输出的文件夹");
    EXPECT_EQ(Find<QPushButton>("cmdBrowse")->toolTip(), "选择输出文件夹");
    // The hidden helpers lie outside the client area.
    EXPECT_FALSE(window->centralWidget()->rect().intersects(Find<QWidget>("picDrag")->geometry()));
    EXPECT_FALSE(window->centralWidget()->rect().intersects(Find<QWidget>("imgPB")->geometry()));
    EXPECT_EQ(Find<QLabel>("lblText")->text(), "将视频文件拖到此处");
    auto* list = Find<QTreeView>("LV");
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "文件名");
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "格式");
}

TEST_F(frmMainTest, PanelDefaultsAndFormatPresets)
{
    auto* format = Find<QComboBox>("cmbOF1");
    auto* bitrate = Find<QComboBox>("cmbBitrate");
    auto* rotate = Find<QComboBox>("cmbRotate");
    EXPECT_EQ(format->count(), 7);
    EXPECT_EQ(format->currentText(), "MP4(High Quality MPEG4 Video)");
    EXPECT_EQ(bitrate->count(), 9);
    EXPECT_EQ(bitrate->currentText(), "5000");
    EXPECT_EQ(rotate->count(), 6);
    EXPECT_EQ(rotate->currentText(), "90 Degree Clockwise");
    EXPECT_EQ(Find<QComboBox>("cmbOF")->currentIndex(), 4);
    EXPECT_EQ(Find<QLineEdit>("txtPath")->text().toStdString(), dir.File("output"));

    const std::pair<int, const char*> presets[] = {
        {4, "1000"}, {5, "3000"}, {6, "1500"}, {1, "5000"}};
    for (const auto& [index, expected] : presets) {
        format->setCurrentIndex(index);
        EXPECT_EQ(bitrate->currentText(), expected) << index;
    }
    // A typed bitrate stays until another format is chosen.
    bitrate->setEditText(QStringLiteral("2500"));
    EXPECT_EQ(bitrate->currentText(), "2500");
    format->setCurrentIndex(2);
    EXPECT_EQ(bitrate->currentText(), "5000");
}

TEST_F(frmMainTest, ABatchOfThreeThroughTheStandInConverter)
{
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    pivora::test::ScopedEnv slow("FAKE_CONV_STEP_MS", "40");
    const std::vector<std::string> inputs = MakeInputs(3);
    window->AddFiles(inputs);
    EXPECT_EQ(window->Entries().Count(), 3u);
    EXPECT_FALSE(Find<QWidget>("picDoor")->isVisible());
    EXPECT_FALSE(Find<QWidget>("picText")->isVisible());

    auto* bar = Find<QProgressBar>("pb");
    std::vector<int> values;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { values.push_back(value); });
    bool lockedDuringRun = false;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        lockedDuringRun = lockedDuringRun || !Find<QWidget>("LV")->isEnabled();
    });

    // Disabled while the press is handled, usable as soon as the batch runs: it stops it.
    bool stopUsable = false;
    QObject::connect(bar, &QProgressBar::valueChanged,
                     [&] { stopUsable = stopUsable || Find<QWidget>("Command3")->isEnabled(); });
    Find<QPushButton>("Command3")->click();
    EXPECT_EQ(Find<QPushButton>("Command3")->text(), "停止");
    EXPECT_FALSE(Find<QWidget>("Command3")->isEnabled());
    EXPECT_FALSE(Find<QWidget>("CmdToolsBar0")->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return Find<QLabel>("lblPB")->text() == "完成."; }, 20000));

    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_TRUE(stopUsable);
    const std::string out = dir.File("output") + "/";
    EXPECT_EQ(Find<QLineEdit>("txtPath")->text().toStdString(), out);
    const std::vector<std::string> converted = pivora::test::ReadLines(dir.File("conv.log"));
    ASSERT_EQ(converted.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(converted[i].starts_with(out + "clip" + std::to_string(i) + "_Rotated"));
    EXPECT_EQ(services.openedFolders, std::vector<std::string>{out});
    EXPECT_EQ(services.playedSounds, std::vector<std::string>{program + "/sound.wav"});
    // The display followed the converter: part-way figures, then the full bar, then reset.
    EXPECT_TRUE(std::any_of(values.begin(), values.end(), [](int v) { return v > 0 && v < 100; }));
    EXPECT_NE(std::find(values.begin(), values.end(), 100), values.end());
    EXPECT_EQ(bar->value(), 0);
    for (const char* name : {"cmbOF1", "cmbBitrate", "cmdBrowse", "txtPath", "cmbRotate", "LV",
                             "Command3", "CmdToolsBar0", "CmdToolsBar5", "lblFeed"})
        EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
    EXPECT_EQ(Find<QPushButton>("Command3")->text(), "旋转视频");
}

TEST_F(frmMainTest, AnEmptyOrBlankOutputBoxMeansTheDefaultFolder)
{
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    const std::string out = dir.File("output") + "/";
    for (const char* text : {"", " \t "}) {
        window->AddFiles(MakeInputs(1));
        Find<QLineEdit>("txtPath")->setText(QString::fromLatin1(text));
        const std::size_t opened = services.openedFolders.size();
        Find<QPushButton>("Command3")->click();
        ASSERT_TRUE(WaitUntil([&] { return services.openedFolders.size() > opened; }, 20000));
        EXPECT_EQ(Find<QLineEdit>("txtPath")->text().toStdString(), out) << '"' << text << '"';
        EXPECT_TRUE(pivora::test::ReadLines(dir.File("conv.log")).back().starts_with(out));
        EXPECT_EQ(services.openedFolders.back(), out);
    }
}

TEST_F(frmMainTest, TheStartButtonStopsARunningBatch)
{
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    std::optional<pivora::test::ScopedEnv> hang;
    hang.emplace("FAKE_CONV_HANG", "1");
    pivora::test::ScopedEnv slow("FAKE_CONV_STEP_MS", "50");
    pivora::test::ScopedEnv failing("FAKE_CONV_FAIL_ON", "clip0");
    const std::vector<std::string> inputs = MakeInputs(3);
    window->AddFiles(inputs);
    ModalAnswerer answers;
    auto* start = Find<QPushButton>("Command3");
    // The first file fails; the second is part-way when the user presses "停止". The batch
    // runs inside the event loop, so the press comes from a timer, as a click would.
    std::string partial;
    bool partialWritten = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        const std::vector<std::string> started = pivora::test::ReadLines(dir.File("conv.log"));
        if (!partial.empty() || started.size() < 2 || Find<QProgressBar>("pb")->value() == 0)
            return;
        partial = started[1];
        partialWritten = std::filesystem::exists(partial);
        EXPECT_EQ(start->text(), "停止");
        start->click();
    });
    user.start(20);
    start->click();
    ASSERT_TRUE(WaitUntil([&] { return !partial.empty() && start->text() == "旋转视频"; }, 10000));
    user.stop();
    EXPECT_TRUE(partialWritten);

    const std::string converter = program + "/data/conv";
    EXPECT_FALSE(pivora::platform::IsProcessRunning("conv", converter));
    EXPECT_FALSE(std::filesystem::exists(partial)) << "the partial output was left";
    EXPECT_EQ(window->Entries().Paths(),
              std::vector<std::string>(inputs.begin() + 1, inputs.end()));
    EXPECT_EQ(Find<QLabel>("lblPB")->text(), "已停止.");
    EXPECT_EQ(Find<QProgressBar>("pb")->value(), 0);
    EXPECT_TRUE(start->isEnabled());
    EXPECT_TRUE(Find<QWidget>("cmbRotate")->isEnabled());
    EXPECT_TRUE(services.openedFolders.empty());
    EXPECT_TRUE(services.playedSounds.empty());
    // The failure before the stop is still reported.
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_NE(answers.seen[0].text.toStdString().find(inputs[0]), std::string::npos);

    // Pressed again (not within half a second of the stop, which is a double press), it
    // converts the rest from the head of the list.
    hang.reset();
    WaitUntil([] { return false; }, 550);
    start->click();
    ASSERT_TRUE(WaitUntil([&] { return Find<QLabel>("lblPB")->text() == "完成."; }, 20000));
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_EQ(pivora::test::ReadLines(dir.File("conv.log")).size(), 4u);
}

TEST_F(frmMainTest, FilesFromTheCommandLineAndTheWelcomePicture)
{
    auto* door = Find<QWidget>("picDoor");
    EXPECT_TRUE(door->isVisible());
    window->picDoor_Click();
    EXPECT_FALSE(door->isVisible());

    // A relative name is taken from the folder the program was started in.
    const std::filesystem::path startedIn = std::filesystem::current_path();
    const std::string clip = dir.File("clip.mpeg");
    pivora::test::WriteFile(dir.File("relative name.mov"), "video");
    pivora::test::WriteFile(clip, "video");
    std::filesystem::current_path(dir.Path());
    window->AddFiles({"relative name.mov", clip});
    std::filesystem::current_path(startedIn);
    ASSERT_EQ(window->Entries().Count(), 2u);
    EXPECT_EQ(window->Entries().At(0).Path, dir.File("relative name.mov"));
    EXPECT_EQ(window->Entries().At(0).DisplayText, dir.File("relative name.mov"));
    EXPECT_EQ(window->Entries().At(0).TypeText, "MOV");
    EXPECT_EQ(window->Entries().At(1).TypeText, "PEG");
    auto* list = Find<QTreeView>("LV");
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(1, 1).data().toString(), "PEG");

    // Remove the selected row, then everything.
    list->setCurrentIndex(list->model()->index(0, 0));
    window->imgRemove_Click();
    EXPECT_EQ(window->Entries().Paths(), std::vector<std::string>{clip});
    window->menuRA_Click();
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_TRUE(Find<QWidget>("picText")->isVisible());

    // A named pipe, a name that is no file and an option the window does not know are named
    // in one message, over the window already shown, and left out; a folder is searched in
    // its place; the file beside them joins.
    const std::string pipe = dir.File("pipe.mp4");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    pivora::test::WriteFile(dir.File("folder/sub/found.mp4"), "video");
    window->hide();
    {
        ModalAnswerer answers;
        std::vector<bool> windowShownUnderMessage;
        pivora::test::WhenShown<QMessageBox> watch(
            [&](QMessageBox*) { windowShownUnderMessage.push_back(window->isVisible()); });
        pivora::ui::OpenWithFiles(
            *window, {pipe, dir.File("missing.mp4"), clip, "--verbose", dir.File("folder"), pipe});
        EXPECT_EQ(window->Entries().Paths(),
                  (std::vector<std::string>{clip, dir.File("folder/sub/found.mp4")}));
        ASSERT_EQ(answers.seen.size(), 1u);
        const QString& text = answers.seen[0].text;
        EXPECT_EQ(text.count(QString::fromStdString(pipe)), 2);
        EXPECT_TRUE(text.contains(QString::fromStdString(dir.File("missing.mp4"))));
        EXPECT_TRUE(text.contains(QStringLiteral("--verbose")));
        EXPECT_EQ(windowShownUnderMessage, std::vector<bool>{true});
    }

    // A signal while the message is up ends the start: the window is closed, the box gone.
    window->hide();
    pivora::test::WhenShown<QMessageBox> shutDown(
        [&](QMessageBox*) { QTimer::singleShot(0, window.get(), &frmMain::ShutdownRequested); });
    EXPECT_FALSE(pivora::ui::OpenWithFiles(*window, {dir.File("missing.mp4")}));
}
