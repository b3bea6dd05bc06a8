#include "ui/Announcer.h"

#include <QAccessibleWidget>
#include <QProgressBar>

namespace pivora::ui {

namespace {

class AnnouncerAccessible : public QAccessibleWidget
{
public:
    explicit AnnouncerAccessible(Announcer* announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return static_cast<const Announcer*>(widget())->Text();
        return QAccessibleWidget::text(kind);
    }
};

// Named and read as a progress bar, its percentage as its description; no value interface,
// whose actions would offer to move it.
class ProgressBarAccessible : public QAccessibleWidget
{
public:
    explicit ProgressBarAccessible(QProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Description && kind != QAccessible::Value)
            return QAccessibleWidget::text(kind);
        const auto* bar = static_cast<const QProgressBar*>(widget());
        const int span = bar->maximum() - bar->minimum();
        const int percent = span > 0 ? (bar->value() - bar->minimum()) * 100 / span : 0;
        return QStringLiteral("%1%").arg(percent);
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (auto* announcer = qobject_cast<Announcer*>(object))
        return new AnnouncerAccessible(announcer);
    auto* bar = qobject_cast<QProgressBar*>(object);
    if (bar && bar->property("pivora.readOnlyValue").toBool())
        return new ProgressBarAccessible(bar);
    return nullptr;
}

void InstallFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

} // namespace

Announcer::Announcer(QWidget* parent) : QWidget(parent)
{
    InstallFactory();
    setObjectName(QStringLiteral("announcer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // Shown, so that the bus counts it as showing, but too small to be seen and drawing
    // nothing.
    setGeometry(0, 0, 1, 1);
    hide();
}

void Announcer::Announce(const QString& text)
{
    m_text = text;
    // The notification appears anew, which is what screen readers read.
    hide();
    raise();
    show();
}

void ReadOnlyProgressBar(QProgressBar& bar)
{
    InstallFactory();
    bar.setProperty("pivora.readOnlyValue", true);
    QObject::connect(&bar, &QProgressBar::valueChanged, &bar, [&bar] {
        QAccessibleEvent changed(&bar, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    });
}

} // namespace pivora::ui
