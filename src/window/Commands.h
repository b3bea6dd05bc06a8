#pragma once

#include <array>
#include <vector>

namespace pivora::window {

// The commands' captions are the logic's texts: a window shows them through
// WindowView::Translate.

// The toolbar along the top, by the index MainLogic::CmdToolsBar_Click takes.
struct ToolbarButton
{
    const char* Name;    // "CmdToolsBar0", ...
    const char* Caption; // also its tooltip
    const char* Picture; // the icon's name: "add_file", "add_folder", "remove", ...
    int Left;            // design pixels; every button is 95 × 66 at the top
};
const std::array<ToolbarButton, 6>& ToolbarButtons();

// The menu bar's items, for MainLogic::MenuBar_Click.
enum class MenuItem { menuAdd, menuFolder, menuExit, menuRS, menuRA, menuS, menuHelp, menuA };

struct MenuEntry
{
    MenuItem Item;
    const char* Name; // "menuAdd", ...
    const char* Caption;
    bool SeparatorBefore = false;
};

struct MenuBarMenu
{
    // "文件(&F)", "移除(&R)", "设置(&S)", "关于(&A)"; translated with what tells it apart from
    // a popup item of the same text (WindowView::TranslateAs).
    const char* Caption;
    const char* Disambiguation;
    std::vector<MenuEntry> Items;
};
const std::vector<MenuBarMenu>& MenuBar();

// The popup menus of the hidden menu window. An item writes its command word into the command
// box (MainLogic::DispatchCommandWord); "移除所有" has none and removes all at once
// (MainLogic::menuRA_Click).
struct PopupEntry
{
    const char* Name; // "menuAddaFile", ...
    const char* Caption;
    const char* Word; // nullptr for "移除所有"
    bool SeparatorBefore = false;
};

struct PopupMenu
{
    const char* Title; // "File", "Options", "About", "Remove" (never shown)
    std::vector<PopupEntry> Items;
};
// File, Options, About and Remove, in that order; only Remove is ever popped up.
const std::vector<PopupMenu>& PopupMenus();
const PopupMenu& RemoveMenu();

} // namespace pivora::window
