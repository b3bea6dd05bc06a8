#pragma once

#include "platform/EventPump.h"
#include "window/WindowView.h"

#include <string>

namespace pivora::ui {

using DesktopServices = pivora::window::DesktopServices;

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
