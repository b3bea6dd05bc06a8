#include "win32ui/frmMain.h"

#include "engine/CommandLine.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Sound.h"
#include "platform/win32/WinText.h"
#include "settings/FormatPresets.h"
#include "win32ui/DropTarget.h"
#include "win32ui/ResourceIds.h"
#include "win32ui/Shell.h"
#include "win32ui/Texts.h"
#include "win32ui/WindowParts.h"
#include "win32ui/frmOptions.h"
#include "win32ui/frmPreview.h"

#include <commctrl.h>
#include <commdlg.h>
#include <initguid.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

namespace pivora::win32ui {

namespace {

using pivora::window::Box;
using pivora::window::Control;
using pivora::window::Piece;
using Texts = pivora::window::Text;
using pivora::window::Timer;

constexpr int kClientWidth = 566;
constexpr int kClientHeight = 470;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
// The logic's one-shot timers, by their numbers on the window.
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kRecoveryTimer = 2;
constexpr UINT_PTR kStartedTimer = 3;

UINT_PTR TimerId(pivora::window::Timer timer)
{
    switch (timer) {
    case pivora::window::Timer::Timer1:
        return kTimer1;
    case pivora::window::Timer::Recovery:
        return kRecoveryTimer;
    case pivora::window::Timer::Started:
        break;
    }
    return kStartedTimer;
}

struct Place
{
    int Left, Top, Width, Height;
};

// The design's places, in pixels at 96 dots per inch.
constexpr Place kLabel10{8, 70, 43, 14};
constexpr Place kLV{4, 88, 555, 204};
constexpr Place kPicDoor{2, 68, 563, 378};
constexpr Place kPicText{184, 190, 163, 21};
constexpr Place kLabel1{10, 298, 86, 14};
constexpr Place kCmbOF1{8, 317, 197, 200};
constexpr Place kLabel9{218, 298, 41, 14};
constexpr Place kCmbRotate{216, 317, 171, 200};
constexpr Place kLabel11{398, 298, 145, 14};
constexpr Place kCmbBitrate{398, 317, 157, 200};
constexpr Place kLabel8{10, 346, 73, 14};
constexpr Place kTxtPath{8, 363, 495, 21};
constexpr Place kCmdBrowse{508, 364, 47, 20};
constexpr Place kCommand3{404, 390, 153, 55};
constexpr Place kLblPB{184, 396, 60, 14};
constexpr Place kPb{6, 422, 391, 21};
constexpr Place kLblFeed{508, 450, 46, 16};

// The toolbar's pictures, by the names the commands' table gives them.
int PictureResource(const char* name)
{
    const std::pair<const char*, int> pictures[] = {
        {"add_file", IDP_ADD_FILE}, {"add_folder", IDP_ADD_FOLDER},
        {"remove", IDP_REMOVE},     {"settings", IDP_SETTINGS},
        {"help", IDP_HELP},         {"exit", IDP_EXIT}};
    for (const auto& [picture, id] : pictures) {
        if (std::string_view(picture) == name)
            return id;
    }
    return 0;
}

HMENU MenuId(int id)
{
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

HWND MakeControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                 int id, DWORD exStyle = 0)
{
    return ::CreateWindowExW(exStyle, className, text.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 10, 10, parent,
                             MenuId(id), ::GetModuleHandleW(nullptr), nullptr);
}

bool IsButton(HWND window)
{
    wchar_t name[32];
    return ::GetClassNameW(window, name, 32) && ::lstrcmpiW(name, WC_BUTTONW) == 0;
}

BoxIcon BoxIconOf(pivora::window::Icon icon)
{
    switch (icon) {
    case pivora::window::Icon::Information:
        return BoxIcon::Information;
    case pivora::window::Icon::Warning:
        return BoxIcon::Warning;
    case pivora::window::Icon::Error:
        return BoxIcon::Error;
    case pivora::window::Icon::None:
        break;
    }
    return BoxIcon::None;
}

// The menu bar's items and the popup's entries are numbered after their place in the
// commands' tables.
int MenuBarId(std::size_t menu, std::size_t item)
{
    return IDM_ADD + static_cast<int>(menu * 16 + item);
}

// The density below the screen's `dpi` at which the window fits `work`, or `dpi` itself.
UINT FittedDpi(UINT dpi, const RECT& work)
{
    const int width = work.right - work.left;
    const int height = work.bottom - work.top;
    UINT fitted = dpi;
    // The caption and the menu bar do not shrink in proportion: a few rounds settle it.
    for (int round = 0; round < 8 && fitted > 48; ++round) {
        // The caption, the borders and the menu bar keep the screen's density.
        const SIZE outer = OuterSize(kStyle, kExStyle, true, Scale(kClientWidth, fitted),
                                     Scale(kClientHeight, fitted), dpi);
        if (outer.cx <= width && outer.cy <= height)
            break;
        const double shrink =
            std::min(static_cast<double>(width) / outer.cx, static_cast<double>(height) / outer.cy);
        fitted = std::max(48u, static_cast<UINT>(fitted * std::min(shrink, 0.99)));
    }
    return fitted;
}

} // namespace

frmMain::frmMain(pivora::window::MainSetup setup)
{
    pivora::window::WindowView& view = *this;
    pivora::window::DesktopServices& services = *this;
    m_logic = std::make_unique<pivora::window::MainLogic>(std::move(setup), view, services, m_pump);
    m_pump.preTranslate = [this](MSG& message) { return PreTranslate(message); };
    for (const auto& button : pivora::window::ToolbarButtons())
        m_toolbarPictures.push_back(std::make_unique<Picture>(PictureResource(button.Picture)));
    m_welcomePicture = std::make_unique<Picture>(IDP_DROPZONE);
}

frmMain::~frmMain()
{
    m_preview.reset();
    m_rows.reset();
    if (m_hwnd)
        ::DestroyWindow(m_hwnd);
    m_logic.reset();
    for (HFONT font : {m_font, m_formatFont, m_startFont, m_linkFont, m_linkBoldFont}) {
        if (font)
            ::DeleteObject(font);
    }
    if (m_removeMenu)
        ::DestroyMenu(m_removeMenu);
}

std::string frmMain::Text(const char* source) const
{
    return Tr(source, "CoreTexts");
}

void frmMain::RegisterClasses(HINSTANCE instance)
{
    RegisterWindowClass(PIVORA_MAIN_CLASS, &ObjectWindowProc<frmMain>);
    RegisterDropZoneClass(instance);
}

bool frmMain::Create(int showCommand)
{
    m_hwnd = ::CreateWindowExW(kExStyle, PIVORA_MAIN_CLASS, L"Pivora", kStyle, CW_USEDEFAULT,
                               CW_USEDEFAULT, 600, 500, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), this);
    if (!m_hwnd)
        return false;
    BuildMenus();
    BuildControls();
    // Explorer's drags: the overlay over the list, refused while files are being added.
    m_dropTarget = new DropTarget(LV);
    m_dropTarget->accepting = [this] { return m_dropTargets; };
    m_dropTarget->overList = [this] {
        if (!::IsWindowVisible(picDoor))
            m_logic->LV_OLEDragOver();
    };
    m_dropTarget->dropped = [this](const std::optional<std::vector<std::string>>& names) {
        Dropped(names);
    };
    ::RegisterDragDrop(m_hwnd, m_dropTarget);
    m_logic->Form_Load();
    ::ShowWindow(m_hwnd, showCommand);
    ::UpdateWindow(m_hwnd);
    // The keyboard starts where Tab starts: the first toolbar button.
    ::SetFocus(CmdToolsBar[0]);
    return true;
}

void frmMain::BuildMenus()
{
    m_menuBar = ::CreateMenu();
    const auto& menus = pivora::window::MenuBar();
    for (std::size_t menu = 0; menu < menus.size(); ++menu) {
        HMENU popup = ::CreatePopupMenu();
        for (std::size_t item = 0; item < menus[menu].Items.size(); ++item) {
            const pivora::window::MenuEntry& entry = menus[menu].Items[item];
            if (entry.SeparatorBefore)
                ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(MenuBarId(menu, item)),
                          Wide(Text(entry.Caption)).c_str());
        }
        ::AppendMenuW(
            m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
            Wide(TrAs(menus[menu].Caption, "CoreTexts", menus[menu].Disambiguation)).c_str());
    }
    ::SetMenu(m_hwnd, m_menuBar);

    // The popup window's "Remove" menu, the only one ever popped up.
    m_removeMenu = ::CreatePopupMenu();
    const auto& remove = pivora::window::RemoveMenu().Items;
    for (std::size_t item = 0; item < remove.size(); ++item) {
        if (remove[item].SeparatorBefore)
            ::AppendMenuW(m_removeMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(m_removeMenu, MF_STRING, static_cast<UINT_PTR>(IDM_REMOVE_SELECTED + item),
                      Wide(Text(remove[item].Caption)).c_str());
    }
}

void frmMain::BuildControls()
{
    m_tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                  WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);

    // Created in the order they are seen, so that Tab goes along the row.
    const auto& buttons = pivora::window::ToolbarButtons();
    std::array<int, 6> order{0, 1, 2, 3, 4, 5};
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return buttons[static_cast<std::size_t>(a)].Left <
               buttons[static_cast<std::size_t>(b)].Left;
    });
    for (const int index : order) {
        const std::string caption = Text(buttons[static_cast<std::size_t>(index)].Caption);
        HWND button = MakeControl(m_hwnd, WC_BUTTONW, Wide(caption), BS_OWNERDRAW | WS_TABSTOP,
                                  IDC_CMDTOOLSBAR0 + index);
        ::SetWindowSubclass(button, &frmMain::ControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
        AddTooltip(button, caption);
        CmdToolsBar[static_cast<std::size_t>(index)] = button;
    }

    picDoor = CreateDropZone(m_hwnd, IDC_PICDOOR, ZoneLook::Welcome, m_welcomePicture.get());
    ::SetWindowTextW(picDoor, Wide(Text("将视频文件拖到此处")).c_str());
    SetDropZoneTexts(picDoor, Wide(Text("将视频文件拖到此处")),
                     Wide(Text("或用上方的按钮添加文件")));
    ::ShowWindow(picDoor, SW_SHOW);
    picDrop = CreateDropZone(m_hwnd, IDC_PICDROP, ZoneLook::Overlay, nullptr);
    ::SetWindowTextW(picDrop, Wide(Text("松开鼠标, 把文件加入列表")).c_str());

    // A label goes just before its control: screen readers name the control after it.
    Label10 = MakeControl(m_hwnd, WC_STATICW, Wide(Text("文件列表:")), SS_LEFT | SS_NOPREFIX,
                          IDC_LABEL10);
    LV = MakeControl(m_hwnd, WC_LISTVIEWW, L"",
                     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP,
                     IDC_LV, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(LV,
                                      LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    const std::array<const char*, 3> headers{"文件名", "格式", "状态"};
    for (int column = 0; column < 3; ++column) {
        std::wstring text = Wide(Text(headers[static_cast<std::size_t>(column)]));
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = text.data();
        info.cx = 10;
        info.iSubItem = column;
        ListView_InsertColumn(LV, column, &info);
    }
    ::SetWindowSubclass(LV, &frmMain::ControlProc, 2, reinterpret_cast<DWORD_PTR>(this));
    m_rows = std::make_unique<ListRows>(
        m_logic->Entries(), LV, [this](std::size_t row) { return m_logic->StateText(row); });
    // The hint in the middle of the list, over it; a status text shows over everything.
    picText = MakeControl(m_hwnd, WC_STATICW, Wide(Text(pivora::window::kHintText)),
                          SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, IDC_LBLTEXT);
    ::SetWindowPos(picText, Label10, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    Label1 =
        MakeControl(m_hwnd, WC_STATICW, Wide(Text("输出格式:")), SS_LEFT | SS_NOPREFIX, IDC_LABEL1);
    cmbOF1 = MakeControl(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                         IDC_CMBOF1);
    for (const auto& format : pivora::engine::OutputFormats())
        ::SendMessageW(cmbOF1, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(Wide(format.ItemText).c_str()));
    AddTooltip(cmbOF1, Text("输出格式"));

    Label9 =
        MakeControl(m_hwnd, WC_STATICW, Wide(Text("旋转:")), SS_LEFT | SS_NOPREFIX, IDC_LABEL9);
    cmbRotate = MakeControl(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                            IDC_CMBROTATE);
    for (const char* item : pivora::engine::RotationItems())
        ::SendMessageW(cmbRotate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));

    Label11 = MakeControl(m_hwnd, WC_STATICW, Wide(Text("视频质量 (比特率 - K):")),
                          SS_LEFT | SS_NOPREFIX, IDC_LABEL11);
    cmbBitrate = MakeControl(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP,
                             IDC_CMBBITRATE);
    for (const char* item : pivora::settings::BitrateItems())
        ::SendMessageW(cmbBitrate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    AddTooltip(cmbBitrate, Text("视频比特率"));

    Label8 =
        MakeControl(m_hwnd, WC_STATICW, Wide(Text("输出路径:")), SS_LEFT | SS_NOPREFIX, IDC_LABEL8);
    txtPath = MakeControl(m_hwnd, WC_EDITW, L"", ES_AUTOHSCROLL | WS_TABSTOP, IDC_TXTPATH,
                          WS_EX_CLIENTEDGE);
    AddTooltip(txtPath, Text("选择要输出的文件夹"));
    ::SetWindowSubclass(txtPath, &frmMain::ControlProc, 3, reinterpret_cast<DWORD_PTR>(this));
    cmdBrowse = MakeControl(m_hwnd, WC_BUTTONW, L"...", BS_PUSHBUTTON | WS_TABSTOP, IDC_CMDBROWSE);
    AddTooltip(cmdBrowse, Text("选择输出文件夹"));
    SetAccessibleName(cmdBrowse, Text("选择输出文件夹"));

    lblPB = MakeControl(m_hwnd, WC_STATICW, L"0%", SS_LEFT | SS_NOPREFIX, IDC_LBLPB);
    pb = MakeControl(m_hwnd, PROGRESS_CLASSW, L"", 0, IDC_PB);
    ::SendMessageW(pb, PBM_SETRANGE32, 0, 100);
    SetAccessibleName(pb, Text("转换进度"));
    Command3 = MakeControl(m_hwnd, WC_BUTTONW, Wide(Text("旋转视频")), BS_PUSHBUTTON | WS_TABSTOP,
                           IDC_COMMAND3);

    lblFeed =
        MakeControl(m_hwnd, WC_BUTTONW, Wide(Text("反馈")), BS_OWNERDRAW | WS_TABSTOP, IDC_LBLFEED);
    ::SetWindowSubclass(lblFeed, &frmMain::ControlProc, 4, reinterpret_cast<DWORD_PTR>(this));
    AddTooltip(lblFeed, Text("向我们发送您的建议或问题"));

    // The welcome picture and the overlay lie over the list and the panel, and Tab reaches
    // them after the toolbar.
    ::SetWindowPos(picDoor, CmdToolsBar[5], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(picDrop, picDoor, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Layout(WindowDpi(m_hwnd));
}

void frmMain::AddTooltip(HWND control, const std::string& text)
{
    std::wstring wide = Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    ::SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void frmMain::SetAccessibleName(HWND control, const std::string& name)
{
    // Screen readers read this name instead of the control's own text.
    IAccPropServices* services = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IAccPropServices, reinterpret_cast<void**>(&services))))
        return;
    std::wstring wide = Wide(name);
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, wide.c_str());
    services->Release();
}

void frmMain::Layout(UINT dpi)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    const bool known =
        ::GetMonitorInfoW(::MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const UINT screenDpi = dpi;
    if (known)
        dpi = FittedDpi(dpi, monitor.rcWork);
    SetFittedDpi(m_hwnd, dpi != screenDpi ? dpi : 0);
    m_dpi = dpi;
    for (HFONT font : {m_font, m_formatFont, m_startFont, m_linkFont, m_linkBoldFont}) {
        if (font)
            ::DeleteObject(font);
    }
    m_formatFont = nullptr;
    m_font = MakeFont(12, dpi);
    // The longest format name must fit the design width, in whatever font the system gives.
    {
        HDC measure = ::GetDC(m_hwnd);
        const int room =
            Scale(kCmbOF1.Width, dpi) - ::GetSystemMetrics(SM_CXVSCROLL) - Scale(10, dpi);
        for (int pixels = 11; pixels >= 8; --pixels) {
            if (m_formatFont)
                ::DeleteObject(m_formatFont);
            m_formatFont = MakeFont(pixels, dpi);
            HGDIOBJ old = ::SelectObject(measure, m_formatFont);
            int widest = 0;
            for (const auto& format : pivora::engine::OutputFormats()) {
                const std::wstring text = Wide(format.ItemText);
                SIZE extent{};
                ::GetTextExtentPoint32W(measure, text.c_str(), static_cast<int>(text.size()),
                                        &extent);
                widest = std::max(widest, static_cast<int>(extent.cx));
            }
            ::SelectObject(measure, old);
            if (widest <= room)
                break;
        }
        ::ReleaseDC(m_hwnd, measure);
    }
    m_startFont = MakeFont(16, dpi, true);
    m_linkFont = MakeFont(12, dpi, false, true);
    m_linkBoldFont = MakeFont(12, dpi, true, true);

    SIZE outer = OuterSize(kStyle, kExStyle, true, Scale(kClientWidth, dpi),
                           Scale(kClientHeight, dpi), screenDpi);
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The menu bar as the system draws it may differ from its estimate: the client area gets
    // its design size all the same.
    if (RECT client{}; ::GetClientRect(m_hwnd, &client)) {
        const SIZE missing{Scale(kClientWidth, dpi) - client.right,
                           Scale(kClientHeight, dpi) - client.bottom};
        outer = {outer.cx + missing.cx, outer.cy + missing.cy};
        if (missing.cx != 0 || missing.cy != 0)
            ::SetWindowPos(m_hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // A window placed partly off its screen's work area is moved into it.
    if (RECT place{}; known && ::GetWindowRect(m_hwnd, &place)) {
        const RECT& work = monitor.rcWork;
        const LONG left =
            std::clamp(place.left, work.left, std::max(work.left, work.right - outer.cx));
        const LONG top =
            std::clamp(place.top, work.top, std::max(work.top, work.bottom - outer.cy));
        if (left != place.left || top != place.top)
            ::SetWindowPos(m_hwnd, nullptr, left, top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HDC dc = ::GetDC(m_hwnd);
    auto put = [&](HWND control, const Place& place, HFONT font) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        int width = Scale(place.Width, dpi);
        wchar_t className[32];
        ::GetClassNameW(control, className, 32);
        if (::lstrcmpiW(className, WC_STATICW) == 0) {
            // A label keeps at least its design size but grows to its text, so that no
            // caption is cut off in a wider font or a longer translation.
            std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)), L'\0');
            ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()) + 1);
            HGDIOBJ old = ::SelectObject(dc, font);
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            ::SelectObject(dc, old);
            width = std::max(width, static_cast<int>(extent.cx) + Scale(2, dpi));
        }
        const int height = std::max(Scale(place.Height, dpi),
                                    ::MulDiv(Scale(12, dpi), 4, 3)); // a line of text at least
        ::SetWindowPos(control, nullptr, Scale(place.Left, dpi), Scale(place.Top, dpi), width,
                       height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    for (std::size_t i = 0; i < CmdToolsBar.size(); ++i) {
        ::SendMessageW(CmdToolsBar[i], WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        ::SetWindowPos(CmdToolsBar[i], nullptr,
                       Scale(pivora::window::ToolbarButtons()[i].Left, dpi), 0, Scale(95, dpi),
                       Scale(66, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    put(Label10, kLabel10, m_font);
    put(LV, kLV, m_font);
    put(Label1, kLabel1, m_font);
    put(cmbOF1, kCmbOF1, m_formatFont);
    put(Label9, kLabel9, m_font);
    put(cmbRotate, kCmbRotate, m_font);
    put(Label11, kLabel11, m_font);
    put(cmbBitrate, kCmbBitrate, m_font);
    put(Label8, kLabel8, m_font);
    put(txtPath, kTxtPath, m_font);
    put(cmdBrowse, kCmdBrowse, m_font);
    put(Command3, kCommand3, m_startFont);
    put(lblPB, kLblPB, m_font);
    put(pb, kPb, m_font);
    ::ReleaseDC(m_hwnd, dc);

    // The link keeps its right edge; a longer word, bold under the mouse, grows to the left.
    {
        HDC linkDc = ::GetDC(lblFeed);
        HGDIOBJ old = ::SelectObject(linkDc, m_linkBoldFont);
        wchar_t text[64];
        const int length = ::GetWindowTextW(lblFeed, text, 64);
        SIZE extent{};
        ::GetTextExtentPoint32W(linkDc, text, length, &extent);
        ::SelectObject(linkDc, old);
        ::ReleaseDC(lblFeed, linkDc);
        const int width = std::max(Scale(kLblFeed.Width, dpi), static_cast<int>(extent.cx) + 4);
        const int right = Scale(kLblFeed.Left + kLblFeed.Width, dpi);
        ::SetWindowPos(lblFeed, nullptr, right - width, Scale(kLblFeed.Top, dpi), width,
                       Scale(kLblFeed.Height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(picDoor, nullptr, Scale(kPicDoor.Left, dpi), Scale(kPicDoor.Top, dpi),
                   Scale(kPicDoor.Width, dpi), Scale(kPicDoor.Height, dpi),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    // The overlay covers the list exactly.
    RECT list;
    ::GetWindowRect(LV, &list);
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&list), 2);
    ::SetWindowPos(picDrop, nullptr, list.left, list.top, list.right - list.left,
                   list.bottom - list.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(picText, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    PlaceHint();
    SetColumns();
    ::InvalidateRect(m_hwnd, nullptr, TRUE);
}

void frmMain::PlaceHint()
{
    // At the design's place; a longer text grows around the same centre.
    HDC dc = ::GetDC(picText);
    HGDIOBJ old = ::SelectObject(dc, m_font);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(picText)), L'\0');
    ::GetWindowTextW(picText, text.data(), static_cast<int>(text.size()) + 1);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(picText, dc);
    const int width = std::max(Scale(kPicText.Width, m_dpi), static_cast<int>(extent.cx) + 8);
    const int centre = Scale(kPicText.Left + kPicText.Width / 2, m_dpi);
    ::SetWindowPos(picText, nullptr, centre - width / 2, Scale(kPicText.Top, m_dpi), width,
                   Scale(kPicText.Height, m_dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmMain::SetColumns()
{
    const UINT dpi = m_dpi;
    const int format = Scale(1250 / 15, dpi);
    const int state = Scale(1000 / 15, dpi);
    int name = Scale(7000 / 15, dpi);
    if (m_rows && m_rows->StatesShown()) {
        // The state column stays in view: the name column gives way to it.
        RECT client;
        ::GetClientRect(LV, &client);
        name = std::max(Scale(60, dpi), static_cast<int>(client.right) - format - state -
                                            ::GetSystemMetrics(SM_CXVSCROLL));
    }
    ListView_SetColumnWidth(LV, 0, name);
    ListView_SetColumnWidth(LV, 1, format);
    ListView_SetColumnWidth(LV, 2, m_rows && m_rows->StatesShown() ? state : 0);
}

void frmMain::AttachWindow(HWND window)
{
    m_hwnd = window;
}

void frmMain::DetachWindow()
{
    m_hwnd = nullptr;
}

LRESULT CALLBACK frmMain::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self)
{
    return reinterpret_cast<frmMain*>(self)->OnControlMessage(window, message, wParam, lParam);
}

LRESULT frmMain::OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (control == lblFeed) {
        if (message == WM_MOUSEMOVE && !m_feedHot) {
            m_feedHot = true;
            ::InvalidateRect(lblFeed, nullptr, FALSE);
        } else if (message == WM_SETCURSOR) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
    } else if (control == txtPath) {
        // A click into the box chooses the folder through the dialog.
        if (message == WM_LBUTTONUP && ::IsWindowEnabled(txtPath)) {
            const LRESULT result = ::DefSubclassProc(control, message, wParam, lParam);
            m_logic->txtPath_Click();
            return result;
        }
    } else {
        const auto tool = std::find(CmdToolsBar.begin(), CmdToolsBar.end(), control);
        if (tool != CmdToolsBar.end()) {
            const int index = static_cast<int>(tool - CmdToolsBar.begin());
            if (message == WM_MOUSEMOVE && m_hotTool != index) {
                const int before = m_hotTool;
                m_hotTool = index;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, control, 0};
                ::TrackMouseEvent(&track);
                ::InvalidateRect(control, nullptr, FALSE);
                if (before >= 0)
                    ::InvalidateRect(CmdToolsBar[static_cast<std::size_t>(before)], nullptr, FALSE);
            } else if (message == WM_MOUSELEAVE && m_hotTool == index) {
                m_hotTool = -1;
                ::InvalidateRect(control, nullptr, FALSE);
            }
        }
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

bool frmMain::PreTranslate(MSG& message)
{
    if (!m_hwnd)
        return false;
    if (::GetAncestor(message.hwnd, GA_ROOT) != m_hwnd)
        return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        const HWND focus = ::GetFocus();
        if (focus == LV) {
            if (const auto row = SelectedRow())
                m_logic->LV_DblClick(static_cast<int>(*row));
            return true;
        }
        if (focus && ::GetParent(focus) == m_hwnd && IsButton(focus)) {
            // Enter presses the button that has the focus, as Space does.
            ::SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    return ::IsDialogMessageW(m_hwnd, &message) != FALSE;
}

LRESULT frmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.hwndItem == lblFeed) {
            DrawLinkButton(item, m_linkFont, m_linkBoldFont, m_feedHot);
        } else {
            for (std::size_t i = 0; i < CmdToolsBar.size(); ++i) {
                if (item.hwndItem == CmdToolsBar[i])
                    DrawToolbarButton(item, *m_toolbarPictures[i], m_hotTool == static_cast<int>(i),
                                      m_dpi);
            }
        }
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == picText) {
            // The list's own white, the hint's soft blue-grey.
            ::SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0x6b, 0x7c, 0x93));
            ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        }
        return PanelColour(wParam);
    case WM_LBUTTONDOWN:
        // Only the bare background comes here: the window moves as by its title bar.
        ::ReleaseCapture();
        ::SendMessageW(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_MOUSEMOVE:
        Form_MouseMove();
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1 || wParam == kRecoveryTimer || wParam == kStartedTimer) {
            ::KillTimer(m_hwnd, wParam);
            m_logic->TimerTick(wParam == kTimer1          ? Timer::Timer1
                               : wParam == kRecoveryTimer ? Timer::Recovery
                                                          : Timer::Started);
        }
        return 0;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->dwData != PIVORA_COPYDATA_FILES)
            return FALSE;
        // A second start's files, NUL-separated UTF-8.
        std::vector<std::string> files;
        const char* at = static_cast<const char*>(data->lpData);
        const char* end = at + data->cbData;
        while (at < end) {
            const char* stop = std::find(at, end, '\0');
            if (stop != at)
                files.emplace_back(at, stop);
            at = stop + 1;
        }
        m_logic->AddFiles(files);
        return TRUE;
    }
    case WM_DPICHANGED:
        // Moved first: the window is laid out for the screen it is on then.
        MoveToSuggested(m_hwnd, lParam);
        Layout(HIWORD(wParam));
        return 0;
    case WM_ACTIVATE:
        // The control that had the focus has it again when the window comes back.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focus = ::GetFocus(); focus && ::IsChild(m_hwnd, focus))
                m_lastFocus = focus;
        } else if (m_lastFocus && ::IsWindow(m_lastFocus) && ::IsWindowVisible(m_lastFocus) &&
                   ::IsWindowEnabled(m_lastFocus)) {
            ::SetFocus(m_lastFocus);
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            m_logic->ShutdownRequested();
        return 0;
    case WM_CLOSE:
        if (m_logic->QueryUnload()) {
            m_preview.reset();
            ::DestroyWindow(m_hwnd);
        }
        return 0;
    case WM_DESTROY:
        ::RevokeDragDrop(m_hwnd);
        if (m_dropTarget) {
            m_dropTarget->Release();
            m_dropTarget = nullptr;
        }
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}

void frmMain::OnCommand(int id, int code)
{
    if (id >= IDC_CMDTOOLSBAR0 && id < IDC_CMDTOOLSBAR0 + 6) {
        if (code == BN_CLICKED)
            m_logic->CmdToolsBar_Click(id - IDC_CMDTOOLSBAR0);
        return;
    }
    const auto& menus = pivora::window::MenuBar();
    for (std::size_t menu = 0; menu < menus.size(); ++menu) {
        for (std::size_t item = 0; item < menus[menu].Items.size(); ++item) {
            if (id == MenuBarId(menu, item) && code == 0) {
                m_logic->MenuBar_Click(menus[menu].Items[item].Item);
                return;
            }
        }
    }
    const auto& remove = pivora::window::RemoveMenu().Items;
    if (id >= IDM_REMOVE_SELECTED && id < IDM_REMOVE_SELECTED + static_cast<int>(remove.size())) {
        m_logic->PopupMenu_Click(remove[static_cast<std::size_t>(id - IDM_REMOVE_SELECTED)]);
        return;
    }
    switch (id) {
    case IDC_PICDOOR:
        if (code == BN_CLICKED)
            m_logic->picDoor_Click();
        else if (code == kZoneActivated)
            m_logic->picDoor_Activate();
        break;
    case IDC_PICDROP:
        m_logic->picDrop_Click();
        break;
    case IDC_CMBOF1:
        if (code == CBN_SELCHANGE)
            m_logic->cmbOF1_Click(SelectedItem(Box::cmbOF1));
        break;
    case IDC_CMBROTATE:
        if (code == CBN_SELCHANGE)
            m_logic->cmbRotate_Click(SelectedItem(Box::cmbRotate));
        break;
    case IDC_CMDBROWSE:
        if (code == BN_CLICKED)
            m_logic->cmdBrowse_Click();
        break;
    case IDC_COMMAND3:
        if (code == BN_CLICKED)
            m_logic->Command3_Click();
        break;
    case IDC_LBLFEED:
        if (code == BN_CLICKED)
            m_logic->lblFeed_Click();
        break;
    default:
        break;
    }
}

LRESULT frmMain::OnNotify(NMHDR& header)
{
    if (header.hwndFrom != LV)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        m_rows->FillItem(*reinterpret_cast<NMLVDISPINFOW*>(&header));
        return 0;
    case NM_CUSTOMDRAW:
        return m_rows->CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(&header));
    case NM_DBLCLK:
        m_logic->LV_DblClick(reinterpret_cast<NMITEMACTIVATE*>(&header)->iItem);
        return 0;
    default:
        return 0;
    }
}

void frmMain::OnDropFiles(HDROP drop)
{
    // A drop in the old way, without OLE: the same as Explorer's drop.
    std::vector<std::string> names = DroppedNames(drop);
    ::DragFinish(drop);
    if (!m_dropTargets)
        return;
    std::optional<std::vector<std::string>> dropped;
    if (!names.empty())
        dropped = std::move(names);
    Dropped(dropped);
}

void frmMain::Dropped(const std::optional<std::vector<std::string>>& names)
{
    pivora::window::MainLogic::Drop drop;
    if (names)
        drop = pivora::input::DropFileList{true, *names};
    // The welcome picture takes what falls on the window while it shows; afterwards the list's
    // overlay does, as it does when files are dragged over the list.
    if (::IsWindowVisible(picDoor))
        m_logic->picDoor_OLEDragDrop(drop);
    else
        m_logic->picDrop_OLEDragDrop(drop);
}

void frmMain::Form_MouseMove()
{
    if (m_feedHot) {
        m_feedHot = false;
        ::InvalidateRect(lblFeed, nullptr, FALSE);
    }
    ::ShowWindow(picDrop, SW_HIDE);
}

// ---- WindowView ----------------------------------------------------------------------------

HWND frmMain::ControlWindow(Control control) const
{
    switch (control) {
    case Control::cmbOF1:
        return cmbOF1;
    case Control::cmbBitrate:
        return cmbBitrate;
    case Control::cmdBrowse:
        return cmdBrowse;
    case Control::txtPath:
        return txtPath;
    case Control::cmbRotate:
        return cmbRotate;
    case Control::CmdToolsBar0:
    case Control::CmdToolsBar1:
    case Control::CmdToolsBar2:
    case Control::CmdToolsBar3:
    case Control::CmdToolsBar4:
    case Control::CmdToolsBar5:
        return CmdToolsBar[static_cast<std::size_t>(static_cast<int>(control) -
                                                    static_cast<int>(Control::CmdToolsBar0))];
    case Control::LV:
        return LV;
    case Control::Command3:
        return Command3;
    case Control::lblFeed:
        return lblFeed;
    default:
        return nullptr;
    }
}

HWND frmMain::BoxWindow(Box box) const
{
    switch (box) {
    case Box::cmbOF1:
        return cmbOF1;
    case Box::cmbBitrate:
        return cmbBitrate;
    case Box::cmbRotate:
        return cmbRotate;
    case Box::cmbOF:
        break;
    }
    return nullptr;
}

void frmMain::SetEnabled(Control control, bool enabled)
{
    if (control == Control::menuAdd || control == Control::menuFolder) {
        const UINT id = static_cast<UINT>(MenuBarId(0, control == Control::menuAdd ? 0 : 1));
        ::EnableMenuItem(m_menuBar, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        return;
    }
    if (control == Control::DropTargets) {
        // Refused drops: the pointer says so over the window.
        m_dropTargets = enabled;
        ::DragAcceptFiles(m_hwnd, enabled);
        return;
    }
    if (HWND window = ControlWindow(control)) {
        // A control that loses the focus with its use hands it to the list.
        if (!enabled && ::GetFocus() == window)
            ::SetFocus(control == Control::LV ? Command3 : LV);
        ::EnableWindow(window, enabled);
    }
}

void frmMain::SetVisible(Piece piece, bool visible)
{
    switch (piece) {
    case Piece::picDoor:
        if (!visible && ::GetFocus() == picDoor)
            ::SetFocus(CmdToolsBar[0]);
        ::ShowWindow(picDoor, visible ? SW_SHOW : SW_HIDE);
        break;
    case Piece::picDrop:
        ::ShowWindow(picDrop, visible ? SW_SHOW : SW_HIDE);
        break;
    case Piece::picText:
        ::ShowWindow(picText, visible ? SW_SHOWNA : SW_HIDE);
        break;
    case Piece::picDrag:
        // Out of sight by design: a drop anywhere on the window reaches the list.
        break;
    case Piece::StateColumn:
        m_rows->SetStatesShown(visible);
        SetColumns();
        break;
    }
}

void frmMain::SetText(Texts text, const std::string& value)
{
    switch (text) {
    case Texts::lblText: {
        SetWindowTextUtf8(picText, value);
        PlaceHint();
        // A status text shows over the welcome picture too; the hint lies on the list.
        const bool status = value != Text(pivora::window::kHintText);
        ::SetWindowPos(picText, status ? HWND_TOP : Label10, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::UpdateWindow(picText);
        break;
    }
    case Texts::lblPB:
        SetWindowTextUtf8(lblPB, value);
        break;
    case Texts::txtPath:
        SetWindowTextUtf8(txtPath, value);
        break;
    case Texts::cmbBitrate:
        SetWindowTextUtf8(cmbBitrate, value);
        break;
    case Texts::Command3:
        SetWindowTextUtf8(Command3, value);
        break;
    case Texts::Caption:
        SetWindowTextUtf8(m_hwnd, value);
        break;
    }
}

std::string frmMain::GetText(Texts text) const
{
    switch (text) {
    case Texts::lblText:
        return WindowText(picText);
    case Texts::lblPB:
        return WindowText(lblPB);
    case Texts::txtPath:
        return WindowText(txtPath);
    case Texts::cmbBitrate:
        return WindowText(cmbBitrate);
    case Texts::Command3:
        return WindowText(Command3);
    case Texts::Caption:
        return WindowText(m_hwnd);
    }
    return {};
}

void frmMain::SelectItem(Box box, int index)
{
    if (box == Box::cmbOF) {
        m_cmbOF = index;
        return;
    }
    ::SendMessageW(BoxWindow(box), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int frmMain::SelectedItem(Box box) const
{
    if (box == Box::cmbOF)
        return m_cmbOF;
    return static_cast<int>(::SendMessageW(BoxWindow(box), CB_GETCURSEL, 0, 0));
}

void frmMain::SetBar(int value)
{
    ::SendMessageW(pb, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void frmMain::SetFill(int)
{
    // The fill image lies out of sight; the bar shows the same.
}

void frmMain::RowStateChanged(std::size_t row)
{
    m_rows->StateChanged(row);
}

std::optional<std::size_t> frmMain::SelectedRow() const
{
    const int row = m_rows->SelectedRow();
    if (row < 0)
        return std::nullopt;
    return static_cast<std::size_t>(row);
}

void frmMain::ShowMessage(const std::string& text, const std::string& title,
                          pivora::window::Icon icon)
{
    // The batch's held-up work goes on while the box is open.
    ShowBox(m_hwnd, text, title, BoxIconOf(icon));
}

void frmMain::Ask(const std::string& text, const std::string& title, bool yesByDefault,
                  std::function<void(bool yes)> answer)
{
    const bool yes = AskYesNo(m_hwnd, text, title, yesByDefault);
    answer(yes);
}

void frmMain::CloseDialogs()
{
    // Menus, message boxes and the system's dialogs of this thread end as if cancelled.
    ::EndMenu();
    if (m_options)
        m_options->Cancel();
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t name[16];
            if (::GetClassNameW(window, name, 16) && ::lstrcmpW(name, L"#32770") == 0)
                ::EndDialog(window, IDCANCEL);
            return TRUE;
        },
        0);
}

void frmMain::ShowOpen(const std::string& title, const std::string& filter,
                       std::function<void(const std::vector<std::string>& paths)> chosen)
{
    chosen(ShowOpenFiles(m_hwnd, title, filter));
}

void frmMain::BrowseForFile(const std::string& title, const std::string& folder,
                            const std::string& filter,
                            std::function<void(const std::string& path)> chosen)
{
    // The narrow dialog: the path as the code page has it.
    std::string filterText = pivora::platform::win32::ToCodePage(filter);
    std::replace(filterText.begin(), filterText.end(), '|', '\0');
    filterText.push_back('\0');
    const std::string caption = pivora::platform::win32::ToCodePage(title);
    const std::string initial = pivora::platform::win32::ToCodePage(folder);
    std::string buffer(256, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = filterText.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = 255;
    dialog.lpstrInitialDir = initial.c_str();
    dialog.lpstrTitle = caption.c_str();
    dialog.Flags = 0x200008;
    std::string path;
    if (::GetOpenFileNameA(&dialog))
        path = pivora::platform::win32::FromCodePage(buffer.c_str());
    chosen(path);
}

void frmMain::BrowseForFolder(const std::string& prompt,
                              std::function<void(const std::string& folder)> chosen)
{
    chosen(pivora::win32ui::BrowseForFolder(m_hwnd, prompt));
}

void frmMain::ShowOptions(pivora::window::OptionsLogic options, std::function<void()> closed)
{
    frmOptions dialog(m_hwnd, m_pump, std::move(options));
    m_options = &dialog;
    dialog.ShowModal();
    m_options = nullptr;
    closed();
}

void frmMain::PopupRemoveMenu()
{
    // At the pointer; under the button when it was pressed from the keyboard.
    HWND button = CmdToolsBar[2];
    POINT at;
    ::GetCursorPos(&at);
    RECT place;
    ::GetWindowRect(button, &place);
    if (!::PtInRect(&place, at))
        at = {place.left, place.bottom};
    const int chosen = ::TrackPopupMenu(
        m_removeMenu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0,
        m_hwnd, nullptr);
    if (chosen)
        OnCommand(chosen, 0);
}

void frmMain::ShowPreview(const pivora::input::InputEntry& entry, int rotation)
{
    if (!m_preview)
        m_preview = std::make_unique<frmPreview>(m_hwnd, m_logic->Setup().ProgramFolder,
                                                 m_logic->Setup().WorkFolder);
    m_preview->ShowFile(entry.Path, entry.DisplayText, rotation);
}

void frmMain::SetPreviewRotation(int rotation)
{
    if (m_preview)
        m_preview->SetRotation(rotation);
}

void frmMain::StartTimer(Timer timer, int milliseconds)
{
    ::SetTimer(m_hwnd, TimerId(timer),
               static_cast<UINT>(std::max(USER_TIMER_MINIMUM, milliseconds)), nullptr);
}

void frmMain::StopTimer(Timer timer)
{
    ::KillTimer(m_hwnd, TimerId(timer));
}

void frmMain::CloseWindow()
{
    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
}

void frmMain::RequestQuit()
{
    m_pump.RequestQuit();
}

std::string frmMain::Translate(const char* source) const
{
    return Tr(source, "CoreTexts");
}

std::string frmMain::TranslateAs(const char* source, const char* disambiguation) const
{
    return TrAs(source, "CoreTexts", disambiguation ? disambiguation : "");
}

std::string frmMain::TranslateCount(const char* source, int count) const
{
    return TrCount(source, "CoreTexts", count);
}

void frmMain::Announce(const std::string& text)
{
    // The progress label says it to screen readers as its name, and tells them it changed
    // without taking the focus: a live region's change, and a name change for the older ones.
    SetAccessibleName(lblPB, text);
    constexpr DWORD kLiveRegionChanged = 0x8019; // EVENT_OBJECT_LIVEREGIONCHANGED
    ::NotifyWinEvent(kLiveRegionChanged, lblPB, OBJID_CLIENT, CHILDID_SELF);
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, lblPB, OBJID_CLIENT, CHILDID_SELF);
}

std::string frmMain::Credits() const
{
    return Translate(PIVORA_TRANSLATE_NOOP("CoreTexts", "界面使用 Windows 通用控件."));
}

// ---- DesktopServices -----------------------------------------------------------------------

void frmMain::OpenFolder(const std::string& folder)
{
    ShellOpen(folder);
}

void frmMain::OpenDocument(const std::string& file)
{
    ShellOpen(file);
}

void frmMain::OpenUrl(const std::string& url)
{
    ShellOpen(url);
}

void frmMain::PlaySound(const std::string& soundFile)
{
    // The system's sound call returns only when the sound has played: it plays on a thread of
    // its own while the window keeps answering, and this returns when it is over.
    struct Playing
    {
        std::string File;
        static DWORD WINAPI Run(void* data)
        {
            std::unique_ptr<Playing> playing(static_cast<Playing*>(data));
            pivora::platform::PlainEventPump none;
            pivora::platform::PlaySoundFile(playing->File, none);
            return 0;
        }
    };
    auto* playing = new Playing{soundFile};
    HANDLE thread = ::CreateThread(nullptr, 0, &Playing::Run, playing, 0, nullptr);
    if (!thread) {
        Playing::Run(playing);
        return;
    }
    const pivora::platform::NativeHandle done[] = {
        reinterpret_cast<pivora::platform::NativeHandle>(thread)};
    while (::WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && !m_pump.Quitting())
        m_pump.Wait(100, done);
    ::CloseHandle(thread);
}

} // namespace pivora::win32ui
