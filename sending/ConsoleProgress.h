#pragma once

#include <QElapsedTimer>
#include <QString>

// How far a long step of a command has come, on standard error: a bar on a terminal, a line
// every few seconds otherwise, nothing until it is switched on (small inputs take no time).
class ConsoleProgress
{
public:
    explicit ConsoleProgress(const QString& program);

    static bool standardErrorIsTerminal();
    void setShown(bool shown) { m_shown = shown; }
    bool isShown() const { return m_shown; }
    // total 0: unknown, the bytes done are shown instead of a share.
    void begin(const QString& step, qint64 total);
    void advance(qint64 done);
    void end();

private:
    void draw(qint64 done);

    QString m_program;
    bool m_terminal = false;
    bool m_shown = false;
    bool m_drawn = false;
    QString m_step;
    qint64 m_total = 0;
    QElapsedTimer m_lastDrawn;
};
