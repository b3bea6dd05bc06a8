#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>

namespace pivora::test {

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

ModalAnswerer::ModalAnswerer()
{
    m_timer.setInterval(30);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.push_back({box->windowTitle(), box->text(), static_cast<int>(box->icon())});
        box->accept();
    });
    m_timer.start();
}

} // namespace pivora::test
