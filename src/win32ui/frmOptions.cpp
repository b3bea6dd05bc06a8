#include "win32ui/frmOptions.h"

#include "win32ui/ResourceIds.h"
#include "win32ui/Texts.h"
#include "win32ui/Win32EventPump.h"
#include "win32ui/WindowParts.h"

#include <commctrl.h>

#include <algorithm>

namespace pivora::win32ui {

namespace {

constexpr const char* kOptions = "pivora::ui::frmOptions";
constexpr int kClientWidth = 305;
constexpr int kClientHeight = 224;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

HWND Make(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int id)
{
    return ::CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10,
                             10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

} // namespace

frmOptions::frmOptions(HWND owner, Win32EventPump& pump, pivora::window::OptionsLogic logic)
    : m_owner(owner), m_pump(pump), m_logic(std::move(logic))
{
}

frmOptions::~frmOptions()
{
    if (m_hwnd)
        ::DestroyWindow(m_hwnd);
    if (m_font)
        ::DeleteObject(m_font);
}

void frmOptions::RegisterClass()
{
    RegisterWindowClass(PIVORA_OPTIONS_CLASS, &ObjectWindowProc<frmOptions>);
}

void frmOptions::ShowModal()
{
    m_hwnd = ::CreateWindowExW(kExStyle, PIVORA_OPTIONS_CLASS, TrW("设置", kOptions).c_str(),
                               kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 320, 260, m_owner, nullptr,
                               ::GetModuleHandleW(nullptr), this);
    if (!m_hwnd)
        return;
    BuildControls();
    Form_Load();
    // Over the middle of its owner.
    RECT owner;
    RECT own;
    ::GetWindowRect(m_owner, &owner);
    ::GetWindowRect(m_hwnd, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    ::SetWindowPos(m_hwnd, nullptr, owner.left + (owner.right - owner.left - width) / 2,
                   owner.top + (owner.bottom - owner.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    ::EnableWindow(m_owner, FALSE);
    ::ShowWindow(m_hwnd, SW_SHOW);
    ::SetFocus(cmbSR);
    MSG message;
    while (!m_done) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the main loop must see it too.
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
            ::GetParent(message.hwnd) == m_hwnd) {
            // Enter presses the button that has the focus, and OK elsewhere.
            wchar_t className[16];
            ::GetClassNameW(message.hwnd, className, 16);
            const bool button = ::lstrcmpiW(className, WC_BUTTONW) == 0;
            ::SendMessageW(button ? message.hwnd : Command1, BM_CLICK, 0, 0);
            continue;
        }
        if (m_hwnd && ::IsDialogMessageW(m_hwnd, &message))
            continue;
        m_pump.Dispatch(message);
    }
    ::EnableWindow(m_owner, TRUE);
    ::SetActiveWindow(m_owner);
    if (m_hwnd) {
        ::DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
}

void frmOptions::BuildControls()
{
    m_tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                  WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    auto row = [&](HWND& label, int labelId, const char* caption, HWND& box, int boxId,
                   const char* tip) {
        label = Make(m_hwnd, WC_STATICW, TrW(caption, kOptions), SS_CENTER | SS_NOPREFIX, labelId);
        box = Make(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, boxId);
        std::wstring text = TrW(tip, kOptions);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(box);
        tool.lpszText = text.data();
        ::SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    };
    row(Label1, IDC_OPT_LABEL1, "声音提醒", cmbSR, IDC_OPT_CMBSR, "MP3 Audio Bitrate");
    row(Label2, IDC_OPT_LABEL2, "无损旋转", cmbLR, IDC_OPT_CMBLR,
        "MP4 和 MOV 输出的纯旋转不重新编码");
    row(Label3, IDC_OPT_LABEL3, "同时转换", cmbPJ, IDC_OPT_CMBPJ, "同时转换的文件数");
    for (HWND box : {cmbSR, cmbLR}) {
        ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"ON"));
        ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"OFF"));
    }
    // One conversion per core at most: more would only share the same cores.
    for (int count = 1; count <= pivora::window::OptionsLogic::ParallelChoices(); ++count)
        ::SendMessageW(cmbPJ, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(std::to_wstring(count).c_str()));
    Command1 = Make(m_hwnd, WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_OPT_COMMAND1);
    Command2 = Make(m_hwnd, WC_BUTTONW, TrW("返回", kOptions), BS_PUSHBUTTON | WS_TABSTOP,
                    IDC_OPT_COMMAND2);
    Layout(WindowDpi(m_hwnd));
}

void frmOptions::Layout(UINT dpi)
{
    if (m_font)
        ::DeleteObject(m_font);
    m_font = MakeFont(12, dpi);
    const SIZE outer = OuterSize(kStyle, kExStyle, false, Scale(kClientWidth, dpi),
                                 Scale(kClientHeight, dpi), dpi);
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    auto put = [&](HWND control, int left, int top, int width, int height) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        ::SetWindowPos(control, nullptr, Scale(left, dpi), Scale(top, dpi), Scale(width, dpi),
                       Scale(height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // Each row: a caption as wide as its box and centred over it, the box under it.
    const std::pair<HWND, HWND> rows[] = {{Label1, cmbSR}, {Label2, cmbLR}, {Label3, cmbPJ}};
    int top = 16;
    for (const auto& [label, box] : rows) {
        put(label, 30, top, 245, 16);
        put(box, 74, top + 22, 163, 200);
        top += 54;
    }
    put(Command1, 54, 184, 87, 25);
    put(Command2, 164, 184, 87, 25);
}

void frmOptions::Form_Load()
{
    m_fields = m_logic.Form_Load();
    ::SendMessageW(cmbSR, CB_SETCURSEL, static_cast<WPARAM>(m_fields.SoundReminder), 0);
    ::SendMessageW(cmbLR, CB_SETCURSEL, static_cast<WPARAM>(m_fields.LosslessRotation), 0);
    ::SendMessageW(cmbPJ, CB_SETCURSEL, static_cast<WPARAM>(m_fields.ParallelJobs), 0);
}

void frmOptions::Command1_Click()
{
    // The range boxes are never shown: they keep what Form_Load put in them.
    m_fields.SoundReminder = static_cast<int>(::SendMessageW(cmbSR, CB_GETCURSEL, 0, 0));
    m_fields.LosslessRotation = static_cast<int>(::SendMessageW(cmbLR, CB_GETCURSEL, 0, 0));
    m_fields.ParallelJobs = static_cast<int>(::SendMessageW(cmbPJ, CB_GETCURSEL, 0, 0));
    if (const auto refusal = m_logic.Command1_Click(m_fields)) {
        ::MessageBoxW(m_hwnd, TrW(refusal->Text, "CoreTexts").c_str(),
                      TrW(refusal->Title, "CoreTexts").c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    Finish();
}

void frmOptions::Cancel()
{
    Finish();
}

void frmOptions::Finish()
{
    m_done = true;
    // The loop wakes to see it.
    ::PostMessageW(m_hwnd, WM_NULL, 0, 0);
}

void frmOptions::AttachWindow(HWND window)
{
    m_hwnd = window;
}

void frmOptions::DetachWindow()
{
    m_hwnd = nullptr;
    m_done = true;
}

LRESULT frmOptions::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_OPT_COMMAND1 || LOWORD(wParam) == IDOK)
            Command1_Click();
        else if (LOWORD(wParam) == IDC_OPT_COMMAND2 || LOWORD(wParam) == IDCANCEL)
            Finish();
        return 0;
    case WM_CTLCOLORSTATIC:
        return PanelColour(wParam);
    case WM_LBUTTONDOWN:
        // The background moves the dialog, as the main window's does.
        ::ReleaseCapture();
        ::SendMessageW(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_DPICHANGED:
        Layout(HIWORD(wParam));
        MoveToSuggested(m_hwnd, lParam);
        return 0;
    case WM_CLOSE:
        Finish();
        return 0;
    default:
        return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

} // namespace pivora::win32ui
