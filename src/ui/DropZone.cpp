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

#include <algorithm>

namespace pivora::ui {

namespace {

// A size given at the design's 12-pixel font, in proportion to the widget's own font, which
// grows and shrinks with the window.
QFont Sized(const QFont& widgetFont, int designPixels, bool bold = false)
{
    QFont font = widgetFont;
    const int base = widgetFont.pixelSize() > 0 ? widgetFont.pixelSize() : 12;
    font.setPixelSize(std::max(1, designPixels * base / 12));
    font.setBold(bold);
    return font;
}

} // namespace

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
    painter.setFont(Sized(font(), 16, true));
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
    // Placed in proportion to the picture, which grows and shrinks with the window.
    const qreal scale = area.height() / 378.0;
    const qreal filmBottom = (150 + 42) * scale;
    painter.setFont(Sized(font(), 20, true));
    painter.setPen(QColor(0x2b, 0x45, 0x66));
    const QRectF titleBox(frame.left(), filmBottom + 22 * scale, frame.width(), 30 * scale);
    painter.drawText(titleBox, Qt::AlignCenter, tr("将视频文件拖到此处"));

    painter.setFont(Sized(font(), 13));
    painter.setPen(QColor(0x55, 0x6b, 0x85));
    painter.drawText(QRectF(frame.left(), titleBox.bottom() + 6 * scale, frame.width(), 22 * scale),
                     Qt::AlignCenter, tr("或用上方的按钮添加文件"));
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
