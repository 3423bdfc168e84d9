// Times the main window's own work with the list refresh included: duplicate removal of
// 200,000 numbers (half repeated), import of a 50,000-line GBK file, and a submission of
// 30,000 numbers in 3 parts, during which the longest stall of the user-interface thread is
// measured. Runs offscreen on an embedded database in a temporary folder.
#include "app/MainDlg.h"
#include "common/Gbk.h"
#include "db/AccountSetup.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "sending/NumberListModel.h"
#include "sending/SubmissionRun.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Spins the event loop until done() holds; returns the elapsed milliseconds.
double waitMs(const QElapsedTimer& timer, const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return timer.nsecsElapsed() / 1e6;
}

QStringList halfRepeated(int distinct)
{
    QStringList numbers;
    for (int i = 0; i < distinct; ++i)
        numbers << QString::number(13800000000LL + i);
    for (int i = 0; i < distinct; ++i)
        numbers << QString::number(13800000000LL + (i * 7919) % distinct);
    return numbers;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    DbGateway gateway(DbConfig::parse(QStringLiteral("sqlite:bench.db"), dir.path()));
    if (!gateway.DbOpen() || !Schema::create(gateway))
        return 1;
    AccountSetup::createAdministrator(gateway,
                                      {QStringLiteral("bench"), QStringLiteral("pw"), QStringLiteral("pw"),
                                       QStringLiteral("bench"), QStringLiteral("bench")});
    gateway.DbExecute(QStringLiteral("UPDATE UserInfo SET payMoney=1000000"));
    QFile keywords(dir.filePath(QStringLiteral("XPOP.dat")));
    keywords.open(QIODevice::WriteOnly);
    keywords.write(Gbk::encode(QStringLiteral("发票\r\n")));
    keywords.close();

    QString lastMessage;
    QString fileAnswer;
    Dialogs::setMessageHook([&](const Dialogs::Message& message) {
        lastMessage = message.text;
        return true;
    });
    Dialogs::setFileHook([&](const Dialogs::FileRequest&) { return fileAnswer; });

    SessionUser session;
    session.loginName = QStringLiteral("bench");
    session.password = QStringLiteral("pw");
    DbLogin(gateway, session, session.loginName, session.password);
    CMainDlg window(gateway, session, dir.path());
    window.enterSession();
    window.show();
    const auto click = [&](const char* name) {
        window.findChild<QPushButton*>(QLatin1String(name))->click();
    };

    window.numbers()->append(halfRepeated(100000));
    QElapsedTimer timer;
    timer.start();
    click("dedupeButton");
    const double dedupe =
        waitMs(timer, [&] { return DedupeIdle == 1 && window.numbers()->count() == 100000; });
    std::printf("window duplicate removal, 200000 numbers -> %lld: %.1f ms (goal < 500)\n",
                static_cast<long long>(window.numbers()->count()), dedupe);

    window.numbers()->clear();
    QByteArray file;
    for (int i = 0; i < 50000; ++i)
        file += QByteArray::number(13900000000LL + i) + "\r\n";
    QFile numbers(dir.filePath(QStringLiteral("numbers.txt")));
    numbers.open(QIODevice::WriteOnly);
    numbers.write(file);
    numbers.close();
    fileAnswer = numbers.fileName();
    timer.restart();
    click("importButton");
    const double import = waitMs(timer, [&] { return window.numbers()->count() == 50000; });
    std::printf("window import, 50000-line file into the list: %.1f ms (goal < 300)\n", import);

    window.numbers()->replaceAll(window.numbers()->entries().mid(0, 30000));
    window.findChild<QPlainTextEdit*>(QStringLiteral("messageEdit"))
        ->setPlainText(QString(200, QLatin1Char('m')));
    QElapsedTimer tick;
    double longestStall = 0;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, tick.nsecsElapsed() / 1e6);
        tick.restart();
    });
    lastMessage.clear();
    timer.restart();
    tick.start();
    heartbeat.start();
    click("submitButton");
    const double run = waitMs(timer, [&] { return lastMessage.contains(QStringLiteral("发送完成")); });
    heartbeat.stop();
    std::printf("window submission, 30000 numbers in 3 parts (SQLite): %.1f ms, %.1f ms per part; "
                "longest stall of the window: %.1f ms\n",
                run, run / 3, longestStall);
    return 0;
}
