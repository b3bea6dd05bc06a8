// Adds a whole folder tree through the real window, then removes every entry; prints the
// times until the list was painted and the window idle again, how often the window painted
// during the search, and the peak memory.
// Usage: folder_bench FOLDER
#include "ui/frmMain.h"

#include "BenchSupport.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {

// Counts paints and the longest stretch without one while the clock runs.
class PaintWatch : public QObject
{
public:
    QElapsedTimer clock;
    qint64 lastPaint = 0;
    qint64 longestGap = 0;
    int paints = 0;
    bool running = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (running && event->type() == QEvent::Paint) {
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, now - lastPaint);
            lastPaint = now;
            ++paints;
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    pivora::bench::NoDesktop desktop;
    pivora::ui::frmMainSetup setup = pivora::ui::frmMainSetup::Defaults();
    setup.Services = &desktop;
    QTemporaryDir scratch;
    pivora::bench::UseOwnFolders(setup, scratch);
    pivora::ui::frmMain window(setup);
    window.show();
    const QString folder = QString::fromLocal8Bit(argv[1]);

    PaintWatch watch;
    app.installEventFilter(&watch);
    // Answer the folder dialog; the clock starts when it is confirmed.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer.stop();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(folder);
        watch.clock.start();
        watch.running = true;
        QMetaObject::invokeMethod(dialog, "accept");
    });
    answer.start(10);

    // The clocks stop when the list has been painted and the window is idle again.
    QWidget* list = window.findChild<QWidget*>(QStringLiteral("LV"));
    QWidget* rows = qobject_cast<QAbstractScrollArea*>(list)->viewport();
    double addSeconds = 0, removeSeconds = 0;
    std::size_t count = 0;
    std::unique_ptr<pivora::bench::IdleAfterPaint> waiting;
    QElapsedTimer remove;
    QTimer::singleShot(0, [&] {
        window.AddFolder();
        count = window.Entries().Count();
        watch.running = false;
        waiting = std::make_unique<pivora::bench::IdleAfterPaint>(rows, [&] {
            addSeconds = static_cast<double>(watch.clock.nsecsElapsed()) / 1e9;
            QTimer::singleShot(0, [&] {
                remove.start();
                window.findChild<QAction*>(QStringLiteral("menuRA"))->trigger();
                waiting = std::make_unique<pivora::bench::IdleAfterPaint>(rows, [&] {
                    removeSeconds = static_cast<double>(remove.nsecsElapsed()) / 1e9;
                    app.quit();
                });
            });
        });
    });
    app.exec();
    std::printf("entries=%zu\n", count);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("add_folder_seconds=%.3f\n", addSeconds);
    std::printf("paints_during_search=%d\n", watch.paints);
    std::printf("longest_gap_between_paints_ms=%lld\n", static_cast<long long>(watch.longestGap));
    std::printf("remove_all_seconds=%.3f\n", removeSeconds);
    std::printf("peak_memory_mib=%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
