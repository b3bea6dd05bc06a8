#pragma once

#include "engine/UserMessages.h"
#include "platform/ChildProcess.h"

#include <memory>
#include <string>

namespace pivora::window {

// One frame of a file for "预览", made by the converter with the batch's own filter for a
// rotation item: about a second in, or from the start of a clip shorter than that. It is made
// in the background; the window polls it and shows the picture it leaves in File().
class PreviewFrame
{
public:
    enum class State { Idle, Busy, Ready, Failed };
    // The rotation item that leaves the picture as it is ("None").
    static constexpr int kAsItIs = 5;
    // Shown when the converter wrote no picture and said nothing of why.
    static constexpr const char* kNoPicture = PIVORA_TRANSLATE_NOOP("CoreTexts", "没有画面");

    // `file`: where the picture is written (PNG); its folder is made when need be.
    PreviewFrame(std::string programFolder, std::string file);
    ~PreviewFrame();
    PreviewFrame(const PreviewFrame&) = delete;
    PreviewFrame& operator=(const PreviewFrame&) = delete;

    // Makes the frame of `input` turned by the rotation item `rotation`, in place of the one
    // being made.
    void Start(const std::string& input, int rotation);
    // Moves it on without waiting; the window calls it every few tens of milliseconds while
    // it is Busy.
    State Poll();
    State Current() const { return m_state; }
    const std::string& File() const { return m_file; }
    // Why there is no picture, once Failed: the converter's own words, else a text of the logic
    // to be translated (kNoPicture, or that the converter cannot be run).
    const std::string& Reason() const { return m_reason; }
    const char* ReasonText() const { return m_reasonText; }

private:
    void Run();
    void Abandon();
    void Finish();

    std::string m_programFolder;
    std::string m_file;
    std::string m_input;
    int m_rotation = kAsItIs;
    bool m_seeking = true;
    State m_state = State::Idle;
    std::unique_ptr<pivora::platform::ChildProcess> m_child;
    std::string m_output;
    std::string m_reason;
    const char* m_reasonText = nullptr;
};

} // namespace pivora::window
