#include "ui/StartOptions.h"

#include "ui/frmMain.h"

#include <QString>
#include <QTranslator>

namespace pivora::ui {

namespace {

constexpr const char* kContext = "pivora::ui::StartOptions";

QString Text(const QTranslator* translation, const char* source)
{
    if (translation) {
        const QString translated = translation->translate(kContext, source);
        if (!translated.isEmpty())
            return translated;
    }
    return QString::fromUtf8(source);
}

} // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& arguments)
{
    StartOptions options;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.Files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            options.Help = true;
        } else if (argument == "-V" || argument == "--version") {
            options.Version = true;
        } else if (options.Unknown.empty()) {
            options.Unknown = argument;
        }
    }
    return options;
}

std::string HelpText(const QTranslator* translation)
{
    return Text(translation, QT_TRANSLATE_NOOP("pivora::ui::StartOptions",
                                               "用法: pivora [选项] [文件或文件夹...]\n"
                                               "打开 Pivora 的窗口, 把命名的文件加入列表; "
                                               "文件夹连同子文件夹里的文件一起加入.\n"
                                               "\n"
                                               "  -h, --help     显示本说明后退出\n"
                                               "  -V, --version  显示版本后退出\n"
                                               "  --             其后的参数都是文件名, "
                                               "即使以 \"-\" 开头\n"
                                               "\n"
                                               "也可使用 Qt 的通用选项, 例如 -platform 和 "
                                               "-style.\n"
                                               "不打开窗口转换文件: pivora-cli --help\n"))
        .toStdString();
}

std::string VersionLine()
{
    return "pivora " PIVORA_VERSION "\n";
}

std::string UnknownOptionText(const std::string& option, const QTranslator* translation)
{
    return Text(translation,
                QT_TRANSLATE_NOOP("pivora::ui::StartOptions", "pivora: 未知的选项 '%1'\n"
                                                              "用 'pivora --help' 查看用法.\n"))
        .arg(QString::fromLocal8Bit(option))
        .toStdString();
}

bool OpenWithFiles(frmMain& window, const std::vector<std::string>& files)
{
    window.show();
    window.AddFiles(files);
    return window.isVisible();
}

} // namespace pivora::ui
