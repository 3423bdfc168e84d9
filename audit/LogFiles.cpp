#include "audit/LogFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kLogFolder = QStringLiteral("LOG");

bool isForbiddenInName(QChar c)
{
    return c == u'/' || c == u'\\' || c.category() == QChar::Other_Control ||
           QStringView(u"<>:\"|?*").contains(c);
}

QString safeAccount(const QString& account)
{
    if (account.isEmpty())
        return QStringLiteral("_");
    QString name = account;
    for (QChar& c : name) {
        if (isForbiddenInName(c))
            c = u'_';
    }
    return name;
}

QString kindPrefix(LogKind kind)
{
    switch (kind) {
    case LogKind::Unique:
        return QStringLiteral("[N]");
    case LogKind::Repeated:
        return QStringLiteral("[Y]");
    case LogKind::Listed:
        break;
    }
    return {};
}

QString withCrLf(const QString& text)
{
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(u'\n', QStringLiteral("\r\n"));
    return normalized;
}

// The LOG folder names accounts: for its owner only.
constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner;

bool makePrivateFolder(const QString& parent, const QString& name)
{
    const QDir dir(parent);
    return dir.mkdir(name, kPrivate | QFile::ExeOwner) || QFileInfo(dir.filePath(name)).isDir();
}

} // namespace

QString logFilePath(const QString& dir, LogKind kind, const QString& account, const QDateTime& when)
{
    const QString stamp = when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    const QString name = kindPrefix(kind) + safeAccount(account) + u'-' + stamp + QStringLiteral(".txt");
    return QDir(dir).filePath(kLogFolder + u'/' + name);
}

LogSave saveLogList(const QString& dir, LogKind kind, const QString& account, const QString& content,
                    const LineList& entries, const QDateTime& when)
{
    LogSave save;
    save.path = logFilePath(dir, kind, account, when);
    LineList lines;
    lines.reserve(entries.size() + 1, entries.byteSize() + content.size() * 2);
    lines.append(withCrLf(content));
    lines.append(entries);
    save.ok = makePrivateFolder(dir, kLogFolder) && appendPrivateLines(save.path, lines);
    if (!save.ok)
        save.message = QStringLiteral("提示: 无法写入日志文件 %1").arg(QDir::toNativeSeparators(save.path));
    return save;
}
