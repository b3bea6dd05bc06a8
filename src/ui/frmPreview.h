#pragma once

#include "window/PreviewFrame.h"

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
    // One frame, by the logic's rules, and where it shows.
    struct Frame
    {
        Frame(const std::string& programFolder, const std::string& file)
            : Maker(programFolder, file)
        {
        }
        pivora::window::PreviewFrame Maker;
        QLabel* Picture = nullptr;
        QLabel* Caption = nullptr;
    };

    void Start(Frame& frame, int rotation);
    void Poll();
    void Show(Frame& frame);

    std::string m_input;
    Frame m_before;
    Frame m_after;
    QTimer m_poll;
};

} // namespace pivora::ui
