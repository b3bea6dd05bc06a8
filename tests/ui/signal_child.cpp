// The window set up as main() sets it up, with a batch started at once, for a test that
// signals it. Usage: signal_child <folder> <program folder> <input files...>
#include "ui/frmMain.h"

#include "UiTestSupport.h"
#include "platform/Signals.h"

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc < 4)
        return 2;
    pivora::platform::ResetInheritedSignals();
    QApplication app(argc, argv);
    pivora::test::RecordingServices services;
    pivora::ui::frmMain window(pivora::test::WindowSetup(argv[1], argv[2], &services));
    const auto shutdownWatch = pivora::ui::CloseOnShutdownRequests(window);
    window.AddFiles(std::vector<std::string>(argv + 3, argv + argc));
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.Command3_Click(); });
    return app.exec();
}
