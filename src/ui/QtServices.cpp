#include "ui/QtServices.h"

#include "platform/Sound.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace pivora::ui {

void QtDesktopServices::OpenFolder(const std::string& folder)
{
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(folder))));
}

void QtDesktopServices::OpenDocument(const std::string& file)
{
    OpenFolder(file);
}

void QtDesktopServices::OpenUrl(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void QtDesktopServices::PlaySound(const std::string& soundFile)
{
    pivora::platform::PlaySoundFile(soundFile, m_pump);
}

} // namespace pivora::ui
