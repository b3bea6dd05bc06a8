#include "ui/CommonDlgsW.h"

#include "ui/ScreenFit.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>

namespace pivora::ui {

namespace {

std::int32_t ToColorRef(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QColor FromColorRef(std::int32_t value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

} // namespace

void UseSuitableDialog(QWidget& dialog)
{
    const bool offscreen = QGuiApplication::platformName() == QStringLiteral("offscreen");
    if (auto* files = qobject_cast<QFileDialog*>(&dialog))
        files->setOption(QFileDialog::DontUseNativeDialog, offscreen);
    else if (auto* colors = qobject_cast<QColorDialog*>(&dialog))
        colors->setOption(QColorDialog::DontUseNativeDialog, offscreen);
    // Qt's own dialogs at 200 % are larger than a small screen.
    FitDialogToScreen(dialog);
}

std::int32_t SystemColor(int index)
{
    const QPalette palette = QApplication::palette();
    QPalette::ColorRole role = QPalette::Window;
    QPalette::ColorGroup group = QPalette::Active;
    switch (index) {
    case 0:
        role = QPalette::Mid;
        break; // scroll bar
    case 1:
        role = QPalette::Dark;
        break; // desktop
    case 2:
    case 27:
    case 13:
    case 29:
        role = QPalette::Highlight;
        break;
    case 3:
    case 28:
        group = QPalette::Inactive;
        role = QPalette::Highlight;
        break;
    case 4:
    case 30:
        role = QPalette::Window;
        break; // menu, menu bar
    case 5:
        role = QPalette::Base;
        break; // window
    case 6:
        role = QPalette::Shadow;
        break; // window frame
    case 7:
    case 8:
        role = QPalette::WindowText;
        break; // menu text, window text
    case 9:
    case 14:
        role = QPalette::HighlightedText;
        break;
    case 10:
    case 11:
    case 15:
        role = QPalette::Button;
        break;
    case 12:
        role = QPalette::Mid;
        break; // application workspace
    case 16:
        role = QPalette::Dark;
        break; // button shadow
    case 17:
        group = QPalette::Disabled;
        role = QPalette::Text;
        break;
    case 18:
        role = QPalette::ButtonText;
        break;
    case 19:
        group = QPalette::Inactive;
        role = QPalette::HighlightedText;
        break;
    case 20:
        role = QPalette::Light;
        break;
    case 21:
        role = QPalette::Shadow;
        break;
    case 22:
        role = QPalette::Midlight;
        break;
    case 23:
        role = QPalette::ToolTipText;
        break;
    case 24:
        role = QPalette::ToolTipBase;
        break;
    case 26:
        role = QPalette::Link;
        break;
    default:
        role = QPalette::Window;
        break;
    }
    return ToColorRef(palette.color(group, role));
}

void CommonDlgsW::SetColor(std::int32_t value)
{
    m_color = value < 0 ? SystemColor(value & 0xFFFF) : value;
}

QStringList CommonDlgsW::QtFilters(const QString& filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            // "*.*" means every file, with or without an extension.
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

bool CommonDlgsW::ShowFileDialog(QWidget* owner, bool save)
{
    QFileDialog dialog(owner, DialogTitle);
    UseSuitableDialog(dialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save                        ? QFileDialog::AnyFile
                       : Flags & kAllowMultiSelect ? QFileDialog::ExistingFiles
                                                   : QFileDialog::ExistingFile);
    const QStringList filters = QtFilters(Filter);
    // Each description already shows its patterns ("所有格式(*.*)"): shown once.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(filters);
    if (FilterIndex >= 1 && FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[FilterIndex - 1]);
    if (!DefaultExt.isEmpty())
        dialog.setDefaultSuffix(DefaultExt);
    if (!InitDir.isEmpty())
        dialog.setDirectory(InitDir);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;

    const QStringList chosen = dialog.selectedFiles();
    FileTitle.clear();
    if (Flags & kAllowMultiSelect) {
        // The folder, then each name, separated by NUL characters.
        const QString folder = QFileInfo(chosen.first()).absolutePath();
        QStringList names;
        for (const QString& file : chosen)
            names << QFileInfo(file).fileName();
        FileName = chosen.size() == 1 ? QDir::toNativeSeparators(chosen.first())
                                      : folder + QChar(0) + names.join(QChar(0));
    } else {
        FileName = QDir::toNativeSeparators(chosen.first());
        if (!(Flags & kNoValidate)) {
            FileTitle = QFileInfo(FileName).fileName();
            Title = FileTitle;
        }
    }
    const qsizetype filterIndex = filters.indexOf(dialog.selectedNameFilter());
    if (filterIndex >= 0)
        FilterIndex = static_cast<std::int32_t>(filterIndex + 1);
    return true;
}

bool CommonDlgsW::ShowOpen(QWidget* winHwnd)
{
    return ShowFileDialog(winHwnd, false);
}

bool CommonDlgsW::ShowSave(QWidget* hWnd)
{
    return ShowFileDialog(hWnd, true);
}

bool CommonDlgsW::ShowColor(QWidget* hWnd)
{
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, FromColorRef(m_customColors[static_cast<std::size_t>(i)]));
    QColorDialog dialog(FromColorRef(m_color), hWnd);
    UseSuitableDialog(dialog);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < 16; ++i)
        m_customColors[static_cast<std::size_t>(i)] = ToColorRef(QColorDialog::customColor(i));
    if (!chosen)
        return false;
    m_color = ToColorRef(dialog.selectedColor());
    return true;
}

} // namespace pivora::ui
