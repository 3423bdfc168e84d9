#include "sending/NumberListModel.h"

NumberListModel::NumberListModel(QObject* parent) : QAbstractListModel(parent) {}

int NumberListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant NumberListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_entries.at(index.row());
    return {};
}

void NumberListModel::append(const QStringList& entries)
{
    if (entries.isEmpty())
        return;
    const int first = static_cast<int>(m_entries.size());
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    m_entries.append(entries);
    endInsertRows();
}

bool NumberListModel::removeAt(qsizetype row)
{
    if (row < 0 || row >= m_entries.size())
        return false;
    beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
    m_entries.removeAt(row);
    endRemoveRows();
    return true;
}

void NumberListModel::clear()
{
    replaceAll({});
}

void NumberListModel::replaceAll(QStringList entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}
