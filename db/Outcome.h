#pragma once

#include <QString>

// Result of a statement: whether it did its work, the text the user is to see (a fixed
// failure tag, a success text, or nothing) and, for a database failure, the database's own
// reason, so that a full disk can be told from a lost network.
struct Outcome
{
    bool ok = false;
    QString message;
    QString reason;

    static Outcome success(const QString& text = {}) { return {true, text, {}}; }
    static Outcome failure(const QString& text, const QString& reason = {}) { return {false, text, reason}; }
    explicit operator bool() const { return ok; }

    // What a message box shows: the fixed text, then the reason on a line of its own.
    QString text() const { return withReason(message, reason); }
    static QString withReason(const QString& message, const QString& reason)
    {
        if (reason.isEmpty())
            return message;
        return message + QStringLiteral("\n(数据库: %1)").arg(reason);
    }
};
