#include "admin/OptOutProcedures.h"

#include "db/DbGateway.h"
#include "db/OptOutStatements.h"
#include "sending/NumberFile.h"
#include "sending/NumberRules.h"

#include <QDir>

namespace OptOutProcedures {
namespace {

// An export holds this many numbers in memory before it appends them.
constexpr qsizetype kExportBatch = 50000;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Every result ends with the list's size as it is now, read in the same worker.
Result withTotal(DbGateway& gateway, const SessionUser& session, Result result)
{
    qint64 total = 0;
    if (DbCountOptOut(gateway, session, &total))
        result.total = total;
    return result;
}

Result failed(DbGateway& gateway, const SessionUser& session, const Outcome& outcome)
{
    return withTotal(gateway, session, {outcome.text(), {}, {}});
}

// The numbers of a file's lines, or the rule's message for the first line that breaks it.
std::optional<QStringList> checkedLines(const QStringList& lines, QString* problem, qsizetype* skipped)
{
    QStringList numbers;
    numbers.reserve(lines.size());
    for (qsizetype k = 0; k < lines.size(); ++k) {
        int position = static_cast<int>(k); // the message names the line among the file's numbers
        const NumberCheck check = CheckNumberLine(lines[k], position);
        if (check.result == NumberCheck::Rejected) {
            *problem = check.message;
            return std::nullopt;
        }
        if (check.result == NumberCheck::Accepted)
            numbers << lines[k];
        else
            ++*skipped;
    }
    return numbers;
}

} // namespace

QString numberProblem(const QString& text)
{
    int checked = 0;
    const NumberCheck check = CheckNumberLine(text, checked);
    if (check.result == NumberCheck::Accepted)
        return {};
    return check.result == NumberCheck::Rejected ? check.message : OptOutText::invalid;
}

Result count(DbGateway& gateway, const SessionUser& session)
{
    qint64 total = 0;
    const Outcome outcome = DbCountOptOut(gateway, session, &total);
    if (!outcome)
        return {outcome.text(), {}, {}};
    return {{}, total, {}};
}

Result add(DbGateway& gateway, const SessionUser& session, const QString& number)
{
    qint64 added = 0;
    const Outcome outcome = DbAddOptOut(gateway, session, {number}, &added);
    if (!outcome)
        return failed(gateway, session, outcome);
    return withTotal(gateway, session,
                     {(added > 0 ? QStringLiteral("提示: 号码%1已加入退订号码!")
                                 : QStringLiteral("提示: 号码%1已在退订号码中!"))
                          .arg(number),
                      {},
                      {}});
}

Result remove(DbGateway& gateway, const SessionUser& session, const QStringList& numbers)
{
    qint64 removed = 0;
    const Outcome outcome = DbRemoveOptOut(gateway, session, numbers, &removed);
    if (!outcome)
        return failed(gateway, session, outcome);
    return withTotal(gateway, session, {QStringLiteral("提示: 已删除退订号码 %1 个!").arg(removed), {}, {}});
}

Result importFile(DbGateway& gateway, const SessionUser& session, const QString& path)
{
    const NumberFileRead read = readNumberFile(path);
    if (!read.ok)
        return {read.message, {}, {}};
    QString problem;
    qsizetype skipped = 0;
    const std::optional<QStringList> numbers = checkedLines(read.numbers.toStringList(), &problem, &skipped);
    if (!numbers)
        return {problem + QStringLiteral("\n文件 %1 中的号码都没有导入!").arg(shown(path)), {}, {}};
    qint64 added = 0;
    const Outcome outcome = DbAddOptOut(gateway, session, *numbers, &added);
    if (!outcome)
        return failed(gateway, session, outcome);
    QString message =
        QStringLiteral("提示: 导入退订号码 %1 个,新加入 %2 个!").arg(numbers->size()).arg(added);
    if (skipped > 0)
        message += QStringLiteral("\n跳过不是手机号码的行 %1 行").arg(skipped);
    return withTotal(gateway, session, {message, {}, {}});
}

Result exportList(DbGateway& gateway, const SessionUser& session, const QString& path)
{
    QStringList batch;
    qint64 written = 0;
    QString problem;
    const auto flush = [&] {
        if (batch.isEmpty() || !problem.isEmpty())
            return problem.isEmpty();
        QString notice;
        if (exportNumbers(path, batch, &notice))
            written += batch.size();
        else
            problem = notice;
        batch.clear();
        return problem.isEmpty();
    };
    const Outcome outcome =
        DbWalkOptOut(gateway, session, {}, kEveryNumber, [&](const QString& number, const QString&) {
            batch << number;
            return batch.size() < kExportBatch || flush();
        });
    flush();
    if (!problem.isEmpty())
        return {problem, {}, {}};
    if (!outcome)
        return {outcome.text() +
                    QStringLiteral("\n已写入 %1 的 %2 个号码不是完整的列表!").arg(shown(path)).arg(written),
                {},
                {}};
    if (written == 0)
        return {QStringLiteral("提示: 退订号码列表是空的,没有导出!"), qint64(0), {}};
    return {{}, written, path};
}

ListQuery::Walk listing(const SessionUser& session, const QString& prefix)
{
    return [session, prefix](DbGateway& gateway, const ListQuery::Sink& sink) {
        int listed = 0;
        bool more = false;
        const Outcome outcome = DbWalkOptOut(gateway, session, prefix, kListedLimit + 1,
                                             [&](const QString& number, const QString& addDate) {
                                                 more = ++listed > kListedLimit;
                                                 return !more && sink({{number, addDate}});
                                             });
        if (!outcome)
            return outcome;
        if (more)
            return Outcome::success(
                QStringLiteral("提示: 只列出了前 %1 个号码,请输入号码的开头再查询!").arg(kListedLimit));
        return Outcome::success();
    };
}

} // namespace OptOutProcedures
