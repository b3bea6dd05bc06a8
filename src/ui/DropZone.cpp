#include "ui/DropZone.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace pivora::ui {

DropZone::DropZone(Look look, QWidget* parent) : QWidget(parent), m_look(look)
{
    setAcceptDrops(true);
    if (m_look == Look::Welcome)
        setCursor(Qt::PointingHandCursor);
}

void DropZone::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_look == Look::Welcome)
        PaintWelcome(painter);
    else if (m_look == Look::Overlay)
        PaintOverlay(painter);
}

void DropZone::PaintOverlay(QPainter& painter)
{
    painter.fillRect(rect(), QColor(0xe8, 0xf1, 0xfb, 235));
    painter.setPen(QPen(QColor(0x3d, 0x7a, 0xc4), 2, Qt::DashLine));
    painter.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));
    QFont big = font();
    big.setPixelSize(16);
    big.setBold(true);
    painter.setFont(big);
    painter.setPen(QColor(0x2b, 0x45, 0x66));
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("松开鼠标, 把文件加入列表"));
}

void DropZone::dragEnterEvent(QDragEnterEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropZone::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropZone::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit dropped(event->mimeData());
}

void DropZone::PaintWelcome(QPainter& painter)
{
    const QRectF area = rect();
    QLinearGradient background(area.topLeft(), area.bottomLeft());
    background.setColorAt(0, QColor(0xf4, 0xf8, 0xfc));
    background.setColorAt(1, QColor(0xdd, 0xe8, 0xf3));
    painter.fillRect(area, background);

    const QRectF frame = area.adjusted(18, 18, -18, -18);
    painter.setPen(QPen(QColor(0x6f, 0x94, 0xbf), 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, 14, 14);

    // A film frame with a turning arrow: what the program does, at a glance.
    const QPointF centre(frame.center().x(), frame.top() + frame.height() * 0.40);
    const QRectF film(centre.x() - 62, centre.y() - 42, 124, 84);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3d, 0x5a, 0x80));
    painter.drawRoundedRect(film, 8, 8);
    painter.setBrush(QColor(0xf4, 0xf8, 0xfc));
    for (int i = 0; i < 6; ++i) {
        const qreal x = film.left() + 10 + i * 18.5;
        painter.drawRect(QRectF(x, film.top() + 6, 9, 7));
        painter.drawRect(QRectF(x, film.bottom() - 13, 9, 7));
    }
    painter.setBrush(QColor(0x98, 0xc1, 0xd9));
    const QRectF picture = film.adjusted(12, 19, -12, -19);
    painter.drawRect(picture);

    QPen arrowPen(QColor(0xe0, 0x6c, 0x2f), 5, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(arrowPen);
    painter.setBrush(Qt::NoBrush);
    const QRectF arc(centre.x() - 24, centre.y() - 24, 48, 48);
    painter.drawArc(arc, 100 * 16, -280 * 16);
    QPainterPath head;
    const QPointF tip(centre.x() - 4, centre.y() - 24);
    head.moveTo(tip + QPointF(-2, -9));
    head.lineTo(tip + QPointF(-14, 1));
    head.lineTo(tip + QPointF(-1, 9));
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xe0, 0x6c, 0x2f));
    painter.drawPath(head);

    QFont title = font();
    title.setPixelSize(20);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0x2b, 0x45, 0x66));
    const QRectF titleBox(frame.left(), film.bottom() + 22, frame.width(), 30);
    painter.drawText(titleBox, Qt::AlignCenter, QStringLiteral("将视频文件拖到此处"));

    QFont hint = font();
    hint.setPixelSize(13);
    painter.setFont(hint);
    painter.setPen(QColor(0x55, 0x6b, 0x85));
    painter.drawText(QRectF(frame.left(), titleBox.bottom() + 6, frame.width(), 22),
                     Qt::AlignCenter, QStringLiteral("或点击这里, 用上方的按钮添加文件"));
}

void DropZone::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace pivora::ui
