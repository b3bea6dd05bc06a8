#pragma once

#include "input/InputList.h"
#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"
#include "ui/CommonDlgsW.h"
#include "ui/QtEventPump.h"
#include "ui/QtServices.h"
#include "window/MainLogic.h"
#include "window/WindowView.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;

namespace pivora::ui {

class Announcer;
class DropZone;
class InputListModel;
class ScreenFit;
class frmMenu;
class frmPreview;

class frmMain;
// Stops a running batch and closes the window when the system asks the program to end
// (SIGTERM, SIGINT, SIGHUP; the console's events on Windows), for as long as the returned
// object lives.
std::unique_ptr<QObject> CloseOnShutdownRequests(frmMain& window);

// Where the window finds its converter and keeps its files.
using frmMainSetup = pivora::window::MainSetup;

// The main window in Qt: its controls, and their events turned into the calls of the window's
// logic (pivora::window::MainLogic), which decides what they do.
class frmMain : public QMainWindow, private pivora::window::WindowView
{
    Q_OBJECT
public:
    explicit frmMain(frmMainSetup setup = frmMainSetup::Defaults(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Files named on the program's command line join the list in order.
    void AddFiles(const std::vector<std::string>& paths) { m_logic->AddFiles(paths); }

    pivora::input::InputList& Entries() { return m_logic->Entries(); }
    pivora::settings::OptionValues& Options() { return m_logic->Options(); }
    const pivora::settings::ProgramSettings& Settings() const { return m_logic->Settings(); }
    bool BatchRunning() const { return m_logic->BatchRunning(); }
    const std::string& OptionsPath() const { return m_logic->OptionsPath(); }
    const std::string& OutputFolderPath() const { return m_logic->OutputFolderPath(); }
    // Rescales the window and its controls from the design density to `dpi`.
    void ScaleToScreen(double dpiX, double dpiY);
    // How far the window was scaled down to fit its screen; 1 when it fits as it is.
    double ScreenFitFactor() const;
    frmMenu& PopupMenus() { return *m_frmMenu; }

    // Command procedures, as the logic runs them.
    void imgAdd_Click() { m_logic->imgAdd_Click(); }
    void imgHelp_Click() { m_logic->imgHelp_Click(); }
    void menuA_Click() { m_logic->menuA_Click(); }
    void AddFolder() { m_logic->AddFolder(); }
    void imgBrowse_Click() { m_logic->imgBrowse_Click(); }
    void cmdBrowse_Click() { m_logic->cmdBrowse_Click(); }
    void picDrag_Click() { m_logic->picDrag_Click(); }
    void LV_OLEDragOver() { m_logic->LV_OLEDragOver(); }
    void Command3_Click() { m_logic->Command3_Click(); }
    void imgStart_Click() { m_logic->imgStart_Click(); }
    void imgRemove_Click() { m_logic->imgRemove_Click(); }
    void menuRA_Click() { m_logic->menuRA_Click(); }
    void imgToolbar_Click(int index) { m_logic->imgToolbar_Click(index); }
    void picDoor_Click() { m_logic->picDoor_Click(); }
    void LV_DblClick(int row) { m_logic->LV_DblClick(row); }
    // The system asks the program to end (a signal, a log-off): a running batch is stopped
    // without a question, then the window closes.
    void ShutdownRequested() { m_logic->ShutdownRequested(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void SetKeyboardOrder();
    void Form_MouseMove();
    // The command box: the popup menus write command words into it.
    void txtAction_Change(const QString& word);
    void ShowStateColumn();
    void ScaleColumns(double factor);
    void ShowBox(const QString& text, const QString& title, pivora::window::Icon icon);

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
    void RequestQuit() override { m_pump.RequestQuit(); }
    std::string Translate(const char* source) const override;
    std::string TranslateAs(const char* source, const char* disambiguation) const override;
    std::string TranslateCount(const char* source, int count) const override;
    std::string Credits() const override;
    void Announce(const std::string& text) override;

    QtEventPump m_pump;
    std::unique_ptr<QtDesktopServices> m_ownServices;
    std::unique_ptr<pivora::window::MainLogic> m_logic;
    std::vector<QWidget*> m_controls; // in the window's control order, for rescaling
    int m_nameColumnWidth = 0;        // the file-name column's own width, when it has one
    CommonDlgsW m_dialogs;

    InputListModel* m_model = nullptr;
    std::array<QToolButton*, 6> CmdToolsBar{};
    QLabel* Label10 = nullptr;
    QTreeView* LV = nullptr;
    QFrame* picText = nullptr;
    QLabel* lblText = nullptr;
    DropZone* picDoor = nullptr;
    DropZone* picDrop = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cmbOF1 = nullptr;
    QComboBox* cmbOF = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* cmbRotate = nullptr;
    QLabel* Label11 = nullptr;
    QComboBox* cmbBitrate = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* lblPB = nullptr;
    QProgressBar* pb = nullptr;
    QLabel* lblFeed = nullptr;
    DropZone* picDrag = nullptr;
    QWidget* imgPB = nullptr;
    QTimer* Timer1 = nullptr;
    std::array<QTimer*, pivora::window::kTimerCount> m_timers{};
    QAction* menuAdd = nullptr;
    QAction* menuFolder = nullptr;
    QLineEdit* txtAction = nullptr;
    frmMenu* m_frmMenu = nullptr;
    frmPreview* m_preview = nullptr;
    Announcer* m_announcer = nullptr;
    ScreenFit* m_fit = nullptr;
    QMetaObject::Connection m_focusWatch;
};

} // namespace pivora::ui
