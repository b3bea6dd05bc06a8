#include "ui/frmMain.h"

#include <QApplication>
#include <QFont>

#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pivora"));
    QApplication::setApplicationVersion(QStringLiteral(PIVORA_VERSION));

    QFont font(QStringLiteral("Tahoma"));
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    QApplication::setFont(font);

    pivora::ui::frmMain window;
    // File names are bytes on this system; they are passed on exactly as given.
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        files.emplace_back(argv[i]);
    window.AddFiles(files);
    window.show();
    return app.exec();
}
