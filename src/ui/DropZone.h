#pragma once

#include <QWidget>

namespace pivora::ui {

// The welcome picture over the list and the panel: a drop target that a click dismisses.
class DropZone : public QWidget
{
    Q_OBJECT
public:
    explicit DropZone(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace pivora::ui
