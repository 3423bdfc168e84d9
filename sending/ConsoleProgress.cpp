#include "sending/ConsoleProgress.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 30;
constexpr qint64 kTerminalEveryMs = 100;
constexpr qint64 kLineEveryMs = 2000;

void put(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

ConsoleProgress::ConsoleProgress(const QString& program)
    : m_program(program), m_terminal(standardErrorIsTerminal())
{
}

bool ConsoleProgress::standardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void ConsoleProgress::begin(const QString& step, qint64 total)
{
    m_step = step;
    m_total = total;
    m_drawn = false;
    m_lastDrawn.start();
}

void ConsoleProgress::advance(qint64 done)
{
    if (!m_shown || m_lastDrawn.elapsed() < (m_terminal ? kTerminalEveryMs : kLineEveryMs))
        return;
    draw(done);
    m_lastDrawn.restart();
}

void ConsoleProgress::end()
{
    if (!m_shown)
        return;
    if (m_terminal && m_drawn)
        put(QStringLiteral("\r\033[K")); // the bar goes; what follows starts on a clean line
    else if (!m_terminal)
        put(QStringLiteral("%1: %2完成\n").arg(m_program, m_step));
    m_drawn = false;
}

void ConsoleProgress::draw(qint64 done)
{
    const QString amount = m_total > 0 ? QStringLiteral("%1%").arg(done * 100 / m_total, 3)
                                       : QStringLiteral("%1 MB").arg(done >> 20);
    if (!m_terminal) {
        put(QStringLiteral("%1: %2 %3\n").arg(m_program, m_step, amount.trimmed()));
        return;
    }
    QString bar;
    if (m_total > 0) {
        const int filled = int(done * kBarWidth / m_total);
        bar = QStringLiteral(" [%1%2]").arg(QString(filled, u'#'), QString(kBarWidth - filled, u' '));
    }
    put(QStringLiteral("\r%1%2 %3").arg(m_step, bar, amount));
    m_drawn = true;
}
