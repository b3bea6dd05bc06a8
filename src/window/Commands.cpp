#include "window/Commands.h"

#include "engine/UserMessages.h"
#include "window/WindowView.h"

namespace pivora::window {

const std::array<ToolbarButton, 6>& ToolbarButtons()
{
    // Along the top in the design's order: add file, add folder, remove, settings, help, exit.
    static const std::array<ToolbarButton, 6> buttons{{
        {"CmdToolsBar0", PIVORA_TRANSLATE_NOOP("CoreTexts", "添加文件"), "add_file", 0},
        {"CmdToolsBar1", PIVORA_TRANSLATE_NOOP("CoreTexts", "添加文件夹"), "add_folder", 94},
        {"CmdToolsBar2", PIVORA_TRANSLATE_NOOP("CoreTexts", "移除"), "remove", 188},
        {"CmdToolsBar3", PIVORA_TRANSLATE_NOOP("CoreTexts", "帮助"), "help", 376},
        {"CmdToolsBar4", PIVORA_TRANSLATE_NOOP("CoreTexts", "设置"), "settings", 282},
        {"CmdToolsBar5", PIVORA_TRANSLATE_NOOP("CoreTexts", "退出"), "exit", 470},
    }};
    return buttons;
}

const std::vector<MenuBarMenu>& MenuBar()
{
    static const std::vector<MenuBarMenu> menus{
        {PIVORA_TRANSLATE_NOOP3("CoreTexts", "文件(&F)", "menu bar"),
         {{MenuItem::menuAdd, "menuAdd", PIVORA_TRANSLATE_NOOP("CoreTexts", "添加文件")},
          {MenuItem::menuFolder, "menuFolder", PIVORA_TRANSLATE_NOOP("CoreTexts", "添加文件夹")},
          {MenuItem::menuExit, "menuExit", PIVORA_TRANSLATE_NOOP("CoreTexts", "退出"), true}}},
        {PIVORA_TRANSLATE_NOOP3("CoreTexts", "移除(&R)", "menu bar"),
         {{MenuItem::menuRS, "menuRS", PIVORA_TRANSLATE_NOOP("CoreTexts", "移除选择的文件")},
          {MenuItem::menuRA, "menuRA", PIVORA_TRANSLATE_NOOP("CoreTexts", "移除所有")}}},
        {PIVORA_TRANSLATE_NOOP3("CoreTexts", "设置(&S)", "menu bar"),
         {{MenuItem::menuS, "menuS", PIVORA_TRANSLATE_NOOP("CoreTexts", "设置")}}},
        //: The menu bar's last menu, holding the help and the about box.
        {PIVORA_TRANSLATE_NOOP3("CoreTexts", "关于(&A)", "menu bar"),
         {{MenuItem::menuHelp, "menuHelp", PIVORA_TRANSLATE_NOOP("CoreTexts", "帮助")},
          {MenuItem::menuA, "menuA", PIVORA_TRANSLATE_NOOP("CoreTexts", "关于")}}},
    };
    return menus;
}

const std::vector<PopupMenu>& PopupMenus()
{
    static const std::vector<PopupMenu> menus{
        {"File",
         {{"menuAddaFile", PIVORA_TRANSLATE_NOOP("CoreTexts", "添加文件(&A)"), "AddaFile"},
          {"menuAddaFolder", PIVORA_TRANSLATE_NOOP("CoreTexts", "添加目录(&F)"), "menuAddaFolder"},
          {"menuExit", PIVORA_TRANSLATE_NOOP("CoreTexts", "退出(&E)"), "menuExit", true}}},
        {"Options", {{"menuOption", PIVORA_TRANSLATE_NOOP("CoreTexts", "设置(&O)"), "menuOption"}}},
        {"About",
         {{"menuHelp", PIVORA_TRANSLATE_NOOP("CoreTexts", "帮助(&H)"), "menuHelp"},
          {"menuA", PIVORA_TRANSLATE_NOOP("CoreTexts", "关于(&A)"), "A"}}},
        {"Remove",
         {{"menuRemoveSelected", PIVORA_TRANSLATE_NOOP("CoreTexts", "移除选择"), "RemoveSelected"},
          {"menuRemoveAll", PIVORA_TRANSLATE_NOOP("CoreTexts", "移除所有"), nullptr}}},
    };
    return menus;
}

const PopupMenu& RemoveMenu()
{
    return PopupMenus().back();
}

} // namespace pivora::window
