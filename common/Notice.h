#pragma once

#include <QString>

#include <functional>

// What a form tells its user: one message box, plain (title "Kavrel") or with the caption
// "=_=" that the double-byte and number messages use. Core procedures report through a Tell,
// so they never need a window.
struct Notice
{
    QString text;
    bool oops = false;

    bool operator==(const Notice&) const = default;
};
// Shows one notice and returns when the user has seen it.
using Tell = std::function<void(const Notice&)>;
