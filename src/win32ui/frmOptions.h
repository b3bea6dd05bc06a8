#pragma once

#include "window/OptionsLogic.h"

#include <windows.h>

#include <string>

namespace pivora::win32ui {

class Win32EventPump;

// The options dialog "设置": the sound reminder, the lossless turn and the number of
// conversions at once; the stored time range is carried through unseen. What the boxes show
// and what OK keeps are the options' rules in the core; anything but OK discards.
class frmOptions
{
public:
    frmOptions(HWND owner, Win32EventPump& pump, pivora::window::OptionsLogic logic);
    ~frmOptions();
    frmOptions(const frmOptions&) = delete;
    frmOptions& operator=(const frmOptions&) = delete;

    static void RegisterClass();
    // Shows the dialog; the owner takes no input until it is closed. The pump's held-up work
    // (a running batch) goes on meanwhile.
    void ShowModal();
    // Closes it as "返回" does.
    void Cancel();

private:
    template <typename T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    void AttachWindow(HWND window);
    void DetachWindow();
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    void Layout(UINT dpi);
    void Form_Load();
    void Command1_Click();
    void Finish();

    HWND m_owner;
    Win32EventPump& m_pump;
    pivora::window::OptionsLogic m_logic;
    pivora::window::OptionsFields m_fields;
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
