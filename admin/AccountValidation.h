#pragma once

#include "common/Notice.h"

#include <QString>

#include <optional>

// The field rules of every account form. Each check works on texts whose blanks have already
// been removed and answers with the first fault, or nothing.
namespace AccountValidation {

QString withoutBlanks(QString text);

// Which rule a telephone number follows: the self-registration page wants a real mobile or
// fixed-line number; staff adding an account may type any number of up to 11 digits.
enum class NumberRule
{
    Registration,
    AddUser
};

struct CreationFields
{
    QString loginName;
    QString password;
    QString repeatedPassword;
    QString nickname;
    QString company;
    QString telephone;
    QString address;

    void removeBlanks();
};

struct ChangeFields
{
    QString loginName;
    QString currentPassword;
    QString newPassword;
    QString repeatedPassword;
    QString nickname; // empty: keep
    QString company;  // empty: keep

    void removeBlanks();
};

std::optional<Notice> checkCreation(const CreationFields& fields, NumberRule rule);
std::optional<Notice> checkChange(const ChangeFields& fields);

// Longest nickname, company and address the UserInfo columns hold, in characters.
constexpr int kMaxNameText = 100;
constexpr int kMaxAddress = 200;

} // namespace AccountValidation
