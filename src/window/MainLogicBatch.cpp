// The batch as the window starts, stops and ends it, and the window's close around it.
#include "window/MainLogic.h"

#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

namespace pivora::window {

void MainLogic::Command3_Click()
{
    // During a batch the button reads "停止".
    if (m_armed || m_driver->Running()) {
        StopBatch();
        return;
    }
    for (const Control control : {Control::cmbOF1, Control::cmbBitrate, Control::cmdBrowse,
                                  Control::txtPath, Control::cmbRotate})
        m_view.SetEnabled(control, false);
    imgStart_Click();
}

void MainLogic::imgStart_Click()
{
    // One batch at a time, whatever path the start comes from, and none while files are
    // still being added.
    if (m_armed || m_driver->Running() || m_adding)
        return;
    if (m_list.Empty()) {
        m_view.ShowMessage(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "请添加一个文件.")),
                           Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "添加")), Icon::Warning);
        return;
    }
    SetCommandsEnabled(false);
    // Until the batch runs, a second press finds the button disabled: it would stop the batch
    // it started.
    m_enabled[static_cast<std::size_t>(Control::Command3)] = false;
    m_view.SetEnabled(Control::Command3, false);
    m_armed = true;
    m_driver->WarmUp();
    m_view.StartTimer(Timer::Timer1, 100);
}

void MainLogic::StopBatch()
{
    if (m_armed) {
        // Nothing has run yet.
        m_view.StopTimer(Timer::Timer1);
        m_armed = false;
        SetProgressValue(0);
        UnlockPanel();
        UnlockCommands();
        ShowStopped();
        return;
    }
    if (!m_driver->Running())
        return;
    // Until the converter has gone the button cannot be pressed again.
    m_view.SetEnabled(Control::Command3, false);
    m_driver->Stop();
}

void MainLogic::Timer1_Timer()
{
    m_pump.ProcessEvents();
    // A stop or a close among those events ends the start here.
    if (!m_armed || m_unloaded || m_pump.Quitting())
        return;
    m_armed = false;
    // Enabled again at the batch's first look at the window's events.
    m_view.StartTimer(Timer::Started, 0);
    m_driver->ConvertQueue();
    // A setting changed during the batch shows now.
    ShowStateColumn();
    if (m_closeAfterBatch)
        m_view.CloseWindow();
}

void MainLogic::SetCommandsEnabled(bool enabled)
{
    const auto enable = [this](Control control, bool on) {
        m_enabled[static_cast<std::size_t>(control)] = on;
        m_view.SetEnabled(control, on);
    };
    for (int i = 0; i < 6; ++i)
        enable(static_cast<Control>(static_cast<int>(Control::CmdToolsBar0) + i),
               enabled && !(m_adding && i <= 1));
    enable(Control::LV, enabled);
    // The start button stays usable during a batch: it stops it.
    m_view.SetText(Text::Command3, enabled ? Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "旋转视频"))
                                           : Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "停止")));
    enable(Control::Command3, !enabled || !m_adding);
    enable(Control::lblFeed, enabled);
}

bool MainLogic::QueryUnload()
{
    if (m_armed && !m_driver->Running()) {
        // Started but not yet running: there is nothing to stop.
        m_view.StopTimer(Timer::Timer1);
        m_armed = false;
    }
    if (m_driver->Running()) {
        // Once every file is done there is nothing to stop: the end sound is cut short.
        if (!m_shutdownRequested && !m_driver->Stopping() && !m_driver->Finishing()) {
            if (m_closeAsked)
                return false;
            m_closeAsked = true;
            // The answer may come at once, from a box that waits for it, or later.
            struct Answer
            {
                bool waiting = true;
                bool yes = false;
            };
            auto answer = std::make_shared<Answer>();
            m_view.Ask(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "正在转换视频, 确定要停止并退出吗?")),
                       pivora::engine::kProgramTitle, false, Guarded([this, answer](bool yes) {
                           m_closeAsked = false;
                           // The program is ending whatever the box said.
                           answer->yes = yes || m_shutdownRequested;
                           if (!answer->waiting && answer->yes)
                               CloseConfirmed();
                       }));
            answer->waiting = false;
            if (!answer->yes)
                return false;
        }
        if (m_driver->Running()) {
            // The batch stops first, without showing anything more; the window closes when
            // the batch has returned.
            m_closeAfterBatch = true;
            m_view.RequestQuit();
            m_driver->Stop();
            return false;
        }
    }
    // Long work still on the way out, such as a folder search, stops waiting.
    m_view.RequestQuit();
    Form_Unload();
    return true;
}

void MainLogic::CloseConfirmed()
{
    if (m_driver->Running()) {
        m_closeAfterBatch = true;
        m_view.RequestQuit();
        m_driver->Stop();
    } else {
        m_view.CloseWindow();
    }
}

void MainLogic::ShutdownRequested()
{
    m_shutdownRequested = true;
    // No dialog may hold the shut-down up; a close question on screen is answered "是" by it.
    const bool asked = m_closeAsked;
    m_view.CloseDialogs();
    if (!asked)
        m_view.CloseWindow();
}

int MainLogic::Rotation() const
{
    return m_view.SelectedItem(Box::cmbRotate);
}

int MainLogic::OutputFormat() const
{
    return m_view.SelectedItem(Box::cmbOF1);
}

std::string MainLogic::VideoBitrate() const
{
    return m_view.GetText(Text::cmbBitrate);
}

std::string MainLogic::OutputFolderText() const
{
    return m_view.GetText(Text::txtPath);
}

void MainLogic::SetOutputFolderText(const std::string& text)
{
    m_view.SetText(Text::txtPath, text);
}

void MainLogic::SetProgressValue(int value)
{
    m_view.SetBar(value);
}

void MainLogic::ShowProgress(const pivora::engine::ProgressDisplay& display)
{
    // The design's 15 twips to a pixel.
    m_view.SetFill(static_cast<int>(display.FillWidthTwips / 15));
    m_view.SetBar(display.BarValue);
    m_view.SetText(Text::lblPB, display.Label);
}

void MainLogic::UnlockPanel()
{
    for (const Control control : {Control::cmbOF1, Control::cmbBitrate, Control::cmdBrowse,
                                  Control::txtPath, Control::cmbRotate})
        m_view.SetEnabled(control, true);
}

void MainLogic::OpenFolder(const std::string& folder)
{
    m_services.OpenFolder(folder);
}

void MainLogic::PlayEndSound()
{
    m_services.PlaySound(pivora::platform::JoinPath(
        pivora::platform::DataFolder(m_setup.ProgramFolder), "sound.wav"));
}

void MainLogic::UnlockCommands()
{
    m_view.SetVisible(Piece::picDrag, true);
    SetCommandsEnabled(true);
    if (!m_driver->Running())
        ShowStateColumn();
}

void MainLogic::ShowFinished()
{
    m_view.SetFill(0);
    m_view.SetText(Text::lblPB, Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "完成.")));
    AnnounceEnd(false);
}

void MainLogic::ShowStopped()
{
    m_view.SetFill(0);
    m_view.SetText(Text::lblPB, Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "已停止.")));
    AnnounceEnd(true);
}

void MainLogic::AnnounceEnd(bool stopped)
{
    // That the batch finished or was stopped, how many files were converted and how many not.
    const int converted = static_cast<int>(m_driver->LastConverted());
    std::string text =
        stopped ? m_view.TranslateCount(
                      PIVORA_TRANSLATE_N_NOOP("CoreTexts", "已停止. 已转换 %n 个文件."), converted)
                : m_view.TranslateCount(
                      PIVORA_TRANSLATE_N_NOOP("CoreTexts", "完成. 已转换 %n 个文件."), converted);
    if (const auto failed = static_cast<int>(m_driver->LastFailures().size()); failed > 0) {
        // Appended piecewise: " " + std::string trips GCC 12's -Wrestrict at -O2 and above.
        text += ' ';
        text += m_view.TranslateCount(
            PIVORA_TRANSLATE_N_NOOP("CoreTexts", "%n 个文件没有转换成功."), failed);
    }
    m_view.Announce(text);
}

void MainLogic::ShowNotStarted()
{
    m_view.SetFill(0);
    m_view.SetText(Text::lblPB, "0%");
}

} // namespace pivora::window
