#include "WindowFixture.h"

#include "ui/KeyboardFocus.h"
#include "ui/WindowChrome.h"
#include "ui/frmMenu.h"
#include "ui/frmOptions.h"

#include <QAction>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRawFont>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>

using pivora::test::ModalAnswerer;

namespace {

class CommandsTest : public pivora::test::WindowTest
{
protected:
    CommandsTest()
    {
        window->AddFiles(MakeInputs(3));
        Select(1);
    }

    void Select(int row)
    {
        auto* view = Find<QTreeView>("LV");
        view->setCurrentIndex(view->model()->index(row, 0));
    }

    QAction* Action(QObject* owner, const char* name)
    {
        auto* action = owner->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }

    std::string HelpPage() const { return program + "/help.html"; }

    void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton)
    {
        QMouseEvent event(type, at, target->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
};

} // namespace

TEST_F(CommandsTest, TheToolbar)
{
    ModalAnswerer answers;
    Find<QWidget>("picDoor")->show();
    Find<QToolButton>("CmdToolsBar0")->click();
    EXPECT_FALSE(Find<QWidget>("picDoor")->isVisible()) << "every toolbar click hides it";
    EXPECT_EQ(answers.fileDialogs, 1);
    Find<QToolButton>("CmdToolsBar1")->click();
    EXPECT_EQ(answers.fileDialogs, 2);

    // Remove pops up its menu instead of removing anything.
    Find<QToolButton>("CmdToolsBar2")->click();
    EXPECT_EQ(answers.otherSeen, std::vector<QString>{"QMenu"});
    EXPECT_EQ(window->Entries().Count(), 3u);

    Find<QToolButton>("CmdToolsBar3")->click();
    EXPECT_EQ(services.openedDocuments, std::vector<std::string>{HelpPage()});
    EXPECT_TRUE(std::filesystem::exists(PIVORA_BUILD_HELP)) << "the build ships the help page";

    Find<QToolButton>("CmdToolsBar4")->click();
    EXPECT_EQ(answers.otherSeen.back(), "pivora::ui::frmOptions");

    Find<QLineEdit>("txtPath")->setText(QStringLiteral("/exit/saves"));
    Find<QToolButton>("CmdToolsBar5")->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(pivora::test::ReadFile(dir.File("config/pivora/pvsetting.ini")), "/exit/saves\r\n");
}

TEST_F(CommandsTest, TheKeyboardFocusIsSeenAndComesBackWhereItWas)
{
    using pivora::test::WaitUntil;
    using pivora::ui::FocusRingTarget;
    // At the start on the first button, and seen there.
    auto* add = Find<QToolButton>("CmdToolsBar0");
    ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == add; }, 5000));
    EXPECT_EQ(FocusRingTarget(), add);
    const auto* ring = window->findChild<QWidget*>(QStringLiteral("focusRing"));
    EXPECT_EQ(ring->geometry(), QRect(add->mapTo(window.get(), QPoint()), add->size()));

    // A file added from the keyboard leaves the focus on 添加文件, where the next Enter adds
    // again (on 移除 it would pop up the remove menu).
    ModalAnswerer answers;
    answers.onFileDialog = [&](QFileDialog* dialog) {
        pivora::test::Choose(dialog, QString::fromStdString(dir.File("clip0.mp4")));
    };
    QTest::keyClick(add, Qt::Key_Return);
    EXPECT_EQ(window->Entries().Count(), 4u);
    EXPECT_EQ(window->focusWidget(), add);
    // Offscreen no window manager gives the window back its activation.
    window->activateWindow();
    EXPECT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == add; }, 5000));

    // The start button pressed from the keyboard has the focus again as soon as it can stop
    // the batch, and after it.
    pivora::test::ScopedEnv slow("FAKE_CONV_STEP_MS", "20");
    auto* start = Find<QPushButton>("Command3");
    start->setFocus(Qt::TabFocusReason);
    bool focusedWhileRunning = false;
    QObject::connect(Find<QProgressBar>("pb"), &QProgressBar::valueChanged, [&] {
        focusedWhileRunning =
            focusedWhileRunning || (window->focusWidget() == start && FocusRingTarget() == start);
    });
    QTest::keyClick(start, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return window->Entries().Empty() && !window->BatchRunning(); }));
    EXPECT_TRUE(focusedWhileRunning);
    EXPECT_EQ(window->focusWidget(), start);

    // The empty list shows that it has the focus too.
    auto* list = Find<QTreeView>("LV");
    list->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(FocusRingTarget(), list);

    // F10 opens the first menu; Alt shows the first title as reached.
    QMenuBar* bar = window->menuBar();
    QTest::keyClick(list, Qt::Key_F10);
    ASSERT_TRUE(WaitUntil([&] { return bar->actions().first()->menu()->isVisible(); }, 5000));
    bar->actions().first()->menu()->close();
    list->setFocus(Qt::TabFocusReason);
    const QImage unreached = bar->grab().toImage();
    QTest::keyClick(list, Qt::Key_Alt);
    EXPECT_TRUE(bar->hasFocus());
    EXPECT_EQ(bar->activeAction(), bar->actions().first());
    EXPECT_NE(bar->grab().toImage(), unreached) << "the reached title is highlighted";
}

TEST_F(CommandsTest, TheMenuBar)
{
    // The popup window's items carry some of the same names; these are the menu bar's.
    ModalAnswerer answers;
    Action(window->menuBar(), "menuAdd")->trigger();
    Action(window->menuBar(), "menuFolder")->trigger();
    EXPECT_EQ(answers.fileDialogs, 2);
    Action(window->menuBar(), "menuS")->trigger();
    EXPECT_EQ(answers.otherSeen, std::vector<QString>{"pivora::ui::frmOptions"});
    Action(window->menuBar(), "menuHelp")->trigger();
    EXPECT_EQ(services.openedDocuments, std::vector<std::string>{HelpPage()});

    Action(window->menuBar(), "menuA")->trigger();
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].title, "关于");
    EXPECT_EQ(answers.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(answers.seen[0].text.contains(QStringLiteral("Ver 0.1.0")));

    // Remove selected goes through the command box, which ends up empty.
    Action(window->menuBar(), "menuRS")->trigger();
    EXPECT_EQ(window->Entries().Count(), 2u);
    EXPECT_EQ(window->Entries().At(1).Path, dir.File("clip2.mp4"));
    EXPECT_TRUE(Find<QLineEdit>("txtAction")->text().isEmpty());
    Action(window->menuBar(), "menuRA")->trigger();
    EXPECT_TRUE(window->Entries().Empty());

    Action(window->menuBar(), "menuExit")->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(CommandsTest, ThePopupMenus)
{
    pivora::ui::frmMenu& menus = window->PopupMenus();
    EXPECT_FALSE(menus.isVisible());
    ModalAnswerer answers;
    Action(&menus, "menuAddaFile")->trigger();
    Action(&menus, "menuAddaFolder")->trigger();
    EXPECT_EQ(answers.fileDialogs, 2);
    Action(&menus, "menuOption")->trigger();
    EXPECT_EQ(answers.otherSeen, std::vector<QString>{"pivora::ui::frmOptions"});
    Action(&menus, "menuHelp")->trigger();
    EXPECT_EQ(services.openedDocuments, std::vector<std::string>{HelpPage()});
    Action(&menus, "menuA")->trigger(); // "A" is no command
    EXPECT_TRUE(answers.seen.empty());

    Action(&menus, "menuRemoveSelected")->trigger();
    EXPECT_EQ(window->Entries().Count(), 2u);
    Action(&menus, "menuRemoveAll")->trigger();
    EXPECT_TRUE(window->Entries().Empty());
    EXPECT_TRUE(Find<QWidget>("picText")->isVisible());

    // The Remove menu holds its two items, and popping it up removes nothing by itself.
    window->AddFiles({dir.File("clip0.mp4")});
    const QList<QAction*> items = menus.RemoveMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "移除选择");
    EXPECT_EQ(items[1]->text(), "移除所有");
    QString shown;
    answers.onOther = [&](QWidget* popup) {
        shown = popup->objectName();
        popup->close();
    };
    window->imgToolbar_Click(1);
    EXPECT_EQ(shown, "Remove");
    EXPECT_EQ(window->Entries().Count(), 1u);

    Action(&menus, "menuExit")->trigger();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(CommandsTest, FeedbackLinkAndBackground)
{
    window->picDoor_Click();
    auto* feed = Find<QLabel>("lblFeed");
    auto* client = window->centralWidget();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(feed, &enter);
    EXPECT_TRUE(feed->font().bold());
    // Leaving it for another control keeps it bold; the background makes it regular.
    Send(Find<QWidget>("Command3"), QEvent::MouseMove, QPoint(5, 5));
    EXPECT_TRUE(feed->font().bold());
    const QPoint background(300, 295);
    ASSERT_EQ(client->childAt(background), nullptr);
    window->LV_OLEDragOver();
    EXPECT_TRUE(Find<QWidget>("picDrop")->isVisible());
    Send(client, QEvent::MouseMove, background);
    EXPECT_FALSE(feed->font().bold());
    EXPECT_FALSE(Find<QWidget>("picDrop")->isVisible());

    Send(feed, QEvent::MouseButtonRelease, QPoint(3, 3), Qt::LeftButton);
    EXPECT_EQ(services.openedUrls,
              std::vector<std::string>{"mailto:feedback@pivora.app?subject=Feedback/Bug Report"});
    EXPECT_FALSE(feed->toolTip().isEmpty());
}

TEST_F(CommandsTest, DraggingTheBackgroundMovesTheWindow)
{
    std::vector<QWidget*> moved;
    pivora::ui::SystemMove saved = pivora::ui::SystemMoveHandler();
    pivora::ui::SystemMoveHandler() = [&](QWidget& target) {
        moved.push_back(&target);
        return true;
    };
    window->picDoor_Click();
    auto* client = window->centralWidget();
    Send(client, QEvent::MouseButtonPress, QPoint(300, 295), Qt::LeftButton);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0], window.get());
    // On a control nothing moves: a label passes the press on, but it is not background.
    Send(Find<QWidget>("Label10"), QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Send(client, QEvent::MouseButtonPress, QPoint(300, 295), Qt::RightButton);
    EXPECT_EQ(moved.size(), 1u);

    pivora::settings::OptionValues options;
    pivora::settings::ProgramSettings settings;
    pivora::ui::frmOptions dialog(options, dir.File("options.ini"), settings,
                                  dir.File("pivora.conf"));
    dialog.show();
    Send(&dialog, QEvent::MouseButtonPress, QPoint(10, 160), Qt::LeftButton);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[1], &dialog);
    pivora::ui::SystemMoveHandler() = saved;
}

// Without a font that has Chinese glyphs every caption is a row of boxes; this fails then.
TEST_F(CommandsTest, ChineseCaptionsReallyRender)
{
    auto* hint = Find<QLabel>("lblText");
    const QString text = hint->text();
    const auto render = [&](const QString& shown) {
        QLabel label(shown);
        label.setFont(hint->font());
        label.resize(300, 30);
        return label.grab().toImage();
    };
    // Private-use characters, which no font draws: what missing glyphs look like.
    const QString missing(text.size(), QChar(0xE000));
    EXPECT_NE(render(text), render(missing));

    const QRawFont raw = QRawFont::fromFont(hint->font(), QFontDatabase::SimplifiedChinese);
    for (const QString& caption : {text, QStringLiteral("旋转视频"), QStringLiteral("文件列表:")})
        for (const QChar c : caption)
            EXPECT_TRUE(c.unicode() < 0x80 || raw.supportsCharacter(c)) << caption.toStdString();
}
