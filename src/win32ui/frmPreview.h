#pragma once

#include "platform/ChildProcess.h"
#include "win32ui/Images.h"

#include <windows.h>

#include <memory>
#include <string>

namespace pivora::win32ui {

// "预览": one frame of a file as it is and as the chosen rotation will leave it, side by side,
// both made by the converter with the batch's own filter, in the background.
class frmPreview
{
public:
    frmPreview(HWND owner, std::string programFolder, std::string workFolder);
    ~frmPreview();
    frmPreview(const frmPreview&) = delete;
    frmPreview& operator=(const frmPreview&) = delete;

    static void RegisterClass();
    // Shows `path` (named `shownName` in the list) with the rotation item `rotation`.
    void ShowFile(const std::string& path, const std::string& shownName, int rotation);
    // The rotation box changed: the turned frame is made again, if the window is open.
    void SetRotation(int rotation);

private:
    struct Frame
    {
        HWND Picture = nullptr;
        HWND Caption = nullptr;
        std::string File;
        std::unique_ptr<pivora::platform::ChildProcess> Child;
        std::string Output;
        std::unique_ptr<win32ui::Picture> Image;
        std::wstring Text; // shown instead of a picture
        bool Seeking = true;
        int Rotation = 5;
    };

    template <typename T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    void AttachWindow(HWND window);
    void DetachWindow();
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Create();
    void Layout(UINT dpi);
    void Start(Frame& frame);
    void Abandon(Frame& frame);
    void Poll();
    void Finish(Frame& frame);
    void PaintFrame(const DRAWITEMSTRUCT& item);

    HWND m_owner;
    std::string m_programFolder;
    std::string m_workFolder;
    std::string m_input;
    HWND m_hwnd = nullptr;
    HFONT m_font = nullptr;
    Frame m_before;
    Frame m_after;
};

} // namespace pivora::win32ui
