#include "cli/SendOptions.h"

#include "common/BuildConfig.h"
#include "common/CommandLine.h"

#include <QCommandLineParser>

namespace SendCommandLine {

namespace {

const QString kUser = QStringLiteral("user");
const QString kNumbers = QStringLiteral("numbers");
const QString kMessage = QStringLiteral("message");
const QString kMessageFile = QStringLiteral("message-file");
const QString kKeywords = QStringLiteral("keywords");
const QString kPasswordFile = QStringLiteral("password-file");

} // namespace

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("不用窗口提交一批短信: 与客户端相同的号码文件、关键字过滤、数量和长度限制、分条、\n"
                       "余额检查和扣费。密码从 --password-file 指定的文件或环境变量 %1 读取,\n"
                       "不能写在命令行上。数据库和数据文件夹与客户端相同 (KAVREL_DB, 默认: %2)。\n"
                       "退出状态: 0 全部提交成功; 1 用法错误; 2 没有写入任何内容就被拒绝;\n"
                       "3 有部分提交失败; 4 有部分无法确认是否已写入。")
            .arg(kPasswordVariable, QStringLiteral(KAVREL_DB_DEFAULT)));
    CommandLine::addStandardOptions(parser);
    parser.addOption({kUser, QStringLiteral("登录名。"), QStringLiteral("登录名")});
    parser.addOption(
        {kNumbers, QStringLiteral("号码文件, 每行一个号码; - 表示标准输入。"), QStringLiteral("文件")});
    parser.addOption({kMessage, QStringLiteral("短信内容。"), QStringLiteral("内容")});
    parser.addOption(
        {kMessageFile, QStringLiteral("从文件读取短信内容 (GBK 或 UTF-8)。"), QStringLiteral("文件")});
    parser.addOption({QStringLiteral("dedupe"), QStringLiteral("提交前去除重复号码。")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("结束时在标准输出写一个 JSON 汇总。")});
    parser.addOption(
        {kKeywords, QStringLiteral("关键字文件 (默认: 数据文件夹里的 XPOP.dat)。"), QStringLiteral("文件")});
    parser.addOption({kPasswordFile, QStringLiteral("从文件的第一行读取密码。"), QStringLiteral("文件")});
    parser.addOption(
        {QStringLiteral("user-data"), QStringLiteral("不论当前文件夹里有什么, 都用个人数据文件夹。")});
}

QString passwordOnCommandLine(const QStringList& arguments)
{
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--password") || argument.startsWith(QLatin1String("--password=")))
            return QStringLiteral("密码不能写在命令行上 (本机的其他用户都能看到): 请用 --password-file "
                                  "文件, 或环境变量 %1。")
                .arg(kPasswordVariable);
    }
    return {};
}

std::optional<SendOptions> read(const QCommandLineParser& parser, QString* error)
{
    SendOptions options;
    options.user = parser.value(kUser).remove(QLatin1Char(' '));
    options.numbers = parser.value(kNumbers);
    if (parser.isSet(kMessage))
        options.message = parser.value(kMessage);
    options.messageFile = parser.value(kMessageFile);
    options.keywords = parser.value(kKeywords);
    options.passwordFile = parser.value(kPasswordFile);
    options.dedupe = parser.isSet(QStringLiteral("dedupe"));
    options.json = parser.isSet(QStringLiteral("json"));
    options.userData = parser.isSet(QStringLiteral("user-data"));
    if (options.user.isEmpty())
        *error = QStringLiteral("缺少 --user 登录名。");
    else if (options.numbers.isEmpty())
        *error = QStringLiteral("缺少 --numbers 号码文件 (- 表示标准输入)。");
    else if (options.message.has_value() == parser.isSet(kMessageFile))
        *error = QStringLiteral("请给出 --message 内容 或 --message-file 文件, 二者选一。");
    else if (options.passwordFile.isEmpty() && qEnvironmentVariable(qPrintable(kPasswordVariable)).isEmpty())
        *error =
            QStringLiteral("没有密码: 请用 --password-file 文件, 或设置环境变量 %1。").arg(kPasswordVariable);
    if (!error->isEmpty())
        return std::nullopt;
    return options;
}

} // namespace SendCommandLine
