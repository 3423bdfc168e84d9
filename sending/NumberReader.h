#pragma once

#include "common/LineList.h"

#include <QByteArray>
#include <QList>

// The lines of a number file that the import keeps, without its refusals: the bytes decoded as
// text files are (TextFile.h), cut at LF with every CR removed, a last line without a line end
// included, and of those the lines longer than 5 GBK bytes, as they stand. A file of ASCII
// text, as number files nearly always are, is cut in its own buffer without decoding.
// lineNumbers, when given, receives the number (from 1) of each kept line in the file.
LineList numberLines(QByteArray bytes, QList<qint64>* lineNumbers = nullptr);
