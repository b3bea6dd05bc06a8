#pragma once

#include "engine/BatchDriver.h"
#include "engine/UserMessages.h"
#include "input/AddingFiles.h"
#include "input/InputList.h"
#include "input/TempCopies.h"
#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"
#include "win32ui/Images.h"
#include "win32ui/ListRows.h"
#include "win32ui/Win32EventPump.h"

#include <windows.h>

#include <shellapi.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace pivora::win32ui {

class frmPreview;

// Where the window finds its converter and keeps its files.
struct frmMainSetup
{
    std::string ProgramFolder;
    std::string WorkFolder;
    std::string LogPath;
    std::string JournalFolder;
    std::string CacheFolder;
    std::string DefaultOutputFolder;
    std::string TempCopiesFolder;
    std::string SettingsFolder;

    static frmMainSetup Defaults();
};

// The main window: the toolbar, the input list, the encoding panel and the batch.
class frmMain : private pivora::engine::BatchHost, private pivora::engine::UserMessages
{
public:
    explicit frmMain(frmMainSetup setup = frmMainSetup::Defaults());
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    static void RegisterClasses(HINSTANCE instance);
    bool Create(int showCommand);
    HWND Handle() const { return m_hwnd; }
    Win32EventPump& Pump() { return m_pump; }

    // Files named on the program's command line, or handed over by a second start.
    void AddFiles(const std::vector<std::string>& paths);
    // The window's own keys: Tab and Shift+Tab, Enter on a button, the list or a drop zone.
    bool PreTranslate(MSG& message);

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(NMHDR& header);

    void BuildControls();
    void BuildMenus();
    void Layout(UINT dpi);
    void SetColumns();
    void AddTooltip(HWND control, const std::string& text);
    void SetAccessibleName(HWND control, const std::string& name);
    void PaintHint(HWND listView);

    // Start-up and shut-down.
    void Form_Load();
    void Form_Unload();
    void RecoverInterruptedBatch();
    void Close();

    // Commands.
    void CmdToolsBar_Click(int index);
    void imgToolbar_Click(int index);
    void DispatchCommandWord(const std::string& word);
    void imgAdd_Click();
    void AddFolder();
    void imgBrowse_Click();
    void imgRemove_Click();
    void menuRA_Click();
    void imgHelp_Click();
    void lblFeed_Click();
    void menuA_Click();
    void Command3_Click();
    void imgStart_Click();
    void StopBatch();
    void Timer1_Timer();
    void LV_DblClick(int row);
    void picDoor_Click();
    void picDoor_Activate();
    void OnDropFiles(HDROP drop);
    void FullDrop(const pivora::input::DropFileList& files, bool onWelcome);
    void ShowOptions();
    void cmbOF1_Click();
    void cmbRotate_Click();
    bool ConfirmStopAndQuit();
    void ShutdownRequested();
    void Form_MouseMove();

    bool BeginAdding();
    void EndAdding();
    void SetAddingLocked(bool locked);
    struct AddingDone
    {
        frmMain& window;
        ~AddingDone() { window.EndAdding(); }
    };
    void ShowRefused();
    void UpdateHint();
    void ShowHintText(const std::string& text);
    void HideWelcome();
    void SetCommandsEnabled(bool enabled);
    void ShowStateColumn();
    void SetLabelText(HWND label, const std::string& text);

    // BatchHost
    int Rotation() const override;
    int OutputFormat() const override;
    std::string VideoBitrate() const override;
    std::string OutputFolderText() const override;
    void SetOutputFolderText(const std::string& text) override;
    void SetProgressValue(int value) override;
    void ShowProgress(const pivora::engine::ProgressDisplay& display) override;
    void ShowEntryState(pivora::input::EntryId id, const std::string& state) override;
    void UnlockPanel() override;
    void OpenFolder(const std::string& folder) override;
    void PlayEndSound() override;
    void UnlockCommands() override;
    void ShowFinished() override;
    void ShowStopped() override;
    void ShowNotStarted() override;

    // UserMessages
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override;
    std::string Translate(const char* source) const override;

    frmMainSetup m_setup;
    Win32EventPump m_pump;
    pivora::input::InputList m_list;
    pivora::settings::OptionValues m_options;
    pivora::settings::ProgramSettings m_settings;
    std::string m_settingsPath;
    std::string m_optionsPath;
    std::string m_outputFolderPath;
    std::unique_ptr<pivora::engine::BatchDriver> m_driver;
    pivora::input::TempCopies m_copies;
    std::unique_ptr<pivora::input::InputAdder> m_adder;
    bool m_armed = false;
    ULONGLONG m_stoppedAt = 0; // when the last stop was pressed or ended
    bool m_adding = false;
    bool m_closeAfterBatch = false;
    bool m_shutdownRequested = false;
    bool m_unloaded = false;
    bool m_inCloseQuestion = false;
    int m_internalFormat = 0; // the hidden format list's entry

    HWND m_hwnd = nullptr;
    UINT m_dpi = 96;
    std::array<HWND, 6> CmdToolsBar{};
    HWND Label10 = nullptr;
    HWND LV = nullptr;
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
    bool m_hintShown = true;
    std::wstring m_hintText;
    std::unique_ptr<frmPreview> m_preview;
};

} // namespace pivora::win32ui
