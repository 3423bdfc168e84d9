#pragma once

#include <QString>

// A unit whose commit went out but whose answer never came back may or may not have happened;
// saying either would be a guess.
inline const QString kOutcomeUnknown = QStringLiteral(
    "提示: 提交时与数据库的连接中断,无法确认本次操作是否已完成!请先查询记录,确认后再操作,不要重复提交!");

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
