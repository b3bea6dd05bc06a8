#include "ui/COMDLG.h"

#include "platform/CodePage.h"
#include "ui/CommonDlgsW.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace pivora::ui {

namespace {

std::string ToAnsi(const QString& path)
{
    return pivora::platform::AnsiRoundTrip(QFile::encodeName(path).toStdString());
}

} // namespace

std::string BrowseForFile(QWidget* owner, const QString& caption, const QString& initialFolder,
                          const QString& filter, std::int32_t flags,
                          const std::string& programFolder)
{
    QString folder = initialFolder;
    if (!folder.trimmed().isEmpty()) {
        if (!folder.endsWith(QDir::separator()))
            folder += QDir::separator();
        const QDir listing(folder);
        if (!listing.exists() || !listing.isReadable())
            folder.clear();
    } else {
        folder.clear();
    }
    if (folder.isEmpty())
        folder = QFile::decodeName(QByteArray::fromStdString(programFolder));

    QFileDialog dialog(owner, caption, folder);
    UseSuitableDialog(dialog);
    dialog.setFileMode((flags & CommonDlgsW::kAllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(CommonDlgsW::QtFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return ToAnsi(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

std::string BrowseForFolder(QWidget* owner, const QString& prompt)
{
    // The prompt leads to the folder box; as the dialog's title it has no colon.
    QString title = prompt;
    while (title.endsWith(QLatin1Char(':')) || title.endsWith(QChar(0xFF1A)))
        title.chop(1);
    QFileDialog dialog(owner, title);
    UseSuitableDialog(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::LookIn, prompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return ToAnsi(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

} // namespace pivora::ui
