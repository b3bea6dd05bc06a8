#pragma once

#include "engine/BatchDriver.h"
#include "engine/Progress.h"
#include "engine/UserMessages.h"
#include "input/AddingFiles.h"
#include "input/InputList.h"
#include "input/TempCopies.h"
#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"
#include "ui/CommonDlgsW.h"
#include "ui/QtEventPump.h"
#include "ui/QtServices.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMessageBox;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;

namespace pivora::ui {

class Announcer;
class DropZone;
class ScreenFit;
class InputListModel;
class WindowBackground;
class frmMenu;
class frmPreview;

// "Ver major.minor.revision", for the About box.
std::string VersionText();

class frmMain;
// Stops a running batch and closes the window when the system asks the program to end
// (SIGTERM, SIGINT, SIGHUP; the console's events on Windows), for as long as the returned
// object lives.
std::unique_ptr<QObject> CloseOnShutdownRequests(frmMain& window);

// Where the window finds its converter and keeps its files. The defaults are the real ones;
// tests point them at folders of their own.
struct frmMainSetup
{
    std::string ProgramFolder;
    std::string WorkFolder;
    std::string LogPath;
    std::string JournalFolder; // the running batch's journal; none when empty
    std::string CacheFolder;   // what the program remembers of its converter
    std::string DefaultOutputFolder;
    std::string TempCopiesFolder;
    std::string SettingsFolder;          // pvsetting.ini, and options.ini when need be
    DesktopServices* Services = nullptr; // not owned; the desktop's own when null

    static frmMainSetup Defaults();
};

// The main window: the input list, the encoding panel and the batch that ties them together.
class frmMain : public QMainWindow,
                private pivora::engine::BatchHost,
                private pivora::engine::UserMessages
{
    Q_OBJECT
public:
    explicit frmMain(frmMainSetup setup = frmMainSetup::Defaults(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Files named on the program's command line join the list in order.
    void AddFiles(const std::vector<std::string>& paths);

    pivora::input::InputList& Entries() { return m_list; }
    pivora::settings::OptionValues& Options() { return m_options; }
    const pivora::settings::ProgramSettings& Settings() const { return m_settings; }
    bool BatchRunning() const { return m_driver->Running(); }
    const std::string& OptionsPath() const { return m_optionsPath; }
    const std::string& OutputFolderPath() const { return m_outputFolderPath; }
    // Rescales the window and its controls from the design density to `dpi`.
    void ScaleToScreen(double dpiX, double dpiY);
    // How far the window was scaled down to fit its screen; 1 when it fits as it is.
    double ScreenFitFactor() const;

    // Command procedures.
    void imgAdd_Click();
    void imgHelp_Click();
    void lblFeed_Click();
    void menuA_Click();
    // Runs the command word written into the command box, then empties the box.
    void DispatchCommandWord(const QString& word);
    frmMenu& PopupMenus() { return *m_frmMenu; }
    void AddFolder();
    void imgBrowse_Click();
    void cmdBrowse_Click();
    void menuRS_Click();
    void picDrag_Click();
    void picDrop_Click();
    void picDoor_OLEDragDrop(const QMimeData* dragData);
    void picDrop_OLEDragDrop(const QMimeData* dragData);
    void LV_OLEDragDrop(const QMimeData* dragData);
    void LV_OLEDragOver();
    void picDrag_OLEDragDrop(const QMimeData* dragData);
    void Command3_Click();
    void imgStart_Click();
    void imgRemove_Click();
    void menuRA_Click();
    void imgExit_Click();
    void imgToolbar_Click(int index);
    void CmdToolsBar_Click(int index);
    void picDoor_Click();
    // Opens "预览" for the list's row `row`.
    void LV_DblClick(int row);
    // The system asks the program to end (a signal, a log-off): a running batch is stopped
    // without a question, then the window closes.
    void ShutdownRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void SetKeyboardOrder();
    void picDoor_Activate();
    void OpenHelpTarget();
    void Form_MouseMove();
    void Form_Load();
    void Form_Unload();
    void Timer1_Timer();
    void StopBatch();
    // After a batch that the program did not live to finish: its outputs are tidied up, and
    // the files it never converted are offered back.
    void RecoverInterruptedBatch();
    bool ConfirmStopAndQuit();
    void cmbOF1_Click(int index);
    void cmbRotate_Click(int index);
    void ScaleColumns(double factor);
    // The state column shows while several files may be converted at once.
    void ShowStateColumn();
    void SetCommandsEnabled(bool enabled);
    void UpdateHint();
    // One way of adding files at a time; false when another is still at work.
    bool BeginAdding();
    void EndAdding();
    void SetAddingLocked(bool locked);
    struct AddingDone
    {
        frmMain& window;
        ~AddingDone() { window.EndAdding(); }
    };
    void ShowHintText(const QString& text);
    // Names in one message the files the last add refused, if any.
    void ShowRefused();
    void FullDrop(const QMimeData* dragData);

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
    void ShowBox(const QString& text, const QString& title, Icon icon);

    frmMainSetup m_setup;
    QtEventPump m_pump;
    std::unique_ptr<QtDesktopServices> m_ownServices;
    DesktopServices* m_services = nullptr;
    pivora::input::InputList m_list;
    pivora::settings::OptionValues m_options;
    pivora::settings::ProgramSettings m_settings;
    std::string m_settingsPath;
    std::unique_ptr<pivora::engine::BatchDriver> m_driver;
    bool m_armed = false;
    bool m_adding = false;
    bool m_closeAfterBatch = false;
    bool m_shutdownRequested = false;
    QMessageBox* m_closeQuestion = nullptr;
    bool m_unloaded = false;
    std::string m_optionsPath;
    std::string m_outputFolderPath;
    std::vector<QWidget*> m_controls; // in the window's control order, for rescaling
    int m_nameColumnWidth = 0;        // the file-name column's own width, when it has one
    CommonDlgsW m_dialogs;
    pivora::input::TempCopies m_copies;
    std::unique_ptr<pivora::input::InputAdder> m_adder;
    // The files the last folder search found.
    std::vector<std::string> lstAddFolder;

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
    QAction* menuAdd = nullptr;
    QAction* menuFolder = nullptr;
    QLineEdit* txtAction = nullptr;
    frmMenu* m_frmMenu = nullptr;
    frmPreview* m_preview = nullptr;
    QMetaObject::Connection m_focusWatch;
    Announcer* m_announcer = nullptr;
    ScreenFit* m_fit = nullptr;
};

} // namespace pivora::ui
