#include "ui/frmMenu.h"

#include <QLineEdit>
#include <QMenu>

namespace pivora::ui {

frmMenu::frmMenu(QLineEdit& txtAction, QWidget* parent) : QWidget(parent), m_txtAction(txtAction)
{
    setObjectName(QStringLiteral("frmMenu"));
    hide();

    m_file = new QMenu(QStringLiteral("File"), this);
    AddWordItem(m_file, "menuAddaFile", tr("添加文件(&A)"), QStringLiteral("AddaFile"));
    AddWordItem(m_file, "menuAddaFolder", tr("添加目录(&F)"), QStringLiteral("menuAddaFolder"));
    m_file->addSeparator()->setObjectName(QStringLiteral("menuS"));
    AddWordItem(m_file, "menuExit", tr("退出(&E)"), QStringLiteral("menuExit"));

    m_options = new QMenu(QStringLiteral("Options"), this);
    AddWordItem(m_options, "menuOption", tr("设置(&O)"), QStringLiteral("menuOption"));

    m_about = new QMenu(QStringLiteral("About"), this);
    AddWordItem(m_about, "menuHelp", tr("帮助(&H)"), QStringLiteral("menuHelp"));
    AddWordItem(m_about, "menuA", tr("关于(&A)"), QStringLiteral("A"));

    m_remove = new QMenu(QStringLiteral("Remove"), this);
    m_remove->setObjectName(QStringLiteral("Remove"));
    AddWordItem(m_remove, "menuRemoveSelected", tr("移除选择"), QStringLiteral("RemoveSelected"));
    QAction* all = m_remove->addAction(tr("移除所有"));
    all->setObjectName(QStringLiteral("menuRemoveAll"));
    connect(all, &QAction::triggered, this, [this] {
        if (menuRemoveAll_Click)
            menuRemoveAll_Click();
    });
}

QAction* frmMenu::AddWordItem(QMenu* menu, const char* name, const QString& text,
                              const QString& word)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, word] { m_txtAction.setText(word); });
    return action;
}

void frmMenu::PopupRemove(const QPoint& at)
{
    m_remove->exec(at);
}

} // namespace pivora::ui
