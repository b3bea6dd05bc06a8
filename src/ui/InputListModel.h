#pragma once

#include "input/InputList.h"
#include "window/MainLogic.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <utility>
#include <vector>

namespace pivora::ui {

// The list view's face of the input list: one row per entry, "文件名", "格式" and "状态", where
// the entries being converted say how far they have got.
class InputListModel : public QAbstractTableModel, private pivora::input::InputListObserver
{
    Q_OBJECT
public:
    // The window's logic keeps the list and the entries' states.
    explicit InputListModel(pivora::window::MainLogic& logic, QObject* parent = nullptr);
    ~InputListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The state of row `row` changed.
    void StateChanged(std::size_t row);
    // Whether states show changed: the entries with a state stand out, their rows tinted.
    void StatesShownChanged();

private:
    void EntriesAboutToBeInserted(std::size_t first, std::size_t count) override;
    void EntriesInserted() override;
    void EntriesAboutToBeRemoved(std::size_t first, std::size_t count) override;
    void EntriesRemoved() override;

    const pivora::window::MainLogic& m_logic;
    pivora::input::InputList& m_list;
    bool m_statesShown = false;
    bool m_resetting = false;
};

// Paints the state column in the active colours: the list is locked during a batch, and the
// states are what the user watches then.
class StateDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace pivora::ui
