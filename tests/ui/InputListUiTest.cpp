#include "WindowFixture.h"

#include "platform/CodePage.h"

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <filesystem>
#include <sys/stat.h>

using pivora::test::ModalAnswerer;
using pivora::test::WaitUntil;
namespace stdfs = std::filesystem;

namespace {

// Every text the hint label showed on screen.
class PaintedTexts : public QObject
{
public:
    explicit PaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    std::vector<QString> texts;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (texts.empty() || texts.back() != m_label->text()))
            texts.push_back(m_label->text());
        return false;
    }

private:
    QLabel* m_label;
};

class InputUiTest : public pivora::test::WindowTest
{
protected:
    QString Local(const std::string& path) { return QString::fromStdString(path); }

    void Drop(QWidget* target, const std::vector<std::string>& files)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& file : files)
            urls << QUrl::fromLocalFile(Local(file));
        data.setUrls(urls);
        Drop(target, data);
    }

    // A drag enters the target, then drops there: Qt hands a drop to the widget the drag
    // last entered.
    void Drop(QWidget* target, const QMimeData& data)
    {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        EXPECT_EQ(event.dropAction(), Qt::CopyAction);
    }

    void Click(QWidget* target)
    {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                            target->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }

    // The view shows exactly the list's entries, in order.
    void ExpectPaired()
    {
        QAbstractItemModel* model = Find<QTreeView>("LV")->model();
        ASSERT_EQ(static_cast<std::size_t>(model->rowCount()), window->Entries().Count());
        for (int row = 0; row < model->rowCount(); ++row) {
            const auto& entry = window->Entries().At(static_cast<std::size_t>(row));
            EXPECT_EQ(model->index(row, 0).data().toString().toStdString(), entry.DisplayText);
            EXPECT_EQ(model->index(row, 1).data().toString().toStdString(), entry.TypeText);
        }
    }
};

} // namespace

TEST_F(InputUiTest, AddFileThroughTheOpenDialog)
{
    const std::string plain = dir.File("my clip.mp4");
    const std::string chinese = dir.File("视频.mov");
    pivora::test::WriteFile(plain, "video");
    pivora::test::WriteFile(chinese, "video");
    PaintedTexts painted(Find<QLabel>("lblText"));

    ModalAnswerer answers;
    QString title;
    QStringList filters;
    std::string choose = plain;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        pivora::test::Choose(dialog, Local(choose));
    };
    window->imgAdd_Click();
    EXPECT_EQ(title, "打开文件");
    EXPECT_EQ(filters, QStringList{"所有格式(*.*) (*)"});
    ASSERT_EQ(window->Entries().Count(), 1u);
    EXPECT_EQ(window->Entries().At(0).Path, plain);
    EXPECT_EQ(window->Entries().At(0).TypeText, "MP4");
    EXPECT_FALSE(Find<QWidget>("picText")->isVisible());
    EXPECT_TRUE(!stdfs::exists(dir.File("cache/pivora/tmp")) ||
                stdfs::is_empty(dir.File("cache/pivora/tmp")));

    {
        // A name the code page cannot hold is handed on as a copy under a safe name.
        pivora::test::ScopedCodePage latin1("ISO-8859-1");
        choose = chinese;
        window->imgAdd_Click();
    }
    ASSERT_EQ(window->Entries().Count(), 2u);
    const auto& copied = window->Entries().At(1);
    EXPECT_TRUE(copied.Path.starts_with(dir.File("cache/pivora/tmp") + "/")) << copied.Path;
    EXPECT_TRUE(stdfs::exists(copied.Path));
    EXPECT_EQ(copied.DisplayText, dir.File("  .mov"));
    EXPECT_NE(std::find(painted.texts.begin(), painted.texts.end(), "正在准备文件..."),
              painted.texts.end());
    EXPECT_EQ(Find<QLabel>("lblText")->text(), "将视频文件拖到此处");

    // Cancelling adds nothing.
    answers.onFileDialog = nullptr;
    window->imgAdd_Click();
    EXPECT_EQ(window->Entries().Count(), 2u);
    ExpectPaired();
}

TEST_F(InputUiTest, AddFolderSearchesTheWholeTree)
{
    const std::string root = dir.File("videos");
    stdfs::create_directories(root + "/b/c");
    stdfs::create_directories(dir.File("empty"));
    for (const char* file : {"/z.mp4", "/a.avi", "/b/x.mov", "/b/c/y.mpg"})
        pivora::test::WriteFile(root + file, "video");
    // A named pipe is no video, and would hold the converter for ever.
    ASSERT_EQ(::mkfifo((root + "/b/pipe.mp4").c_str(), 0600), 0);
    PaintedTexts painted(Find<QLabel>("lblText"));

    ModalAnswerer answers;
    std::string folder = root;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "选择一个文件夹");
        pivora::test::Choose(dialog, Local(folder));
    };
    window->imgToolbar_Click(6);
    EXPECT_EQ(window->Entries().Paths(),
              (std::vector<std::string>{root + "/a.avi", root + "/z.mp4", root + "/b/x.mov",
                                        root + "/b/c/y.mpg"}));
    EXPECT_EQ(window->Entries().At(0).DisplayText, root + "/a.avi");
    EXPECT_EQ(window->Entries().At(3).TypeText, "MPG");
    EXPECT_NE(std::find(painted.texts.begin(), painted.texts.end(), "正在搜索..."),
              painted.texts.end());
    EXPECT_FALSE(Find<QWidget>("picText")->isVisible());
    ExpectPaired();

    // An empty folder on an empty list: the hint comes back with its own text.
    window->menuRA_Click();
    folder = dir.File("empty");
    window->AddFolder();
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_TRUE(Find<QWidget>("picText")->isVisible());
    EXPECT_EQ(Find<QLabel>("lblText")->text(), "将视频文件拖到此处");
}

TEST_F(InputUiTest, OneAddAtATimeAndTheHintNeverOverEntries)
{
    for (const char* file : {"first/a.mp4", "first/sub/b.mp4", "second/c.mp4"})
        pivora::test::WriteFile(dir.File(file), "video");

    // "添加文件夹" pressed again while the first one is at work is refused, not interleaved.
    ModalAnswerer answers;
    int dialogs = 0;
    bool lockedMeanwhile = false;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        if (++dialogs == 1)
            QTimer::singleShot(0, [&] {
                // Drops are refused meanwhile, visibly, rather than taken and then dropped.
                QMimeData files;
                files.setUrls({QUrl::fromLocalFile(Local(dir.File("second/c.mp4")))});
                QDragEnterEvent drag(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton,
                                     Qt::NoModifier);
                QApplication::sendEvent(Find<QTreeView>("LV")->viewport(), &drag);
                lockedMeanwhile = !Find<QAction>("menuFolder")->isEnabled() &&
                                  !Find<QWidget>("CmdToolsBar1")->isEnabled() &&
                                  !drag.isAccepted() && !Find<QWidget>("picDoor")->acceptDrops() &&
                                  !Find<QWidget>("picDrag")->acceptDrops();
                window->AddFolder();
            });
        pivora::test::Choose(dialog, Local(dir.File(dialogs == 1 ? "first" : "second")));
    };
    window->AddFolder();
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_EQ(window->Entries().Paths(),
              (std::vector<std::string>{dir.File("first/a.mp4"), dir.File("first/sub/b.mp4")}));
    EXPECT_TRUE(Find<QAction>("menuFolder")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("picDoor")->acceptDrops());

    // A folder dropped on the welcome picture fills the list; the hint does not stay over it.
    window->menuRA_Click();
    Drop(Find<QWidget>("picDoor"), {dir.File("second")});
    EXPECT_EQ(window->Entries().Paths(), std::vector<std::string>{dir.File("second/c.mp4")});
    EXPECT_FALSE(Find<QWidget>("picText")->isVisible());

    // Closing the window during a search ends the search at once.
    answers.onFileDialog = [&](QFileDialog* dialog) {
        QTimer::singleShot(0, [&] { window->close(); });
        pivora::test::Choose(dialog, Local(dir.File("first")));
    };
    window->AddFolder();
    EXPECT_FALSE(window->isVisible());
    EXPECT_LT(window->Entries().Count(), 3u) << "the search went on after the window closed";
}

TEST_F(InputUiTest, ChoosingTheOutputFolder)
{
    auto* path = Find<QLineEdit>("txtPath");
    const std::string chosen = dir.File("out folder");
    stdfs::create_directories(chosen);
    ModalAnswerer answers;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        pivora::test::Choose(dialog, Local(chosen));
    };
    window->cmdBrowse_Click();
    EXPECT_EQ(path->text().toStdString(), chosen);
    EXPECT_TRUE(answers.seen.empty());

    // A folder the code page cannot name.
    const std::string unnamed = dir.File("输出");
    stdfs::create_directories(unnamed);
    {
        pivora::test::ScopedCodePage latin1("ISO-8859-1");
        answers.onFileDialog = [&](QFileDialog* dialog) {
            pivora::test::Choose(dialog, Local(unnamed));
        };
        window->imgBrowse_Click();
    }
    EXPECT_EQ(path->text().toStdString(), dir.File("output"));
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].title, "路径");
    EXPECT_EQ(answers.seen[0].text.toStdString(),
              "路径包含未知字符.\r\n更改为默认路径 " + dir.File("output") + ".");
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::NoIcon);

    // A click into the box opens the dialog too.
    answers.onFileDialog = nullptr;
    const int before = answers.fileDialogs;
    Click(path);
    ASSERT_TRUE(WaitUntil([&] { return answers.fileDialogs > before; }, 3000));
}

TEST_F(InputUiTest, DropsOnTheFourTargets)
{
    const std::vector<std::string> files = MakeInputs(3);
    const std::string chinese = dir.File("视频.avi");
    pivora::test::WriteFile(chinese, "video");

    // Something that is not a file list: the welcome picture still goes.
    QMimeData text;
    text.setText(QStringLiteral("just text"));
    Drop(Find<QWidget>("picDoor"), text);
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_FALSE(Find<QWidget>("picDoor")->isVisible());
    EXPECT_FALSE(Find<QWidget>("picText")->isVisible());

    // Dragging over the list shows the overlay; a drop on it adds the files in order.
    auto* viewport = Find<QTreeView>("LV")->viewport();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Local(files[0]))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    auto* overlay = Find<QWidget>("picDrop");
    EXPECT_TRUE(overlay->isVisible());
    Drop(overlay, files);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(window->Entries().Paths(), files);
    EXPECT_FALSE(Find<QWidget>("picText")->isVisible());

    // Left shown by a drag that went away, the overlay hides on a click.
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(overlay->isVisible());
    Click(overlay);
    EXPECT_FALSE(overlay->isVisible());

    window->menuRA_Click();
    {
        pivora::test::ScopedCodePage latin1("ISO-8859-1");
        // Full treatment: a copy under a safe name; the type column from the real name.
        Drop(overlay, {chinese});
        // Simple treatment on the list and on the side target: the name as it comes.
        Drop(viewport, {chinese});
        Drop(Find<QWidget>("picDrag"), {files[1]});
    }
    ASSERT_EQ(window->Entries().Count(), 3u);
    EXPECT_TRUE(window->Entries().At(0).Path.starts_with(dir.File("cache/pivora/tmp") + "/"));
    EXPECT_EQ(window->Entries().At(0).DisplayText, dir.File("  .avi"));
    EXPECT_EQ(window->Entries().At(0).TypeText, "AVI");
    EXPECT_EQ(window->Entries().At(1).Path, dir.File("??.avi"));
    EXPECT_EQ(window->Entries().At(1).DisplayText, chinese);
    EXPECT_EQ(window->Entries().At(1).TypeText, "AVI");
    EXPECT_EQ(window->Entries().At(2).Path, files[1]);
    EXPECT_EQ(std::distance(stdfs::directory_iterator(dir.File("cache/pivora/tmp")), {}), 1)
        << "only the full drop made a copy";
    ExpectPaired();
}

TEST_F(InputUiTest, TheSideTargetOpensTheNarrowDialog)
{
    const std::string file = dir.File("side.mkv");
    pivora::test::WriteFile(file, "video");
    ModalAnswerer answers;
    QString folder;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        folder = dialog->directory().absolutePath();
        EXPECT_EQ(dialog->windowTitle(), "打开文件");
        pivora::test::Choose(dialog, Local(file));
    };
    window->picDrag_Click();
    EXPECT_EQ(folder.toStdString(), program) << "opens in the program's folder";
    ASSERT_EQ(window->Entries().Count(), 1u);
    EXPECT_EQ(window->Entries().At(0).Path, file);
    EXPECT_EQ(window->Entries().At(0).TypeText, "MKV");
}

TEST_F(InputUiTest, RemovingWhileABatchRuns)
{
    pivora::test::ScopedEnv log("FAKE_CONV_LOG", dir.File("conv.log"));
    pivora::test::ScopedEnv slow("FAKE_CONV_STEP_MS", "40");
    const std::vector<std::string> inputs = MakeInputs(4);
    window->AddFiles(inputs);
    auto* view = Find<QTreeView>("LV");
    QAbstractItemModel* model = view->model();
    int mismatches = 0;
    const auto check = [&] {
        mismatches += static_cast<std::size_t>(model->rowCount()) != window->Entries().Count();
    };
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, check);
    QObject::connect(model, &QAbstractItemModel::modelReset, check);

    // While the first file converts, the user removes it (the selected head) by the menu.
    bool removed = false;
    QObject::connect(Find<QProgressBar>("pb"), &QProgressBar::valueChanged, [&](int value) {
        if (removed || value == 0)
            return;
        removed = true;
        view->setCurrentIndex(model->index(0, 0));
        window->findChild<QAction*>(QStringLiteral("menuRS"))->trigger();
    });
    window->Command3_Click();
    ASSERT_TRUE(WaitUntil([&] { return Find<QLabel>("lblPB")->text() == "完成."; }, 20000));
    EXPECT_TRUE(removed);
    const std::vector<std::string> converted = pivora::test::ReadLines(dir.File("conv.log"));
    ASSERT_EQ(converted.size(), 4u) << "every other entry was still converted";
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NE(converted[i].find("clip" + std::to_string(i) + "_Rotated"), std::string::npos);
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_EQ(mismatches, 0);

    // Remove all in the middle of a batch ends it after the running file.
    window->AddFiles(inputs);
    removed = false;
    QObject::disconnect(Find<QProgressBar>("pb"), nullptr, nullptr, nullptr);
    QObject::connect(Find<QProgressBar>("pb"), &QProgressBar::valueChanged, [&](int value) {
        if (!removed && value > 0) {
            removed = true;
            window->findChild<QAction*>(QStringLiteral("menuRA"))->trigger();
        }
    });
    window->Command3_Click();
    ASSERT_TRUE(WaitUntil([&] { return !window->BatchRunning() && removed; }, 20000));
    EXPECT_EQ(pivora::test::ReadLines(dir.File("conv.log")).size(), 5u);
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_EQ(mismatches, 0);
}
