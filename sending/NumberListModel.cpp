#include "sending/NumberListModel.h"

#include <limits>

namespace {

// A view counts its rows in int.
int rows(qsizetype count)
{
    return static_cast<int>(std::min<qsizetype>(count, std::numeric_limits<int>::max()));
}

} // namespace

NumberListModel::NumberListModel(QObject* parent) : QAbstractListModel(parent) {}

int NumberListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows(m_entries.size());
}

QVariant NumberListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_entries.at(index.row());
    return {};
}

void NumberListModel::append(const LineList& entries)
{
    if (entries.isEmpty())
        return;
    const qsizetype first = m_entries.size();
    beginInsertRows({}, rows(first), rows(first + entries.size()) - 1);
    m_entries.append(entries);
    endInsertRows();
}

void NumberListModel::extendTo(LineList extended)
{
    const qsizetype first = m_entries.size();
    if (extended.size() <= first) {
        replaceAll(std::move(extended));
        return;
    }
    beginInsertRows({}, rows(first), rows(extended.size()) - 1);
    m_entries = std::move(extended);
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

void NumberListModel::replaceAll(LineList entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}
