#include "app/StartFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef KAVREL_SHARE_FROM_BIN
#define KAVREL_SHARE_FROM_BIN "../share/kavrel"
#endif

namespace StartFolder {

namespace {

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
bool makeFolder(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status
    {
    };
    if (::stat(native.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return true;
        *error = QStringLiteral("%1 exists but is not a folder").arg(path);
        return false;
    }
    if (errno != ENOENT && errno != ENOTDIR) {
        *error = QStringLiteral("cannot use %1: %2").arg(path, systemError(errno));
        return false;
    }
    const QString parent = QFileInfo(path).path();
    if (parent == path || !makeFolder(parent, error)) {
        if (error->isEmpty())
            *error = QStringLiteral("cannot create %1").arg(path);
        return false;
    }
    if (::mkdir(native.constData(), 0700) == 0)
        return true;
    const int code = errno;
    // Another client may have made it in the meantime.
    if (code == EEXIST && ::stat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return true;
    *error = code == EEXIST ? QStringLiteral("%1 exists but is not a folder").arg(path)
                            : QStringLiteral("cannot create %1: %2").arg(path, systemError(code));
    return false;
}

void copyStarter(const QString& name, const QString& folder, const QString& sharedFolder, Preparation& result)
{
    const QString target = QDir(folder).filePath(name);
    if (present(target))
        return;
    const QString source = QDir(sharedFolder).filePath(name);
    if (!QFileInfo(source).isFile()) {
        result.warnings << QStringLiteral("%1 is missing; %2 was not copied").arg(source, name);
        return;
    }
    QFile file(source);
    if (file.copy(target)) {
        // The copy keeps the installed file's mode; the user edits the keyword list.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner);
        result.copied << name;
    } else if (!present(target)) {
        // A file that exists now was copied by another client starting at the same moment.
        result.warnings << QStringLiteral("cannot copy %1 to %2: %3").arg(source, target, file.errorString());
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
                *error =
                    QStringLiteral("cannot find the per-user data folder: neither XDG_DATA_HOME nor HOME "
                                   "names an absolute folder");
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
    if (!makeFolder(folder, &result.error))
        return result;
    if (::access(QFile::encodeName(folder).constData(), R_OK | W_OK | X_OK) != 0) {
        result.error = QStringLiteral("cannot write in %1: %2").arg(folder, systemError(errno));
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
    return QStringLiteral("%1 is a link to %2, which does not exist (a disk that is not mounted?)")
        .arg(path, info.symLinkTarget());
}

} // namespace StartFolder
