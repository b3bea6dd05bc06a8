#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class QMainWindow;
class QWidget;

namespace pivora::ui {

// Keeps a window of fixed size within the work area of its screen. Where the window as laid
// out does not fit (a small screen at 200 %), it is scaled down together with its controls:
// positions, sizes and fonts, as a change of density would, until it fits. Each fitting starts
// again from the full layout, so that the window gets its size back on a larger screen.
class ScreenFit : public QObject
{
public:
    // `scaleExtras` is told the factor between the old and the new fitting, for what the
    // window scales itself (the columns of a list).
    ScreenFit(QMainWindow& window, QWidget& client, std::vector<QWidget*> controls,
              std::function<void(double ratio)> scaleExtras);

    // The window's present layout is its full size from now on.
    void Rebase();
    // Puts the full layout back.
    void Restore();
    // Fits the window to its screen now; gives the factor used (1 when it fits as it is).
    double Fit();
    double Factor() const { return m_factor; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Place
    {
        QPointer<QWidget> Widget;
        QRect Geometry;
        QFont Font;
    };
    void Apply(double factor);
    void Follow();
    // The room the window may take on its screen, its frame left out.
    QSize Room() const;

    QMainWindow& m_window;
    QWidget& m_client;
    std::vector<QWidget*> m_controls;
    std::function<void(double)> m_scaleExtras;
    std::vector<Place> m_places;
    QSize m_client0;
    QFont m_menuFont;
    double m_factor = 1.0;
    bool m_followed = false;
    QMetaObject::Connection m_screenWatch;
};

// A dialog whose own size would reach beyond the work area of the screen it opens on is made
// as large as that area allows; its layout gives way.
void FitDialogToScreen(QWidget& dialog);

} // namespace pivora::ui
