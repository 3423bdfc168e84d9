#include "db/SetupLayout.h"

#include "db/DbGateway.h"
#include "db/GuardedApi.h"
#include "db/GuardedSetup.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace SetupLayout {

void addOptions(QCommandLineParser& parser)
{
    parser.addOption(
        {QStringLiteral("guard"),
         QStringLiteral("PostgreSQL: 把数据库改为受保护的布局, 客户端的登录只能执行 kavrel_api 的函数。")});
    parser.addOption(
        {QStringLiteral("open"), QStringLiteral("PostgreSQL: 新数据库使用开放的布局, 不加保护。")});
    parser.addOption({QStringLiteral("client-role"),
                      QStringLiteral("受保护的数据库里客户端所用的登录角色(没有时创建, 不带密码)。"),
                      QStringLiteral("角色"), GuardedApi::kDefaultClientRole});
}

QString refusal(const DbConfig& config, const QCommandLineParser& parser)
{
    if (parser.isSet(QStringLiteral("guard")) && parser.isSet(QStringLiteral("open")))
        return QStringLiteral("--guard 和 --open 不能同时使用");
    if (parser.isSet(QStringLiteral("guard")) && config.backend != DbBackend::Postgres)
        return QStringLiteral(
            "--guard 只适用于 PostgreSQL 数据库;SQLite 和 SQL Server 的数据库保持开放的布局,"
            "未做任何改动");
    return {};
}

bool isNew(DbGateway& gateway)
{
    return gateway.config().backend == DbBackend::Postgres && GuardedSetup::isNew(gateway);
}

int apply(DbGateway& gateway, bool fresh, const QCommandLineParser& parser)
{
    if (gateway.config().backend != DbBackend::Postgres)
        return 0;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const bool guarded = GuardedSetup::isGuarded(gateway);
    if (parser.isSet(QStringLiteral("open"))) {
        if (guarded) {
            err << "kavrel-setup: 数据库已是受保护的布局,--open 不会撤销它" << Qt::endl;
            return 1;
        }
        out << "数据库使用开放的布局(--open)" << Qt::endl;
        return 0;
    }
    if (!parser.isSet(QStringLiteral("guard")) && !fresh && !guarded) {
        out << "数据库使用开放的布局;要改为受保护的布局,请加 --guard" << Qt::endl;
        return 0;
    }
    const QString role = parser.value(QStringLiteral("client-role"));
    const GuardedSetup::Result result =
        GuardedSetup::guard(gateway, role, [&](const QString& line) { out << line << Qt::endl; });
    if (!result.ok) {
        err << "kavrel-setup: "
            << QStringLiteral("未能改为受保护的布局: %1\n本次转换的全部步骤已撤销").arg(result.error)
            << Qt::endl;
        return 1;
    }
    out << (result.changed ? QStringLiteral("完成: 数据库已是受保护的布局,客户端的登录 %1 只能执行 %2 的函数")
                                 .arg(role, GuardedApi::kSchema)
                           : QStringLiteral("数据库已是受保护的布局,本次没有任何改动"))
        << Qt::endl;
    return 0;
}

} // namespace SetupLayout
