#include "ui/frmMenu.h"

#include "ui/NativeText.h"
#include "window/Commands.h"

#include <QLineEdit>
#include <QMenu>

namespace pivora::ui {

frmMenu::frmMenu(QLineEdit& txtAction, QWidget* parent) : QWidget(parent), m_txtAction(txtAction)
{
    setObjectName(QStringLiteral("frmMenu"));
    hide();

    const std::vector<pivora::window::PopupMenu>& menus = pivora::window::PopupMenus();
    QMenu** made[] = {&m_file, &m_options, &m_about, &m_remove};
    for (std::size_t i = 0; i < menus.size() && i < std::size(made); ++i) {
        QMenu* menu = *made[i] = new QMenu(QString::fromLatin1(menus[i].Title), this);
        menu->setObjectName(QString::fromLatin1(menus[i].Title));
        for (const pivora::window::PopupEntry& item : menus[i].Items) {
            if (item.SeparatorBefore)
                menu->addSeparator()->setObjectName(QStringLiteral("menuS"));
            QAction* action = menu->addAction(CoreText(item.Caption));
            action->setObjectName(QString::fromLatin1(item.Name));
            if (item.Word) {
                connect(action, &QAction::triggered, this, [this, word = item.Word] {
                    m_txtAction.setText(QString::fromLatin1(word));
                });
            } else {
                connect(action, &QAction::triggered, this, [this] {
                    if (menuRemoveAll_Click)
                        menuRemoveAll_Click();
                });
            }
        }
    }
}

void frmMenu::PopupRemove(const QPoint& at)
{
    m_remove->exec(at);
}

} // namespace pivora::ui
