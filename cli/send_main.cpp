// kavrel-send: submits one batch from scripts, schedulers and other systems, without a window,
// by the same rules and the same core as the client's main window. The password is never taken
// from the command line, where other users could read it.
#include "cli/SendCommand.h"
#include "cli/SendOptions.h"
#include "cli/SendReport.h"
#include "common/BuildConfig.h"
#include "common/CommandLine.h"
#include "common/Translations.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

int usageError(const QString& text)
{
    SendReport::tell(text);
    SendReport::tell(QStringLiteral("请用 kavrel-send --help 查看用法。"));
    return SendStatus::kUsage;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel-send"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    Translations::install(app);
    const QStringList arguments = QCoreApplication::arguments();
    if (const QString refused = SendCommandLine::passwordOnCommandLine(arguments); !refused.isEmpty())
        return usageError(refused);
    QCommandLineParser parser;
    SendCommandLine::describe(parser);
    if (const auto answer = CommandLine::answer(parser, arguments, QStringLiteral("kavrel-send"),
                                                QStringLiteral(KAVREL_VERSION))) {
        CommandLine::print(*answer);
        return answer->exitCode;
    }
    QString error;
    const std::optional<SendOptions> options = SendCommandLine::read(parser, &error);
    if (!options)
        return usageError(error);
    const bool json = options->json;
    SendCommand command(*options);
    const SendOutcome outcome = command.run();
    SendReport::finish(outcome, json);
    return outcome.status;
}
