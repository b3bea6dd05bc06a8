#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/Signals.h"
#include "ui/SingleInstance.h"
#include "ui/Translations.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QIcon>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    // Before anything starts a child: the converters' ends must be ours to collect.
    pivora::platform::ResetInheritedSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pivora"));
    // Task bars and docks tie the window (WM_CLASS "pivora", "Pivora") to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.pivora.Pivora"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.pivora.Pivora"),
                                                 QIcon(QStringLiteral(":/images/pivora.svg"))));
    QApplication::setApplicationVersion(QStringLiteral(PIVORA_VERSION));

    // File names are bytes on this system; they are passed on exactly as given, made absolute
    // so that a running instance can use them from its own folder.
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        files.push_back(pivora::platform::AbsolutePath(argv[i]));

    // A second start hands its files to the running program and ends without a word.
    pivora::ui::SingleInstance instance;
    if (!instance.Acquire(files))
        return 0;

    // Chinese is the interface's own language; English comes from the translation beside the
    // program.
    const std::unique_ptr<QTranslator> translation = pivora::ui::InstallTranslation(
        pivora::ui::LanguageFromEnvironment(),
        pivora::ui::TranslationsFolder(pivora::platform::ProgramFolder()));

    QFont font(QStringLiteral("Tahoma"));
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);

    // The skin: a style sheet beside the program, when there is one.
    QFile skin(QFile::decodeName(QByteArray::fromStdString(
        pivora::platform::JoinPath(pivora::platform::ProgramFolder(), "data/skin.qss"))));
    if (skin.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(skin.readAll()));

    pivora::ui::frmMain window;
    QObject::connect(&instance, &pivora::ui::SingleInstance::filesReceived, &window,
                     [&window](const std::vector<std::string>& received) {
                         window.AddFiles(received);
                         window.raise();
                         window.activateWindow();
                     });
    // A log-off, kill or Ctrl+C stops a running batch and shuts down as closing the window does.
    const std::unique_ptr<QObject> shutdownWatch = pivora::ui::CloseOnShutdownRequests(window);
    window.AddFiles(files);
    window.show();
    return app.exec();
}
