#pragma once

#include "common/LineList.h"

#include <QString>

class QIODevice;

// Files the client writes (exports, logs) are GBK with CR LF after every line, appended and
// created when missing.

// Appends the GBK text plus CR LF in one write.
bool AppendLogLine(const QString& path, const QString& text);
// The same bytes as AppendLogLine for every line, with a single open. *encoded, when given,
// turns false when a character GBK cannot hold was written as '?'.
bool appendLogLines(const QString& path, const LineList& lines, bool* encoded = nullptr);
// The same bytes; a file it creates is for its owner only (logs naming accounts and numbers).
bool appendPrivateLines(const QString& path, const LineList& lines);

// The GBK bytes of lines [from, to), each followed by CR LF: what encoding them joined gives.
QByteArray gbkLines(const LineList& lines, qsizetype from, qsizetype to, bool* encoded = nullptr);
// Writes every line that way, a few megabytes per write.
bool writeGbkLines(QIODevice& device, const LineList& lines, bool* encoded = nullptr);
