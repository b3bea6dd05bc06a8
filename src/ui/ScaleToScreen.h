#pragma once

#include <vector>

class QWidget;

namespace pivora::ui {

// Windows are laid out in pixels at 96 dots per inch. At another logical density every
// position, size and font of the window and of its controls is multiplied by dpi / 96, so
// that they keep their size on the screen. `doubleScaled` (the output-folder box of the main
// window) gets its font scaled once more, as the window always did.
void ScaleToScreen(QWidget& window, QWidget& client, const std::vector<QWidget*>& controls,
                   double dpiX, double dpiY, QWidget* doubleScaled = nullptr);

// The logical density of the screen the window is on.
double ScreenDpiX(const QWidget& window);
double ScreenDpiY(const QWidget& window);

} // namespace pivora::ui
