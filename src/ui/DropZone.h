#pragma once

#include <QWidget>

class QMimeData;
class QPainter;

namespace pivora::ui {

// A picture that takes dropped files and clicks: the welcome picture over the list and the
// panel, the overlay shown while something is dragged over the list, and the side target.
class DropZone : public QWidget
{
    Q_OBJECT
public:
    enum class Look { Welcome, Overlay, Plain };

    explicit DropZone(Look look, QWidget* parent = nullptr);

signals:
    void clicked();
    void dropped(const QMimeData* data);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PaintWelcome(QPainter& painter);
    void PaintOverlay(QPainter& painter);

    Look m_look;
};

} // namespace pivora::ui
