#pragma once

#include <QString>
#include <QStringList>

struct NumberFileRead
{
    bool ok = false;
    QString message;
    QStringList numbers;
};

// Reads a GBK number list: every CR LF terminated line longer than 5 GBK bytes, in order.
// Files over 5,000,000 lines or 256 MiB are refused with a message.
NumberFileRead readNumberFile(const QString& path);

// Appends every entry plus CR LF in GBK, creating the file when missing.
bool exportNumbers(const QString& path, const QStringList& entries, QString* message);
