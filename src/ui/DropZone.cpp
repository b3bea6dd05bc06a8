#include "ui/DropZone.h"

#include "ui/WindowChrome.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace pivora::ui {

DropZone::DropZone(Look look, QWidget* parent) : QWidget(parent), m_look(look)
{
    setAcceptDrops(true);
    if (m_look == Look::Welcome)
        setCursor(HandCursor());
    // The side target lies out of sight: the keyboard never stops there.
    setFocusPolicy(m_look == Look::Plain ? Qt::NoFocus : Qt::StrongFocus);
    if (m_look == Look::Welcome) {
        setAccessibleName(tr("将视频文件拖到此处"));
        setAccessibleDescription(tr("按下它来添加文件"));
    } else if (m_look == Look::Overlay) {
        setAccessibleName(tr("松开鼠标, 把文件加入列表"));
    }
}

void DropZone::Press()
{
    emit activated();
}

void DropZone::keyPressEvent(QKeyEvent* event)
{
    if (!PressKey(*this, *event))
        QWidget::keyPressEvent(event);
}

void DropZone::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_look == Look::Welcome)
        PaintWelcome(painter);
    else if (m_look == Look::Overlay)
        PaintOverlay(painter);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(6, 6, -6, -6));
    }
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
    painter.drawText(rect(), Qt::AlignCenter, tr("松开鼠标, 把文件加入列表"));
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
    PaintPicture(painter, QStringLiteral("dropzone"), area);
    const QRectF frame = area.adjusted(18, 18, -18, -18);
    const qreal filmBottom = area.height() * 150.0 / 378.0 + 42;

    QFont title = font();
    title.setPixelSize(20);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0x2b, 0x45, 0x66));
    const QRectF titleBox(frame.left(), filmBottom + 22, frame.width(), 30);
    painter.drawText(titleBox, Qt::AlignCenter, tr("将视频文件拖到此处"));

    QFont hint = font();
    hint.setPixelSize(13);
    painter.setFont(hint);
    painter.setPen(QColor(0x55, 0x6b, 0x85));
    painter.drawText(QRectF(frame.left(), titleBox.bottom() + 6, frame.width(), 22),
                     Qt::AlignCenter, tr("或点击这里, 用上方的按钮添加文件"));
}

void DropZone::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

std::optional<pivora::input::DropFileList> DroppedFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    pivora::input::DropFileList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.Names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    if (files.Names.empty())
        return std::nullopt;
    return files;
}

} // namespace pivora::ui
