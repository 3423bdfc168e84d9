#pragma once

#include <QString>
#include <QStringList>

// The client keeps kavrel.db, KVR.ini, XPOP.dat, mac.wav and LOG/ together in one folder, its
// start folder. A folder that already holds the database or the settings file is kept, so that
// existing installations go on working; an installed client otherwise works in the per-user
// data folder, where desktop programs keep their data.
namespace StartFolder {

// Files copied into a new per-user folder from the installed shared folder.
inline const QStringList kStarterFiles = {QStringLiteral("XPOP.dat"), QStringLiteral("mac.wav")};

struct Environment
{
    QString xdgDataHome;
    QString home; // $HOME, else the account's home folder from the password database

    static Environment fromProcess();
};

// $XDG_DATA_HOME/kavrel; ~/.local/share/kavrel when XDG_DATA_HOME is unset or relative (the
// base-directory rules call a relative one invalid). Empty, with *error, when no home is known.
QString perUserFolder(const Environment& environment, QString* error = nullptr);

// True when the folder holds kavrel.db or KVR.ini, also as a link whose target is missing: that
// folder is where the user's data was, and a missing disk must not be papered over.
bool holdsClientFiles(const QString& folder);

enum class Mode
{
    Auto,   // a terminal start: keep a folder that holds the client's files
    PerUser // the desktop menu: always the per-user folder
};

struct Choice
{
    QString folder; // absolute; empty when none could be named
    bool perUser = false;
    QString error;

    bool isValid() const { return !folder.isEmpty(); }
};

// Auto keeps the current folder when it holds the client's files; otherwise an installed client
// uses the per-user folder and one run from its build folder the current folder.
Choice choose(const QString& currentFolder, Mode mode, bool installed, const Environment& environment);

struct Preparation
{
    bool ok = false;
    QString error;        // why the folder cannot be used
    int errorCode = 0;    // the system's error number behind it
    QStringList copied;   // starter files copied this time
    QStringList warnings; // starter files that could not be copied; the client runs without them
};

// Makes a missing folder (and missing parents) with mode 0700 and copies each starter file from
// sharedFolder that the folder lacks, readable by its owner only. An existing file is never
// replaced, and two clients preparing the same folder at once both succeed.
Preparation prepare(const QString& folder, const QString& sharedFolder);

// The shared files of an installed client, found from the program's folder so that any install
// prefix works; empty for a client run from its build folder.
QString installedSharedFolder(const QString& programFolder);

// A message when path is a symbolic link to a missing file, else empty. SQLite would create a
// new, empty database at the target, hiding the real one (on a disk that is not mounted).
QString danglingLink(const QString& path);

// Creates a missing file empty with mode 0600; an existing file or link is left as it is. False,
// with *error, when the file cannot be created.
bool createPrivateFile(const QString& path, QString* error);

} // namespace StartFolder
