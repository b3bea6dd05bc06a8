#pragma once

#include "input/InputList.h"

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
    explicit InputListModel(pivora::input::InputList& list, QObject* parent = nullptr);
    ~InputListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The entry's state; empty for none.
    void SetState(pivora::input::EntryId id, const QString& state);
    // Whether the entries with a state stand out: the state column lies past the right edge of
    // the list, whose first two columns keep their widths, so the rows are tinted and the state
    // is also given to the name column's painter (kStateRole).
    void SetStatesShown(bool shown);
    static constexpr int kStateRole = Qt::UserRole + 1;

private:
    void EntriesAboutToBeInserted(std::size_t first, std::size_t count) override;
    void EntriesInserted() override;
    void EntriesAboutToBeRemoved(std::size_t first, std::size_t count) override;
    void EntriesRemoved() override;

    pivora::input::InputList& m_list;
    // The few entries that have a state: those being converted.
    std::vector<std::pair<pivora::input::EntryId, QString>> m_states;
    bool m_statesShown = false;
    bool m_resetting = false;
};

// Paints the name column, and an entry's state at its right end, where it stays in view.
class NameWithStateDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace pivora::ui
