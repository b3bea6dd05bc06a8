#include "ui/ScaleToScreen.h"

#include <QScreen>
#include <QWidget>

#include <cmath>

namespace pivora::ui {

namespace {

void ScaleFont(QWidget& widget, double factor)
{
    QFont font = widget.font();
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * factor))));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    widget.setFont(font);
}

int Scaled(int value, double factor)
{
    return static_cast<int>(std::lround(value * factor));
}

} // namespace

void ScaleToScreen(QWidget& window, QWidget& client, const std::vector<QWidget*>& controls,
                   double dpiX, double dpiY, QWidget* doubleScaled)
{
    if (dpiX <= 0 || dpiY <= 0)
        return;
    // The layout is in pixels at 96 dots per inch. Where Qt does not scale the window itself
    // (it then reports 96), the window grows with the density, so that it keeps its size on
    // the screen and its text stays readable.
    const double fx = dpiX / 96.0;
    const double fy = dpiY / 96.0;
    if (fx == 1.0 && fy == 1.0)
        return;

    const QSize clientSize(Scaled(client.width(), fx), Scaled(client.height(), fy));
    const QSize chrome = window.size() - client.size();
    client.setFixedSize(clientSize);
    window.setFixedSize(clientSize + chrome);

    if (doubleScaled)
        ScaleFont(*doubleScaled, fy);
    for (QWidget* control : controls) {
        const QRect place = control->geometry();
        control->setGeometry(Scaled(place.x(), fx), Scaled(place.y(), fy),
                             Scaled(place.width(), fx), Scaled(place.height(), fy));
        ScaleFont(*control, fx);
    }
}

double ScreenDpiX(const QWidget& window)
{
    const QScreen* screen = window.screen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double ScreenDpiY(const QWidget& window)
{
    const QScreen* screen = window.screen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace pivora::ui
