// Runs one batch through the real window (offscreen) and prints how long it took.
// Usage: batch_bench [--lossless] [--jobs N] OUTPUT_FOLDER LOG_FILE CLIP...
//   --lossless  with lossless turns on, as pivora.conf would have them
//   --jobs N    N conversions at once, as pivora.conf would have them
#include "platform/KnownFolders.h"
#include "settings/ProgramSettings.h"
#include "ui/frmMain.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

int main(int argc, char* argv[])
{
    bool lossless = false;
    int jobs = 1;
    while (argc > 1 && std::string(argv[1]).starts_with("--")) {
        if (std::string(argv[1]) == "--lossless") {
            lossless = true;
        } else if (std::string(argv[1]) == "--jobs" && argc > 2) {
            jobs = std::atoi(argv[2]);
            --argc;
            ++argv;
        }
        --argc;
        ++argv;
    }
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: batch_bench [--lossless] [--jobs N] OUTPUT_FOLDER LOG_FILE CLIP...\n");
        return 2;
    }
    QApplication app(argc, argv);
    pivora::bench::NoDesktop desktop;
    pivora::ui::frmMainSetup setup = pivora::ui::frmMainSetup::Defaults();
    // The program folder of the real build, so that data/conv is the real converter.
    setup.ProgramFolder = pivora::platform::ProgramFolder() + "/..";
    setup.DefaultOutputFolder = argv[1];
    setup.LogPath = argv[2];
    setup.Services = &desktop;
    QTemporaryDir scratch;
    pivora::bench::UseOwnFolders(setup, scratch);
    pivora::settings::ProgramSettings settings;
    settings.LosslessRotation = lossless;
    settings.ParallelJobs = jobs;
    pivora::settings::SaveProgramSettings(
        pivora::settings::ProgramSettingsPath(setup.SettingsFolder), settings);
    pivora::ui::frmMain window(setup);
    std::vector<std::string> clips(argv + 3, argv + argc);
    window.AddFiles(clips);
    window.show();

    QElapsedTimer clock;
    auto* label = window.findChild<QLabel*>(QStringLiteral("lblPB"));
    QTimer poll;
    double seconds = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (label->text() != QStringLiteral("完成."))
            return;
        // The clock stops once the end is on screen and the window is idle again.
        poll.stop();
        label->repaint();
        QTimer::singleShot(0, [&] {
            seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            app.quit();
        });
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        window.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
        poll.start(5);
    });
    app.exec();
    std::printf("batch_seconds=%.3f\n", seconds);
    // What the program itself spent, apart from its converters.
    rusage own{};
    ::getrusage(RUSAGE_SELF, &own);
    std::printf("program_cpu_seconds=%.3f\n",
                static_cast<double>(own.ru_utime.tv_sec + own.ru_stime.tv_sec) +
                    static_cast<double>(own.ru_utime.tv_usec + own.ru_stime.tv_usec) / 1e6);
    return 0;
}
