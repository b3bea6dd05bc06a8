#pragma once

#include "window/MainLogic.h"
#include "window/WindowView.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pivora::test {

// A main window without a toolkit: it keeps what the logic tells it, and answers dialogs and
// questions as the test says, at once or later. It is the desktop too.
class FakeWindow : public pivora::window::WindowView, public pivora::window::DesktopServices
{
public:
    using Control = pivora::window::Control;
    using Piece = pivora::window::Piece;
    using Text = pivora::window::Text;
    using Box = pivora::window::Box;
    using Timer = pivora::window::Timer;
    using Icon = pivora::window::Icon;

    struct Message
    {
        std::string text;
        std::string title;
        Icon icon;
    };
    struct Question
    {
        std::string text;
        bool yesByDefault = false;
        std::function<void(bool)> answer;
    };

    pivora::window::MainLogic* logic = nullptr; // for the close, as a window asks it
    pivora::platform::PlainEventPump* pump = nullptr;
    std::map<Control, bool> enabled;
    std::map<Piece, bool> visible;
    std::map<Text, std::string> texts;
    std::map<Box, int> items;
    std::optional<std::size_t> selected;
    std::vector<Message> messages;
    // What the logic asked for, in order: "open <title>", "folder <prompt>", "file <folder>",
    // "options", "popup", "preview <path> <rotation>", "close", "dialogs closed".
    std::vector<std::string> requests;
    // The answers of the next dialogs; a dialog without one waits in `pendingDialog` when
    // `holdDialogs`, and is cancelled otherwise.
    std::deque<std::vector<std::string>> choices;
    bool holdDialogs = false;
    std::function<void(const std::vector<std::string>&)> pendingDialog;
    // Questions wait here for the test's answer, unless `reply` answers them at once.
    std::vector<Question> questions;
    std::optional<bool> reply;
    std::map<Timer, int> timers;        // running, with their time
    std::vector<std::string> announced; // for screen readers
    bool closed = false;
    bool quitting = false;
    std::vector<std::string> openedFolders, openedDocuments, openedUrls, playedSounds;

    bool Enabled(Control control) const
    {
        const auto found = enabled.find(control);
        return found == enabled.end() || found->second;
    }
    // Fires a running timer, as the window's event loop does when its time has come.
    bool Fire(Timer timer)
    {
        if (timers.erase(timer) == 0)
            return false;
        logic->TimerTick(timer);
        return true;
    }

    void SetEnabled(Control control, bool on) override { enabled[control] = on; }
    void SetVisible(Piece piece, bool on) override { visible[piece] = on; }
    void SetText(Text text, const std::string& value) override { texts[text] = value; }
    std::string GetText(Text text) const override
    {
        const auto found = texts.find(text);
        return found == texts.end() ? std::string() : found->second;
    }
    void SelectItem(Box box, int index) override { items[box] = index; }
    int SelectedItem(Box box) const override
    {
        const auto found = items.find(box);
        return found == items.end() ? -1 : found->second;
    }
    void SetBar(int) override {}
    void SetFill(int) override {}
    void RowStateChanged(std::size_t) override {}
    std::optional<std::size_t> SelectedRow() const override { return selected; }
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override
    {
        messages.push_back({text, title, icon});
    }
    void Ask(const std::string& text, const std::string&, bool yesByDefault,
             std::function<void(bool)> answer) override
    {
        if (reply)
            answer(*reply);
        else
            questions.push_back({text, yesByDefault, std::move(answer)});
    }
    void CloseDialogs() override
    {
        requests.push_back("dialogs closed");
        // A closed box answers "否".
        for (Question& question : std::exchange(questions, {}))
            question.answer(false);
    }
    void ShowOpen(const std::string& title, const std::string&,
                  std::function<void(const std::vector<std::string>&)> chosen) override
    {
        Dialog("open " + title, std::move(chosen));
    }
    void BrowseForFile(const std::string&, const std::string& folder, const std::string&,
                       std::function<void(const std::string&)> chosen) override
    {
        Dialog("file " + folder, [chosen](const std::vector<std::string>& paths) {
            chosen(paths.empty() ? std::string() : paths.front());
        });
    }
    void BrowseForFolder(const std::string& prompt,
                         std::function<void(const std::string&)> chosen) override
    {
        Dialog("folder " + prompt, [chosen](const std::vector<std::string>& paths) {
            chosen(paths.empty() ? std::string() : paths.front());
        });
    }
    void ShowOptions(pivora::window::OptionsLogic, std::function<void()> closedBack) override
    {
        requests.push_back("options");
        closedBack();
    }
    void PopupRemoveMenu() override { requests.push_back("popup"); }
    void ShowPreview(const pivora::input::InputEntry& entry, int rotation) override
    {
        requests.push_back("preview " + entry.Path + " " + std::to_string(rotation));
    }
    void SetPreviewRotation(int) override {}
    void StartTimer(Timer timer, int milliseconds) override { timers[timer] = milliseconds; }
    void StopTimer(Timer timer) override { timers.erase(timer); }
    void CloseWindow() override
    {
        requests.push_back("close");
        closed = closed || logic->QueryUnload();
    }
    void RequestQuit() override
    {
        quitting = true;
        if (pump)
            pump->RequestQuit();
    }
    std::string Translate(const char* source) const override { return source; }
    std::string TranslateAs(const char* source, const char*) const override { return source; }
    std::string TranslateCount(const char* source, int count) const override
    {
        return pivora::window::WithCount(source, count);
    }
    void Announce(const std::string& text) override { announced.push_back(text); }
    std::string Credits() const override { return "(no toolkit)"; }

    void OpenFolder(const std::string& folder) override { openedFolders.push_back(folder); }
    void OpenDocument(const std::string& file) override { openedDocuments.push_back(file); }
    void OpenUrl(const std::string& url) override { openedUrls.push_back(url); }
    void PlaySound(const std::string& file) override { playedSounds.push_back(file); }

private:
    void Dialog(std::string request, std::function<void(const std::vector<std::string>&)> chosen)
    {
        requests.push_back(std::move(request));
        if (!choices.empty()) {
            const std::vector<std::string> answer = choices.front();
            choices.pop_front();
            chosen(answer);
        } else if (holdDialogs) {
            pendingDialog = std::move(chosen);
        } else {
            chosen({});
        }
    }
};

} // namespace pivora::test
