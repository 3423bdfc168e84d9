#pragma once

#include <QString>

#include <optional>

// The counter labels of the main window, in the order they are laid out.
enum class Counter
{
    Characters,
    Messages,
    Numbers,
    Submitted,
    Failed,
    Recharged,
    Sent,
    Balance,
    SuccessRate
};
inline constexpr int kCounterCount = 9;

// What the counters show. The texts are made here and nowhere else.
struct Counters
{
    int characters = 0;
    int messages = 0;
    qint64 numbers = 0;
    bool filtering = false; // numbers holds the entries a duplicate removal has walked
    qint64 submitted = 0;
    qint64 failed = 0;
    qint64 recharged = 0;
    QString sent;
    bool sentByRun = false; // a run counts sendings; at login the account's record is shown
    qint64 balance = 0;
    std::optional<QString> successRate; // the bare caption until the first read

    QString text(Counter counter) const;
};
