#pragma once

#include <QMutex>
#include <QString>

#include <memory>

// Decimal value of the leading characters of a text: blanks, an optional sign, digits. A text
// without digits is 0. Figures read from the database are turned into numbers this way.
qint64 leadingNumber(const QString& text);

// The token of a login to a guarded database. A session, its copies and the gateway it logged in
// on share one, so that a token renewed by a change of the account's own password reaches every
// holder at once; worker threads read it while the window's thread may renew it.
class SessionToken
{
public:
    SessionToken(QString loginName, QString value)
        : m_loginName(std::move(loginName)), m_value(std::move(value))
    {
    }
    const QString& loginName() const { return m_loginName; }
    QString value() const;
    void renew(const QString& value);

private:
    const QString m_loginName;
    mutable QMutex m_mutex;
    QString m_value;
};

// The logged-in account. One instance lives in the application for the whole process; the
// main window and its pages read it, the login and the balance statements fill it.
struct SessionUser
{
    enum Type
    {
        Unknown = 0,
        Administrator = 1,
        Registered = 2,
        Agent = 3,
        Vip = 4
    };

    QString loginName; // as typed, blanks removed
    QString password;  // as typed, blanks removed
    // On a guarded database the server knows the session by this token instead of the password.
    std::shared_ptr<SessionToken> token;
    QString nickLabel;
    QString companyLabel;
    QString userLabel;
    QString typeLabel;
    QString balanceText;
    QString sentText;
    qint64 remainingBalance = 0;
    qint64 sentTotal = 0;
    qint64 rechargeTotal = 0;
    QString successRate;
    int typeCode = Unknown;
    bool canAdminister = false;
    bool restricted = false;

    QString headerLine() const;
    // Rights of an account type text; unknown texts grant nothing.
    void applyType(const QString& type);
};
