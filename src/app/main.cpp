#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/Signals.h"
#include "ui/SingleInstance.h"
#include "ui/StartOptions.h"
#include "ui/Translations.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QIcon>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Arguments(int argc, char* argv[])
{
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

// False when the text could not be written whole.
bool Print(std::FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
           std::fflush(stream) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Before anything starts a child: the converters' ends must be ours to collect.
    pivora::platform::ResetInheritedSignals();
    const auto language = pivora::ui::LanguageFromEnvironment();
    const auto translationsFolder =
        pivora::ui::TranslationsFolder(pivora::platform::ProgramFolder());

    // Help and the version are printed as desktop programs print them, without a display.
    if (const auto early = pivora::ui::ParseStartOptions(Arguments(argc, argv));
        early.Help || early.Version) {
        const auto translation = pivora::ui::LoadTranslation(language, translationsFolder);
        return Print(stdout, early.Help ? pivora::ui::HelpText(translation.get())
                                        : pivora::ui::VersionLine())
                   ? 0
                   : 1;
    }

    // Qt takes its own options (-platform, -style, ...) out of the arguments.
    QApplication app(argc, argv);
    const auto options = pivora::ui::ParseStartOptions(Arguments(argc, argv));
    if (!options.Unknown.empty()) {
        const auto translation = pivora::ui::LoadTranslation(language, translationsFolder);
        Print(stderr, pivora::ui::UnknownOptionText(options.Unknown, translation.get()));
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Pivora"));
    // Task bars and docks tie the window (WM_CLASS "pivora", "Pivora") to its menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.pivora.Pivora"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.pivora.Pivora"),
                                                 QIcon(QStringLiteral(":/images/pivora.svg"))));
    QApplication::setApplicationVersion(QStringLiteral(PIVORA_VERSION));

    // File names are bytes on this system; they are passed on exactly as given, made absolute
    // so that a running instance can use them from its own folder.
    std::vector<std::string> files;
    for (const std::string& file : options.Files)
        files.push_back(pivora::platform::AbsolutePath(file));

    // A second start hands its files to the running program and ends without a word.
    pivora::ui::SingleInstance instance;
    if (!instance.Acquire(files))
        return 0;

    // Chinese is the interface's own language; English comes from the translation beside the
    // program. Qt's own dialogs and buttons speak the same language.
    const std::unique_ptr<QTranslator> translation =
        pivora::ui::InstallTranslation(language, translationsFolder);
    const std::unique_ptr<QTranslator> qtTranslation = pivora::ui::InstallQtTranslation(language);

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
    // Closed already by a log-off or a signal while a message was up: no loop would end.
    if (!pivora::ui::OpenWithFiles(window, files))
        return 0;
    return app.exec();
}
