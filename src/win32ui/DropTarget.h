#pragma once

#include <windows.h>

#include <oleidl.h>
#include <shellapi.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pivora::win32ui {

// The window's OLE drop target: Explorer's drags show the list's overlay while they are over
// the list, are refused (the pointer says so) while files are being added, and hand their file
// list over when they are dropped.
// A COM object ends in its own Release, never by a delete through the interface, whose
// destructor COM leaves non-virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DropTarget : public IDropTarget
{
public:
    // Whether a drop would be taken now.
    std::function<bool()> accepting;
    // A drag with files is over the list (screen coordinates say where).
    std::function<void()> overList;
    // Dropped: the files' names, or nothing when the drag held no file list.
    std::function<void(const std::optional<std::vector<std::string>>& names)> dropped;

    explicit DropTarget(HWND list) : m_list(list) {}
    virtual ~DropTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at,
                                   DWORD* effect) override;

private:
    DWORD Effect(POINTL at);

    HWND m_list;
    LONG m_references = 1;
    bool m_files = false;
    bool m_wasOverList = false;
};
#pragma GCC diagnostic pop

// The names of a dropped file list (CF_HDROP), wide whatever the list held.
std::vector<std::string> DroppedNames(HDROP drop);

} // namespace pivora::win32ui
