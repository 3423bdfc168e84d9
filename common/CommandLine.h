#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;
class QProcessEnvironment;

// The command lines of the client and of the set-up command speak the client's language.
namespace CommandLine {

// -h/--help and -v/--version. Qt's own help option would add --help-all, which lists Qt's
// options in English.
void addStandardOptions(QCommandLineParser& parser);

// The arguments without the options that QApplication takes for itself (-platform offscreen,
// -style=fusion, ...), so that the client's own options are checked before it needs a display.
QStringList withoutQtOptions(const QStringList& arguments);

// Why the client cannot reach a window system, or empty: neither DISPLAY nor WAYLAND_DISPLAY is
// set and no platform was chosen (-platform, QT_QPA_PLATFORM). Qt would abort there.
QString missingDisplay(const QStringList& arguments, const QProcessEnvironment& environment);

struct Answer
{
    int exitCode = 0;
    QString text;         // ends with a line end
    bool isError = false; // for standard error, else standard output
};

// Parses the arguments and answers --help, --version, unknown options and stray arguments (more
// than the program's positional arguments). Nothing when the program is to go on. Qt's parts of
// the texts are Chinese once Qt's translations are installed.
std::optional<Answer> answer(QCommandLineParser& parser, const QStringList& arguments, const QString& program,
                             const QString& version, qsizetype positionals = 0);
// "program: problem" and where to find the usage, for standard error with exit status 1.
Answer usageError(const QString& program, const QString& problem);
void print(const Answer& answer);

} // namespace CommandLine
