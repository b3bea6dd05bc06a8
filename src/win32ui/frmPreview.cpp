#include "win32ui/frmPreview.h"

#include "engine/CommandLine.h"
#include "platform/FileSystem.h"
#include "win32ui/ResourceIds.h"
#include "win32ui/Texts.h"
#include "win32ui/WindowParts.h"

#include <commctrl.h>

namespace pivora::win32ui {

namespace {

constexpr const char* kPreview = "pivora::ui::frmPreview";
constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;
constexpr int kMargin = 9;
constexpr int kCaptionHeight = 20;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr UINT_PTR kPollTimer = 1;

} // namespace

frmPreview::frmPreview(HWND owner, std::string programFolder, std::string workFolder)
    : m_owner(owner), m_programFolder(std::move(programFolder)), m_workFolder(std::move(workFolder))
{
    MakeFrames();
}

void frmPreview::MakeFrames()
{
    // A new maker gives up whatever the old one was making.
    m_before.Maker = std::make_unique<pivora::window::PreviewFrame>(
        m_programFolder, pivora::platform::JoinPath(m_workFolder, "preview-before.png"));
    m_after.Maker = std::make_unique<pivora::window::PreviewFrame>(
        m_programFolder, pivora::platform::JoinPath(m_workFolder, "preview-after.png"));
}

frmPreview::~frmPreview()
{
    m_before.Maker.reset();
    m_after.Maker.reset();
    if (m_hwnd)
        ::DestroyWindow(m_hwnd);
    if (m_font)
        ::DeleteObject(m_font);
}

void frmPreview::RegisterClass()
{
    RegisterWindowClass(PIVORA_PREVIEW_CLASS, &ObjectWindowProc<frmPreview>);
}

void frmPreview::Create()
{
    m_hwnd = ::CreateWindowExW(0, PIVORA_PREVIEW_CLASS, TrW("预览", kPreview).c_str(), kStyle,
                               CW_USEDEFAULT, CW_USEDEFAULT, 700, 320, m_owner, nullptr,
                               ::GetModuleHandleW(nullptr), this);
    int id = IDC_PREVIEW_BEFORE;
    for (Frame* frame : {&m_before, &m_after}) {
        frame->Picture =
            ::CreateWindowExW(0, WC_STATICW,
                              frame == &m_before ? TrW("原画面", kPreview).c_str()
                                                 : TrW("旋转后的画面", kPreview).c_str(),
                              WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 10, 10, m_hwnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              ::GetModuleHandleW(nullptr), nullptr);
        frame->Caption = ::CreateWindowExW(
            0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS, 0,
            0, 10, 10, m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id + 2)),
            ::GetModuleHandleW(nullptr), nullptr);
        ++id;
    }
    Layout(WindowDpi(m_hwnd));
}

void frmPreview::Layout(UINT dpi)
{
    if (m_font)
        ::DeleteObject(m_font);
    m_font = MakeFont(12, dpi);
    const int width = 2 * kPictureWidth + 3 * kMargin;
    const int height = kPictureHeight + kCaptionHeight + 3 * kMargin;
    const SIZE outer = OuterSize(kStyle, 0, false, Scale(width, dpi), Scale(height, dpi), dpi);
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    int left = kMargin;
    for (Frame* frame : {&m_before, &m_after}) {
        ::SetWindowPos(frame->Picture, nullptr, Scale(left, dpi), Scale(kMargin, dpi),
                       Scale(kPictureWidth, dpi), Scale(kPictureHeight, dpi), SWP_NOZORDER);
        ::SendMessageW(frame->Caption, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        ::SetWindowPos(frame->Caption, nullptr, Scale(left, dpi),
                       Scale(kMargin * 2 + kPictureHeight, dpi), Scale(kPictureWidth, dpi),
                       Scale(kCaptionHeight, dpi), SWP_NOZORDER);
        left += kPictureWidth + kMargin;
    }
}

void frmPreview::ShowFile(const std::string& path, const std::string& shownName, int rotation)
{
    if (!m_hwnd)
        Create();
    m_input = path;
    SetWindowTextUtf8(m_before.Caption, shownName);
    Start(m_before, pivora::window::PreviewFrame::kAsItIs);
    SetRotation(rotation);
    ::ShowWindow(m_hwnd, SW_SHOW);
    ::SetForegroundWindow(m_hwnd);
}

void frmPreview::SetRotation(int rotation)
{
    if (!m_hwnd || rotation < 0 || rotation >= pivora::engine::kRotationCount || m_input.empty())
        return;
    SetWindowTextUtf8(m_after.Caption,
                      pivora::engine::RotationItems()[static_cast<std::size_t>(rotation)]);
    Start(m_after, rotation);
}

void frmPreview::Start(Frame& frame, int rotation)
{
    frame.Image.reset();
    frame.Text = L"...";
    ::InvalidateRect(frame.Picture, nullptr, FALSE);
    frame.Maker->Start(m_input, rotation);
    Show(frame);
    ::SetTimer(m_hwnd, kPollTimer, 30, nullptr);
}

void frmPreview::Poll()
{
    bool busy = false;
    for (Frame* frame : {&m_before, &m_after}) {
        if (frame->Maker->Current() != pivora::window::PreviewFrame::State::Busy)
            continue;
        frame->Maker->Poll();
        Show(*frame);
        busy = busy || frame->Maker->Current() == pivora::window::PreviewFrame::State::Busy;
    }
    if (!busy)
        ::KillTimer(m_hwnd, kPollTimer);
}

void frmPreview::Show(Frame& frame)
{
    using State = pivora::window::PreviewFrame::State;
    const pivora::window::PreviewFrame& maker = *frame.Maker;
    if (maker.Current() == State::Ready) {
        auto image = std::make_unique<Picture>(Wide(maker.File()).c_str());
        if (!image->Empty())
            frame.Image = std::move(image);
        else
            frame.Text = TrW(pivora::window::PreviewFrame::kNoPicture, "CoreTexts");
    } else if (maker.Current() == State::Failed) {
        frame.Text =
            maker.ReasonText() ? TrW(maker.ReasonText(), "CoreTexts") : Wide(maker.Reason());
    } else {
        return;
    }
    ::InvalidateRect(frame.Picture, nullptr, FALSE);
}

void frmPreview::PaintFrame(const DRAWITEMSTRUCT& item)
{
    const Frame& frame = item.hwndItem == m_before.Picture ? m_before : m_after;
    HBRUSH dark = ::CreateSolidBrush(RGB(0x20, 0x24, 0x2a));
    ::FillRect(item.hDC, &item.rcItem, dark);
    ::DeleteObject(dark);
    if (frame.Image) {
        frame.Image->DrawFitted(item.hDC, item.rcItem);
        return;
    }
    RECT box = item.rcItem;
    ::InflateRect(&box, -8, -8);
    HGDIOBJ old = ::SelectObject(item.hDC, m_font);
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, RGB(0xe8, 0xe8, 0xe8));
    RECT measured = box;
    ::DrawTextW(item.hDC, frame.Text.c_str(), -1, &measured,
                DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    box.top += std::max(0L, ((box.bottom - box.top) - (measured.bottom - measured.top)) / 2);
    ::DrawTextW(item.hDC, frame.Text.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(item.hDC, old);
}

void frmPreview::AttachWindow(HWND window)
{
    m_hwnd = window;
}

void frmPreview::DetachWindow()
{
    m_hwnd = nullptr;
}

LRESULT frmPreview::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == kPollTimer)
            Poll();
        return 0;
    case WM_DRAWITEM:
        PaintFrame(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return PanelColour(wParam);
    case WM_DPICHANGED:
        Layout(HIWORD(wParam));
        MoveToSuggested(m_hwnd, lParam);
        return 0;
    case WM_CLOSE:
        // Closed is hidden: the frames in the making are given up.
        MakeFrames();
        ::KillTimer(m_hwnd, kPollTimer);
        m_input.clear();
        ::ShowWindow(m_hwnd, SW_HIDE);
        return 0;
    default:
        return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

} // namespace pivora::win32ui
