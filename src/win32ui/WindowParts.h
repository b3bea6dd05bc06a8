#pragma once

#include <windows.h>

#include <string>

namespace pivora::win32ui {

class Picture;

// The density a window is shown at, in dots per inch (96 = 100 %): the one its top window was
// laid out at, where that was lowered to fit a small screen.
UINT WindowDpi(HWND window);
// The density `window`, a top window, is laid out at, lower than its screen's; 0 for the
// screen's own.
void SetFittedDpi(HWND window, UINT dpi);
// A length of the design (pixels at 96 dots per inch) at `dpi`.
inline int Scale(int designPixels, UINT dpi)
{
    return ::MulDiv(designPixels, static_cast<int>(dpi), 96);
}
// The window's outer size for a client area of the given size, at `dpi`.
SIZE OuterSize(DWORD style, DWORD exStyle, bool menu, int clientWidth, int clientHeight, UINT dpi);

// The interface's font at `pixelHeight` design pixels, scaled to `dpi`: the system's message
// font (Microsoft YaHei UI on Chinese systems, Segoe UI elsewhere, which the system links to a
// Chinese font for Chinese names).
HFONT MakeFont(int pixelHeight, UINT dpi, bool bold = false, bool underline = false);

// The window procedure of a window that is an object of class T: the object rides in the
// window's user data from WM_NCCREATE (where it learns its window) to WM_NCDESTROY (where it
// forgets it); every other message goes to its OnMessage.
template <typename T>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        object->AttachWindow(window);
    }
    auto* self = reinterpret_cast<T*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->DetachWindow();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

// Registers a window class of the program's own: the panel's colour, the arrow, the program's
// icon.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure);

// The background brush for the labels of a window (WM_CTLCOLORSTATIC).
LRESULT PanelColour(WPARAM deviceContext);
// WM_DPICHANGED: the window moves where the system suggests; its caller lays it out anew.
void MoveToSuggested(HWND window, LPARAM suggested);

// Text of a window, as UTF-8 and wide.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, const std::string& text);

// Draws an owner-drawn toolbar button: its picture over its caption, raised under the mouse
// and sunk when pressed, as a flat toolbar's buttons are.
void DrawToolbarButton(const DRAWITEMSTRUCT& item, const Picture& picture, bool hot, UINT dpi);
// Draws the owner-drawn feedback link: underlined, blue, bold under the mouse.
void DrawLinkButton(const DRAWITEMSTRUCT& item, HFONT regular, HFONT bold, bool hot);

// The drop zones' window class: the welcome picture over the list and panel, and the overlay
// that shows while files are dragged over the list. They tell their parent of a press with
// WM_COMMAND (BN_CLICKED for a click, kZoneActivated for Enter or Space).
inline constexpr WORD kZoneActivated = 0x8001;
enum class ZoneLook { Welcome, Overlay };
void RegisterDropZoneClass(HINSTANCE instance);
HWND CreateDropZone(HWND parent, int id, ZoneLook look, const Picture* picture);
// The texts the welcome picture draws; its fonts follow the window's density.
void SetDropZoneTexts(HWND zone, const std::wstring& title, const std::wstring& hint);

} // namespace pivora::win32ui
