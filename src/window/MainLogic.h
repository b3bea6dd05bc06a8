#pragma once

#include "engine/BatchDriver.h"
#include "engine/UserMessages.h"
#include "input/AddingFiles.h"
#include "input/InputList.h"
#include "input/TempCopies.h"
#include "platform/EventPump.h"
#include "settings/OptionValues.h"
#include "settings/ProgramSettings.h"
#include "window/Commands.h"
#include "window/OptionsLogic.h"
#include "window/WindowView.h"

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pivora::window {

// Where the window finds its converter and keeps its files. The defaults are the real ones;
// tests point them at folders of their own.
struct MainSetup
{
    std::string ProgramFolder;
    std::string WorkFolder;
    std::string LogPath;
    std::string JournalFolder; // the running batch's journal; none when empty
    std::string CacheFolder;   // what the program remembers of its converter
    std::string DefaultOutputFolder;
    std::string TempCopiesFolder;
    std::string SettingsFolder;          // pvsetting.ini, and options.ini when need be
    DesktopServices* Services = nullptr; // not owned; the window's own when null

    static MainSetup Defaults();
};

// What the main window does, whichever toolkit draws it: the commands, the messages, the
// adding lock, the batch's start, stop and end, the close and recovery questions, start-up,
// shut-down and the settings. It owns the input list and the batch; the window owns the
// controls, tells this object of their events and shows what it is told (WindowView).
class MainLogic : private pivora::engine::BatchHost, private pivora::engine::UserMessages
{
public:
    MainLogic(MainSetup setup, WindowView& view, DesktopServices& services,
              pivora::platform::EventPump& pump);
    ~MainLogic() override;
    MainLogic(const MainLogic&) = delete;
    MainLogic& operator=(const MainLogic&) = delete;

    pivora::input::InputList& Entries() { return m_list; }
    pivora::settings::OptionValues& Options() { return m_options; }
    const pivora::settings::ProgramSettings& Settings() const { return m_settings; }
    const MainSetup& Setup() const { return m_setup; }
    const std::string& OptionsPath() const { return m_optionsPath; }
    const std::string& OutputFolderPath() const { return m_outputFolderPath; }
    bool BatchRunning() const { return m_driver->Running(); }
    // Files are being added: drops are refused meanwhile.
    bool Adding() const { return m_adding; }
    // What the list's state column says of row `row`: "转换中", "46%" or nothing.
    std::string StateText(std::size_t row) const;
    // Whether the state column shows: several files are converted at once.
    bool StatesShown() const { return m_statesShown; }

    // Start-up, once the window's controls exist: defaults, settings, the clean-up after an
    // earlier run; the recovery question follows once the window is up (Timer::Recovery).
    void Form_Load();
    // The window is being closed by any path. True: shut-down has run and the window closes.
    // False: it stays, for now: a question is asked or a batch is being stopped, and the logic
    // calls WindowView::CloseWindow again when the window may close.
    bool QueryUnload();
    // The system asks the program to end (a signal, a log-off): a running batch is stopped
    // without a question, every dialog closes, then the window.
    void ShutdownRequested();
    void TimerTick(Timer timer);

    // Files named on the program's command line, or handed over by a second start.
    void AddFiles(const std::vector<std::string>& paths);

    // Commands.
    void CmdToolsBar_Click(int index);
    void imgToolbar_Click(int index);
    void MenuBar_Click(MenuItem item);
    // A popup menu's item: its command word, or "移除所有".
    void PopupMenu_Click(const PopupEntry& item);
    // Runs the command word written into the command box; the box is emptied after it.
    void DispatchCommandWord(const std::string& word);
    void imgAdd_Click();
    void AddFolder();
    void imgHelp_Click();
    void lblFeed_Click();
    void menuA_Click();
    void imgExit_Click();
    void imgRemove_Click();
    void menuRS_Click();
    void menuRA_Click();
    void imgBrowse_Click();
    void cmdBrowse_Click() { imgBrowse_Click(); }
    void txtPath_Click() { cmdBrowse_Click(); }
    void cmbOF1_Click(int index);
    void cmbRotate_Click(int index);
    void LV_DblClick(int row);

    // The drop targets and their clicks. A drop carries the dropped names, or nothing when
    // the drag held no files.
    using Drop = std::optional<pivora::input::DropFileList>;
    void picDoor_Click();
    // Pressed by a key: adds files as "添加文件" does, when it may.
    void picDoor_Activate();
    void picDrop_Click();
    void picDrag_Click();
    void LV_OLEDragOver();
    void picDoor_OLEDragDrop(const Drop& drop);
    void picDrop_OLEDragDrop(const Drop& drop);
    void LV_OLEDragDrop(const Drop& drop);
    void picDrag_OLEDragDrop(const Drop& drop);

    // The batch: "旋转视频" (which reads "停止" during a batch and stops it), the start itself.
    void Command3_Click();
    void imgStart_Click();
    void imgConvert_Click() { imgStart_Click(); }

private:
    void Form_Unload();
    void RecoverInterruptedBatch();
    void PutBack(std::unique_ptr<pivora::engine::InterruptedBatches> batches);
    void CloseConfirmed();
    void Timer1_Timer();
    void StopBatch();
    void OpenHelpTarget();
    void ShowStateColumn();
    void SetCommandsEnabled(bool enabled);
    void UpdateHint();
    void ShowHintText(const std::string& text);
    // One way of adding files at a time; false when another is still at work. EndAdding
    // unlocks and names what was refused.
    bool BeginAdding();
    void EndAdding();
    void SetAddingLocked(bool locked);
    // Names what the last add left out: special files, folders that cannot be read.
    void ShowRefused();
    void FullDrop(const Drop& drop);
    void SimpleDrop(const Drop& drop);
    std::string Tr(const char* source) const { return m_view.Translate(source); }
    // A callback that does nothing once this object has gone.
    template <typename F> auto Guarded(F f)
    {
        return [alive = std::weak_ptr<bool>(m_alive), f = std::move(f)](auto&&... args) {
            if (alive.lock())
                f(std::forward<decltype(args)>(args)...);
        };
    }

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
    void AnnounceEnd(bool stopped);

    // UserMessages
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override;
    std::string Translate(const char* source) const override { return Tr(source); }

    MainSetup m_setup;
    WindowView& m_view;
    DesktopServices& m_services;
    pivora::platform::EventPump& m_pump;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    pivora::input::InputList m_list;
    pivora::settings::OptionValues m_options;
    pivora::settings::ProgramSettings m_settings;
    std::string m_settingsPath;
    std::string m_optionsPath;
    std::string m_outputFolderPath;
    pivora::input::TempCopies m_copies;
    std::unique_ptr<pivora::engine::BatchDriver> m_driver;
    std::unique_ptr<pivora::input::InputAdder> m_adder;
    // The files the last folder search found, and the folders it could not list.
    std::vector<std::string> lstAddFolder;
    std::vector<std::string> m_unreadable;
    // The few entries that have a state: those being converted.
    std::vector<std::pair<pivora::input::EntryId, std::string>> m_states;
    bool m_statesShown = false;
    std::array<bool, kControlCount> m_enabled{};
    bool m_armed = false;
    bool m_adding = false;
    bool m_closeAfterBatch = false;
    bool m_shutdownRequested = false;
    bool m_closeAsked = false;
    bool m_unloaded = false;
};

} // namespace pivora::window
