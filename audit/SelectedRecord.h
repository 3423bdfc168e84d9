#pragma once

#include <QMetaType>
#include <QString>

#include <atomic>

// A list row opened for audit, statistics or the popup. Every window that opens takes its own
// copy, so a later opening or a refreshed list never changes which record a window works on;
// the id names the row, the texts are only shown.
struct SelectedRecord
{
    qint64 id = -1;
    QString account;
    QString count;
    QString content;
    QString time;

    // "account / time / content", the title of the windows opened on the record. A title bar
    // has one line: line breaks of the content show as blanks.
    QString title() const
    {
        QString line = content;
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        return account + QStringLiteral(" / ") + time + QStringLiteral(" / ") + line;
    }
};
Q_DECLARE_METATYPE(SelectedRecord)

// Audit windows open at the moment; the watches of waiting batches keep still while any is.
extern std::atomic<int> AuditWindowsOpen;
inline bool AuditWindowClosed()
{
    return AuditWindowsOpen.load() == 0;
}
