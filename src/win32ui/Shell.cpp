#include "win32ui/Shell.h"

#include "win32ui/Texts.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace pivora::win32ui {

std::vector<std::string> ShowOpenFiles(HWND owner, const std::string& title,
                                       const std::string& filter)
{
    // The filter's pairs are separated by NUL and end with two.
    std::wstring filterText = Wide(filter);
    for (wchar_t& c : filterText) {
        if (c == L'|')
            c = L'\0';
    }
    filterText.push_back(L'\0');
    const std::wstring caption = Wide(title);
    // Room for many long names: the folder, then each name, NUL-separated.
    std::wstring buffer(1 << 16, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterText.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = caption.c_str();
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&dialog))
        return {};
    // One file: its full path. Several: the folder, then the names.
    std::vector<std::wstring> parts;
    for (const wchar_t* at = buffer.c_str(); *at; at += parts.back().size() + 1)
        parts.emplace_back(at);
    std::vector<std::string> files;
    if (parts.size() == 1) {
        files.push_back(Utf8(parts.front()));
        return files;
    }
    std::wstring folder = parts.front();
    if (!folder.empty() && folder.back() != L'\\')
        folder.push_back(L'\\');
    for (std::size_t i = 1; i < parts.size(); ++i)
        files.push_back(Utf8(folder + parts[i]));
    return files;
}

std::string BrowseForFolder(HWND owner, const std::string& prompt)
{
    const std::wstring title = Wide(prompt);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
    if (!chosen)
        return {};
    std::wstring path(32768, L'\0');
    const bool found =
        ::SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), 0);
    ::CoTaskMemFree(chosen);
    if (!found)
        return {};
    path.resize(wcslen(path.c_str()));
    return Utf8(path);
}

void ShellOpen(const std::string& target)
{
    ::ShellExecuteW(nullptr, L"open", Wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowBox(HWND owner, const std::string& text, const std::string& title, BoxIcon icon)
{
    UINT flags = MB_OK;
    switch (icon) {
    case BoxIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case BoxIcon::Warning:
        flags |= MB_ICONWARNING;
        break;
    case BoxIcon::Error:
        flags |= MB_ICONERROR;
        break;
    case BoxIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
    case BoxIcon::None:
        break;
    }
    ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), flags);
}

bool AskYesNo(HWND owner, const std::string& text, const std::string& title, bool defaultYes)
{
    return ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(),
                         MB_YESNO | MB_ICONQUESTION |
                             (defaultYes ? MB_DEFBUTTON1 : MB_DEFBUTTON2)) == IDYES;
}

} // namespace pivora::win32ui
