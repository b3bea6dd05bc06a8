#pragma once

#include "platform/ChildProcess.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>

class QLabel;

namespace pivora::ui {

// "预览": one frame of a file as it is and as the chosen rotation will leave it, side by
// side, both made by the converter with the batch's own filter. The frames are made in the
// background; the window stays usable meanwhile.
class frmPreview : public QDialog
{
    Q_OBJECT
public:
    frmPreview(std::string programFolder, std::string workFolder, QWidget* parent = nullptr);
    ~frmPreview() override;

    // Shows `path` (named `shownName` in the list) with the rotation item `rotation`.
    void ShowFile(const std::string& path, const std::string& shownName, int rotation);
    // The rotation box changed: the turned frame is made again.
    void SetRotation(int rotation);

    // Whether a frame is still being made.
    bool Busy() const;

private:
    // One frame made by one converter run.
    struct Frame
    {
        QLabel* Picture = nullptr;
        QLabel* Caption = nullptr;
        std::string File;
        std::unique_ptr<pivora::platform::ChildProcess> Child;
        std::string Output;
        bool Seeking = true; // about a second in; a shorter clip is tried from its start
        int Rotation = 5;    // "None": the frame as it is
    };

    void Start(Frame& frame);
    void Abandon(Frame& frame);
    void Release(Frame& frame);
    void Poll();
    void Finish(Frame& frame);

    std::string m_programFolder;
    std::string m_workFolder;
    std::string m_input;
    Frame m_before;
    Frame m_after;
    QTimer m_poll;
};

} // namespace pivora::ui
