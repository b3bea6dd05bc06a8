#pragma once

#include "engine/BatchDriver.h"
#include "engine/UserMessages.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace pivora::test {

// The window, reduced to what the batch reads and the steps it takes at the end.
class RecordingHost : public pivora::engine::BatchHost
{
public:
    int rotation = 0;
    int format = 0;
    std::string bitrate = "5000";
    std::string folder;
    std::vector<std::string> steps;
    std::vector<std::string> labels; // every progress label shown
    // The entries' states as they are now, and the most that were being converted at once.
    std::map<pivora::input::EntryId, std::string> states;
    std::size_t mostConverting = 0;

    int Rotation() const override { return rotation; }
    int OutputFormat() const override { return format; }
    std::string VideoBitrate() const override { return bitrate; }
    std::string OutputFolderText() const override { return folder; }
    void SetOutputFolderText(const std::string& text) override { folder = text; }
    void SetProgressValue(int value) override { steps.push_back("pb=" + std::to_string(value)); }
    void ShowProgress(const pivora::engine::ProgressDisplay& display) override
    {
        labels.push_back(display.Label);
    }
    void ShowEntryState(pivora::input::EntryId id, const std::string& state) override
    {
        if (state.empty())
            states.erase(id);
        else
            states[id] = state;
        mostConverting = std::max(mostConverting, states.size());
    }
    void UnlockPanel() override { steps.push_back("unlock panel"); }
    void OpenFolder(const std::string& f) override { steps.push_back("open " + f); }
    void PlayEndSound() override { steps.push_back("sound"); }
    void UnlockCommands() override { steps.push_back("unlock commands"); }
    void ShowFinished() override { steps.push_back("finished"); }
    void ShowStopped() override { steps.push_back("stopped"); }
    void ShowNotStarted() override { steps.push_back("not started"); }
};

class RecordingMessages : public pivora::engine::UserMessages
{
public:
    std::vector<std::string> texts;
    void ShowMessage(const std::string& text, const std::string&, Icon) override
    {
        texts.push_back(text);
    }
};

} // namespace pivora::test
