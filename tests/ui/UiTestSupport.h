#pragma once

#include "ui/QtServices.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace pivora::test {

// A window set-up on folders of the test's own, with `services` recording the desktop.
pivora::ui::frmMainSetup WindowSetup(const std::string& folder, const std::string& program,
                                     pivora::ui::DesktopServices* services);

// The one application object of a UI test program, on the offscreen platform.
QApplication& App();

// Runs events until `done` holds or the time is up; true when it holds.
bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000);

// Answers every message box that comes up with OK (a question with `questionReply`), and
// keeps what it said.
class ModalAnswerer : public QObject
{
public:
    struct Seen
    {
        QString title;
        QString text;
        int icon = 0;
    };

    ModalAnswerer();
    std::vector<Seen> seen;
    QMessageBox::StandardButton questionReply = QMessageBox::No;
    // Called for a file or folder dialog; it must close the dialog. Cancels when unset.
    std::function<void(QFileDialog*)> onFileDialog;
    int fileDialogs = 0;
    // Called for any other dialog or a popup menu; they are closed when it is unset.
    std::function<void(QWidget*)> onOther;
    std::vector<QString> otherSeen; // class names of the other dialogs and menus

private:
    QTimer m_timer;
    std::map<QObject*, int> m_tries;
};

// Calls `shown` as each widget of type T is shown, for as long as it lives.
template <typename T> class WhenShown : public QObject
{
public:
    explicit WhenShown(std::function<void(T*)> shown) : m_shown(std::move(shown))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* widget = qobject_cast<T*>(watched))
                m_shown(widget);
        return false;
    }

private:
    std::function<void(T*)> m_shown;
};

// Types the path into an open file or folder dialog and confirms it.
void Choose(QFileDialog* dialog, const QString& path);

// Records what the window asks of the desktop instead of launching anything.
class RecordingServices : public pivora::ui::DesktopServices
{
public:
    std::vector<std::string> openedFolders;
    std::vector<std::string> openedDocuments;
    std::vector<std::string> openedUrls;
    std::vector<std::string> playedSounds;
    std::function<void()> whilePlaying; // what the user does while the sound plays
    void OpenFolder(const std::string& folder) override { openedFolders.push_back(folder); }
    void OpenDocument(const std::string& file) override { openedDocuments.push_back(file); }
    void OpenUrl(const std::string& url) override { openedUrls.push_back(url); }
    void PlaySound(const std::string& file) override
    {
        playedSounds.push_back(file);
        if (whilePlaying)
            whilePlaying();
    }
};

} // namespace pivora::test
