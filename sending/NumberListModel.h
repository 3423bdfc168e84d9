#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The destination numbers of the next submission, in the order they were added. A model so
// that the list view stays smooth with hundreds of thousands of entries.
class NumberListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit NumberListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    qsizetype count() const { return m_entries.size(); }
    const QStringList& entries() const { return m_entries; }
    void append(const QStringList& entries);
    bool removeAt(qsizetype row);
    void clear();
    // Replaces every entry at once (after duplicate removal).
    void replaceAll(QStringList entries);

private:
    QStringList m_entries;
};
