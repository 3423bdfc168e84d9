#include "common/ReportModel.h"

#include <QSet>
#include <QThreadPool>

namespace {

// Freeing a list of 100,000 rows takes longer than the window may stall; large lists are
// released on a pool thread.
void release(QList<ReportRow>&& rows)
{
    if (rows.size() < 10000)
        return;
    QThreadPool::globalInstance()->start([old = std::move(rows)]() mutable { old.clear(); });
}

} // namespace

ReportModel::ReportModel(QList<Column> columns, bool checkable, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)), m_checkable(checkable)
{
}

int ReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ReportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ReportRow& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return index.column() < row.cells.size() ? row.cells.at(index.column()) : QString();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::CheckStateRole:
        if (m_checkable && index.column() == 0)
            return row.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

bool ReportModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_checkable || role != Qt::CheckStateRole || index.column() != 0 || index.row() >= m_rows.size())
        return false;
    m_rows[index.row()].checked = value.value<Qt::CheckState>() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ReportModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (m_checkable && index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_columns.size())
        return m_columns.at(section).header;
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ReportModel::setColumns(QList<Column> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    QList<ReportRow> old;
    old.swap(m_rows);
    endResetModel();
    release(std::move(old));
}

QString ReportModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    const QStringList& cells = m_rows.at(row).cells;
    return column < cells.size() ? cells.at(column) : QString();
}

void ReportModel::appendRows(const QList<ReportRow>& rows)
{
    if (rows.isEmpty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void ReportModel::removeRowAt(int index)
{
    if (index < 0 || index >= m_rows.size())
        return;
    beginRemoveRows({}, index, index);
    m_rows.removeAt(index);
    endRemoveRows();
}

void ReportModel::removeIds(const QList<qint64>& ids)
{
    const QSet<qint64> gone(ids.begin(), ids.end());
    for (int k = static_cast<int>(m_rows.size()) - 1; k >= 0; --k) {
        if (gone.contains(m_rows.at(k).id))
            removeRowAt(k);
    }
}

void ReportModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    QList<ReportRow> old;
    old.swap(m_rows);
    endResetModel();
    release(std::move(old));
}

void ReportModel::setAllChecked(bool checked)
{
    if (!m_checkable || m_rows.isEmpty())
        return;
    for (ReportRow& row : m_rows)
        row.checked = checked;
    emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, 0), {Qt::CheckStateRole});
}

QList<qint64> ReportModel::checkedIds() const
{
    QList<qint64> ids;
    for (const ReportRow& row : m_rows) {
        if (row.checked)
            ids.append(row.id);
    }
    return ids;
}

QList<int> ReportModel::checkedRows() const
{
    QList<int> rows;
    for (int k = 0; k < m_rows.size(); ++k) {
        if (m_rows.at(k).checked)
            rows.append(k);
    }
    return rows;
}
