#include "ui/InputListModel.h"

#include <QFile>

namespace pivora::ui {

InputListModel::InputListModel(pivora::input::InputList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list)
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
    return parent.isValid() ? 0 : 2;
}

QVariant InputListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.Count())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const pivora::input::InputEntry& entry = m_list.At(static_cast<std::size_t>(index.row()));
    const std::string& text = index.column() == 0 ? entry.DisplayText : entry.TypeText;
    return QFile::decodeName(QByteArray::fromStdString(text));
}

QVariant InputListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("文件名") : QStringLiteral("格式");
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

} // namespace pivora::ui
