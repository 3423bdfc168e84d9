#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

// What one kavrel-send command line asks for.
struct SendOptions
{
    QString user;
    QString numbers; // a number file, or "-" for standard input
    std::optional<QString> message;
    QString messageFile;
    QString keywords;     // empty: XPOP.dat of the data folder
    QString passwordFile; // empty: the password comes from the environment
    bool dedupe = false;
    bool json = false;
    bool userData = false;
};

namespace SendCommandLine {

// The environment variable that may hold the password.
inline const QString kPasswordVariable = QStringLiteral("KAVREL_PASSWORD");

void describe(QCommandLineParser& parser);
// Looked at before the parser: a password on the command line is visible to every user of the
// machine, so it is refused with its own message instead of an unknown option's.
QString passwordOnCommandLine(const QStringList& arguments);
// The options of a parsed command line; nothing, with *error, when they do not make a batch.
std::optional<SendOptions> read(const QCommandLineParser& parser, QString* error);

} // namespace SendCommandLine
