#pragma once

#include "input/AddingFiles.h"
#include "ui/Pressable.h"

#include <QWidget>

#include <optional>

class QMimeData;
class QPainter;

namespace pivora::ui {

// A picture that takes dropped files and clicks: the welcome picture over the list and the
// panel, the overlay shown while something is dragged over the list, and the side target.
// The two that show can be focused and pressed from the keyboard too.
class DropZone : public QWidget, public Pressable
{
    Q_OBJECT
public:
    enum class Look { Welcome, Overlay, Plain };

    explicit DropZone(Look look, QWidget* parent = nullptr);

    void Press() override;

signals:
    void clicked();
    // Pressed without the mouse: by a key or by an assistive technology.
    void activated();
    void dropped(const QMimeData* data);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PaintWelcome(QPainter& painter);
    void PaintOverlay(QPainter& painter);

    Look m_look;
};

// The dropped files as a list of names; nothing when the drag carries no files.
std::optional<pivora::input::DropFileList> DroppedFiles(const QMimeData* data);

} // namespace pivora::ui
