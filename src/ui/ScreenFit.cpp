#include "ui/ScreenFit.h"

#include <QComboBox>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace pivora::ui {

namespace {

int Scaled(int value, double factor)
{
    return static_cast<int>(std::lround(value * factor));
}

QFont ScaledFont(QFont font, double factor)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, Scaled(font.pixelSize(), factor)));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

// A box's arrow keeps the size the density gives it while the box itself shrinks: its font
// gives way a little more, so that the widest item still shows whole. The item is drawn a
// pixel in from each side of the field.
void FitItems(QComboBox& box)
{
    QStyleOptionComboBox option;
    option.initFrom(&box);
    option.editable = box.isEditable();
    const int room =
        box.style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &box)
            .width() -
        4;
    QFont font = box.font();
    for (int tries = 0; tries < 20; ++tries) {
        const QFontMetrics metrics(font);
        int widest = 0;
        for (int i = 0; i < box.count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(box.itemText(i)));
        if (widest <= room)
            break;
        if (font.pixelSize() > 1)
            font.setPixelSize(font.pixelSize() - 1);
        else if (font.pointSizeF() > 1)
            font.setPointSizeF(font.pointSizeF() * 0.95);
        else
            break;
    }
    box.setFont(font);
}

// The window system's frame around a window not yet shown is not known: a title bar and thin
// borders are allowed for.
constexpr QMargins kFrameBeforeShown(4, 32, 4, 4);

} // namespace

ScreenFit::ScreenFit(QMainWindow& window, QWidget& client, std::vector<QWidget*> controls,
                     std::function<void(double)> scaleExtras)
    : QObject(&window), m_window(window), m_client(client), m_controls(std::move(controls)),
      m_scaleExtras(std::move(scaleExtras))
{
    window.installEventFilter(this);
    Rebase();
}

void ScreenFit::Rebase()
{
    m_places.clear();
    for (QWidget* control : m_controls)
        m_places.push_back({control, control->geometry(), control->font()});
    m_client0 = m_client.size();
    if (QMenuBar* bar = m_window.menuBar())
        m_menuFont = bar->font();
    m_factor = 1.0;
}

void ScreenFit::Restore()
{
    Apply(1.0);
}

void ScreenFit::Apply(double factor)
{
    if (factor == m_factor)
        return;
    const double ratio = factor / m_factor;
    m_factor = factor;
    const QSize client(Scaled(m_client0.width(), factor), Scaled(m_client0.height(), factor));
    m_client.setFixedSize(client);
    for (const Place& place : m_places) {
        if (!place.Widget)
            continue;
        const QRect& g = place.Geometry;
        place.Widget->setGeometry(Scaled(g.x(), factor), Scaled(g.y(), factor),
                                  Scaled(g.width(), factor), Scaled(g.height(), factor));
        place.Widget->setFont(factor == 1.0 ? place.Font : ScaledFont(place.Font, factor));
        if (auto* box = qobject_cast<QComboBox*>(place.Widget.data()); box && factor < 1.0)
            FitItems(*box);
    }
    int menuHeight = 0;
    if (QMenuBar* bar = m_window.menuBar()) {
        bar->setFont(factor == 1.0 ? m_menuFont : ScaledFont(m_menuFont, factor));
        menuHeight = bar->sizeHint().height();
    }
    m_window.setFixedSize(client + QSize(0, menuHeight));
    if (m_scaleExtras)
        m_scaleExtras(ratio);
}

QSize ScreenFit::Room() const
{
    const QScreen* screen = m_window.screen();
    if (!screen)
        return {};
    QMargins frame = kFrameBeforeShown;
    if (m_window.isVisible() && m_window.windowHandle()) {
        const QMargins known = m_window.windowHandle()->frameMargins();
        if (!known.isNull())
            frame = known;
    }
    const QRect area = screen->availableGeometry();
    return QSize(area.width() - frame.left() - frame.right(),
                 area.height() - frame.top() - frame.bottom());
}

double ScreenFit::Fit()
{
    Follow();
    const QSize room = Room();
    if (room.isEmpty())
        return m_factor;
    Apply(1.0);
    // The menu bar does not shrink in proportion with the rest: a few rounds settle it.
    for (int round = 0; round < 6; ++round) {
        const QSize size = m_window.size();
        if (size.width() <= room.width() && size.height() <= room.height())
            break;
        const double shrink = std::min(static_cast<double>(room.width()) / size.width(),
                                       static_cast<double>(room.height()) / size.height());
        Apply(m_factor * std::min(shrink, 0.995));
    }
    // A window that was shown partly off its screen is moved into it.
    if (m_window.isVisible()) {
        const QRect area = m_window.screen()->availableGeometry();
        const QRect frame = m_window.frameGeometry();
        if (!area.contains(frame)) {
            const QPoint at(std::clamp(frame.left(), area.left(),
                                       std::max(area.left(), area.right() + 1 - frame.width())),
                            std::clamp(frame.top(), area.top(),
                                       std::max(area.top(), area.bottom() + 1 - frame.height())));
            m_window.move(at);
        }
    }
    return m_factor;
}

void ScreenFit::Follow()
{
    // The window's screen and its work area are followed once the window has a handle.
    QWindow* handle = m_window.windowHandle();
    if (m_followed || !handle)
        return;
    m_followed = true;
    const auto watch = [this](QScreen* screen) {
        disconnect(m_screenWatch);
        if (screen)
            m_screenWatch = connect(screen, &QScreen::availableGeometryChanged, this,
                                    [this] { QTimer::singleShot(0, this, [this] { Fit(); }); });
    };
    connect(handle, &QWindow::screenChanged, this, [this, watch](QScreen* screen) {
        watch(screen);
        QTimer::singleShot(0, this, [this] { Fit(); });
    });
    watch(handle->screen());
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    // Once shown, the frame the window system gave the window is known.
    if (watched == &m_window && event->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] { Fit(); });
    return QObject::eventFilter(watched, event);
}

void FitDialogToScreen(QWidget& dialog)
{
    const QWidget* over = dialog.parentWidget() ? dialog.parentWidget()->window() : &dialog;
    const QScreen* screen = over->screen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size() -
                       QSize(kFrameBeforeShown.left() + kFrameBeforeShown.right(),
                             kFrameBeforeShown.top() + kFrameBeforeShown.bottom());
    const QSize wanted = dialog.sizeHint();
    if (wanted.width() > room.width() || wanted.height() > room.height())
        dialog.resize(wanted.boundedTo(room).expandedTo(dialog.minimumSizeHint().boundedTo(room)));
}

} // namespace pivora::ui
