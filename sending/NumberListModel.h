#pragma once

#include "common/LineList.h"

#include <QAbstractListModel>

// The destination numbers of the next submission, in the order they were added; also the
// number lists of the statistics windows. A model over the compact list, so that the view
// stays smooth and small with millions of entries: texts are made only for the rows shown.
class NumberListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit NumberListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    qsizetype count() const { return m_entries.size(); }
    const LineList& lines() const { return m_entries; }
    QStringList entries() const { return m_entries.toStringList(); }
    void append(const LineList& entries);
    // The list as it is followed by more entries, made elsewhere from a copy of this list:
    // taken over without copying, as rows added at the end.
    void extendTo(LineList extended);
    bool removeAt(qsizetype row);
    void clear();
    // Replaces every entry at once (after duplicate removal).
    void replaceAll(LineList entries);

private:
    LineList m_entries;
};
