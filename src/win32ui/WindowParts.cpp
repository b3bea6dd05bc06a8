#include "win32ui/WindowParts.h"

#include "win32ui/Images.h"
#include "win32ui/Texts.h"

#include <commctrl.h>
#include <windowsx.h>

namespace pivora::win32ui {

namespace {

template <typename Function> Function SystemFunction(const wchar_t* module, const char* name)
{
    // Newer systems only; older ones go the old way.
    HMODULE loaded = ::GetModuleHandleW(module);
    return loaded
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(loaded, name)))
               : nullptr;
}

int SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

} // namespace

constexpr wchar_t kFittedDpi[] = L"PivoraFittedDpi";

void SetFittedDpi(HWND window, UINT dpi)
{
    if (dpi)
        ::SetPropW(window, kFittedDpi, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(dpi)));
    else
        ::RemovePropW(window, kFittedDpi);
}

UINT WindowDpi(HWND window)
{
    if (window) {
        const HWND top = ::GetAncestor(window, GA_ROOT);
        if (const HANDLE fitted = ::GetPropW(top ? top : window, kFittedDpi))
            return static_cast<UINT>(reinterpret_cast<UINT_PTR>(fitted));
    }
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        SystemFunction<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    }
    return static_cast<UINT>(SystemDpi());
}

SIZE OuterSize(DWORD style, DWORD exStyle, bool menu, int clientWidth, int clientHeight, UINT dpi)
{
    using AdjustFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi =
        SystemFunction<AdjustFunction>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect{0, 0, clientWidth, clientHeight};
    if (!adjustForDpi || !adjustForDpi(&rect, style, menu, exStyle, dpi))
        ::AdjustWindowRectEx(&rect, style, menu, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

HFONT MakeFont(int pixelHeight, UINT dpi, bool bold, bool underline)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = -Scale(pixelHeight, dpi);
    font.lfWidth = 0;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfQuality = CLEARTYPE_QUALITY;
    // Any script: file names are not in the code page's alone, and the system links the font
    // to others for the characters it lacks only when no one character set was asked for.
    font.lfCharSet = DEFAULT_CHARSET;
    return ::CreateFontIndirectW(&font);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = name;
    ::RegisterClassExW(&windowClass);
}

LRESULT PanelColour(WPARAM deviceContext)
{
    ::SetBkColor(reinterpret_cast<HDC>(deviceContext), ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void MoveToSuggested(HWND window, LPARAM suggested)
{
    const auto* place = reinterpret_cast<const RECT*>(suggested);
    ::SetWindowPos(window, nullptr, place->left, place->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8(text);
}

void SetWindowTextUtf8(HWND window, const std::string& text)
{
    if (WindowText(window) != text)
        ::SetWindowTextW(window, Wide(text).c_str());
}

void DrawToolbarButton(const DRAWITEMSTRUCT& item, const Picture& picture, bool hot, UINT dpi)
{
    HDC dc = item.hDC;
    RECT box = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool disabled = item.itemState & ODS_DISABLED;
    ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
    if ((hot || pressed) && !disabled) {
        HBRUSH fill = ::CreateSolidBrush(pressed ? RGB(0xc4, 0xd8, 0xee) : RGB(0xe3, 0xee, 0xfa));
        RECT inner = box;
        ::InflateRect(&inner, -1, -1);
        ::FillRect(dc, &inner, fill);
        ::DeleteObject(fill);
        HBRUSH edge = ::CreateSolidBrush(RGB(0x8d, 0xb2, 0xe3));
        ::FrameRect(dc, &inner, edge);
        ::DeleteObject(edge);
    }
    const int icon = Scale(32, dpi);
    const int top = box.top + Scale(8, dpi) + (pressed ? 1 : 0);
    const int left = box.left + (box.right - box.left - icon) / 2 + (pressed ? 1 : 0);
    const RECT iconBox{left, top, left + icon, top + icon};
    picture.Draw(dc, iconBox, disabled);

    wchar_t caption[128];
    ::GetWindowTextW(item.hwndItem, caption, 128);
    RECT textBox{box.left + 2, iconBox.bottom + Scale(4, dpi), box.right - 2, box.bottom - 2};
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    ::DrawTextW(dc, caption, -1, &textBox, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = box;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
}

void DrawLinkButton(const DRAWITEMSTRUCT& item, HFONT regular, HFONT bold, bool hot)
{
    HDC dc = item.hDC;
    RECT box = item.rcItem;
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool focused = (item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT);
    ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
    wchar_t caption[64];
    ::GetWindowTextW(item.hwndItem, caption, 64);
    HGDIOBJ old = ::SelectObject(dc, hot ? bold : regular);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, disabled ? RGB(0x9a, 0xa5, 0xb1) : RGB(0x2a, 0x5d, 0xb0));
    // The right edge stays; bold under the mouse grows to the left.
    ::DrawTextW(dc, caption, -1, &box, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (focused) {
        RECT measured = box;
        ::DrawTextW(dc, caption, -1, &measured,
                    DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        RECT focus{box.right - (measured.right - measured.left) - 1, box.top, box.right,
                   box.bottom};
        ::DrawFocusRect(dc, &focus);
    }
    ::SelectObject(dc, old);
}

namespace {

constexpr wchar_t kDropZoneClass[] = L"PivoraDropZone";

struct DropZone
{
    ZoneLook Look;
    const Picture* Image;
    std::wstring Title;
    std::wstring Hint;
};

DropZone* ZoneOf(HWND window)
{
    return reinterpret_cast<DropZone*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void DrawCentredText(HDC dc, const std::wstring& text, RECT box, int pixels, bool bold, UINT dpi,
                     COLORREF colour)
{
    HFONT font = MakeFont(pixels, dpi, bold);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), -1, &box,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
}

void PaintZone(HWND window, HDC dc, const DropZone& zone)
{
    RECT area;
    ::GetClientRect(window, &area);
    const UINT dpi = WindowDpi(window);
    ::SetBkMode(dc, TRANSPARENT);
    std::wstring name(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    name.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, name.data(), static_cast<int>(name.size()))));
    if (zone.Look == ZoneLook::Welcome) {
        if (zone.Image)
            zone.Image->Draw(dc, area);
        const int height = area.bottom - area.top;
        const int filmBottom = area.top + ::MulDiv(height, 150, 378) + Scale(42, dpi);
        const RECT title{area.left + Scale(18, dpi), filmBottom + Scale(22, dpi),
                         area.right - Scale(18, dpi), filmBottom + Scale(52, dpi)};
        DrawCentredText(dc, zone.Title, title, 20, true, dpi, RGB(0x2b, 0x45, 0x66));
        const RECT hint{title.left, title.bottom + Scale(6, dpi), title.right,
                        title.bottom + Scale(28, dpi)};
        DrawCentredText(dc, zone.Hint, hint, 13, false, dpi, RGB(0x55, 0x6b, 0x85));
    } else {
        HBRUSH fill = ::CreateSolidBrush(RGB(0xe8, 0xf1, 0xfb));
        ::FillRect(dc, &area, fill);
        ::DeleteObject(fill);
        HPEN pen = ::CreatePen(PS_DASH, 1, RGB(0x3d, 0x7a, 0xc4));
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        const int inset = Scale(3, dpi);
        ::Rectangle(dc, area.left + inset, area.top + inset, area.right - inset,
                    area.bottom - inset);
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
        DrawCentredText(dc, name, area, 16, true, dpi, RGB(0x2b, 0x45, 0x66));
    }
    if (::GetFocus() == window) {
        RECT focus = area;
        ::InflateRect(&focus, -Scale(6, dpi), -Scale(6, dpi));
        ::DrawFocusRect(dc, &focus);
    }
}

void Notify(HWND window, WORD code)
{
    ::SendMessageW(::GetParent(window), WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(::GetDlgCtrlID(window)), code),
                   reinterpret_cast<LPARAM>(window));
}

LRESULT CALLBACK DropZoneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DropZone* zone = ZoneOf(window);
    switch (message) {
    case WM_NCCREATE: {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_NCDESTROY:
        delete zone;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        if (zone) {
            // Drawn off screen first, so that it never flickers.
            RECT area;
            ::GetClientRect(window, &area);
            HDC memory = ::CreateCompatibleDC(dc);
            HBITMAP bitmap = ::CreateCompatibleBitmap(dc, area.right, area.bottom);
            HGDIOBJ old = ::SelectObject(memory, bitmap);
            PaintZone(window, memory, *zone);
            ::BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
            ::SelectObject(memory, old);
            ::DeleteObject(bitmap);
            ::DeleteDC(memory);
        }
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_GETDLGCODE:
        // Enter and Space are its own; Tab still moves on.
        if (lParam) {
            const MSG* key = reinterpret_cast<const MSG*>(lParam);
            if (key->message == WM_KEYDOWN && (key->wParam == VK_RETURN || key->wParam == VK_SPACE))
                return DLGC_WANTMESSAGE;
        }
        return DLGC_WANTCHARS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) {
            Notify(window, kZoneActivated);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        ::SetCapture(window);
        return 0;
    case WM_LBUTTONUP: {
        const bool captured = ::GetCapture() == window;
        ::ReleaseCapture();
        RECT area;
        ::GetClientRect(window, &area);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (captured && ::PtInRect(&area, at))
            Notify(window, BN_CLICKED);
        return 0;
    }
    case WM_SETCURSOR:
        if (zone && zone->Look == ZoneLook::Welcome) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterDropZoneClass(HINSTANCE instance)
{
    WNDCLASSEXW zoneClass{};
    zoneClass.cbSize = sizeof(zoneClass);
    zoneClass.lpfnWndProc = DropZoneProc;
    zoneClass.hInstance = instance;
    zoneClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    zoneClass.lpszClassName = kDropZoneClass;
    ::RegisterClassExW(&zoneClass);
}

HWND CreateDropZone(HWND parent, int id, ZoneLook look, const Picture* picture)
{
    auto* zone = new DropZone{look, picture, {}, {}};
    HWND window = ::CreateWindowExW(
        0, kDropZoneClass, L"", WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 10, 10, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), zone);
    if (!window)
        delete zone;
    return window;
}

void SetDropZoneTexts(HWND zone, const std::wstring& title, const std::wstring& hint)
{
    if (DropZone* data = ZoneOf(zone)) {
        data->Title = title;
        data->Hint = hint;
        ::InvalidateRect(zone, nullptr, FALSE);
    }
}

} // namespace pivora::win32ui
