#include "win32ui/frmMain.h"

#include "engine/CommandLine.h"
#include "input/FileSearch.h"
#include "input/PathHelpers.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"
#include "platform/ProcessList.h"
#include "platform/Sound.h"
#include "settings/FormatPresets.h"
#include "settings/SettingsFiles.h"
#include "win32ui/ResourceIds.h"
#include "win32ui/Shell.h"
#include "win32ui/Texts.h"
#include "win32ui/WindowParts.h"
#include "win32ui/frmOptions.h"
#include "win32ui/frmPreview.h"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

namespace pivora::win32ui {

namespace {

constexpr const char* kMain = "pivora::ui::frmMain";
constexpr const char* kMenu = "pivora::ui::frmMenu";
constexpr const char* kList = "pivora::ui::InputListModel";
constexpr const char* kZone = "pivora::ui::DropZone";
constexpr const char* kFeedbackAddress = "feedback@pivora.app";

constexpr int kClientWidth = 566;
constexpr int kClientHeight = 470;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kRecoverMessage = WM_APP + 1;
constexpr UINT kCloseAfterBatchMessage = WM_APP + 2;
// How long after a stop the start button takes no press.
constexpr ULONGLONG kStopSettleMilliseconds = 500;

struct Place
{
    int Left, Top, Width, Height;
};

// The design's places, in pixels at 96 dots per inch.
constexpr Place kLabel10{8, 70, 43, 14};
constexpr Place kLV{4, 88, 555, 204};
constexpr Place kPicDoor{2, 68, 563, 378};
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
// Design order along the top: add file, add folder, remove, settings, help, exit.
constexpr std::array<int, 6> kToolbarLeft{0, 94, 188, 376, 282, 470};
constexpr std::array<int, 6> kToolbarPicture{IDP_ADD_FILE, IDP_ADD_FOLDER, IDP_REMOVE,
                                             IDP_HELP,     IDP_SETTINGS,   IDP_EXIT};

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

} // namespace

frmMainSetup frmMainSetup::Defaults()
{
    namespace fs = pivora::platform;
    frmMainSetup setup;
    setup.ProgramFolder = fs::ProgramFolder();
    setup.WorkFolder = fs::WorkFolder();
    setup.LogPath = fs::JoinPath(fs::StateFolder(), "activity.log");
    setup.JournalFolder = fs::StateFolder();
    setup.CacheFolder = fs::CacheFolder();
    setup.DefaultOutputFolder = fs::DefaultOutputFolder();
    setup.TempCopiesFolder = fs::TempCopiesFolder();
    setup.SettingsFolder = fs::SettingsFolder();
    return setup;
}

frmMain::frmMain(frmMainSetup setup) : m_setup(std::move(setup)), m_copies(m_setup.TempCopiesFolder)
{
    pivora::engine::BatchDriver::Setup driverSetup{m_setup.ProgramFolder, m_setup.WorkFolder,
                                                   m_setup.LogPath};
    driverSetup.Settings = &m_settings;
    driverSetup.JournalFolder = m_setup.JournalFolder;
    driverSetup.CacheFolder = m_setup.CacheFolder;
    pivora::engine::BatchHost& host = *this;
    pivora::engine::UserMessages& messages = *this;
    m_driver = std::make_unique<pivora::engine::BatchDriver>(driverSetup, m_list, host, m_pump,
                                                             messages, m_options);
    m_adder = std::make_unique<pivora::input::InputAdder>(m_list, m_copies, &m_pump);
    m_adder->onCopying = [this](bool copying) {
        ShowHintText(copying ? Tr("正在准备文件...", kMain) : std::string());
    };
    m_adder->onSearching = [this](bool searching) {
        ShowHintText(searching ? Tr("正在搜索...", kMain) : std::string());
    };
    m_outputFolderPath = pivora::settings::OutputFolderFilePath(m_setup.SettingsFolder);
    m_optionsPath =
        pivora::settings::OptionsFilePath(m_setup.ProgramFolder, m_setup.SettingsFolder);
    m_settingsPath = pivora::settings::ProgramSettingsPath(m_setup.SettingsFolder);
    m_pump.preTranslate = [this](MSG& message) { return PreTranslate(message); };
    for (const int picture : kToolbarPicture)
        m_toolbarPictures.push_back(std::make_unique<Picture>(picture));
    m_welcomePicture = std::make_unique<Picture>(IDP_DROPZONE);
}

frmMain::~frmMain()
{
    m_rows.reset();
    if (m_hwnd)
        ::DestroyWindow(m_hwnd);
    for (HFONT font : {m_font, m_formatFont, m_startFont, m_linkFont, m_linkBoldFont}) {
        if (font)
            ::DeleteObject(font);
    }
}

void frmMain::RegisterClasses(HINSTANCE instance)
{
    WNDCLASSEXW mainClass{};
    mainClass.cbSize = sizeof(mainClass);
    mainClass.lpfnWndProc = &frmMain::WndProc;
    mainClass.hInstance = instance;
    mainClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    mainClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    mainClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    mainClass.lpszClassName = PIVORA_MAIN_CLASS;
    ::RegisterClassExW(&mainClass);
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
    Form_Load();
    ::ShowWindow(m_hwnd, showCommand);
    ::UpdateWindow(m_hwnd);
    // Once the window is up.
    ::PostMessageW(m_hwnd, kRecoverMessage, 0, 0);
    return true;
}

void frmMain::BuildMenus()
{
    m_menuBar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    ::AppendMenuW(file, MF_STRING, IDM_ADD, TrW("添加文件", kMain).c_str());
    ::AppendMenuW(file, MF_STRING, IDM_FOLDER, TrW("添加文件夹", kMain).c_str());
    ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(file, MF_STRING, IDM_EXIT, TrW("退出", kMain).c_str());
    ::AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(file),
                  TrW("文件", kMain).c_str());
    HMENU remove = ::CreatePopupMenu();
    ::AppendMenuW(remove, MF_STRING, IDM_RS, TrW("移除选择的文件", kMain).c_str());
    ::AppendMenuW(remove, MF_STRING, IDM_RA, TrW("移除所有", kMain).c_str());
    ::AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(remove),
                  TrW("移除", kMain).c_str());
    HMENU settings = ::CreatePopupMenu();
    ::AppendMenuW(settings, MF_STRING, IDM_S, TrW("设置", kMain).c_str());
    ::AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(settings),
                  TrW("设置", kMain).c_str());
    HMENU about = ::CreatePopupMenu();
    ::AppendMenuW(about, MF_STRING, IDM_HELP, TrW("帮助", kMain).c_str());
    ::AppendMenuW(about, MF_STRING, IDM_A, TrW("关于", kMain).c_str());
    ::AppendMenuW(m_menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(about),
                  TrW("关于", kMain).c_str());
    ::SetMenu(m_hwnd, m_menuBar);

    // The popup window's "Remove" menu, the only one ever popped up.
    m_removeMenu = ::CreatePopupMenu();
    ::AppendMenuW(m_removeMenu, MF_STRING, IDM_REMOVE_SELECTED, TrW("移除选择", kMenu).c_str());
    ::AppendMenuW(m_removeMenu, MF_STRING, IDM_REMOVE_ALL, TrW("移除所有", kMenu).c_str());
}

void frmMain::BuildControls()
{
    m_tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                  WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);

    // The welcome picture first: it lies over everything below until it is dismissed, and Tab
    // reaches the toolbar before it.
    const std::array<const char*, 6> captions{"添加文件", "添加文件夹", "移除",
                                              "帮助",     "设置",       "退出"};
    // Created in the order they are seen, so that Tab goes along the row.
    for (const int index : {0, 1, 2, 4, 3, 5}) {
        const std::string caption = Tr(captions[static_cast<std::size_t>(index)], kMain);
        HWND button = MakeControl(m_hwnd, WC_BUTTONW, Wide(caption), BS_OWNERDRAW | WS_TABSTOP,
                                  IDC_CMDTOOLSBAR0 + index);
        ::SetWindowSubclass(button, &frmMain::ControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
        AddTooltip(button, caption);
        CmdToolsBar[static_cast<std::size_t>(index)] = button;
    }

    picDoor = CreateDropZone(m_hwnd, IDC_PICDOOR, ZoneLook::Welcome, m_welcomePicture.get());
    ::SetWindowTextW(picDoor, TrW("将视频文件拖到此处", kZone).c_str());
    SetDropZoneTexts(picDoor, TrW("将视频文件拖到此处", kZone),
                     TrW("或点击这里, 用上方的按钮添加文件", kZone));
    ::ShowWindow(picDoor, SW_SHOW);
    picDrop = CreateDropZone(m_hwnd, IDC_PICDROP, ZoneLook::Overlay, nullptr);
    ::SetWindowTextW(picDrop, TrW("松开鼠标, 把文件加入列表", kZone).c_str());

    // A label goes just before its control: screen readers name the control after it.
    Label10 = MakeControl(m_hwnd, WC_STATICW, TrW("文件列表:", kMain), SS_LEFT | SS_NOPREFIX,
                          IDC_LABEL10);
    LV = MakeControl(m_hwnd, WC_LISTVIEWW, L"",
                     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA | WS_TABSTOP,
                     IDC_LV, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(LV,
                                      LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    const std::array<const char*, 3> headers{"文件名", "格式", "状态"};
    for (int column = 0; column < 3; ++column) {
        std::wstring text = TrW(headers[static_cast<std::size_t>(column)], kList);
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = text.data();
        info.cx = 10;
        info.iSubItem = column;
        ListView_InsertColumn(LV, column, &info);
    }
    ::SetWindowSubclass(LV, &frmMain::ControlProc, 2, reinterpret_cast<DWORD_PTR>(this));
    m_rows = std::make_unique<ListRows>(m_list, LV);
    m_hintText = TrW("将视频文件拖到此处", kMain);

    Label1 =
        MakeControl(m_hwnd, WC_STATICW, TrW("输出格式:", kMain), SS_LEFT | SS_NOPREFIX, IDC_LABEL1);
    cmbOF1 = MakeControl(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                         IDC_CMBOF1);
    for (const auto& format : pivora::engine::OutputFormats())
        ::SendMessageW(cmbOF1, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(Wide(format.ItemText).c_str()));
    AddTooltip(cmbOF1, Tr("输出格式", kMain));

    Label9 =
        MakeControl(m_hwnd, WC_STATICW, TrW("旋转:", kMain), SS_LEFT | SS_NOPREFIX, IDC_LABEL9);
    cmbRotate = MakeControl(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                            IDC_CMBROTATE);
    for (const char* item : pivora::engine::RotationItems())
        ::SendMessageW(cmbRotate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));

    Label11 = MakeControl(m_hwnd, WC_STATICW, TrW("视频质量 (比特率 - K):", kMain),
                          SS_LEFT | SS_NOPREFIX, IDC_LABEL11);
    cmbBitrate = MakeControl(m_hwnd, WC_COMBOBOXW, L"", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP,
                             IDC_CMBBITRATE);
    for (const char* item : pivora::settings::BitrateItems())
        ::SendMessageW(cmbBitrate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    AddTooltip(cmbBitrate, Tr("视频比特率", kMain));

    Label8 =
        MakeControl(m_hwnd, WC_STATICW, TrW("输出路径:", kMain), SS_LEFT | SS_NOPREFIX, IDC_LABEL8);
    txtPath = MakeControl(m_hwnd, WC_EDITW, L"", ES_AUTOHSCROLL | WS_TABSTOP, IDC_TXTPATH,
                          WS_EX_CLIENTEDGE);
    AddTooltip(txtPath, Tr("选择要输出的文件夹", kMain));
    ::SetWindowSubclass(txtPath, &frmMain::ControlProc, 3, reinterpret_cast<DWORD_PTR>(this));
    cmdBrowse = MakeControl(m_hwnd, WC_BUTTONW, L"...", BS_PUSHBUTTON | WS_TABSTOP, IDC_CMDBROWSE);
    AddTooltip(cmdBrowse, Tr("选择输出文件夹", kMain));
    SetAccessibleName(cmdBrowse, Tr("选择输出文件夹", kMain));

    lblPB = MakeControl(m_hwnd, WC_STATICW, L"0%", SS_LEFT | SS_NOPREFIX, IDC_LBLPB);
    pb = MakeControl(m_hwnd, PROGRESS_CLASSW, L"", 0, IDC_PB);
    ::SendMessageW(pb, PBM_SETRANGE32, 0, 100);
    SetAccessibleName(pb, Tr("转换进度", kMain));
    Command3 = MakeControl(m_hwnd, WC_BUTTONW, TrW("旋转视频", kMain), BS_PUSHBUTTON | WS_TABSTOP,
                           IDC_COMMAND3);

    lblFeed =
        MakeControl(m_hwnd, WC_BUTTONW, TrW("反馈", kMain), BS_OWNERDRAW | WS_TABSTOP, IDC_LBLFEED);
    ::SetWindowSubclass(lblFeed, &frmMain::ControlProc, 4, reinterpret_cast<DWORD_PTR>(this));
    AddTooltip(lblFeed, Tr("向我们发送您的建议或问题", kMain));

    // The welcome picture and the overlay lie over the list and the panel.
    ::SetWindowPos(picDrop, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(picDoor, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // ...and Tab reaches the welcome picture after the toolbar.
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
    m_dpi = dpi;
    for (HFONT font : {m_font, m_formatFont, m_startFont, m_linkFont, m_linkBoldFont}) {
        if (font)
            ::DeleteObject(font);
    }
    m_font = MakeFont(12, dpi);
    // The longest format name must fit the design width.
    m_formatFont = MakeFont(11, dpi);
    m_startFont = MakeFont(16, dpi, true);
    m_linkFont = MakeFont(12, dpi, false, true);
    m_linkBoldFont = MakeFont(12, dpi, true, true);

    const SIZE outer =
        OuterSize(kStyle, kExStyle, true, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi), dpi);
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

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
        ::SetWindowPos(CmdToolsBar[i], nullptr, Scale(kToolbarLeft[i], dpi), 0, Scale(95, dpi),
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
    SetColumns();
    ::InvalidateRect(m_hwnd, nullptr, TRUE);
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

LRESULT CALLBACK frmMain::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<frmMain*>(create->lpCreateParams);
        self->m_hwnd = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmMain*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CALLBACK frmMain::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self)
{
    return reinterpret_cast<frmMain*>(self)->OnControlMessage(window, message, wParam, lParam);
}

LRESULT frmMain::OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (control == LV) {
        if (message == WM_PAINT) {
            const LRESULT result = ::DefSubclassProc(control, message, wParam, lParam);
            PaintHint(control);
            return result;
        }
    } else if (control == lblFeed) {
        if (message == WM_MOUSEMOVE && !m_feedHot) {
            m_feedHot = true;
            ::InvalidateRect(lblFeed, nullptr, FALSE);
        } else if (message == WM_SETCURSOR) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
    } else if (control == txtPath) {
        // A click into the box chooses the folder through the dialog.
        if (message == WM_LBUTTONUP && ::IsWindowEnabled(txtPath))
            ::PostMessageW(m_hwnd, WM_COMMAND, MAKEWPARAM(IDC_CMDBROWSE, BN_CLICKED),
                           reinterpret_cast<LPARAM>(cmdBrowse));
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

void frmMain::PaintHint(HWND listView)
{
    if (!m_hintShown)
        return;
    HDC dc = ::GetDC(listView);
    RECT client;
    ::GetClientRect(listView, &client);
    // Where the design puts the hint panel, in the list's own coordinates.
    RECT box{Scale(184 - kLV.Left, m_dpi), Scale(190 - kLV.Top, m_dpi),
             Scale(184 - kLV.Left + 163, m_dpi), Scale(190 - kLV.Top + 21, m_dpi)};
    // A longer text grows around the same centre.
    const int centre = (box.left + box.right) / 2;
    box.left = std::max(client.left, centre - (client.right - client.left) / 2);
    box.right = std::min(client.right, centre + (client.right - client.left) / 2);
    HGDIOBJ old = ::SelectObject(dc, m_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0x6b, 0x7c, 0x93));
    ::DrawTextW(dc, m_hintText.c_str(), -1, &box,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(listView, dc);
}

bool frmMain::PreTranslate(MSG& message)
{
    if (!m_hwnd)
        return false;
    const HWND top = ::GetAncestor(message.hwnd, GA_ROOT);
    if (top != m_hwnd)
        return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        const HWND focus = ::GetFocus();
        if (focus == LV) {
            LV_DblClick(m_rows->SelectedRow());
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
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
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
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_LBUTTONDOWN:
        // Only the bare background comes here: the window moves as by its title bar.
        ::ReleaseCapture();
        ::SendMessageW(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_MOUSEMOVE:
        Form_MouseMove();
        return 0;
    case WM_TIMER:
        if (wParam == kStartTimer) {
            ::KillTimer(m_hwnd, kStartTimer);
            Timer1_Timer();
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
        AddFiles(files);
        return TRUE;
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        Layout(HIWORD(wParam));
        ::SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case kRecoverMessage:
        RecoverInterruptedBatch();
        return 0;
    case kCloseAfterBatchMessage:
        Close();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            ShutdownRequested();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}

void frmMain::OnCommand(int id, int code, HWND control)
{
    if (id >= IDC_CMDTOOLSBAR0 && id < IDC_CMDTOOLSBAR0 + 6) {
        if (code == BN_CLICKED)
            CmdToolsBar_Click(id - IDC_CMDTOOLSBAR0);
        return;
    }
    switch (id) {
    case IDC_PICDOOR:
        if (code == BN_CLICKED)
            picDoor_Click();
        else if (code == kZoneActivated)
            picDoor_Activate();
        break;
    case IDC_PICDROP:
        ::ShowWindow(picDrop, SW_HIDE);
        break;
    case IDC_CMBOF1:
        if (code == CBN_SELCHANGE)
            cmbOF1_Click();
        break;
    case IDC_CMBROTATE:
        if (code == CBN_SELCHANGE)
            cmbRotate_Click();
        break;
    case IDC_CMDBROWSE:
        if (code == BN_CLICKED && ::IsWindowEnabled(cmdBrowse))
            imgBrowse_Click();
        break;
    case IDC_COMMAND3:
        if (code == BN_CLICKED)
            Command3_Click();
        break;
    case IDC_LBLFEED:
        if (code == BN_CLICKED)
            lblFeed_Click();
        break;
    case IDM_ADD:
        CmdToolsBar_Click(0);
        break;
    case IDM_FOLDER:
        CmdToolsBar_Click(1);
        break;
    case IDM_EXIT:
        CmdToolsBar_Click(5);
        break;
    case IDM_RS:
    case IDM_REMOVE_SELECTED:
        DispatchCommandWord("RemoveSelected");
        break;
    case IDM_RA:
    case IDM_REMOVE_ALL:
        menuRA_Click();
        break;
    case IDM_S:
        CmdToolsBar_Click(4);
        break;
    case IDM_HELP:
        CmdToolsBar_Click(3);
        break;
    case IDM_A:
        menuA_Click();
        break;
    default:
        break;
    }
    (void)control;
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
    case NM_DBLCLK: {
        const auto& activate = *reinterpret_cast<NMITEMACTIVATE*>(&header);
        LV_DblClick(activate.iItem);
        return 0;
    }
    default:
        return 0;
    }
}

// ---- Start-up and shut-down --------------------------------------------------------------

namespace {

// The folders start-up and shut-down clear are the program's own, never one the user made.
bool IsProgramOwned(const std::string& folder)
{
    std::vector<std::string> parts;
    std::string part;
    for (const char c : folder) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty())
        parts.push_back(part);
    if (parts.size() < 3)
        return false;
    const auto same = [](const std::string& a, const char* b) {
        return ::lstrcmpiA(a.c_str(), b) == 0;
    };
    const std::string& own = parts.back();
    return same(parts[parts.size() - 2], "pivora") && (same(own, "tmp") || same(own, "work"));
}

void ClearOwnFolder(const std::string& folder, pivora::platform::EventPump& pump)
{
    if (IsProgramOwned(folder))
        pivora::platform::RemoveFolderTree(folder, &pump);
}

} // namespace

void frmMain::Form_Load()
{
    ::SendMessageW(cmbBitrate, CB_SETCURSEL, 2, 0);
    ::SendMessageW(cmbRotate, CB_SETCURSEL, 0, 0);
    m_driver->RotationFilter() = pivora::engine::RotationFilterFor(0);
    m_pump.ProcessEvents();
    SetWindowTextUtf8(txtPath, m_setup.DefaultOutputFolder);
    SetWindowTextUtf8(txtPath,
                      pivora::settings::LoadOutputFolder(m_outputFolderPath, OutputFolderText(),
                                                         m_setup.DefaultOutputFolder));
    ::SetWindowTextW(m_hwnd, L"Pivora");
    pivora::settings::LoadOptions(m_optionsPath, m_options);
    m_settings = pivora::settings::LoadProgramSettings(m_settingsPath);
    ShowStateColumn();
    ::SendMessageW(cmbOF1, CB_SETCURSEL, 0, 0);
    cmbOF1_Click();
    m_internalFormat = 4;
    // What an earlier run left behind: copies, the scratch folder, a converter still running.
    ClearOwnFolder(m_setup.TempCopiesFolder, m_pump);
    ClearOwnFolder(m_setup.WorkFolder, m_pump);
    pivora::platform::KillProcessByName(pivora::platform::ConverterProcessName(),
                                        pivora::platform::ConverterPath(m_setup.ProgramFolder));
}

void frmMain::RecoverInterruptedBatch()
{
    if (m_setup.JournalFolder.empty() || m_unloaded)
        return;
    pivora::engine::ActivityLog log(m_setup.LogPath);
    pivora::engine::InterruptedBatches batches(
        m_setup.JournalFolder, pivora::platform::ConverterPath(m_setup.ProgramFolder), m_pump, log);
    if (m_unloaded || m_pump.Quitting())
        return;
    const std::vector<pivora::input::InputEntry>& entries = batches.Unconverted();
    if (!entries.empty()) {
        std::string text =
            Tr("上次的转换没有完成, 还有 %1 个文件没有转换. 要把它们放回列表吗?", kMain);
        text = pivora::engine::WithArgument(text, std::to_string(entries.size()));
        const bool yes = AskYesNo(m_hwnd, text, "Pivora", true);
        if (m_unloaded)
            return;
        if (yes) {
            std::vector<pivora::input::InputEntry> back;
            std::string gone;
            for (const pivora::input::InputEntry& entry : entries) {
                if (pivora::platform::IsRegularFile(entry.Path))
                    back.push_back(entry);
                else
                    gone += "\n" + entry.DisplayText;
            }
            m_list.Append(std::move(back));
            if (!m_list.Empty())
                HideWelcome();
            UpdateHint();
            if (!gone.empty())
                ShowBox(m_hwnd, Tr("以下文件已经不在了, 没有放回列表:", kMain) + "\n" + gone,
                        "Pivora", BoxIcon::Warning);
        }
    }
    batches.Discard();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    pivora::settings::SaveOutputFolder(m_outputFolderPath, OutputFolderText());
    ClearOwnFolder(m_setup.WorkFolder, m_pump);
    ClearOwnFolder(m_setup.WorkFolder + "\\", m_pump);
}

void frmMain::Close()
{
    if (m_inCloseQuestion)
        return;
    if (m_armed && !m_driver->Running()) {
        // Started but not yet running: there is nothing to stop.
        ::KillTimer(m_hwnd, kStartTimer);
        m_armed = false;
    }
    if (m_driver->Running()) {
        // Once every file is done there is nothing to stop: the end sound is cut short.
        if (!m_shutdownRequested && !m_driver->Stopping() && !m_driver->Finishing() &&
            !ConfirmStopAndQuit())
            return;
        if (m_driver->Running()) {
            // The batch stops first; the window closes when the batch has returned.
            m_closeAfterBatch = true;
            m_pump.RequestQuit();
            m_driver->Stop();
            return;
        }
    }
    m_pump.RequestQuit();
    Form_Unload();
    if (m_preview)
        m_preview.reset();
    ::DestroyWindow(m_hwnd);
}

bool frmMain::ConfirmStopAndQuit()
{
    m_inCloseQuestion = true;
    const bool yes =
        AskYesNo(m_hwnd, Tr("正在转换视频, 确定要停止并退出吗?", kMain), "Pivora", false);
    m_inCloseQuestion = false;
    return yes;
}

void frmMain::ShutdownRequested()
{
    m_shutdownRequested = true;
    Close();
}

// ---- Commands ------------------------------------------------------------------------------

void frmMain::HideWelcome()
{
    if (::IsWindowVisible(picDoor)) {
        const bool hadFocus = ::GetFocus() == picDoor;
        ::ShowWindow(picDoor, SW_HIDE);
        if (hadFocus)
            ::SetFocus(LV);
    }
}

void frmMain::CmdToolsBar_Click(int index)
{
    HideWelcome();
    switch (index) {
    case 0:
        imgToolbar_Click(0);
        break;
    case 1:
        imgToolbar_Click(6);
        break;
    case 2:
        imgToolbar_Click(1);
        break;
    case 3:
        imgHelp_Click();
        break;
    case 4:
        imgToolbar_Click(2);
        break;
    case 5:
        imgToolbar_Click(4);
        break;
    default:
        break;
    }
}

void frmMain::imgToolbar_Click(int index)
{
    switch (index) {
    case 0:
        imgAdd_Click();
        break;
    case 1: {
        // At the pointer; under the button when it was pressed from the keyboard.
        HWND button = CmdToolsBar[2];
        POINT at;
        ::GetCursorPos(&at);
        RECT place;
        ::GetWindowRect(button, &place);
        if (!::PtInRect(&place, at))
            at = {place.left, place.bottom};
        const int chosen = ::TrackPopupMenu(
            m_removeMenu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x,
            at.y, 0, m_hwnd, nullptr);
        if (chosen)
            OnCommand(chosen, 0, nullptr);
        break;
    }
    case 2:
        ShowOptions();
        break;
    case 3:
        imgHelp_Click();
        break;
    case 4:
        ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
        break;
    case 6:
        AddFolder();
        break;
    default:
        break;
    }
}

void frmMain::DispatchCommandWord(const std::string& word)
{
    if (word == "RemoveSelected")
        imgRemove_Click();
    else if (word == "AddaFile")
        imgAdd_Click();
    else if (word == "menuAddaFolder")
        imgToolbar_Click(6);
    else if (word == "menuExit")
        imgToolbar_Click(4);
    else if (word == "menuHelp")
        imgHelp_Click();
    else if (word == "menuOption")
        imgToolbar_Click(2);
}

void frmMain::ShowOptions()
{
    frmOptions options(m_hwnd, m_pump, m_options, m_optionsPath, m_settings, m_settingsPath);
    options.ShowModal();
    ShowStateColumn();
}

void frmMain::imgHelp_Click()
{
    ShellOpen(pivora::platform::JoinPath(pivora::platform::DataFolder(m_setup.ProgramFolder),
                                         Tr("help.html", kMain)));
}

void frmMain::lblFeed_Click()
{
    ShellOpen(std::string("mailto:") + kFeedbackAddress + "?subject=Feedback/Bug Report");
}

void frmMain::menuA_Click()
{
    std::string text = Tr("Pivora %1\n\n"
                          "批量旋转和镜像视频文件.\n"
                          "视频转换由 FFmpeg 完成 (ffmpeg.org).\n"
                          "界面使用 Qt, 中文字体为文泉驿微米黑.\n\n"
                          "建议和问题请发送至 %2",
                          kMain);
    text = pivora::engine::WithArgument(text, "Ver " PIVORA_VERSION);
    if (const std::size_t at = text.find("%2"); at != std::string::npos)
        text.replace(at, 2, kFeedbackAddress);
    ShowBox(m_hwnd, text, Tr("关于", kMain), BoxIcon::None);
}

void frmMain::Form_MouseMove()
{
    if (m_feedHot) {
        m_feedHot = false;
        ::InvalidateRect(lblFeed, nullptr, FALSE);
    }
    ::ShowWindow(picDrop, SW_HIDE);
}

bool frmMain::BeginAdding()
{
    if (m_adding)
        return false;
    m_adding = true;
    SetAddingLocked(true);
    return true;
}

void frmMain::EndAdding()
{
    m_adding = false;
    SetAddingLocked(false);
    if (!m_list.Empty() && m_hintShown) {
        m_hintShown = false;
        ::InvalidateRect(LV, nullptr, TRUE);
    }
    ShowRefused();
}

void frmMain::SetAddingLocked(bool locked)
{
    // While files are being added nothing else may add or start: the search or the copy in
    // progress lets events run, and a second one inside it would be interleaved with it.
    const bool batchActive = m_armed || m_driver->Running();
    for (const int index : {0, 1})
        ::EnableWindow(CmdToolsBar[static_cast<std::size_t>(index)], !locked && !batchActive);
    ::EnableMenuItem(m_menuBar, IDM_ADD, MF_BYCOMMAND | (locked ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(m_menuBar, IDM_FOLDER, MF_BYCOMMAND | (locked ? MF_GRAYED : MF_ENABLED));
    // A drop now would be left aside: the window refuses it, and the pointer says so.
    ::DragAcceptFiles(m_hwnd, !locked);
    if (!batchActive)
        ::EnableWindow(Command3, !locked);
}

void frmMain::ShowRefused()
{
    const std::vector<std::string> refused = m_adder->TakeRefused();
    if (refused.empty())
        return;
    std::string text = Tr("以下不是普通文件 (命名管道、套接字或设备), 没有加入列表:", kMain) + "\n";
    for (const std::string& name : refused)
        text += "\n" + name;
    ShowBox(m_hwnd, text, Tr("添加", kMain), BoxIcon::Warning);
}

void frmMain::UpdateHint()
{
    const bool shown = m_list.Empty();
    if (shown != m_hintShown) {
        m_hintShown = shown;
        ::InvalidateRect(LV, nullptr, TRUE);
    }
}

void frmMain::ShowHintText(const std::string& text)
{
    if (text.empty()) {
        m_hintText = TrW("将视频文件拖到此处", kMain);
        UpdateHint();
    } else {
        m_hintText = Wide(text);
        m_hintShown = true;
    }
    ::InvalidateRect(LV, nullptr, TRUE);
    m_pump.ProcessEvents();
}

void frmMain::imgAdd_Click()
{
    if (!BeginAdding())
        return;
    AddingDone done{*this};
    const std::vector<std::string> files =
        ShowOpenFiles(m_hwnd, Tr("打开文件", kMain), Tr("所有格式(*.*)|*.*", kMain));
    for (const std::string& file : files)
        m_adder->AddChosenFile(file);
    UpdateHint();
}

void frmMain::AddFolder()
{
    if (!BeginAdding())
        return;
    AddingDone done{*this};
    const std::string folder = BrowseForFolder(m_hwnd, Tr("选择一个文件夹:", kMain));
    ShowHintText(Tr("正在搜索...", kMain));
    if (!folder.empty()) {
        std::vector<std::string> found;
        pivora::input::SearchFolder(folder, found, &m_pump);
        m_adder->AddFoundFiles(std::move(found));
    }
    m_hintText = TrW("将视频文件拖到此处", kMain);
    UpdateHint();
    ::InvalidateRect(LV, nullptr, TRUE);
}

void frmMain::imgBrowse_Click()
{
    const std::string chosen = BrowseForFolder(m_hwnd, Tr("选择一个文件夹:", kMain));
    if (chosen.empty()) {
        // Cancelled: the default folder, which the next batch makes if it is missing.
        SetWindowTextUtf8(txtPath, m_setup.DefaultOutputFolder);
        return;
    }
    SetWindowTextUtf8(txtPath, chosen);
    if (pivora::input::FolderExists(chosen))
        return;
    SetWindowTextUtf8(txtPath, m_setup.DefaultOutputFolder);
    ShowBox(m_hwnd,
            pivora::engine::WithArgument(Tr("路径包含未知字符.\r\n更改为默认路径 %1.", kMain),
                                         m_setup.DefaultOutputFolder),
            Tr("路径", kMain), BoxIcon::None);
}

void frmMain::imgRemove_Click()
{
    const int row = m_rows->SelectedRow();
    if (row >= 0 && static_cast<std::size_t>(row) < m_list.Count())
        m_list.RemoveAt(static_cast<std::size_t>(row));
    UpdateHint();
}

void frmMain::menuRA_Click()
{
    m_list.Clear();
    UpdateHint();
}

void frmMain::OnDropFiles(HDROP drop)
{
    pivora::input::DropFileList files;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(::DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        if (!name.empty())
            files.Names.push_back(Utf8(name));
    }
    ::DragFinish(drop);
    if (!files.Names.empty())
        FullDrop(files, ::IsWindowVisible(picDoor) != FALSE);
}

void frmMain::FullDrop(const pivora::input::DropFileList& files, bool onWelcome)
{
    if (onWelcome)
        HideWelcome();
    ::ShowWindow(picDrop, SW_HIDE);
    if (!BeginAdding())
        return;
    AddingDone done{*this};
    m_adder->AddFullDrop(files);
    m_hintText = TrW("将视频文件拖到此处", kMain);
    UpdateHint();
    if (!m_list.Empty())
        m_pump.ProcessEvents();
}

void frmMain::picDoor_Click()
{
    HideWelcome();
}

void frmMain::picDoor_Activate()
{
    // Pressed without the mouse, the welcome picture adds files as the first toolbar button
    // does: that is what it asks for, and a click on it only dismisses it.
    if (::IsWindowEnabled(CmdToolsBar[0]))
        CmdToolsBar_Click(0);
    else
        HideWelcome();
}

void frmMain::LV_DblClick(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_list.Count())
        return;
    if (!m_preview)
        m_preview = std::make_unique<frmPreview>(m_hwnd, m_setup.ProgramFolder, m_setup.WorkFolder);
    const pivora::input::InputEntry& entry = m_list.At(static_cast<std::size_t>(row));
    m_preview->ShowFile(entry.Path, entry.DisplayText, Rotation());
}

void frmMain::cmbOF1_Click()
{
    const int index = static_cast<int>(::SendMessageW(cmbOF1, CB_GETCURSEL, 0, 0));
    const pivora::settings::FormatDefaults* defaults = pivora::settings::DefaultsForFormat(index);
    if (!defaults)
        return;
    ::SendMessageW(cmbBitrate, CB_SETCURSEL, static_cast<WPARAM>(defaults->BitrateItem), 0);
    m_internalFormat = defaults->InternalFormat;
}

void frmMain::cmbRotate_Click()
{
    pivora::engine::SelectRotationFilter(Rotation(), m_driver->RotationFilter());
    if (m_preview)
        m_preview->SetRotation(Rotation());
}

void frmMain::Command3_Click()
{
    // During a batch the button reads "停止".
    if (m_armed || m_driver->Running()) {
        StopBatch();
        return;
    }
    // The second press of a double press on "停止" must not start the batch again.
    if (m_stoppedAt && ::GetTickCount64() - m_stoppedAt < kStopSettleMilliseconds)
        return;
    for (HWND box : {cmbOF1, cmbBitrate, cmdBrowse, txtPath, cmbRotate})
        ::EnableWindow(box, FALSE);
    imgStart_Click();
}

void frmMain::imgStart_Click()
{
    // One batch at a time, whatever path the start comes from, and none while files are
    // still being added.
    if (m_armed || m_driver->Running() || m_adding)
        return;
    if (m_list.Empty()) {
        ShowBox(m_hwnd, Tr("请添加一个文件.", kMain), Tr("添加", kMain), BoxIcon::Warning);
        return;
    }
    SetCommandsEnabled(false);
    m_armed = true;
    m_driver->WarmUp();
    ::SetTimer(m_hwnd, kStartTimer, 100, nullptr);
}

void frmMain::StopBatch()
{
    m_stoppedAt = ::GetTickCount64();
    if (m_armed) {
        ::KillTimer(m_hwnd, kStartTimer);
        m_armed = false;
        SetProgressValue(0);
        UnlockPanel();
        UnlockCommands();
        ShowStopped();
        return;
    }
    if (!m_driver->Running())
        return;
    // Until the converter has gone the button cannot be pressed again.
    ::EnableWindow(Command3, FALSE);
    m_driver->Stop();
}

void frmMain::Timer1_Timer()
{
    m_pump.ProcessEvents();
    if (!m_armed || m_unloaded || m_pump.Quitting())
        return;
    m_armed = false;
    m_driver->ConvertQueue();
    if (m_closeAfterBatch)
        ::PostMessageW(m_hwnd, kCloseAfterBatchMessage, 0, 0);
}

void frmMain::SetCommandsEnabled(bool enabled)
{
    for (std::size_t i = 0; i < CmdToolsBar.size(); ++i)
        ::EnableWindow(CmdToolsBar[i], enabled && !(m_adding && i <= 1));
    ::EnableWindow(LV, enabled);
    // The start button stays usable during a batch: it stops it.
    ::SetWindowTextW(Command3,
                     enabled ? TrW("旋转视频", kMain).c_str() : TrW("停止", kMain).c_str());
    ::EnableWindow(Command3, !enabled || !m_adding);
    ::EnableWindow(lblFeed, enabled);
}

void frmMain::ShowStateColumn()
{
    const std::size_t jobs =
        m_driver->Running()
            ? m_driver->JobsInUse()
            : static_cast<std::size_t>(pivora::settings::ParallelJobsUsed(m_settings));
    m_rows->SetStatesShown(jobs > 1);
    SetColumns();
}

void frmMain::AddFiles(const std::vector<std::string>& paths)
{
    m_adder->AddNamedFiles(paths);
    if (!m_list.Empty())
        HideWelcome();
    UpdateHint();
    ShowRefused();
}

void frmMain::SetLabelText(HWND label, const std::string& text)
{
    SetWindowTextUtf8(label, text);
}

// ---- What the batch shows ------------------------------------------------------------------

int frmMain::Rotation() const
{
    return static_cast<int>(::SendMessageW(cmbRotate, CB_GETCURSEL, 0, 0));
}

int frmMain::OutputFormat() const
{
    return static_cast<int>(::SendMessageW(cmbOF1, CB_GETCURSEL, 0, 0));
}

std::string frmMain::VideoBitrate() const
{
    return WindowText(cmbBitrate);
}

std::string frmMain::OutputFolderText() const
{
    return WindowText(txtPath);
}

void frmMain::SetOutputFolderText(const std::string& text)
{
    SetWindowTextUtf8(txtPath, text);
}

void frmMain::SetProgressValue(int value)
{
    ::SendMessageW(pb, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void frmMain::ShowProgress(const pivora::engine::ProgressDisplay& display)
{
    ::SendMessageW(pb, PBM_SETPOS, static_cast<WPARAM>(display.BarValue), 0);
    SetLabelText(lblPB, display.Label);
}

void frmMain::ShowEntryState(pivora::input::EntryId id, const std::string& state)
{
    m_rows->SetState(id, state);
}

void frmMain::UnlockPanel()
{
    for (HWND box : {cmbOF1, cmbBitrate, cmdBrowse, txtPath, cmbRotate})
        ::EnableWindow(box, TRUE);
}

void frmMain::OpenFolder(const std::string& folder)
{
    ShellOpen(folder);
}

void frmMain::PlayEndSound()
{
    pivora::platform::PlaySoundFile(
        pivora::platform::JoinPath(pivora::platform::DataFolder(m_setup.ProgramFolder),
                                   "sound.wav"),
        m_pump);
}

void frmMain::UnlockCommands()
{
    SetCommandsEnabled(true);
    ShowStateColumn();
}

void frmMain::ShowFinished()
{
    SetLabelText(lblPB, Tr("完成.", kMain));
}

void frmMain::ShowStopped()
{
    m_stoppedAt = ::GetTickCount64();
    SetLabelText(lblPB, Tr("已停止.", kMain));
}

void frmMain::ShowNotStarted()
{
    SetLabelText(lblPB, "0%");
}

void frmMain::ShowMessage(const std::string& text, const std::string& title, Icon icon)
{
    BoxIcon boxIcon = BoxIcon::None;
    switch (icon) {
    case Icon::Information:
        boxIcon = BoxIcon::Information;
        break;
    case Icon::Warning:
        boxIcon = BoxIcon::Warning;
        break;
    case Icon::Error:
        boxIcon = BoxIcon::Error;
        break;
    case Icon::None:
        break;
    }
    ShowBox(m_hwnd, text, title, boxIcon);
}

std::string frmMain::Translate(const char* source) const
{
    return Tr(source, "CoreTexts");
}

} // namespace pivora::win32ui
