#pragma once

#include "engine/UserMessages.h"
#include "input/InputList.h"
#include "window/OptionsLogic.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pivora::window {

using Icon = pivora::engine::UserMessages::Icon;

// Marks a text that the context "CoreTexts" also holds with another meaning, for lupdate (as
// QT_TRANSLATE_NOOP3): it stands for two initializers, the text and what tells it apart.
#define PIVORA_TRANSLATE_NOOP3(context, text, disambiguation) text, disambiguation
// Marks a text that names a number as "%n", for lupdate (as QT_TRANSLATE_N_NOOP): its
// translation has the language's plural forms (WindowView::TranslateCount).
#define PIVORA_TRANSLATE_N_NOOP(context, text) text

// `text` with its "%n" replaced by `count`.
std::string WithCount(std::string text, int count);

// The hint's own text, which comes back after every status text shown in its place.
inline constexpr const char* kHintText = PIVORA_TRANSLATE_NOOP("CoreTexts", "将视频文件拖到此处");

// The controls whose state the window's logic decides, by the names the window gives them.
enum class Control {
    cmbOF1,
    cmbBitrate,
    cmdBrowse,
    txtPath,
    cmbRotate,
    CmdToolsBar0, // "添加文件"
    CmdToolsBar1, // "添加文件夹"
    CmdToolsBar2, // "移除"
    CmdToolsBar3, // "帮助"
    CmdToolsBar4, // "设置"
    CmdToolsBar5, // "退出"
    LV,
    Command3, // "旋转视频", "停止" during a batch
    lblFeed,
    menuAdd,     // the menu bar's "添加文件"
    menuFolder,  // the menu bar's "添加文件夹"
    DropTargets, // whether picDoor, picDrop, picDrag and the list take dropped files
};
inline constexpr int kControlCount = static_cast<int>(Control::DropTargets) + 1;

// What the logic shows and hides.
enum class Piece {
    picDoor,     // the welcome picture over the list and the panel
    picDrop,     // the overlay over the list while something is dragged there
    picText,     // the hint in the middle of the list
    picDrag,     // the side drop target (out of sight)
    StateColumn, // the list's third column, "状态"
};

// Texts the logic sets or reads. All texts are UTF-8; paths are the program's own.
enum class Text {
    lblText,    // the hint's text
    lblPB,      // the progress label
    txtPath,    // the output folder box
    cmbBitrate, // the bitrate box's own text, which may be typed
    Command3,   // the start button's caption
    Caption,    // the window's title
};

// The drop-down boxes, by their list index.
enum class Box {
    cmbOF1,     // the visible format box
    cmbOF,      // the hidden format list that follows it
    cmbBitrate, // the bitrate box's items
    cmbRotate,
};

// One-shot timers the window runs for the logic; it calls MainLogic::TimerTick at their end.
enum class Timer {
    Timer1,   // the batch's start, 100 ms after the press
    Recovery, // once the window is up: the question about an interrupted batch
    Started,  // the batch's first look at the window's events: "停止" may be pressed from then
};
inline constexpr int kTimerCount = static_cast<int>(Timer::Started) + 1;

// What the window asks of the desktop: the file browser, documents, links and the end sound.
// Tests put a recorder in its place, so nothing is launched.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;
    virtual void OpenFolder(const std::string& folder) = 0;
    // A document in its own program (the help page).
    virtual void OpenDocument(const std::string& file) = 0;
    // A link in the program that handles it ("mailto:...").
    virtual void OpenUrl(const std::string& url) = 0;
    // Returns when the sound has played; events keep flowing meanwhile.
    virtual void PlaySound(const std::string& soundFile) = 0;
};

// What a main window does for its logic: it shows, enables and reads its controls, opens its
// dialogs and runs timers. Each window (Qt, Win32, a test's fake) implements it and turns the
// events of its controls into calls of MainLogic.
//
// Nothing here may run an event loop that the running batch sits under for longer than the
// user's own answer takes: the batch runs inside the window's events. Every dialog and
// question hands back its result through a callback, which the window may call before it
// returns (a modal dialog) or later (a dialog shown without waiting); it calls it at most once,
// and never once the logic has gone.
class WindowView
{
public:
    virtual ~WindowView() = default;

    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual void SetVisible(Piece piece, bool visible) = 0;
    virtual void SetText(Text text, const std::string& value) = 0;
    virtual std::string GetText(Text text) const = 0;
    // Selecting an item in code need not run the box's own handler: the logic runs it itself.
    virtual void SelectItem(Box box, int index) = 0;
    virtual int SelectedItem(Box box) const = 0;

    // The progress bar (0 to 100) and the fill image's width in pixels.
    virtual void SetBar(int value) = 0;
    virtual void SetFill(int pixels) = 0;
    // The state of the list's row `row` changed (MainLogic::StateText gives it).
    virtual void RowStateChanged(std::size_t row) = 0;
    // The list's selected row, if a row is selected.
    virtual std::optional<std::size_t> SelectedRow() const = 0;

    // A message box with one OK button; the window need not wait for it.
    virtual void ShowMessage(const std::string& text, const std::string& title, Icon icon) = 0;
    // A question with "是" and "否"; `answer` gets true for "是". Closing the box otherwise
    // answers "否".
    virtual void Ask(const std::string& text, const std::string& title, bool yesByDefault,
                     std::function<void(bool yes)> answer) = 0;
    // Closes every dialog, menu and message box the window has open: the program must end.
    virtual void CloseDialogs() = 0;

    // The open dialog (Unicode): `chosen` gets the chosen files, in order; none when
    // cancelled. A window may offer one file at a time or several. `filter` is
    // "description|pattern|...".
    virtual void ShowOpen(const std::string& title, const std::string& filter,
                          std::function<void(const std::vector<std::string>& paths)> chosen) = 0;
    // The narrow open dialog of the side target, in `folder`; the path as the code page has it.
    virtual void BrowseForFile(const std::string& title, const std::string& folder,
                               const std::string& filter,
                               std::function<void(const std::string& path)> chosen) = 0;
    // The folder dialog: `chosen` gets the folder, empty when cancelled.
    virtual void BrowseForFolder(const std::string& prompt,
                                 std::function<void(const std::string& folder)> chosen) = 0;
    // "设置", modal to the window, over `options`; `closed` runs when it has closed, by OK or not.
    virtual void ShowOptions(OptionsLogic options, std::function<void()> closed) = 0;
    // The popup menu "Remove" at the pointer (under the button "移除" when pressed by a key).
    virtual void PopupRemoveMenu() = 0;
    // "预览" of an entry with the rotation item `rotation`; and the rotation changed meanwhile
    // (nothing to do when no preview is open).
    virtual void ShowPreview(const pivora::input::InputEntry& entry, int rotation) = 0;
    virtual void SetPreviewRotation(int rotation) = 0;

    virtual void StartTimer(Timer timer, int milliseconds) = 0;
    virtual void StopTimer(Timer timer) = 0;

    // Starts the window's own close, which asks MainLogic::QueryUnload.
    virtual void CloseWindow() = 0;
    // The program is ending: the window's event pump says so from now on
    // (EventPump::Quitting), and long work such as a folder search stops waiting.
    virtual void RequestQuit() = 0;

    // A text of the logic (marked for translation in the context "CoreTexts") in the user's
    // language; the source text when there is no translation.
    virtual std::string Translate(const char* source) const = 0;
    // The same for a text marked with what tells it apart from the same text meant otherwise.
    virtual std::string TranslateAs(const char* source, const char* disambiguation) const = 0;
    // The same for a text that names a number of things as "%n", in the form the language
    // gives that number (the translation's plural forms); WithCount puts the number in.
    virtual std::string TranslateCount(const char* source, int count) const = 0;
    // Tells screen readers a short text without moving the focus (the end of a batch).
    virtual void Announce(const std::string& text) = 0;
    // The line of the About box that names what the window is built with.
    virtual std::string Credits() const = 0;
};

} // namespace pivora::window
