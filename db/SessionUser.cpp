#include "db/SessionUser.h"

#include <limits>

qint64 leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            break;
        value = value * 10 + (text[i].unicode() - '0');
    }
    return negative ? -value : value;
}

QString SessionToken::value() const
{
    QMutexLocker lock(&m_mutex);
    return m_value;
}

void SessionToken::renew(const QString& value)
{
    QMutexLocker lock(&m_mutex);
    m_value = value;
}

QString SessionUser::headerLine() const
{
    return QStringLiteral("%1 | %2 | %3 | %4").arg(nickLabel, companyLabel, userLabel, typeLabel);
}

void SessionUser::applyType(const QString& type)
{
    if (type == QStringLiteral("管理员")) {
        typeCode = Administrator;
        canAdminister = true;
    } else if (type == QStringLiteral("注册用户")) {
        typeCode = Registered;
        restricted = true;
    } else if (type == QStringLiteral("代理用户")) {
        typeCode = Agent;
        canAdminister = true;
        restricted = true;
    } else if (type == QStringLiteral("VIP用户")) {
        typeCode = Vip;
        canAdminister = true;
        restricted = true;
    }
}
