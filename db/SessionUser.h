#pragma once

#include <QString>

// Decimal value of the leading characters of a text: blanks, an optional sign, digits. A text
// without digits is 0. Figures read from the database are turned into numbers this way.
qint64 leadingNumber(const QString& text);

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
