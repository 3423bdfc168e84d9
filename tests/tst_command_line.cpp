#include "common/CommandLine.h"

#include <QCommandLineParser>
#include <QProcessEnvironment>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void withoutQtOptions_data();
    void withoutQtOptions();
    void answer_data();
    void answer();
    void missingDisplay_data();
    void missingDisplay();
};

void TestCommandLine::withoutQtOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("kept");
    const QString self = QStringLiteral("kavrel");
    QTest::newRow("none") << QStringList{self} << QStringList{self};
    QTest::newRow("own options") << QStringList{self, "--user-data", "-h"}
                                 << QStringList{self, "--user-data", "-h"};
    QTest::newRow("platform with its value")
        << QStringList{self, "-platform", "offscreen", "--user-data"} << QStringList{self, "--user-data"};
    QTest::newRow("two dashes, joined value, flags")
        << QStringList{self, "--style", "fusion", "-stylesheet=a.qss", "-reverse", "-qmljsdebugger=port:1"}
        << QStringList{self};
    QTest::newRow("unknown options stay") << QStringList{self, "--bogus", "-x", "-platformx"}
                                          << QStringList{self, "--bogus", "-x", "-platformx"};
    // A value that looks like an option is still the value; after "--" nothing is Qt's.
    QTest::newRow("value like an option") << QStringList{self, "-title", "--help"} << QStringList{self};
    QTest::newRow("end of options") << QStringList{self, "--", "-reverse"}
                                    << QStringList{self, "--", "-reverse"};
    QTest::newRow("program name is kept") << QStringList{"-reverse"} << QStringList{"-reverse"};
}

void TestCommandLine::withoutQtOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, kept);
    QCOMPARE(CommandLine::withoutQtOptions(arguments), kept);
}

void TestCommandLine::answer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the program goes on
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isError");
    const QString tryHelp = QStringLiteral("请用 kavrel --help 查看用法。\n");
    QTest::newRow("go on") << QStringList{"kavrel", "--user-data"} << -1 << QString() << false;
    QTest::newRow("version") << QStringList{"kavrel", "-v"} << 0 << "kavrel 1.2.3\n" << false;
    QTest::newRow("unknown") << QStringList{"kavrel", "--bogus"} << 1
                             << "kavrel: Unknown option 'bogus'.\n" + tryHelp << true;
    QTest::newRow("stray") << QStringList{"kavrel", "a", "b"} << 1 << "kavrel: 多余的参数: a b\n" + tryHelp
                           << true;
}

void TestCommandLine::answer()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    QFETCH(bool, isError);
    QCommandLineParser parser;
    CommandLine::addStandardOptions(parser);
    parser.addOption({QStringLiteral("user-data"), QStringLiteral("个人数据文件夹。")});
    const auto answer =
        CommandLine::answer(parser, arguments, QStringLiteral("kavrel"), QStringLiteral("1.2.3"));
    QCOMPARE(answer.has_value(), exitCode >= 0);
    if (!answer)
        return;
    QCOMPARE(answer->exitCode, exitCode);
    QCOMPARE(answer->text, text);
    QCOMPARE(answer->isError, isError);
}

void TestCommandLine::missingDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("variable"); // set in an otherwise empty environment
    QTest::addColumn<bool>("missing");
    QTest::newRow("nothing") << QStringList{"kavrel"} << QString() << true;
    QTest::newRow("X11") << QStringList{"kavrel"} << "DISPLAY=:0" << false;
    QTest::newRow("Wayland") << QStringList{"kavrel"} << "WAYLAND_DISPLAY=wayland-0" << false;
    QTest::newRow("platform chosen") << QStringList{"kavrel"} << "QT_QPA_PLATFORM=offscreen" << false;
    QTest::newRow("platform argument") << QStringList{"kavrel", "-platform", "vnc"} << QString() << false;
    QTest::newRow("empty display") << QStringList{"kavrel"} << "DISPLAY=" << true;
}

void TestCommandLine::missingDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, variable);
    QFETCH(bool, missing);
    QProcessEnvironment environment;
    if (!variable.isEmpty())
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    QCOMPARE(!CommandLine::missingDisplay(arguments, environment).isEmpty(), missing);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
