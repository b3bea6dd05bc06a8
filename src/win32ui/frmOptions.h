#pragma once

#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"

#include <windows.h>

#include <string>

namespace pivora::win32ui {

class Win32EventPump;

// The options dialog "设置": the sound reminder, the lossless turn and the number of
// conversions at once; the stored time range is carried through. OK stores and saves;
// anything else discards.
class frmOptions
{
public:
    frmOptions(HWND owner, Win32EventPump& pump, pivora::settings::OptionValues& options,
               std::string optionsPath, pivora::settings::ProgramSettings& settings,
               std::string settingsPath);
    ~frmOptions();
    frmOptions(const frmOptions&) = delete;
    frmOptions& operator=(const frmOptions&) = delete;

    static void RegisterClass(HINSTANCE instance);
    // Shows the dialog; the owner takes no input until it is closed. The pump's held-up work
    // (a running batch) goes on meanwhile.
    void ShowModal();

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    void Layout(UINT dpi);
    void Form_Load();
    void Command1_Click();
    void Finish();

    HWND m_owner;
    Win32EventPump& m_pump;
    pivora::settings::OptionValues& m_options;
    std::string m_optionsPath;
    pivora::settings::ProgramSettings& m_settings;
    std::string m_settingsPath;
    HWND m_hwnd = nullptr;
    HWND Label1 = nullptr;
    HWND cmbSR = nullptr;
    HWND Label2 = nullptr;
    HWND cmbLR = nullptr;
    HWND Label3 = nullptr;
    HWND cmbPJ = nullptr;
    HWND Command1 = nullptr;
    HWND Command2 = nullptr;
    HWND m_tooltip = nullptr;
    HFONT m_font = nullptr;
    bool m_done = false;
};

} // namespace pivora::win32ui
