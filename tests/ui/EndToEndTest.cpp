// Files with awkward names, added every way the window offers, converted by the real ffmpeg.
#include "WindowFixture.h"

#include "platform/CodePage.h"
#include "ui/frmPreview.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QTreeView>
#include <QUrl>

#include <filesystem>
#include <set>
#include <tuple>
#include <unistd.h>

namespace stdfs = std::filesystem;
using pivora::test::ModalAnswerer;

namespace {

class EndToEnd : public pivora::test::WindowTest
{
protected:
    EndToEnd() : WindowTest(pivora::test::FfmpegPath()) {}

    void SetUp() override
    {
        if (pivora::test::FfmpegPath().empty())
            GTEST_SKIP() << "no ffmpeg on this machine";
        clip = dir.File("clip.mp4");
        ASSERT_TRUE(pivora::test::MakeTestClip(clip));
    }

    std::string Copy(const std::string& name)
    {
        const std::string path = dir.File(name);
        stdfs::create_directories(stdfs::path(path).parent_path());
        stdfs::copy_file(clip, path);
        return path;
    }

    void AddByDialog(const std::string& path)
    {
        ModalAnswerer answers;
        answers.onFileDialog = [&](QFileDialog* dialog) {
            pivora::test::Choose(dialog, QString::fromStdString(path));
        };
        window->imgAdd_Click();
    }

    void DropOnWelcome(const std::vector<std::string>& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        data.setUrls(urls);
        QWidget* target = Find<QWidget>("picDoor");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    std::string clip;
};

} // namespace

TEST_F(EndToEnd, AwkwardNamesFromEveryWayInAreConverted)
{
    EXPECT_TRUE(Find<QTreeView>("LV")->isColumnHidden(2)) << "one at a time shows no state";
    AddByDialog(Copy("with blank.mp4"));
    AddByDialog(Copy("it's $(touch pwned3).mp4"));
    DropOnWelcome({Copy("quote\"d 'single'.mp4"), Copy("$(touch pwned).mp4"),
                   Copy("`touch pwned2`.mp4"), Copy("视频 片段.mp4")});
    const std::string folder = dir.File("found $HOME");
    Copy("found $HOME/-dash.mp4");
    Copy("found $HOME/new\nline.mp4");
    Copy("found $HOME/back\\slash;&|.mp4");
    {
        ModalAnswerer answers;
        answers.onFileDialog = [&](QFileDialog* dialog) {
            pivora::test::Choose(dialog, QString::fromStdString(folder));
        };
        window->AddFolder();
    }
    // A name the code page cannot hold goes through a copy; one that vanished cannot be
    // copied, and the report names it as the list showed it.
    const std::string missing = dir.File("消失.mp4");
    {
        pivora::platform::SetCodePage("ISO-8859-1");
        AddByDialog(Copy("片段二.mp4"));
        DropOnWelcome({missing});
        pivora::platform::SetCodePage({});
    }
    ASSERT_EQ(window->Entries().Count(), 11u);
    const std::string missingShown = window->Entries().At(10).DisplayText;
    EXPECT_EQ(missingShown, dir.File("  .mp4"));

    ModalAnswerer answers;
    window->Command3_Click();
    ASSERT_TRUE(pivora::test::WaitUntil(
        [&] { return Find<QLabel>("lblPB")->text() == "完成." && !answers.seen.empty(); }, 120000));

    // One failure, named as the list showed it.
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::Warning);
    const std::string report = answers.seen[0].text.toStdString();
    EXPECT_NE(report.find(missingShown), std::string::npos) << report;
    EXPECT_EQ(report.find(dir.File("cache/pivora/tmp")), std::string::npos) << report;

    std::vector<std::string> outputs;
    for (const auto& entry : stdfs::directory_iterator(dir.File("output")))
        outputs.push_back(entry.path().filename().string());
    std::sort(outputs.begin(), outputs.end());
    ASSERT_EQ(outputs.size(), 10u);
    const char* bases[] = {"$(touch pwned)_Rotated",
                           "-dash_Rotated",
                           "`touch pwned2`_Rotated",
                           "back\\slash;&|_Rotated",
                           "it's $(touch pwned3)_Rotated",
                           "new\nline_Rotated",
                           "quote\"d 'single'_Rotated",
                           "with blank_Rotated",
                           "视频 片段_Rotated"};
    for (const char* base : bases) {
        EXPECT_TRUE(std::any_of(outputs.begin(), outputs.end(), [&](const std::string& name) {
            return name.starts_with(base);
        })) << base;
    }
    for (const std::string& name : outputs) {
        const std::string path = dir.File("output/" + name);
        EXPECT_EQ(pivora::test::ProbeValue(path, "width"), "48") << name;
        EXPECT_EQ(pivora::test::ProbeValue(path, "height"), "64") << name;
        EXPECT_EQ(pivora::test::ProbeValue(path, "codec_name"), "mpeg4") << name;
    }
    EXPECT_FALSE(stdfs::exists("pwned"));
    EXPECT_FALSE(stdfs::exists("pwned2"));
    EXPECT_FALSE(stdfs::exists("pwned3"));
    EXPECT_TRUE(window->Entries().Empty());
}

namespace {

// Which corners of a shown picture are red, and whether it stands upright ("tall").
std::string RedCornersOf(const QLabel* label)
{
    const QImage image = label->pixmap().toImage();
    if (image.isNull())
        return "no picture";
    const auto red = [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return c.red() > 2 * c.blue();
    };
    const int w = image.width() - 4, h = image.height() - 4;
    std::string corners = image.height() > image.width() ? "tall" : "wide";
    for (const auto& [name, x, y] :
         {std::tuple{" top-left", 3, 3}, std::tuple{" top-right", w, 3},
          std::tuple{" bottom-left", 3, h}, std::tuple{" bottom-right", w, h}}) {
        if (red(x, y))
            corners += name;
    }
    return corners;
}

} // namespace

TEST_F(EndToEnd, PreviewShowsTheFrameAsItIsAndAsItWillBe)
{
    const std::string broken = dir.File("not a video.mp4");
    pivora::test::WriteFile(broken, "not a video");
    window->AddFiles({clip, broken});
    auto* list = Find<QTreeView>("LV");
    list->setCurrentIndex(list->model()->index(0, 0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);

    auto* preview = window->findChild<pivora::ui::frmPreview*>("frmPreview");
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle(), "预览");
    const auto settled = [&] { return pivora::test::WaitUntil([&] { return !preview->Busy(); }); };
    ASSERT_TRUE(settled());
    EXPECT_EQ(RedCornersOf(preview->findChild<QLabel*>("picBefore")), "wide top-left");
    EXPECT_EQ(RedCornersOf(preview->findChild<QLabel*>("picAfter")), "tall top-right");
    EXPECT_EQ(preview->findChild<QLabel*>("lblAfter")->text(), "90 Degree Clockwise");

    // It follows the rotation box while it is open.
    Find<QComboBox>("cmbRotate")->setCurrentIndex(4);
    ASSERT_TRUE(settled());
    EXPECT_EQ(RedCornersOf(preview->findChild<QLabel*>("picAfter")), "wide bottom-right");

    // A file the converter cannot read shows why instead of a picture.
    window->LV_DblClick(1);
    ASSERT_TRUE(settled());
    EXPECT_EQ(preview->findChild<QLabel*>("picBefore")->text(), "moov atom not found");

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(preview, &escape);
    EXPECT_FALSE(preview->isVisible());
}

TEST_F(EndToEnd, LosslessTurnsTwoAtOnceThroughTheWindow)
{
    pivora::test::WriteFile(dir.File("config/pivora/pivora.conf"),
                            "[Conversion]\nLosslessRotation=true\nParallelJobs=2\n");
    Open();
    window->AddFiles({clip, clip, clip});
    auto* list = Find<QTreeView>("LV");
    EXPECT_FALSE(list->isColumnHidden(2));
    EXPECT_EQ(list->model()->headerData(2, Qt::Horizontal).toString(), "状态");
    // The state column lies past the list's right edge: the rows being converted stand out.
    std::set<QString> states;
    bool highlighted = false;
    QObject::connect(list->model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& cell) {
        states.insert(cell.siblingAtColumn(2).data().toString());
        highlighted |= cell.siblingAtColumn(0).data(Qt::BackgroundRole).isValid();
    });
    std::vector<int> values;
    QObject::connect(Find<QProgressBar>("pb"), &QProgressBar::valueChanged,
                     [&](int value) { values.push_back(value); });
    ModalAnswerer answers;
    window->Command3_Click();
    ASSERT_TRUE(
        pivora::test::WaitUntil([&] { return Find<QLabel>("lblPB")->text() == "完成."; }, 60000));
    EXPECT_TRUE(answers.seen.empty());
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_TRUE(states.contains("转换中"));
    EXPECT_TRUE(highlighted);
    EXPECT_NE(std::find(values.begin(), values.end(), 100), values.end()) << "the bar never moved";
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end() - 1)) << "ran backwards";
    const std::string log = pivora::test::ReadFile(dir.File("activity.log"));
    std::size_t turned = 0;
    for (std::size_t at = 0; (at = log.find("turned without re-encoding", at)) != std::string::npos;
         ++at)
        ++turned;
    EXPECT_EQ(turned, 3u);
}
