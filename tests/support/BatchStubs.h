#pragma once

#include "engine/BatchDriver.h"
#include "engine/UserMessages.h"

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
    int resets = 0;

    int Rotation() const override { return rotation; }
    int OutputFormat() const override { return format; }
    std::string VideoBitrate() const override { return bitrate; }
    std::string OutputFolderText() const override { return folder; }
    void SetOutputFolderText(const std::string& text) override { folder = text; }
    void SetProgressValue(int value) override { steps.push_back("pb=" + std::to_string(value)); }
    void ResetRunLength() override { ++resets; }
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
