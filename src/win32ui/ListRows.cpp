#include "win32ui/ListRows.h"

#include "win32ui/Texts.h"

#include <commctrl.h>

#include <algorithm>

namespace pivora::win32ui {

ListRows::ListRows(pivora::input::InputList& list, HWND listView,
                   std::function<std::string(std::size_t row)> stateText)
    : m_list(list), m_view(listView), m_stateText(std::move(stateText))
{
    m_list.SetObserver(this);
    ListView_SetItemCountEx(m_view, static_cast<int>(m_list.Count()), 0);
}

ListRows::~ListRows()
{
    m_list.SetObserver(nullptr);
}

void ListRows::StateChanged(std::size_t row)
{
    if (row < m_list.Count())
        ListView_RedrawItems(m_view, static_cast<int>(row), static_cast<int>(row));
}

void ListRows::SetStatesShown(bool shown)
{
    if (shown == m_statesShown)
        return;
    m_statesShown = shown;
    ::InvalidateRect(m_view, nullptr, FALSE);
}

void ListRows::FillItem(NMLVDISPINFOW& info)
{
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 ||
        static_cast<std::size_t>(item.iItem) >= m_list.Count())
        return;
    const std::size_t row = static_cast<std::size_t>(item.iItem);
    const pivora::input::InputEntry& entry = m_list.At(row);
    switch (item.iSubItem) {
    case 0:
        m_buffer = Wide(entry.DisplayText);
        break;
    case 1:
        m_buffer = Wide(entry.TypeText);
        break;
    default:
        m_buffer = m_statesShown ? Wide(m_stateText(row)) : std::wstring();
        break;
    }
    item.pszText = m_buffer.data();
}

LRESULT ListRows::CustomDraw(NMLVCUSTOMDRAW& draw) const
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const std::size_t row = draw.nmcd.dwItemSpec;
        if (m_statesShown && row < m_list.Count() && !m_stateText(row).empty() &&
            !(draw.nmcd.uItemState & CDIS_SELECTED)) {
            draw.clrTextBk = RGB(0xdc, 0xea, 0xf7);
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

int ListRows::SelectedRow() const
{
    return ListView_GetNextItem(m_view, -1, LVNI_SELECTED);
}

void ListRows::EntriesAboutToBeInserted(std::size_t, std::size_t) {}

void ListRows::EntriesInserted()
{
    // Entries only ever join at the end: the rows above keep their places and selection.
    ListView_SetItemCountEx(m_view, static_cast<int>(m_list.Count()),
                            LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    ::InvalidateRect(m_view, nullptr, FALSE);
}

void ListRows::EntriesAboutToBeRemoved(std::size_t first, std::size_t count)
{
    m_removeFirst = first;
    m_removeCount = count;
}

void ListRows::EntriesRemoved()
{
    if (m_list.Empty()) {
        ListView_DeleteAllItems(m_view);
    } else {
        // One row at a time, so that the view moves its selection with the rows below.
        for (std::size_t i = 0; i < m_removeCount; ++i)
            ListView_DeleteItem(m_view, static_cast<int>(m_removeFirst));
        ListView_SetItemCountEx(m_view, static_cast<int>(m_list.Count()), LVSICF_NOSCROLL);
    }
    ::InvalidateRect(m_view, nullptr, FALSE);
}

} // namespace pivora::win32ui
