#include "ui/InputListModel.h"

#include <QColor>
#include <QFile>

namespace pivora::ui {

InputListModel::InputListModel(pivora::window::MainLogic& logic, QObject* parent)
    : QAbstractTableModel(parent), m_logic(logic), m_list(logic.Entries())
{
    m_list.SetObserver(this);
}

InputListModel::~InputListModel()
{
    m_list.SetObserver(nullptr);
}

int InputListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.Count());
}

int InputListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant InputListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.Count())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto state = [&] { return QString::fromStdString(m_logic.StateText(row)); };
    if (role == Qt::BackgroundRole) {
        if (!m_statesShown || state().isEmpty())
            return {};
        return QColor(0xdc, 0xea, 0xf7);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (index.column() == 2)
        return state();
    const pivora::input::InputEntry& entry = m_list.At(row);
    const std::string& text = index.column() == 0 ? entry.DisplayText : entry.TypeText;
    return QFile::decodeName(QByteArray::fromStdString(text));
}

QVariant InputListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return tr("文件名");
    case 1:
        return tr("格式");
    default:
        return tr("状态");
    }
}

void InputListModel::StateChanged(std::size_t row)
{
    emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), 2),
                     {Qt::DisplayRole, Qt::BackgroundRole});
}

void InputListModel::StatesShownChanged()
{
    if (m_logic.StatesShown() == m_statesShown)
        return;
    m_statesShown = m_logic.StatesShown();
    if (!m_list.Empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 2), {Qt::BackgroundRole});
}

void InputListModel::EntriesAboutToBeInserted(std::size_t first, std::size_t count)
{
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}

void InputListModel::EntriesInserted()
{
    endInsertRows();
}

void InputListModel::EntriesAboutToBeRemoved(std::size_t first, std::size_t count)
{
    // Emptying a long list is one reset, not a row-by-row removal.
    m_resetting = first == 0 && count == m_list.Count() && count > 1;
    if (m_resetting)
        beginResetModel();
    else
        beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}

void InputListModel::EntriesRemoved()
{
    if (m_resetting)
        endResetModel();
    else
        endRemoveRows();
    m_resetting = false;
}

void StateDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->palette.setColor(QPalette::Disabled, QPalette::Text,
                             option->palette.color(QPalette::Active, QPalette::Text));
}

} // namespace pivora::ui
