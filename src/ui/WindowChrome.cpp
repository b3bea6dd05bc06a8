#include "ui/WindowChrome.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QWindow>

namespace pivora::ui {

namespace {

QString ImagePath(const QString& name)
{
    return QStringLiteral(":/images/") + name + QStringLiteral(".svg");
}

QPixmap Render(const QString& name, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(ImagePath(name));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QIcon ToolbarIcon(const QString& name)
{
    QIcon icon;
    for (const int size : {32, 64})
        icon.addPixmap(Render(name, size));
    return icon;
}

QCursor HandCursor()
{
    // The fingertip is the hot spot.
    return QCursor(Render(QStringLiteral("hand"), 32), 10, 3);
}

void PaintPicture(QPainter& painter, const QString& name, const QRectF& target)
{
    QSvgRenderer renderer(ImagePath(name));
    renderer.render(&painter, target);
}

SystemMove& SystemMoveHandler()
{
    static SystemMove handler = [](QWidget& window) {
        QWindow* handle = window.window()->windowHandle();
        return handle && handle->startSystemMove();
    };
    return handler;
}

WindowBackground::WindowBackground(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

bool WindowBackground::OnBackground(const QMouseEvent& event) const
{
    // Events a control did not want come here too; only the bare background counts.
    return childAt(event.position().toPoint()) == nullptr;
}

void WindowBackground::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnBackground(*event)) {
        SystemMoveHandler()(*window());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void WindowBackground::mouseMoveEvent(QMouseEvent* event)
{
    if (OnBackground(*event))
        emit backgroundMoved();
    QWidget::mouseMoveEvent(event);
}

void MoveWindowFromBackground(QWidget& window, QMouseEvent& event)
{
    if (event.button() == Qt::LeftButton && window.childAt(event.position().toPoint()) == nullptr) {
        SystemMoveHandler()(window);
        event.accept();
    }
}

} // namespace pivora::ui
