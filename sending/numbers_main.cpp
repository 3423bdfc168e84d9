// kavrel-numbers: removes repeated numbers from number files, checks them with the manual-entry
// rule and counts them, with the client's own reading and writing of number files.
#include "common/BuildConfig.h"
#include "common/Translations.h"
#include "sending/NumbersCommand.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavrel-numbers"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVREL_VERSION));
    // Qt's parts of the command line's texts in the client's language.
    Translations::install(app);
    return NumbersCommand::run(QCoreApplication::arguments());
}
