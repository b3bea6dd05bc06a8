// Drives pivora.exe from outside for the window's test under Wine: starts it with its own
// settings folders, finds its window and controls, reads its list, drops files on it (as
// Explorer's drop arrives: a DROPFILES block and WM_DROPFILES) and answers its dialogs.
// Prints what it finds as UTF-8 lines; exits with 1 when what it looks for is not there.
#include "win32ui/ResourceIds.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                          size, nullptr, nullptr);
    return text;
}

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

HWND FindMain(int seconds)
{
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND window = ::FindWindowW(PIVORA_MAIN_CLASS, nullptr);
            window && ::IsWindowVisible(window))
            return window;
        ::Sleep(100);
    }
    return nullptr;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[4096] = {};
    ::SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

struct Search
{
    DWORD process;
    std::wstring className;
    std::wstring title;
    HWND found;
};

// A visible top-level window of the program's process with this class and title.
HWND FindDialog(DWORD process, const std::wstring& className, const std::wstring& title,
                int seconds)
{
    for (int i = 0; i <= seconds * 10; ++i) {
        Search search{process, className, title, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* wanted = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                wchar_t name[64] = {};
                ::GetClassNameW(window, name, 64);
                if (owner == wanted->process && ::IsWindowVisible(window) &&
                    wanted->className == name && TextOf(window) == wanted->title) {
                    wanted->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        ::Sleep(100);
    }
    return nullptr;
}

// Memory in the program's own process, for what a message there must point to.
class RemoteMemory
{
public:
    RemoteMemory(HANDLE process, std::size_t size) : m_process(process)
    {
        m_address =
            ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    void Leave() { m_address = nullptr; } // the program owns it from now on
    ~RemoteMemory()
    {
        if (m_address)
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    void* Address() const { return m_address; }
    bool Write(std::size_t offset, const void* data, std::size_t size)
    {
        return ::WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size,
                                    nullptr);
    }
    bool Read(std::size_t offset, void* data, std::size_t size)
    {
        return ::ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size,
                                   nullptr);
    }

private:
    HANDLE m_process;
    void* m_address = nullptr;
};

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

// Every row of the list: its cells separated by tabs.
int Rows(HWND main)
{
    HWND list = ::GetDlgItem(main, IDC_LV);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                   ProcessOf(main));
    if (!list || !process)
        return 1;
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    constexpr std::size_t kText = 1024;
    RemoteMemory memory(process, sizeof(LVITEMW) + kText * sizeof(wchar_t));
    for (int row = 0; row < count; ++row) {
        std::string line;
        for (int column = 0; column < 3; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.cchTextMax = kText;
            item.pszText =
                reinterpret_cast<wchar_t*>(static_cast<char*>(memory.Address()) + sizeof(LVITEMW));
            memory.Write(0, &item, sizeof(item));
            const LRESULT length = ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                  reinterpret_cast<LPARAM>(memory.Address()));
            std::wstring text(static_cast<std::size_t>(length), L'\0');
            memory.Read(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t));
            line += (column ? "\t" : "") + Utf8(text);
        }
        Print(line);
    }
    ::CloseHandle(process);
    return 0;
}

// What Explorer hands a window that accepts files: a DROPFILES block with wide names, its
// handle in WM_DROPFILES. The handle must be the program's own global memory, so a hook in the
// program (drop_hook.dll beside this probe) makes it from the block shared here.
int Drop(HWND main, const std::vector<std::wstring>& files)
{
    std::vector<char> block(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    RECT list;
    ::GetWindowRect(::GetDlgItem(main, IDC_LV), &list);
    POINT at{(list.left + list.right) / 2, (list.top + list.bottom) / 2};
    ::ScreenToClient(main, &at);
    header->pt = at;
    for (const std::wstring& file : files) {
        const char* bytes = reinterpret_cast<const char*>(file.c_str());
        block.insert(block.end(), bytes, bytes + (file.size() + 1) * sizeof(wchar_t));
    }
    block.insert(block.end(), sizeof(wchar_t), '\0');

    const SIZE_T size = block.size();
    HANDLE section =
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                             static_cast<DWORD>(size + sizeof(size)), L"Local\\PivoraTestDrop");
    void* view = section ? ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
    if (!view)
        return 1;
    std::memcpy(view, &size, sizeof(size));
    std::memcpy(static_cast<char*>(view) + sizeof(size), block.data(), size);
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, L"Local\\PivoraTestDropDone");

    wchar_t probePath[MAX_PATH];
    ::GetModuleFileNameW(nullptr, probePath, MAX_PATH);
    std::wstring dll = probePath;
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"drop_hook.dll";
    HMODULE module = ::LoadLibraryW(dll.c_str());
    auto* proc = module ? reinterpret_cast<HOOKPROC>(
                              reinterpret_cast<void*>(::GetProcAddress(module, "DropHookProc")))
                        : nullptr;
    HHOOK hook = proc ? ::SetWindowsHookExW(WH_GETMESSAGE, proc, module,
                                            ::GetWindowThreadProcessId(main, nullptr))
                      : nullptr;
    if (!hook)
        std::fprintf(stderr, "drop: no hook (module %p, proc %p, error %lu)\n",
                     static_cast<void*>(module), reinterpret_cast<void*>(proc), ::GetLastError());
    int result = 1;
    if (hook) {
        ::PostMessageW(main, ::RegisterWindowMessageW(L"PivoraTestDrop"), 0, 0);
        result = ::WaitForSingleObject(done, 20000) == WAIT_OBJECT_0 ? 0 : 1;
        ::UnhookWindowsHookEx(hook);
    }
    ::UnmapViewOfFile(view);
    ::CloseHandle(section);
    ::CloseHandle(done);
    return result;
}

// Explorer's way: an OLE drag of the files from their folder's shell data object, with the
// pointer held over the program's list, dropped there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // COM objects end in Release
class DropAtOnce : public IDropSource
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (id == IID_IUnknown || id == IID_IDropSource) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // Over the target for a few rounds first, so that it sees the drag come in.
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override
    {
        return ++m_rounds < 5 ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int m_rounds = 0;
};
#pragma GCC diagnostic pop

int OleDrop(HWND main, const std::vector<std::wstring>& files)
{
    if (FAILED(::OleInitialize(nullptr)))
        return 1;
    // The files of one folder, as Explorer offers them.
    const std::wstring folderPath = files.front().substr(0, files.front().find_last_of(L'\\'));
    PIDLIST_ABSOLUTE folderItem = nullptr;
    IShellFolder* desktop = nullptr;
    IShellFolder* folder = nullptr;
    IDataObject* data = nullptr;
    std::vector<PITEMID_CHILD> children;
    bool ready =
        SUCCEEDED(::SHParseDisplayName(folderPath.c_str(), nullptr, &folderItem, 0, nullptr)) &&
        SUCCEEDED(::SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(desktop->BindToObject(folderItem, nullptr, IID_IShellFolder,
                                        reinterpret_cast<void**>(&folder)));
    for (const std::wstring& file : files) {
        if (!ready)
            break;
        std::wstring name = file.substr(file.find_last_of(L'\\') + 1);
        PIDLIST_RELATIVE child = nullptr;
        ready = SUCCEEDED(
            folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &child, nullptr));
        if (ready)
            children.push_back(reinterpret_cast<PITEMID_CHILD>(child));
    }
    if (ready)
        ready = SUCCEEDED(folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                                const_cast<PCUITEMID_CHILD_ARRAY>(children.data()),
                                                IID_IDataObject, nullptr,
                                                reinterpret_cast<void**>(&data)));
    int result = 1;
    if (ready) {
        // Another window may have come over the list meanwhile (the file browser that the end
        // of a batch opens): the program's comes to the top first.
        HWND listView = ::GetDlgItem(main, IDC_LV);
        RECT list;
        ::GetWindowRect(listView, &list);
        const POINT centre{(list.left + list.right) / 2, (list.top + list.bottom) / 2};
        for (int i = 0; i < 50 && ::WindowFromPoint(centre) != listView; ++i) {
            ::SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            ::Sleep(100);
        }
        if (::WindowFromPoint(centre) != listView)
            std::fprintf(stderr, "oledrop: the list is not under the pointer\n");
        ::SetCursorPos(centre.x, centre.y);
        DropAtOnce source;
        DWORD effect = DROPEFFECT_NONE;
        const HRESULT done = ::DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
        std::fprintf(stderr, "oledrop: %08lx, effect %lu\n", static_cast<unsigned long>(done),
                     effect);
        result = done == DRAGDROP_S_DROP && effect == DROPEFFECT_COPY ? 0 : 1;
    } else {
        std::fprintf(stderr, "oledrop: no data object for the files\n");
    }
    if (data)
        data->Release();
    for (PITEMID_CHILD child : children)
        ::CoTaskMemFree(child);
    if (folder)
        folder->Release();
    if (desktop)
        desktop->Release();
    ::CoTaskMemFree(folderItem);
    ::OleUninitialize();
    return result;
}

// Starts the program with its settings and state folders in `appData` and `localAppData`,
// which Wine would otherwise take from the prefix; prints its process id.
int Launch(const std::wstring& appData, const std::wstring& localAppData,
           const std::wstring& commandLine)
{
    ::SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData.c_str());
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return 1;
    Print(std::to_string(started.dwProcessId));
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc < 2)
        return 2;
    const std::wstring command = argv[1];
    std::vector<std::wstring> arguments(argv + 2, argv + argc);
    if (command == L"launch" && arguments.size() >= 3) {
        std::wstring line;
        for (std::size_t i = 2; i < arguments.size(); ++i)
            line += (i > 2 ? L" \"" : L"\"") + arguments[i] + L"\"";
        return Launch(arguments[0], arguments[1], line);
    }
    if (command == L"kill" && arguments.size() == 1) {
        HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, std::stoul(arguments[0]));
        if (!process)
            return 0; // gone already
        ::TerminateProcess(process, 1);
        ::CloseHandle(process);
        return 0;
    }
    // fontlink <file,family> : Tahoma falls back to that font first. Wine rewrites Tahoma's links
    // whenever a process finds the code page changed, so this runs after this process's own
    // fonts are set up, just before the program starts in the same code page.
    if (command == L"fontlink" && arguments.size() == 1) {
        HDC screen = ::GetDC(nullptr);
        HFONT font =
            ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        HGDIOBJ old = ::SelectObject(screen, font);
        ::SelectObject(screen, old);
        ::DeleteObject(font);
        ::ReleaseDC(nullptr, screen);
        HKEY key = nullptr;
        if (::RegCreateKeyExW(
                HKEY_LOCAL_MACHINE,
                L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink", 0,
                nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return 1;
        std::vector<wchar_t> links(arguments[0].begin(), arguments[0].end());
        links.push_back(L'\0');
        DWORD size = 0;
        if (::RegQueryValueExW(key, L"Tahoma", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
            size > sizeof(wchar_t)) {
            std::vector<wchar_t> existing(size / sizeof(wchar_t));
            ::RegQueryValueExW(key, L"Tahoma", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(existing.data()), &size);
            if (std::wstring(existing.data()) != arguments[0])
                links.insert(links.end(), existing.begin(), existing.end());
        }
        while (links.size() < 2 || links[links.size() - 1] != L'\0' ||
               links[links.size() - 2] != L'\0')
            links.push_back(L'\0');
        const LONG written =
            ::RegSetValueExW(key, L"Tahoma", 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(links.data()),
                             static_cast<DWORD>(links.size() * sizeof(wchar_t)));
        ::RegCloseKey(key);
        return written == ERROR_SUCCESS ? 0 : 1;
    }
    HWND main = FindMain(60);
    if (!main)
        return 1;
    if (command == L"window") {
        Print(std::to_string(reinterpret_cast<UINT_PTR>(main)) + " " +
              std::to_string(ProcessOf(main)) + " " + Utf8(TextOf(main)));
        return 0;
    }
    const auto control = [&](std::size_t index) {
        return ::GetDlgItem(main, std::stoi(arguments.at(index)));
    };
    if (command == L"rect" && arguments.size() == 1) {
        RECT place;
        if (!::GetWindowRect(control(0), &place))
            return 1;
        Print(std::to_string(place.left) + " " + std::to_string(place.top) + " " +
              std::to_string(place.right) + " " + std::to_string(place.bottom));
        return 0;
    }
    if (command == L"text" && arguments.size() == 1) {
        Print(Utf8(TextOf(control(0))));
        return 0;
    }
    if (command == L"enabled" && arguments.size() == 1) {
        Print(::IsWindowEnabled(control(0)) ? "yes" : "no");
        return 0;
    }
    if (command == L"visible" && arguments.size() == 1) {
        Print(::IsWindowVisible(control(0)) ? "yes" : "no");
        return 0;
    }
    if (command == L"focus") {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof(thread);
        if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &thread))
            return 1;
        Print(std::to_string(::GetDlgCtrlID(thread.hwndFocus)) + "\t" +
              Utf8(TextOf(thread.hwndFocus)) + (thread.flags & GUI_INMENUMODE ? "\tmenu" : ""));
        return 0;
    }
    if (command == L"command" && arguments.size() == 1)
        return ::PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(std::stoi(arguments[0])), 0)
                   ? 0
                   : 1;
    if (command == L"click" && arguments.size() == 1)
        return ::PostMessageW(control(0), BM_CLICK, 0, 0) ? 0 : 1;
    if (command == L"rows")
        return Rows(main);
    if (command == L"drop" && !arguments.empty())
        return Drop(main, arguments);
    if (command == L"oledrop" && !arguments.empty())
        return OleDrop(main, arguments);
    if (command == L"close")
        return ::PostMessageW(main, WM_CLOSE, 0, 0) ? 0 : 1;
    // dialog <class> <title> [<control id> to click] : waits for the dialog, prints its texts.
    if (command == L"dialog" && arguments.size() >= 2) {
        HWND dialog = FindDialog(ProcessOf(main), arguments[0], arguments[1], 30);
        if (!dialog)
            return 1;
        ::EnumChildWindows(
            dialog,
            [](HWND child, LPARAM) -> BOOL {
                if (::IsWindowVisible(child))
                    Print(std::to_string(::GetDlgCtrlID(child)) + "\t" + Utf8(TextOf(child)));
                return TRUE;
            },
            0);
        if (arguments.size() == 3) {
            const int id = std::stoi(arguments[2]);
            HWND button = ::GetDlgItem(dialog, id);
            if (!button)
                return 1;
            // As the button tells its dialog when it is clicked.
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
        }
        return 0;
    }
    // gone <class> <title> : the dialog is no longer there.
    if (command == L"gone" && arguments.size() == 2)
        return FindDialog(ProcessOf(main), arguments[0], arguments[1], 0) ? 1 : 0;
    return 2;
}
