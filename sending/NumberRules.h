#pragma once

#include "common/LineList.h"

#include <QString>
#include <QStringList>

// Splits imported text into lines the way number files have always been read: only CR LF
// ends a line, a leading CR LF means the text holds no lines, text after the last CR LF is
// dropped, and stray CR or LF characters are removed from every line.
QStringList SplitLines(const QString& text);

struct NumberCheck
{
    enum Result
    {
        Accepted,
        Skipped,
        Rejected
    };
    enum Reason
    {
        None,
        Shape, // not a mobile or fixed-line number's length and start
        Digits // a character other than 0 to 9
    };
    Result result = Skipped;
    QString message;
    Reason reason = None;
    qsizetype length = 0; // in GBK bytes
};

// Checks one line of a number list. checkedCount is the number of lines accepted so far; it
// is used for the line number in messages and grows by one for an accepted line.
NumberCheck CheckNumberLine(const QString& line, int& checkedCount);

// Imported lines may hold anything. The message that refuses the first entry the database cannot
// keep, naming its place in the list; empty when every entry can be stored.
QString unstorableEntry(const LineList& entries);
