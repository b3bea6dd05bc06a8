#pragma once

#include "win32ui/Images.h"
#include "window/PreviewFrame.h"

#include <windows.h>

#include <memory>
#include <string>

namespace pivora::win32ui {

// "预览": one frame of a file as it is and as the chosen rotation will leave it, side by side.
// The core makes the frames in the background; this window polls them and shows them.
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
        std::unique_ptr<pivora::window::PreviewFrame> Maker;
        std::unique_ptr<win32ui::Picture> Image;
        std::wstring Text; // shown instead of a picture
    };

    template <typename T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    void AttachWindow(HWND window);
    void DetachWindow();
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Create();
    void Layout(UINT dpi);
    void MakeFrames();
    void Start(Frame& frame, int rotation);
    void Poll();
    void Show(Frame& frame);
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
