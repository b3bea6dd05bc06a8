#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>

namespace pivora::test {

pivora::ui::frmMainSetup WindowSetup(const std::string& folder, const std::string& program,
                                     pivora::ui::DesktopServices* services)
{
    pivora::ui::frmMainSetup setup;
    setup.ProgramFolder = program;
    setup.WorkFolder = folder + "/cache/pivora/work";
    setup.TempCopiesFolder = folder + "/cache/pivora/tmp";
    setup.SettingsFolder = folder + "/config";
    setup.LogPath = folder + "/activity.log";
    setup.JournalFolder = folder + "/state";
    setup.CacheFolder = folder + "/cache/pivora";
    setup.DefaultOutputFolder = folder + "/output";
    setup.Services = services;
    return setup;
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "pivora-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* created = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        QFont font(QStringLiteral("WenQuanYi Micro Hei"));
        font.setPixelSize(12);
        QApplication::setFont(font);
        return created;
    }();
    return *app;
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void Choose(QFileDialog* dialog, const QString& path)
{
    // selectFile() leaves the name box alone while it has the focus, so type into it.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name)
        name->setText(path);
    else
        dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
}

ModalAnswerer::ModalAnswerer()
{
    m_timer.setInterval(30);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            otherSeen.push_back(QString::fromLatin1(popup->metaObject()->className()));
            if (onOther)
                onOther(popup);
            else
                popup->close();
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
            // A dialog that would not take the answer is given up on, not answered forever.
            if (onFileDialog && ++m_tries[dialog] <= 20)
                onFileDialog(dialog);
            else
                dialog->reject();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                otherSeen.push_back(QString::fromLatin1(dialog->metaObject()->className()));
                if (onOther)
                    onOther(dialog);
                else
                    dialog->reject();
            }
            return;
        }
        seen.push_back({box->windowTitle(), box->text(), static_cast<int>(box->icon())});
        if (QAbstractButton* reply = box->button(questionReply))
            reply->click();
        else
            box->accept();
    });
    m_timer.start();
}

} // namespace pivora::test
