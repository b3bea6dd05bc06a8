#include "win32ui/DropTarget.h"

#include "win32ui/Texts.h"

#include <shellapi.h>

namespace pivora::win32ui {

namespace {

FORMATETC FileListFormat()
{
    return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

} // namespace

std::vector<std::string> DroppedNames(HDROP drop)
{
    std::vector<std::string> names;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(::DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        if (!name.empty())
            names.push_back(Utf8(name));
    }
    return names;
}

HRESULT DropTarget::QueryInterface(REFIID id, void** object)
{
    if (id == IID_IUnknown || id == IID_IDropTarget) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DropTarget::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG DropTarget::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

DWORD DropTarget::Effect(POINTL at)
{
    if (!m_files || (accepting && !accepting()))
        return DROPEFFECT_NONE;
    RECT list;
    ::GetWindowRect(m_list, &list);
    const bool onList = ::PtInRect(&list, POINT{at.x, at.y}) && ::IsWindowVisible(m_list);
    if (onList && !m_wasOverList && overList)
        overList();
    m_wasOverList = onList;
    return DROPEFFECT_COPY;
}

HRESULT DropTarget::DragEnter(IDataObject* data, DWORD, POINTL at, DWORD* effect)
{
    FORMATETC format = FileListFormat();
    m_files = data && data->QueryGetData(&format) == S_OK;
    m_wasOverList = false;
    *effect = Effect(at);
    return S_OK;
}

HRESULT DropTarget::DragOver(DWORD, POINTL at, DWORD* effect)
{
    *effect = Effect(at);
    return S_OK;
}

HRESULT DropTarget::DragLeave()
{
    // The overlay stays until a click or a drop takes it away.
    m_wasOverList = false;
    return S_OK;
}

HRESULT DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    if (accepting && !accepting()) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    *effect = DROPEFFECT_COPY;
    std::optional<std::vector<std::string>> names;
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    if (data && data->GetData(&format, &medium) == S_OK) {
        names = DroppedNames(static_cast<HDROP>(medium.hGlobal));
        ::ReleaseStgMedium(&medium);
    }
    if (names && names->empty())
        names.reset();
    if (dropped)
        dropped(names);
    return S_OK;
}

} // namespace pivora::win32ui
