// The ways files join the list from the window, one at a time, and the output folder's box.
#include "window/MainLogic.h"

#include "input/FileSearch.h"
#include "input/PathHelpers.h"

namespace pivora::window {

bool MainLogic::BeginAdding()
{
    if (m_adding)
        return false;
    m_adding = true;
    SetAddingLocked(true);
    return true;
}

void MainLogic::EndAdding()
{
    m_adding = false;
    // A running batch writes the new entries into its journal at once.
    m_driver->ListChanged();
    SetAddingLocked(false);
    // The hint may have come back during a copy or a search; it never stays over entries.
    if (!m_list.Empty())
        m_view.SetVisible(Piece::picText, false);
    ShowRefused();
}

void MainLogic::SetAddingLocked(bool locked)
{
    // While files are being added nothing else may add or start: the search or the copy in
    // progress lets events run, and a second one inside it would be interleaved with it.
    const bool batchActive = m_armed || m_driver->Running();
    const auto enable = [this](Control control, bool enabled) {
        m_enabled[static_cast<std::size_t>(control)] = enabled;
        m_view.SetEnabled(control, enabled);
    };
    enable(Control::CmdToolsBar0, !locked && !batchActive);
    enable(Control::CmdToolsBar1, !locked && !batchActive);
    enable(Control::menuAdd, !locked);
    enable(Control::menuFolder, !locked);
    // A drop now would be left aside: the drop targets refuse it, and the pointer says so.
    enable(Control::DropTargets, !locked);
    if (!batchActive)
        enable(Control::Command3, !locked);
}

void MainLogic::imgAdd_Click()
{
    if (!BeginAdding())
        return;
    m_view.ShowOpen(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "打开文件")),
                    Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "所有格式(*.*)|*.*")),
                    Guarded([this](const std::vector<std::string>& paths) {
                        for (const std::string& path : paths)
                            m_adder->AddChosenFile(path);
                        if (!paths.empty())
                            UpdateHint();
                        EndAdding();
                    }));
}

void MainLogic::AddFolder()
{
    if (!BeginAdding())
        return;
    lstAddFolder.clear();
    m_view.BrowseForFolder(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "选择一个文件夹:")),
                           Guarded([this](const std::string& folder) {
                               ShowHintText(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "正在搜索...")));
                               if (!folder.empty()) {
                                   pivora::input::SearchFolder(folder, lstAddFolder, &m_pump,
                                                               &m_unreadable);
                                   m_adder->AddFoundFiles(std::move(lstAddFolder));
                                   lstAddFolder.clear();
                               }
                               m_view.SetText(Text::lblText, Tr(kHintText));
                               UpdateHint();
                               EndAdding();
                           }));
}

void MainLogic::imgBrowse_Click()
{
    m_view.BrowseForFolder(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "选择一个文件夹:")),
                           Guarded([this](const std::string& chosen) {
                               const std::string& fallback = m_setup.DefaultOutputFolder;
                               if (chosen.empty()) {
                                   // Cancelled: the default folder, which the next batch makes if
                                   // it is missing.
                                   m_view.SetText(Text::txtPath, fallback);
                                   return;
                               }
                               m_view.SetText(Text::txtPath, chosen);
                               if (pivora::input::FolderExists(chosen))
                                   return;
                               m_view.SetText(Text::txtPath, fallback);
                               m_view.ShowMessage(
                                   pivora::engine::WithArgument(
                                       Tr(PIVORA_TRANSLATE_NOOP(
                                           "CoreTexts", "路径包含未知字符.\r\n更改为默认路径 %1.")),
                                       fallback),
                                   Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "路径")), Icon::None);
                           }));
}

void MainLogic::picDoor_Click()
{
    m_view.SetVisible(Piece::picDoor, false);
}

void MainLogic::picDoor_Activate()
{
    // Pressed without the mouse, the welcome picture adds files as the first toolbar button
    // does: that is what it asks for, and a click on it only dismisses it.
    if (m_enabled[static_cast<std::size_t>(Control::CmdToolsBar0)])
        CmdToolsBar_Click(0);
    else
        picDoor_Click();
}

void MainLogic::picDrop_Click()
{
    m_view.SetVisible(Piece::picDrop, false);
}

void MainLogic::LV_OLEDragOver()
{
    m_view.SetVisible(Piece::picDrop, true);
}

void MainLogic::picDrag_Click()
{
    if (!BeginAdding())
        return;
    // Given no folder of its own, the narrow dialog opens in the program's.
    m_view.BrowseForFile(Tr(PIVORA_TRANSLATE_NOOP("CoreTexts", "打开文件")), m_setup.ProgramFolder,
                         "*.*|*.*", Guarded([this](const std::string& p) {
                             if (!p.empty()) {
                                 m_adder->AddBrowsedFile(p);
                                 UpdateHint();
                             }
                             EndAdding();
                         }));
}

void MainLogic::FullDrop(const Drop& drop)
{
    if (drop)
        m_adder->AddFullDrop(*drop);
    m_view.SetText(Text::lblText, Tr(kHintText));
    m_view.SetVisible(Piece::picDrop, false);
}

void MainLogic::SimpleDrop(const Drop& drop)
{
    if (!BeginAdding())
        return;
    if (drop)
        m_adder->AddSimpleDrop(*drop);
    m_view.SetText(Text::lblText, Tr(kHintText));
    if (!m_list.Empty())
        m_pump.ProcessEvents();
    EndAdding();
}

void MainLogic::picDoor_OLEDragDrop(const Drop& drop)
{
    m_view.SetVisible(Piece::picDoor, false);
    m_view.SetVisible(Piece::picDrop, false);
    if (!BeginAdding())
        return;
    m_view.SetVisible(Piece::picText, false);
    FullDrop(drop);
    if (!m_list.Empty())
        m_pump.ProcessEvents();
    EndAdding();
}

void MainLogic::picDrop_OLEDragDrop(const Drop& drop)
{
    m_view.SetVisible(Piece::picDrop, false);
    if (!BeginAdding())
        return;
    FullDrop(drop);
    if (!m_list.Empty())
        m_pump.ProcessEvents();
    EndAdding();
}

void MainLogic::LV_OLEDragDrop(const Drop& drop)
{
    SimpleDrop(drop);
}

void MainLogic::picDrag_OLEDragDrop(const Drop& drop)
{
    SimpleDrop(drop);
}

} // namespace pivora::window
