#include "common/StartFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef KAVREL_SHARE_FROM_BIN
#define KAVREL_SHARE_FROM_BIN "../share/kavrel"
#endif

namespace StartFolder {

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// A file or a link, also one whose target is missing.
bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString accountHome()
{
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? size : 16384, Qt::Uninitialized);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
        return {};
    return QFile::decodeName(found->pw_dir);
}

// Parents are made with mode 0700 too, as the base-directory rules ask for data folders.
bool makeFolder(const QString& path, QString* error, int* code)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status
    {
    };
    if (::stat(native.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return true;
        *code = ENOTDIR;
        *error = QStringLiteral("%1 已存在, 但不是文件夹").arg(path);
        return false;
    }
    if (errno != ENOENT && errno != ENOTDIR) {
        *code = errno;
        *error = QStringLiteral("无法使用 %1: %2").arg(path, systemError(errno));
        return false;
    }
    const QString parent = QFileInfo(path).path();
    if (parent == path || !makeFolder(parent, error, code)) {
        if (error->isEmpty())
            *error = QStringLiteral("无法创建 %1").arg(path);
        return false;
    }
    if (::mkdir(native.constData(), 0700) == 0)
        return true;
    *code = errno;
    // Another client may have made it in the meantime.
    if (*code == EEXIST && ::stat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return true;
    *error = *code == EEXIST ? QStringLiteral("%1 已存在, 但不是文件夹").arg(path)
                             : QStringLiteral("无法创建 %1: %2").arg(path, systemError(*code));
    return false;
}

void copyStarter(const QString& name, const QString& folder, const QString& sharedFolder, Preparation& result)
{
    const QString target = QDir(folder).filePath(name);
    if (present(target))
        return;
    const QString source = QDir(sharedFolder).filePath(name);
    if (!QFileInfo(source).isFile()) {
        result.warnings << QStringLiteral("找不到 %1, 没有复制 %2").arg(source, name);
        return;
    }
    QFile file(source);
    if (file.copy(target)) {
        // The copy would keep the installed file's mode; the user edits the keyword list.
        QFile::setPermissions(target, kOwnerOnly);
        result.copied << name;
    } else if (!present(target)) {
        // A file that exists now was copied by another client starting at the same moment.
        result.warnings << QStringLiteral("无法把 %1 复制到 %2: %3").arg(source, target, file.errorString());
    }
}

} // namespace

Environment Environment::fromProcess()
{
    Environment environment;
    environment.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    environment.home = qEnvironmentVariable("HOME");
    if (environment.home.isEmpty())
        environment.home = accountHome();
    return environment;
}

QString perUserFolder(const Environment& environment, QString* error)
{
    QString base = environment.xdgDataHome;
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        if (environment.home.isEmpty() || QDir::isRelativePath(environment.home)) {
            if (error)
                *error = QStringLiteral("找不到个人数据文件夹: XDG_DATA_HOME 和 HOME 都没有给出绝对路径");
            return {};
        }
        base = environment.home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(base + QStringLiteral("/kavrel"));
}

bool holdsClientFiles(const QString& folder)
{
    const QDir dir(folder);
    return present(dir.filePath(QStringLiteral("kavrel.db"))) ||
           present(dir.filePath(QStringLiteral("KVR.ini")));
}

Choice choose(const QString& currentFolder, Mode mode, bool installed, const Environment& environment)
{
    Choice choice;
    const QString current = QDir(currentFolder).absolutePath();
    if (mode == Mode::Auto && (holdsClientFiles(current) || !installed)) {
        choice.folder = current;
        return choice;
    }
    choice.folder = perUserFolder(environment, &choice.error);
    choice.perUser = true;
    return choice;
}

Preparation prepare(const QString& folder, const QString& sharedFolder)
{
    Preparation result;
    if (!makeFolder(folder, &result.error, &result.errorCode))
        return result;
    if (::access(QFile::encodeName(folder).constData(), R_OK | W_OK | X_OK) != 0) {
        result.errorCode = errno;
        result.error = QStringLiteral("无法在 %1 里写入: %2").arg(folder, systemError(result.errorCode));
        return result;
    }
    if (!sharedFolder.isEmpty()) {
        for (const QString& name : kStarterFiles)
            copyStarter(name, folder, sharedFolder, result);
    }
    result.ok = true;
    return result;
}

QString installedSharedFolder(const QString& programFolder)
{
    const QString folder = QDir::cleanPath(programFolder + QStringLiteral("/" KAVREL_SHARE_FROM_BIN));
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString danglingLink(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink() || info.exists())
        return {};
    return QStringLiteral("%1 是指向 %2 的链接, 但 %2 不存在(磁盘没有挂载?)").arg(path, info.symLinkTarget());
}

bool createPrivateFile(const QString& path, QString* error)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
        ::close(descriptor);
        return true;
    }
    // EEXIST also for a link, whose target O_EXCL never creates.
    if (errno == EEXIST)
        return true;
    *error = QStringLiteral("无法创建 %1: %2").arg(path, systemError(errno));
    return false;
}

} // namespace StartFolder
