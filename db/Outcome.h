#pragma once

#include <QString>

// Result of a statement: whether it did its work, and the text the user is to see (a fixed
// failure tag, a success text, or nothing).
struct Outcome
{
    bool ok = false;
    QString message;

    static Outcome success(const QString& text = {}) { return {true, text}; }
    static Outcome failure(const QString& text) { return {false, text}; }
    explicit operator bool() const { return ok; }
};
