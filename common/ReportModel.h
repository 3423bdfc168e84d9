#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

// One row of a report list: the texts shown, the tick in front of it, and what the row
// carries without showing it (a record's id; an account's login name and password as stored,
// since the shown texts lose their blanks).
struct ReportRow
{
    QStringList cells;
    qint64 id = -1;
    QVariant hidden;
    bool checked = false;
    QString account;
};

// The report lists of the pages (account lists, records, waiting batches): fixed columns with
// centred texts, optionally a check box in front of every row, rows appended in batches so
// that a list of 100,000 rows fills without stalling the window.
class ReportModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString header;
        int width = 80; // pixels
        // Shows times "YYYY-MM-DD HH:MM:SS": widened to hold a whole one in the view's font.
        bool time = false;
    };

    ReportModel(QList<Column> columns, bool checkable, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const QList<Column>& columns() const { return m_columns; }
    // Replaces the headers; a page whose views differ in their columns switches them here.
    void setColumns(QList<Column> columns);

    const ReportRow& row(int index) const { return m_rows.at(index); }
    const QList<ReportRow>& rows() const { return m_rows; }
    QString cell(int row, int column) const;
    void appendRows(const QList<ReportRow>& rows);
    void removeRowAt(int index);
    // Removes every row whose id is in ids, keeping the order of the rest.
    void removeIds(const QList<qint64>& ids);
    void clear();

    void setAllChecked(bool checked);
    QList<int> checkedRows() const;
    QList<qint64> checkedIds() const;

private:
    QList<Column> m_columns;
    QList<ReportRow> m_rows;
    bool m_checkable;
};
