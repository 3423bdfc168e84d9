#pragma once

#include "db/Outcome.h"
#include "db/SessionUser.h"

#include <QStringList>

#include <functional>

class DbGateway;

// The opt-out list: numbers that asked to receive no more messages. Administrators keep it;
// every submission leaves its numbers out before the balance is checked.
namespace OptOutText {
inline const QString changeFailed = QStringLiteral("提示: 退订号码没有改动,数据库出错!");
inline const QString readFailed = QStringLiteral("提示: 读取退订号码失败!");
inline const QString invalid = QStringLiteral("提示:不是有效手机号码[数字类型]");
inline const QString screenFailed = QStringLiteral("提示: 无法核对退订号码,没有提交任何短信!");
// %1: how many numbers a submission left out.
inline const QString removed = QStringLiteral("已去除退订号码 %1 个");
} // namespace OptOutText

// Width of OptOut.tel: a longer text is no number of the list.
inline constexpr qsizetype kOptOutNumberLength = 20;

// Adds the numbers not yet on the list, all in one unit; *added gets how many were new.
// Administrators only; the numbers are digits, checked before.
Outcome DbAddOptOut(DbGateway& gateway, const SessionUser& acting, const QStringList& numbers, qint64* added);
// Takes the numbers off the list in one unit; *removed gets how many were on it.
Outcome DbRemoveOptOut(DbGateway& gateway, const SessionUser& acting, const QStringList& numbers,
                       qint64* removed);
// How many numbers the list holds.
Outcome DbCountOptOut(DbGateway& gateway, const SessionUser& acting, qint64* total);

// Hands the numbers beginning with prefix (all when empty) to onRow in number order, with the
// time each was added, at most limit of them (none: every one); onRow answers false to stop.
using OptOutRow = std::function<bool(const QString& number, const QString& addDate)>;
Outcome DbWalkOptOut(DbGateway& gateway, const SessionUser& acting, const QString& prefix, int limit,
                     const OptOutRow& onRow);
inline constexpr int kEveryNumber = -1;

// Leaves every number of the list out of a submission's entries: an entry that is such a number
// goes, and one that holds several numbers between commas loses those among them. *removed gets
// how many numbers went. On a guarded database the server answers, and checks each part again.
Outcome DbScreenOptOut(DbGateway& gateway, const SessionUser& acting, QStringList& entries, qint64* removed);
