#pragma once

#include <QCursor>
#include <QIcon>
#include <QWidget>

#include <functional>

class QPainter;

namespace pivora::ui {

// The program's own pictures, kept as SVG in its resources.
QIcon ToolbarIcon(const QString& name); // "add_file", "add_folder", "remove", ...
QCursor HandCursor();
void PaintPicture(QPainter& painter, const QString& name, const QRectF& target);

// Moves a window the way dragging its title bar does: through the window system's own move.
// Tests put a recorder in its place.
using SystemMove = std::function<bool(QWidget& window)>;
SystemMove& SystemMoveHandler();

// The background of a window: pressing the left button on it (not on a control) and
// dragging moves the window; every pointer move over it is reported.
class WindowBackground : public QWidget
{
    Q_OBJECT
public:
    explicit WindowBackground(QWidget* parent = nullptr);

signals:
    void backgroundMoved();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool OnBackground(const QMouseEvent& event) const;
};

// For dialogs that are their own background.
void MoveWindowFromBackground(QWidget& window, QMouseEvent& event);

} // namespace pivora::ui
