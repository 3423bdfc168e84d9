#include "common/CommandLine.h"

#include <QCommandLineParser>
#include <QProcessEnvironment>

#include <cstdio>

namespace CommandLine {

namespace {

// Qt 6's application options (QGuiApplication, QApplication and the xcb platform), as they
// are documented; each may also be written with two dashes.
const QStringList kQtOptionsWithValue = {
    QStringLiteral("platform"),
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),
    QStringLiteral("display"),
    QStringLiteral("geometry"),
    QStringLiteral("title"),
    QStringLiteral("icon"),
    QStringLiteral("name"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
};
const QStringList kQtFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                              QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync")};
const QStringList kQtOptionsWithJoinedValue = {QStringLiteral("qmljsdebugger"), QStringLiteral("dialogs"),
                                               QStringLiteral("fontengine")};

// "-platform" or "--platform" -> "platform"; empty for anything that is not a single option.
QString optionName(const QString& argument)
{
    if (argument.startsWith(QLatin1String("--")) && argument.size() > 2)
        return argument.mid(2);
    if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1)
        return argument.mid(1);
    return {};
}

} // namespace

void addStandardOptions(QCommandLineParser& parser)
{
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示本帮助。")});
    parser.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("显示版本。")});
}

QStringList withoutQtOptions(const QStringList& arguments)
{
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            kept << arguments.mid(i);
            break;
        }
        const QString name = optionName(argument);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals < 0 && kQtOptionsWithValue.contains(name))
            ++i; // its value too
        else if (equals < 0 && kQtFlags.contains(name))
            continue;
        else if (equals > 0 && (kQtOptionsWithValue.contains(name.left(equals)) ||
                                kQtOptionsWithJoinedValue.contains(name.left(equals))))
            continue;
        else
            kept << argument;
    }
    return kept;
}

QString missingDisplay(const QStringList& arguments, const QProcessEnvironment& environment)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QLatin1String(name)).isEmpty())
            return {};
    }
    if (arguments.contains(QStringLiteral("-platform")) || arguments.contains(QStringLiteral("--platform")))
        return {};
    return QStringLiteral("找不到图形显示: DISPLAY 和 WAYLAND_DISPLAY 都没有设置。");
}

Answer usageError(const QString& program, const QString& problem)
{
    return Answer{1, QStringLiteral("%1: %2\n请用 %1 --help 查看用法。\n").arg(program, problem), true};
}

std::optional<Answer> answer(QCommandLineParser& parser, const QStringList& arguments, const QString& program,
                             const QString& version, qsizetype positionals)
{
    if (!parser.parse(arguments))
        return usageError(program, parser.errorText());
    if (parser.isSet(QStringLiteral("version")))
        return Answer{0, QStringLiteral("%1 %2\n").arg(program, version), false};
    if (parser.isSet(QStringLiteral("help"))) {
        // The usage line names the program as it was started, build folder and all.
        QString help = parser.helpText();
        for (const QString& started : {arguments.value(0), QStringLiteral("<executable_name>")}) {
            const qsizetype at = started.isEmpty() ? -1 : help.indexOf(started);
            if (at >= 0) {
                help.replace(at, started.size(), program);
                break;
            }
        }
        return Answer{0, help, false};
    }
    if (parser.positionalArguments().size() > positionals) {
        const QString stray = parser.positionalArguments().mid(positionals).join(QLatin1Char(' '));
        return usageError(program, QStringLiteral("多余的参数: %1").arg(stray));
    }
    return std::nullopt;
}

void print(const Answer& answer)
{
    std::fputs(answer.text.toUtf8().constData(), answer.isError ? stderr : stdout);
}

} // namespace CommandLine
