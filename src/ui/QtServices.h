#pragma once

#include "platform/EventPump.h"

#include <string>

namespace pivora::ui {

// What the window asks of the desktop: the file browser and the sound player. Tests put a
// recorder in its place, so nothing is launched.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;
    virtual void OpenFolder(const std::string& folder) = 0;
    // A document in its own program (the help page).
    virtual void OpenDocument(const std::string& file) = 0;
    // A link in the program that handles it ("mailto:...").
    virtual void OpenUrl(const std::string& url) = 0;
    virtual void PlaySound(const std::string& soundFile) = 0;
};

class QtDesktopServices : public DesktopServices
{
public:
    explicit QtDesktopServices(pivora::platform::EventPump& pump) : m_pump(pump) {}
    void OpenFolder(const std::string& folder) override;
    void OpenDocument(const std::string& file) override;
    void OpenUrl(const std::string& url) override;
    void PlaySound(const std::string& soundFile) override;

private:
    pivora::platform::EventPump& m_pump;
};

} // namespace pivora::ui
