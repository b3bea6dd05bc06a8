#pragma once

#include "win32ui/Images.h"
#include "win32ui/ListRows.h"
#include "win32ui/Win32EventPump.h"
#include "window/MainLogic.h"
#include "window/WindowView.h"

#include <windows.h>

#include <shellapi.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace pivora::win32ui {

class DropTarget;
class frmOptions;
class frmPreview;

// The main window: the toolbar, the input list and the encoding panel. What its commands do
// is decided by the window's logic in the core; this window keeps its controls, shows what
// the logic tells it and turns the controls' events into the logic's calls.
class frmMain : private pivora::window::WindowView, private pivora::window::DesktopServices
{
public:
    explicit frmMain(pivora::window::MainSetup setup = pivora::window::MainSetup::Defaults());
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    static void RegisterClasses(HINSTANCE instance);
    bool Create(int showCommand);
    HWND Handle() const { return m_hwnd; }
    Win32EventPump& Pump() { return m_pump; }
    pivora::window::MainLogic& Logic() { return *m_logic; }

    // The window's own keys: Tab and Shift+Tab, Enter on a button, the list or a drop zone.
    bool PreTranslate(MSG& message);

private:
    template <typename T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    void AttachWindow(HWND window);
    void DetachWindow();
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    LRESULT OnNotify(NMHDR& header);
    void OnDropFiles(HDROP drop);
    void Dropped(const std::optional<std::vector<std::string>>& names);

    void BuildControls();
    void BuildMenus();
    // Lays the window out at its screen's density `dpi`, or at a lower one where the window
    // would not fit the screen's work area (a small screen at 200 %).
    void Layout(UINT dpi);
    void SetColumns();
    void AddTooltip(HWND control, const std::string& text);
    void SetAccessibleName(HWND control, const std::string& name);
    void PlaceHint();
    void Form_MouseMove();
    HWND ControlWindow(pivora::window::Control control) const;
    HWND BoxWindow(pivora::window::Box box) const;
    std::string Text(const char* source) const;

    // WindowView
    void SetEnabled(pivora::window::Control control, bool enabled) override;
    void SetVisible(pivora::window::Piece piece, bool visible) override;
    void SetText(pivora::window::Text text, const std::string& value) override;
    std::string GetText(pivora::window::Text text) const override;
    void SelectItem(pivora::window::Box box, int index) override;
    int SelectedItem(pivora::window::Box box) const override;
    void SetBar(int value) override;
    void SetFill(int pixels) override;
    void RowStateChanged(std::size_t row) override;
    std::optional<std::size_t> SelectedRow() const override;
    void ShowMessage(const std::string& text, const std::string& title,
                     pivora::window::Icon icon) override;
    void Ask(const std::string& text, const std::string& title, bool yesByDefault,
             std::function<void(bool yes)> answer) override;
    void CloseDialogs() override;
    void ShowOpen(const std::string& title, const std::string& filter,
                  std::function<void(const std::vector<std::string>& paths)> chosen) override;
    void BrowseForFile(const std::string& title, const std::string& folder,
                       const std::string& filter,
                       std::function<void(const std::string& path)> chosen) override;
    void BrowseForFolder(const std::string& prompt,
                         std::function<void(const std::string& folder)> chosen) override;
    void ShowOptions(pivora::window::OptionsLogic options, std::function<void()> closed) override;
    void PopupRemoveMenu() override;
    void ShowPreview(const pivora::input::InputEntry& entry, int rotation) override;
    void SetPreviewRotation(int rotation) override;
    void StartTimer(pivora::window::Timer timer, int milliseconds) override;
    void StopTimer(pivora::window::Timer timer) override;
    void CloseWindow() override;
    void RequestQuit() override;
    std::string Translate(const char* source) const override;
    std::string TranslateAs(const char* source, const char* disambiguation) const override;
    std::string TranslateCount(const char* source, int count) const override;
    void Announce(const std::string& text) override;
    std::string Credits() const override;

    // DesktopServices
    void OpenFolder(const std::string& folder) override;
    void OpenDocument(const std::string& file) override;
    void OpenUrl(const std::string& url) override;
    void PlaySound(const std::string& soundFile) override;

    Win32EventPump m_pump;
    std::unique_ptr<pivora::window::MainLogic> m_logic;

    HWND m_hwnd = nullptr;
    UINT m_dpi = 96;
    std::array<HWND, 6> CmdToolsBar{};
    HWND Label10 = nullptr;
    HWND LV = nullptr;
    HWND picText = nullptr;
    HWND picDoor = nullptr;
    HWND picDrop = nullptr;
    HWND Label1 = nullptr;
    HWND cmbOF1 = nullptr;
    HWND Label9 = nullptr;
    HWND cmbRotate = nullptr;
    HWND Label11 = nullptr;
    HWND cmbBitrate = nullptr;
    HWND Label8 = nullptr;
    HWND txtPath = nullptr;
    HWND cmdBrowse = nullptr;
    HWND Command3 = nullptr;
    HWND lblPB = nullptr;
    HWND pb = nullptr;
    HWND lblFeed = nullptr;
    HWND m_tooltip = nullptr;
    HMENU m_menuBar = nullptr;
    HMENU m_removeMenu = nullptr;
    int m_cmbOF = 0; // the hidden format list's entry
    bool m_dropTargets = true;
    HWND m_lastFocus = nullptr;
    DropTarget* m_dropTarget = nullptr; // registered with OLE while the window lives

    std::unique_ptr<ListRows> m_rows;
    std::vector<std::unique_ptr<Picture>> m_toolbarPictures;
    std::unique_ptr<Picture> m_welcomePicture;
    HFONT m_font = nullptr;
    HFONT m_formatFont = nullptr;
    HFONT m_startFont = nullptr;
    HFONT m_linkFont = nullptr;
    HFONT m_linkBoldFont = nullptr;
    int m_hotTool = -1;
    bool m_feedHot = false;
    frmOptions* m_options = nullptr; // while "设置" is open
    std::unique_ptr<frmPreview> m_preview;
};

} // namespace pivora::win32ui
