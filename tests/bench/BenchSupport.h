#pragma once

#include "ui/frmMain.h"

#include <QTemporaryDir>

namespace pivora::bench {

// The desktop is left alone: nothing is opened or played while measuring.
class NoDesktop : public pivora::ui::DesktopServices
{
public:
    void OpenFolder(const std::string&) override {}
    void OpenDocument(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    void PlaySound(const std::string&) override {}
};

// Folders of the benchmark's own, so that a running Pivora is not disturbed.
inline void UseOwnFolders(pivora::ui::frmMainSetup& setup, const QTemporaryDir& scratch)
{
    const std::string own = scratch.path().toStdString();
    setup.WorkFolder = own + "/cache/pivora/work";
    setup.TempCopiesFolder = own + "/cache/pivora/tmp";
    setup.SettingsFolder = own + "/config";
}

} // namespace pivora::bench
