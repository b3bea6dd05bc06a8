#pragma once

#include "input/InputList.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

namespace pivora::win32ui {

// The list view's face of the input list: a virtual report list whose rows are the list's
// entries, so that a long list costs the view nothing. The view's selection follows removals.
class ListRows : public pivora::input::InputListObserver
{
public:
    // `stateText` gives the third column of a row.
    ListRows(pivora::input::InputList& list, HWND listView,
             std::function<std::string(std::size_t row)> stateText);
    ~ListRows() override;

    // The third column, "状态": where an entry of a running batch stands.
    void StateChanged(std::size_t row);
    void SetStatesShown(bool shown);
    bool StatesShown() const { return m_statesShown; }
    // Answers the view's LVN_GETDISPINFOW.
    void FillItem(NMLVDISPINFOW& info);
    // Paints an entry that is being converted in its own colour (NM_CUSTOMDRAW).
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) const;
    // The selected row, if one is.
    int SelectedRow() const;

    void EntriesAboutToBeInserted(std::size_t first, std::size_t count) override;
    void EntriesInserted() override;
    void EntriesAboutToBeRemoved(std::size_t first, std::size_t count) override;
    void EntriesRemoved() override;

private:
    pivora::input::InputList& m_list;
    HWND m_view;
    std::function<std::string(std::size_t row)> m_stateText;
    bool m_statesShown = false;
    std::size_t m_removeFirst = 0;
    std::size_t m_removeCount = 0;
    std::wstring m_buffer; // the text handed to the view lives until its next question
};

} // namespace pivora::win32ui
