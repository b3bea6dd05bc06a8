#pragma once

#include <QWidget>

#include <functional>

class QLineEdit;
class QMenu;

namespace pivora::ui {

// A window that is never shown: it keeps the popup menus. Its items reach the main window
// only by writing command words into the main window's command box.
class frmMenu : public QWidget
{
    Q_OBJECT
public:
    explicit frmMenu(QLineEdit& txtAction, QWidget* parent = nullptr);

    QMenu* FileMenu() const { return m_file; }
    QMenu* OptionsMenu() const { return m_options; }
    QMenu* AboutMenu() const { return m_about; }
    QMenu* RemoveMenu() const { return m_remove; }

    // "移除所有" empties the list itself.
    std::function<void()> menuRemoveAll_Click;

    // Shows the "Remove" menu at a screen position and returns when it has closed.
    void PopupRemove(const QPoint& at);

private:
    QLineEdit& m_txtAction;
    QMenu* m_file = nullptr;
    QMenu* m_options = nullptr;
    QMenu* m_about = nullptr;
    QMenu* m_remove = nullptr;
};

} // namespace pivora::ui
