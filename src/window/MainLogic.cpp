#include "window/MainLogic.h"

#include "engine/CommandLine.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"
#include "settings/FormatPresets.h"
#include "settings/SettingsFiles.h"

#include <algorithm>
#include <cctype>

namespace pivora::window {

namespace {

constexpr const char* kFeedbackAddress = "feedback@pivora.app";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The folders start-up and shut-down clear are the program's own, never one the user made:
// the last two parts of the path must be the program's folder and one of its own.
bool IsProgramOwned(const std::string& folder)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char c : folder + "/") {
        if (c == '/' || c == '\\') {
            if (!part.empty())
                parts.push_back(Lower(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (parts.size() < 3)
        return false;
    const std::string& own = parts.back();
    return parts[parts.size() - 2] == "pivora" && (own == "tmp" || own == "work");
}

void ClearOwnFolder(const std::string& folder, pivora::platform::EventPump& pump)
{
    if (IsProgramOwned(folder))
        pivora::platform::RemoveFolderTree(folder, &pump);
}

} // namespace

std::string WithCount(std::string text, int count)
{
    if (const std::size_t at = text.find("%n"); at != std::string::npos)
        text.replace(at, 2, std::to_string(count));
    return text;
}

MainSetup MainSetup::Defaults()
{
    namespace fs = pivora::platform;
    MainSetup setup;
    setup.ProgramFolder = fs::ProgramFolder();
    setup.WorkFolder = fs::WorkFolder();
    setup.LogPath = fs::JoinPath(fs::StateFolder(), "activity.log");
    setup.JournalFolder = fs::StateFolder();
    setup.CacheFolder = fs::CacheFolder();
    setup.DefaultOutputFolder = fs::DefaultOutputFolder();
    setup.TempCopiesFolder = fs::TempCopiesFolder();
    setup.SettingsFolder = fs::SettingsFolder();
    return setup;
}

MainLogic::MainLogic(MainSetup setup, WindowView& view, DesktopServices& services,
                     pivora::platform::EventPump& pump)
    : m_setup(std::move(setup)), m_view(view), m_services(services), m_pump(pump),
      m_copies(m_setup.TempCopiesFolder)
{
    m_enabled.fill(true);
    pivora::engine::BatchDriver::Setup driverSetup{m_setup.ProgramFolder, m_setup.WorkFolder,
                                                   m_setup.LogPath};
    driverSetup.Settings = &m_settings;
    driverSetup.JournalFolder = m_setup.JournalFolder;
    driverSetup.CacheFolder = m_setup.CacheFolder;
    // An empty output box means this folder.
    driverSetup.DefaultOutputFolder = m_setup.DefaultOutputFolder;
    pivora::engine::BatchHost& host = *this;
    pivora::engine::UserMessages& messages = *this;
    m_driver = std::make_unique<pivora::engine::BatchDriver>(driverSetup, m_list, host, m_pump,
                                                             messages, m_options);

    m_adder = std::make_unique<pivora::input::InputAdder>(m_list, m_copies, &m_pump);
    m_adder->onCopying = [this](bool copying) {
        ShowHintText(copying ? Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "正在准备文件...")) : "");
    };
    m_adder->onSearching = [this](bool searching) {
        ShowHintText(searching ? Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "正在搜索...")) : "");
    };

    m_outputFolderPath = pivora::settings::OutputFolderFilePath(m_setup.SettingsFolder);
    m_optionsPath =
        pivora::settings::OptionsFilePath(m_setup.ProgramFolder, m_setup.SettingsFolder);
    m_settingsPath = pivora::settings::ProgramSettingsPath(m_setup.SettingsFolder);
}

MainLogic::~MainLogic()
{
    m_alive.reset();
}

void MainLogic::Form_Load()
{
    m_view.SelectItem(Box::cmbBitrate, 2);
    m_view.SelectItem(Box::cmbRotate, 0);
    m_driver->RotationFilter() = pivora::engine::RotationFilterFor(0);
    m_pump.ProcessEvents();
    m_view.SetFill(0);
    m_view.SelectItem(Box::cmbOF, 0);
    m_view.SetText(Text::txtPath, m_setup.DefaultOutputFolder);
    m_view.SetText(Text::txtPath,
                   pivora::settings::LoadOutputFolder(m_outputFolderPath, OutputFolderText(),
                                                      m_setup.DefaultOutputFolder));
    m_view.SetText(Text::Caption, pivora::engine::kProgramTitle);
    pivora::settings::LoadOptions(m_optionsPath, m_options);
    m_settings = pivora::settings::LoadProgramSettings(m_settingsPath);
    ShowStateColumn();
    // Selecting the first format applies its defaults, even though it is already selected.
    m_view.SelectItem(Box::cmbOF1, 0);
    cmbOF1_Click(0);
    m_view.SelectItem(Box::cmbOF, 4);
    // What an earlier run left behind: copies, the scratch folder, a converter still running.
    ClearOwnFolder(m_setup.TempCopiesFolder, m_pump);
    ClearOwnFolder(m_setup.WorkFolder, m_pump);
    pivora::platform::KillProcessByName(pivora::platform::ConverterProcessName(),
                                        pivora::platform::ConverterPath(m_setup.ProgramFolder));
    m_view.StartTimer(Timer::Recovery, 0);
}

void MainLogic::RecoverInterruptedBatch()
{
    if (m_setup.JournalFolder.empty() || m_unloaded)
        return;
    pivora::engine::ActivityLog log(m_setup.LogPath);
    // Held by the question's answer, which may come later.
    auto batches = std::make_shared<std::unique_ptr<pivora::engine::InterruptedBatches>>(
        std::make_unique<pivora::engine::InterruptedBatches>(
            m_setup.JournalFolder, pivora::platform::ConverterPath(m_setup.ProgramFolder), m_pump,
            log));
    // Closed meanwhile: the journals stay for the next start.
    if (m_unloaded || m_pump.Quitting())
        return;
    const std::vector<pivora::input::InputEntry>& entries = (*batches)->Unconverted();
    if (entries.empty()) {
        (*batches)->Discard();
        return;
    }
    m_view.Ask(
        m_view.TranslateCount(
            PIVORA_TRANSLATE_N_NOOP(
                "CoreTexts", "上次的转换没有完成, 还有 %n 个文件没有转换. 要把它们放回列表吗?"),
            static_cast<int>(entries.size())),
        pivora::engine::kProgramTitle, true, Guarded([this, batches](bool yes) {
            // Closed before the answer: the journals stay for the next start.
            if (m_unloaded)
                return;
            if (yes)
                PutBack(std::move(*batches));
            else
                (*batches)->Discard();
        }));
}

void MainLogic::PutBack(std::unique_ptr<pivora::engine::InterruptedBatches> batches)
{
    std::vector<pivora::input::InputEntry> back;
    std::string gone;
    // A file already in the list is not put there twice.
    for (pivora::input::InputEntry& entry :
         pivora::engine::NotListedYet(m_list, batches->Unconverted())) {
        if (pivora::platform::IsRegularFile(entry.Path))
            back.push_back(std::move(entry));
        else
            gone += "\n" + entry.DisplayText;
    }
    m_list.Append(back);
    if (!m_list.Empty())
        m_view.SetVisible(Piece::picDoor, false);
    UpdateHint();
    // The rest of the batch goes where it was going, made as it was going to be made.
    if (const auto& choices = batches->Choices(); choices && !back.empty()) {
        m_view.SetText(Text::txtPath, choices->OutputFolder);
        if (pivora::settings::DefaultsForFormat(choices->OutputFormat)) {
            m_view.SelectItem(Box::cmbOF1, choices->OutputFormat);
            cmbOF1_Click(choices->OutputFormat);
        }
        if (choices->Rotation >= 0 && choices->Rotation < pivora::engine::kRotationCount) {
            m_view.SelectItem(Box::cmbRotate, choices->Rotation);
            cmbRotate_Click(choices->Rotation);
        }
        if (!choices->VideoBitrate.empty())
            m_view.SetText(Text::cmbBitrate, choices->VideoBitrate);
    }
    // The journals stay until a batch's own journal holds the entries, or none is left.
    m_driver->KeepRecovered(std::move(batches), std::move(back));
    if (!gone.empty())
        m_view.ShowMessage(
            Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "以下文件已经不在了, 没有放回列表:")) + "\n" +
                gone,
            pivora::engine::kProgramTitle, Icon::Warning);
}

void MainLogic::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    pivora::settings::SaveOutputFolder(m_outputFolderPath, OutputFolderText());
    ClearOwnFolder(m_setup.WorkFolder, m_pump);
    ClearOwnFolder(m_setup.WorkFolder + "/", m_pump);
}

void MainLogic::TimerTick(Timer timer)
{
    switch (timer) {
    case Timer::Timer1:
        Timer1_Timer();
        break;
    case Timer::Recovery:
        RecoverInterruptedBatch();
        break;
    case Timer::Started:
        // The start has been handled: from now on the button stops the batch.
        if (m_driver->Running() && !m_driver->Stopping()) {
            m_enabled[static_cast<std::size_t>(Control::Command3)] = true;
            m_view.SetEnabled(Control::Command3, true);
        }
        break;
    }
}

void MainLogic::AddFiles(const std::vector<std::string>& paths)
{
    m_adder->AddNamedFiles(paths);
    m_driver->ListChanged();
    if (!m_list.Empty())
        m_view.SetVisible(Piece::picDoor, false);
    UpdateHint();
    ShowRefused();
}

void MainLogic::ShowRefused()
{
    // What the add left out, each kind named in one message.
    std::vector<std::string> unreadable = std::exchange(m_unreadable, {});
    for (std::string& folder : m_adder->TakeUnreadable())
        unreadable.push_back(std::move(folder));
    const std::pair<const char*, std::vector<std::string>> leftOut[] = {
        {PIVORA_TRANSLATE_NOOP(
             "CoreTexts", "以下不存在, 或不是普通文件 (命名管道、套接字或设备), 没有加入列表:"),
         m_adder->TakeRefused()},
        {pivora::input::kUnreadableFoldersHead, std::move(unreadable)},
    };
    for (const auto& [head, names] : leftOut) {
        if (names.empty())
            continue;
        std::string text = Tr(head) + "\n";
        for (const std::string& name : names)
            text += "\n" + name;
        m_view.ShowMessage(text, Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "添加")), Icon::Warning);
    }
}

void MainLogic::UpdateHint()
{
    m_view.SetVisible(Piece::picText, m_list.Empty());
}

void MainLogic::ShowHintText(const std::string& text)
{
    if (text.empty()) {
        m_view.SetText(Text::lblText, Tr(kHintText));
        UpdateHint();
    } else {
        m_view.SetText(Text::lblText, text);
        m_view.SetVisible(Piece::picText, true);
    }
    m_pump.ProcessEvents();
}

void MainLogic::cmbOF1_Click(int index)
{
    const pivora::settings::FormatDefaults* defaults = pivora::settings::DefaultsForFormat(index);
    if (!defaults)
        return;
    m_view.SelectItem(Box::cmbBitrate, defaults->BitrateItem);
    m_view.SetText(
        Text::cmbBitrate,
        pivora::settings::BitrateItems()[static_cast<std::size_t>(defaults->BitrateItem)]);
    m_view.SelectItem(Box::cmbOF, defaults->InternalFormat);
}

void MainLogic::cmbRotate_Click(int index)
{
    pivora::engine::SelectRotationFilter(index, m_driver->RotationFilter());
    m_view.SetPreviewRotation(index);
}

void MainLogic::LV_DblClick(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_list.Count())
        return;
    m_view.ShowPreview(m_list.At(static_cast<std::size_t>(row)),
                       m_view.SelectedItem(Box::cmbRotate));
}

void MainLogic::CmdToolsBar_Click(int index)
{
    m_view.SetVisible(Piece::picDoor, false);
    switch (index) {
    case 0:
        imgToolbar_Click(0);
        break;
    case 1:
        imgToolbar_Click(6);
        break;
    case 2:
        imgToolbar_Click(1);
        break;
    case 3:
        OpenHelpTarget();
        break;
    case 4:
        imgToolbar_Click(2);
        break;
    case 5:
        imgToolbar_Click(4);
        break;
    default:
        break;
    }
}

void MainLogic::imgToolbar_Click(int index)
{
    switch (index) {
    case 0:
        imgAdd_Click();
        break;
    case 1:
        m_view.PopupRemoveMenu();
        break;
    case 2:
        m_view.ShowOptions(OptionsLogic(m_options, m_optionsPath, m_settings, m_settingsPath),
                           Guarded([this] { ShowStateColumn(); }));
        break;
    case 3:
        imgHelp_Click();
        break;
    case 4:
        imgExit_Click();
        break;
    case 6:
        AddFolder();
        break;
    default:
        break;
    }
}

void MainLogic::MenuBar_Click(MenuItem item)
{
    switch (item) {
    case MenuItem::menuAdd:
        CmdToolsBar_Click(0);
        break;
    case MenuItem::menuFolder:
        CmdToolsBar_Click(1);
        break;
    case MenuItem::menuExit:
        CmdToolsBar_Click(5);
        break;
    case MenuItem::menuRS:
        menuRS_Click();
        break;
    case MenuItem::menuRA:
        menuRA_Click();
        break;
    case MenuItem::menuS:
        CmdToolsBar_Click(4);
        break;
    case MenuItem::menuHelp:
        CmdToolsBar_Click(3);
        break;
    case MenuItem::menuA:
        menuA_Click();
        break;
    }
}

void MainLogic::PopupMenu_Click(const PopupEntry& item)
{
    if (item.Word)
        DispatchCommandWord(item.Word);
    else
        menuRA_Click();
}

void MainLogic::DispatchCommandWord(const std::string& word)
{
    if (word == "RemoveSelected")
        imgRemove_Click();
    else if (word == "AddaFile")
        imgAdd_Click();
    else if (word == "menuAddaFolder")
        imgToolbar_Click(6);
    else if (word == "menuExit")
        imgExit_Click();
    else if (word == "menuHelp")
        imgHelp_Click();
    else if (word == "menuOption")
        imgToolbar_Click(2);
}

void MainLogic::menuRS_Click()
{
    DispatchCommandWord("RemoveSelected");
}

void MainLogic::imgHelp_Click()
{
    //: The help page beside the program, in the language of this translation.
    const std::string page = Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "help.html"));
    m_services.OpenDocument(
        pivora::platform::JoinPath(pivora::platform::DataFolder(m_setup.ProgramFolder), page));
}

void MainLogic::OpenHelpTarget()
{
    // The toolbar and the menu bar open the same help page as the other help commands.
    imgHelp_Click();
}

void MainLogic::lblFeed_Click()
{
    m_services.OpenUrl(std::string("mailto:") + kFeedbackAddress + "?subject=Feedback/Bug Report");
}

void MainLogic::menuA_Click()
{
    std::string text =
        Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "Pivora %1\n\n"
                                              "批量旋转和镜像视频文件.\n"
                                              "视频转换由 FFmpeg 完成 (ffmpeg.org).\n"
                                              "%3\n\n"
                                              "建议和问题请发送至 %2"));
    //: "Ver" and the program's version number.
    const std::string version = pivora::engine::WithArgument(
        Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "Ver %1")), PIVORA_VERSION);
    for (const auto& [mark, value] : {std::pair<const char*, std::string>{"%1", version},
                                      {"%2", kFeedbackAddress},
                                      {"%3", m_view.Credits()}})
        if (const std::size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, 2, value);
    m_view.ShowMessage(text, Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "关于")), Icon::None);
}

void MainLogic::imgExit_Click()
{
    m_view.CloseWindow();
}

void MainLogic::imgRemove_Click()
{
    if (const std::optional<std::size_t> row = m_view.SelectedRow(); row && *row < m_list.Count())
        m_list.RemoveAt(*row);
    UpdateHint();
    m_driver->ListChanged();
}

void MainLogic::menuRA_Click()
{
    m_list.Clear();
    m_view.SetVisible(Piece::picText, true);
    m_driver->ListChanged();
}

std::string MainLogic::StateText(std::size_t row) const
{
    if (row >= m_list.Count())
        return {};
    const pivora::input::EntryId id = m_list.IdAt(row);
    for (const auto& [entry, text] : m_states)
        if (entry == id)
            return text;
    return {};
}

void MainLogic::ShowEntryState(pivora::input::EntryId id, const std::string& state)
{
    auto known = std::find_if(m_states.begin(), m_states.end(),
                              [&](const auto& item) { return item.first == id; });
    if (known != m_states.end() && known->second == state)
        return;
    if (state.empty()) {
        if (known != m_states.end())
            m_states.erase(known);
    } else if (known == m_states.end()) {
        m_states.emplace_back(id, state);
    } else {
        known->second = state;
    }
    if (const auto row = m_list.IndexOf(id))
        m_view.RowStateChanged(*row);
}

void MainLogic::ShowStateColumn()
{
    // A running batch keeps the number it began with.
    const std::size_t jobs =
        m_driver->Running()
            ? m_driver->JobsInUse()
            : static_cast<std::size_t>(pivora::settings::ParallelJobsUsed(m_settings));
    m_statesShown = jobs > 1;
    m_view.SetVisible(Piece::StateColumn, m_statesShown);
}

void MainLogic::ShowMessage(const std::string& text, const std::string& title, Icon icon)
{
    m_view.ShowMessage(text, title, icon);
}

} // namespace pivora::window
