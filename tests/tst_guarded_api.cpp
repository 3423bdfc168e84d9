#include "TestDatabases.h"

#include "db/GuardedApi.h"

#include <QMutex>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QTest>
#include <QThread>
#include <QUrl>

// The functions of a guarded database as the client's login calls them.
class TestGuardedApi : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_db = {}; }

    void loginGivesTheSessionsFigures();
    void calls_data();
    void calls();
    void lists_data();
    void lists();
    void ownPasswordChangeKeepsTheCaller();
    void concurrentPartsNeverOverdraw();
    void crossedAllocationsDoNotDeadlock();
    void oneApprovalOfTwoAtOnce();
    void writtenPartIsAnnounced();

private:
    // The values of a call: "@boss" and the like become that account's token, "@batch",
    // "@empty", "@ownRecord" and "@otherRecord" the ids of the seeded rows.
    QVariantList values(const QStringList& args);
    QString ownerText(const QString& sql);
    QString list(const QString& caller, const QString& call, const QStringList& args);

    TestDb::GuardedDb m_db;
    QHash<QString, QString> m_tokens;
    QHash<QString, QString> m_ids;
};

void TestGuardedApi::init()
{
    m_db = TestDb::openGuarded();
    if (!m_db.owner)
        QSKIP("needs the PostgreSQL server of scripts/with-postgres.sh");
    DbGateway& owner = *m_db.owner;
    TestDb::addAccount(owner, QStringLiteral("boss"), QStringLiteral("bpw"), QStringLiteral("管理员"));
    TestDb::addAccount(owner, QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"),
                       1000);
    TestDb::addAccount(owner, QStringLiteral("vip"), QStringLiteral("vpw"), QStringLiteral("VIP用户"), 500);
    TestDb::addAccount(owner, QStringLiteral("cust"), QStringLiteral("cpw"), QStringLiteral("注册用户"), 100);
    TestDb::addAccount(owner, QStringLiteral("other"), QStringLiteral("opw"), QStringLiteral("注册用户"), 50);
    QVERIFY(owner.DbExecute(QStringLiteral(
        "UPDATE UserInfo SET daili = 'agent' WHERE loginName = 'cust'; "
        "INSERT INTO Moneys (loginName, fullMoney, addDate, parentName) VALUES ('cust', '100', 'd', 'boss'), "
        "('cust', '-30', 'd', 'boss'), ('cust', '50', 'd', 'agent'); "
        "INSERT INTO Messages (loginName, message, addDate, status, CountNum) VALUES "
        "('cust', 'hi', '2024-01-01 10:00:00', '2', '13800000000,13800000001,'), ('cust', 'x', 'd', '0', "
        "''); "
        "INSERT INTO UserRecv (loginName, message, Num, recvs, addDate, tel) VALUES "
        "('cust', 'a', '1', '99', 'd', '1,'), ('other', 'b', '1', '99', 'd', '2,')")));
    for (const char* name : {"boss", "agent", "vip", "cust", "other"})
        m_tokens.insert(QLatin1Char('@') + QLatin1String(name),
                        TestDb::guardedLogin(*m_db.client, QLatin1String(name),
                                             QLatin1Char(name[0]) + QStringLiteral("pw")));
    m_ids = {
        {QStringLiteral("@batch"), ownerText(QStringLiteral("SELECT min(id) AS v FROM Messages"))},
        {QStringLiteral("@empty"), ownerText(QStringLiteral("SELECT max(id) AS v FROM Messages"))},
        {QStringLiteral("@ownRecord"), ownerText(QStringLiteral("SELECT min(id) AS v FROM UserRecv"))},
        {QStringLiteral("@otherRecord"), ownerText(QStringLiteral("SELECT max(id) AS v FROM UserRecv"))}};
}

QVariantList TestGuardedApi::values(const QStringList& args)
{
    QVariantList result;
    for (const QString& arg : args) {
        if (m_tokens.contains(arg))
            result << m_tokens.value(arg);
        else if (m_ids.contains(arg))
            result << m_ids.value(arg).toLongLong();
        else if (arg == QStringLiteral("@ids"))
            result << QStringLiteral("{%1}").arg(m_ids.value(QStringLiteral("@ownRecord")));
        else
            result << (arg == QStringLiteral("@null") ? QVariant(QMetaType(QMetaType::QString))
                                                      : QVariant(arg));
    }
    return result;
}

QString TestGuardedApi::ownerText(const QString& sql)
{
    return TestDb::text(*m_db.owner, sql, {}, QStringLiteral("v"));
}

void TestGuardedApi::loginGivesTheSessionsFigures()
{
    QVERIFY(m_db.owner->DbExecute(QStringLiteral("UPDATE UserInfo SET status = 7, recvs = '98' WHERE "
                                                 "loginName = 'cust'")));
    DbRows rows = m_db.client->DbQuery(QStringLiteral("SELECT * FROM kavrel_api.login(?, ?)"),
                                       {QStringLiteral("cust"), QStringLiteral("cpw")});
    QStringList got;
    for (const char* column : {"code", "login_name", "user_name", "company", "account_type", "balance",
                               "sent", "recharge_total", "success_rate"})
        got << rows.text(QLatin1String(column));
    QCOMPARE(got, (QStringList{"ok", "cust", "测试员", "测试公司", "注册用户", "100", "7", "120", "98"}));
    const QString token = rows.text(QStringLiteral("token"));
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(token).hasMatch(), qPrintable(token));
    // Only the token's digest is kept, and only a bcrypt hash of the password.
    QCOMPARE(TestDb::count(*m_db.owner, QStringLiteral("kavrel_private.sessions"),
                           QStringLiteral("tokenHash = kavrel_crypto.digest(?, 'sha256')"), {token}),
             1);
    QCOMPARE(
        ownerText(QStringLiteral("SELECT pwd || left(hash, 4) AS v FROM UserInfo u JOIN "
                                 "kavrel_private.credentials c USING (loginName) WHERE loginName = 'cust'")),
        QStringLiteral("$2a$"));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("login(?, ?)"), {"cust", "wrong"}),
             QStringLiteral("wrong_password"));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("login(?, ?)"), {"nobody", "cpw"}),
             QStringLiteral("wrong_password"));
}

void TestGuardedApi::calls_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("check"); // read by the owner afterwards, as column v
    QTest::addColumn<QString>("expected");
    const QString balances = QStringLiteral(
        "SELECT string_agg(loginName || '=' || payMoney, ' ' ORDER BY loginName) AS v FROM UserInfo");
    const QString lastMoney = QStringLiteral("SELECT COALESCE(string_agg(loginName || ':' || fullMoney || "
                                             "':' || parentName, ' ' ORDER BY id), '') "
                                             "AS v FROM Moneys WHERE addDate <> 'd'");
    const auto row = [](const char* name, const QString& call, const QStringList& args, const char* code,
                        const QString& check, const QString& expected) {
        QTest::newRow(name) << call << args << QString::fromUtf8(code) << check << expected;
    };
    const QString start = QStringLiteral("agent=1000 boss=0 cust=100 other=50 vip=500");
    row("recharge", "recharge(?, ?, ?)", {"@boss", "cust", "0100"}, "ok", lastMoney, "cust:0100:boss");
    row("recharge bad amount", "recharge(?, ?, ?)", {"@boss", "cust", "-5"}, "bad_amount", balances, start);
    row("recharge no account", "recharge(?, ?, ?)", {"@boss", "ghost", "5"}, "no_such_account", lastMoney,
        "");
    row("reduce", "reduce(?, ?, ?)", {"@boss", "cust", "30"}, "ok", lastMoney, "cust:-30:boss");
    row("reduce not covered", "reduce(?, ?, ?)", {"@boss", "cust", "101"}, "not_covered", balances, start);
    row("allocate", "allocate(?, ?, ?)", {"@agent", "cust", "40"}, "ok", balances,
        "agent=960 boss=0 cust=140 other=50 vip=500");
    row("allocate takes a free account", "allocate(?, ?, ?)", {"@vip", "other", "5"}, "ok",
        "SELECT daili AS v FROM UserInfo WHERE loginName = 'other'", "vip");
    row("allocate others' account", "allocate(?, ?, ?)", {"@vip", "cust", "5"}, "others_account", balances,
        start);
    row("allocate to administrator", "allocate(?, ?, ?)", {"@agent", "boss", "5"}, "to_administrator",
        balances, start);
    row("allocate to agent", "allocate(?, ?, ?)", {"@vip", "agent", "5"}, "to_agent", balances, start);
    row("allocate to self", "allocate(?, ?, ?)", {"@agent", "AGENT", "5"}, "to_self", balances, start);
    row("allocate last message", "allocate(?, ?, ?)", {"@agent", "cust", "1000"}, "over_limit", balances,
        start);
    row("allocate zero", "allocate(?, ?, ?)", {"@agent", "cust", "0"}, "zero_allocation", balances, start);
    row("allocate unknown", "allocate(?, ?, ?)", {"@agent", "ghost", "5"}, "no_such_account", balances,
        start);
    row("write part", "write_part(?, ?, ?, ?)", {"@cust", "hello", "1,2,3,", "k1"}, "ok",
        "SELECT payMoney || '/' || status || '/' || (SELECT count(*) FROM Messages m JOIN SubmittedParts p "
        "ON p.loginName = m.loginName WHERE m.CountNum = '1,2,3,' AND m.status = '3' AND p.partKey = 'k1') "
        "AS v FROM UserInfo WHERE loginName = 'cust'",
        "97/3/1");
    row("write part over balance", "write_part(?, ?, ?, ?)", {"@other", "hi", QString(51, u','), "k2"},
        "out_of_balance", balances, start);
    row("write part without numbers", "write_part(?, ?, ?, ?)", {"@cust", "hi", "", "k3"}, "no_numbers",
        balances, start);
    row("approve", "approve(?, ?, ?, ?)", {"@boss", "@batch", "2", "97"}, "ok",
        "SELECT loginName || '/' || message || '/' || Num || '/' || recvs || '/' || tel || '/' || (SELECT "
        "recvs FROM UserInfo WHERE loginName = 'cust') || '/' || (SELECT count(*) FROM Messages) AS v FROM "
        "UserRecv WHERE message = 'hi'",
        "cust/hi/2/97/13800000000,13800000001,/97/1");
    row("approve empty list", "approve(?, ?, ?, ?)", {"@boss", "@empty", "0", "97"}, "count_first",
        "SELECT count(*) AS v FROM Messages", "2");
    row("approve gone", "approve(?, ?, ?, ?)", {"@boss", "0", "2", "97"}, "batch_gone",
        "SELECT count(*) AS v FROM UserRecv", "2");
    row("discard", "discard_batch(?, ?)", {"@boss", "@batch"}, "ok", "SELECT count(*) AS v FROM Messages",
        "1");
    row("delete own records", "delete_audited(?, ?)", {"@cust", "@ids"}, "ok",
        "SELECT string_agg(loginName, ',') AS v FROM UserRecv", "other");
    row("delete records of all own", "delete_audited_of(?, ?)", {"@cust", "cust"}, "ok",
        "SELECT string_agg(loginName, ',') AS v FROM UserRecv", "other");
    row("delete every record", "delete_all_audited(?)", {"@boss"}, "ok", "SELECT count(*) AS v FROM UserRecv",
        "0");
    row("disable", "set_type(?, ?, ?)", {"@boss", "cust", "禁用"}, "ok",
        "SELECT type AS v FROM UserInfo WHERE loginName = 'cust'", "禁用");
    row("disable oneself", "set_type(?, ?, ?)", {"@boss", "boss", "禁用"}, "own_account",
        "SELECT type AS v FROM UserInfo WHERE loginName = 'boss'", "管理员");
    row("unknown type", "set_type(?, ?, ?)", {"@boss", "cust", "神"}, "invalid",
        "SELECT type AS v FROM UserInfo WHERE loginName = 'cust'", "注册用户");
    row("delete account", "delete_account(?, ?)", {"@boss", "other"}, "ok",
        "SELECT count(*) || '/' || (SELECT count(*) FROM kavrel_private.credentials WHERE loginName = "
        "'other') "
        "|| '/' || (SELECT count(*) FROM UserRecv WHERE loginName = 'other') AS v FROM UserInfo WHERE "
        "loginName = 'other'",
        "0/0/1");
    row("delete oneself", "delete_account(?, ?)", {"@boss", "boss"}, "own_account", balances, start);
    const QString newAccount = QStringLiteral("SELECT type || '/' || pwd || '/' || payMoney || '/' || "
                                              "(SELECT count(*) FROM TelPhone WHERE loginName = "
                                              "'neo') AS v FROM UserInfo WHERE loginName = 'neo'");
    row("register", "register_self(?, ?, ?, ?, ?, ?)", {"neo", "N", "C", "npw", "A", "T"}, "ok", newAccount,
        "注册用户//0/1");
    row("register taken", "register_self(?, ?, ?, ?, ?, ?)", {"cust", "N", "C", "npw", "A", "T"}, "taken",
        balances, start);
    row("register blank name", "register_self(?, ?, ?, ?, ?, ?)", {"n eo", "N", "C", "npw", "A", "T"},
        "invalid", balances, start);
    row("register 1 MB nickname", "register_self(?, ?, ?, ?, ?, ?)",
        {"neo", QString(1 << 20, u'x'), "C", "npw", "A", "T"}, "invalid", balances, start);
    row("agent adds VIP user", "register_account(?, ?, ?, ?, ?, ?, ?, ?)",
        {"@agent", "neo", "N", "C", "npw", "A", "T", "VIP用户"}, "ok", newAccount, "VIP用户//0/1");
    row("nickname", "change_nickname(?, ?, ?, ?)", {"@cust", "cust", "cpw", "新名"}, "ok",
        "SELECT userName AS v FROM UserInfo WHERE loginName = 'cust'", "新名");
    row("company wrong password", "change_company(?, ?, ?, ?)", {"@cust", "cust", "bad", "新"},
        "wrong_password", "SELECT count(*) AS v FROM kavrel_private.failed_logins", "1");
    row("verify another account", "verify_account(?, ?, ?)", {"@boss", "cust", "cpw"}, "ok",
        "SELECT count(*) AS v FROM kavrel_private.failed_logins", "0");
}

void TestGuardedApi::calls()
{
    QFETCH(QString, call);
    QFETCH(QStringList, args);
    QFETCH(QString, code);
    QFETCH(QString, check);
    QFETCH(QString, expected);
    QCOMPARE(TestDb::apiCode(*m_db.client, call, values(args)), code);
    QCOMPARE(ownerText(check), expected);
}

QString TestGuardedApi::list(const QString& caller, const QString& call, const QStringList& args)
{
    QStringList marks;
    for (qsizetype i = 0; i <= args.size(); ++i)
        marks << QStringLiteral("?");
    DbRows rows =
        m_db.client->DbQuery(QStringLiteral("SELECT * FROM kavrel_api.%1(%2)").arg(call, marks.join(',')),
                             values(QStringList{caller} + args));
    QStringList names;
    for (; !rows.atEnd(); rows.next())
        names << rows.text(QStringLiteral("loginName"));
    if (rows.failed())
        return DbGateway::lastError();
    names.sort();
    return names.join(QLatin1Char(','));
}

void TestGuardedApi::lists_data()
{
    QTest::addColumn<QString>("caller");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("accounts") << "@boss"
                              << "list_accounts" << QStringList{"@null", "@null", "@null"}
                              << "agent,boss,cust,other,vip";
    QTest::newRow("one account") << "@boss"
                                 << "list_accounts" << QStringList{"cust", "@null", "@null"} << "cust";
    QTest::newRow("agents") << "@boss"
                            << "list_agents" << QStringList{} << "agent";
    QTest::newRow("own sub-accounts") << "@agent"
                                      << "list_sub_accounts" << QStringList{"agent"} << "cust";
    QTest::newRow("own changes") << "@agent"
                                 << "list_balance_changes" << QStringList{"agent", "@null"} << "cust";
    QTest::newRow("changes of an account")
        << "@boss"
        << "list_balance_changes" << QStringList{"@null", "cust"} << "cust,cust,cust";
    QTest::newRow("waiting, one row") << "@boss"
                                      << "list_waiting" << QStringList{"@null", "@null", "1"} << "cust";
    QTest::newRow("waiting in a day")
        << "@boss"
        << "list_waiting" << QStringList{"2024-01-01 00:00:00", "2024-01-02 00:00:00", "@null"} << "cust";
    QTest::newRow("own records") << "@cust"
                                 << "list_audited" << QStringList{"cust", "@null", "@null"} << "cust";
    QTest::newRow("every record") << "@boss"
                                  << "list_audited" << QStringList{"@null", "@null", "@null"} << "cust,other";
}

void TestGuardedApi::lists()
{
    QFETCH(QString, caller);
    QFETCH(QString, call);
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QCOMPARE(list(caller, call, args), expected);
}

void TestGuardedApi::ownPasswordChangeKeepsTheCaller()
{
    const QString second = TestDb::guardedLogin(*m_db.client, QStringLiteral("cust"), QStringLiteral("cpw"));
    DbRows rows = m_db.client->DbQuery(QStringLiteral("SELECT * FROM kavrel_api.change_password(?, ?, ?, ?)"),
                                       values({"@cust", "cust", "cpw", "new1"}));
    QCOMPARE(rows.text(QStringLiteral("code")), QStringLiteral("ok"));
    const QString renewed = rows.text(QStringLiteral("token"));
    rows = DbRows();
    // The caller goes on under its new token; every other session of the account has ended.
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("account_figures(?)"), {renewed}),
             QStringLiteral("ok"));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("account_figures(?)"), {second}),
             QStringLiteral("account_changed"));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("account_figures(?)"), values({"@cust"})),
             QStringLiteral("no_session"));
    QVERIFY(!TestDb::guardedLogin(*m_db.client, QStringLiteral("cust"), QStringLiteral("new1")).isEmpty());
    // Another account's password, known to the caller, ends that account's sessions only.
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("change_password(?, ?, ?, ?)"),
                             values({"@boss", "other", "opw", "new2"})),
             QStringLiteral("ok"));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("account_figures(?)"), values({"@other"})),
             QStringLiteral("account_changed"));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("account_figures(?)"), values({"@boss"})),
             QStringLiteral("ok"));
}

void TestGuardedApi::concurrentPartsNeverOverdraw()
{
    // Two clients of one account, balance 100, parts of 7 numbers: 14 parts fit, never 15.
    QString codes[2];
    QList<QThread*> threads;
    for (int t = 0; t < 2; ++t) {
        threads << QThread::create([&, t] {
            DbThreadScope scope(*m_db.client);
            for (int part = 0; part < 12; ++part) {
                const QString code = TestDb::apiCode(
                    *m_db.client, QStringLiteral("write_part(?, ?, ?, ?)"),
                    values({"@cust", "m", "1,2,3,4,5,6,7,", QStringLiteral("t%1p%2").arg(t).arg(part)}));
                codes[t] += code == QStringLiteral("ok")               ? u'K'
                            : code == QStringLiteral("out_of_balance") ? u'B'
                                                                       : u'X';
            }
        });
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    const QString all = codes[0] + codes[1];
    QCOMPARE(all.count(u'K'), 14);
    QCOMPARE(all.count(u'X'), 0);
    QCOMPARE(
        ownerText(QStringLiteral("SELECT payMoney || '/' || status || '/' || (SELECT count(*) FROM Messages "
                                 "WHERE CountNum = '1,2,3,4,5,6,7,') || '/' || (SELECT count(*) FROM "
                                 "SubmittedParts) AS v FROM UserInfo WHERE loginName = 'cust'")),
        QStringLiteral("2/98/14/14"));
}

void TestGuardedApi::crossedAllocationsDoNotDeadlock()
{
    TestDb::addAccount(*m_db.owner, QStringLiteral("agent2"), QStringLiteral("pw"),
                       QStringLiteral("代理用户"), 1000);
    m_tokens.insert(QStringLiteral("@agent2"),
                    TestDb::guardedLogin(*m_db.client, QStringLiteral("agent2"), QStringLiteral("pw")));
    // Each allocates to the other (refused, but both rows are locked first) and to a free account.
    QStringList results[2];
    const QStringList callers{QStringLiteral("@agent"), QStringLiteral("@agent2")};
    QList<QThread*> threads;
    for (int t = 0; t < 2; ++t) {
        threads << QThread::create([&, t] {
            DbThreadScope scope(*m_db.client);
            const QString peer = callers[1 - t].mid(1);
            for (int round = 0; round < 20; ++round)
                results[t] << TestDb::apiCode(
                    *m_db.client, QStringLiteral("allocate(?, ?, ?)"),
                    values({callers[t], round % 2 ? QStringLiteral("other") : peer, "1"}));
        });
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    for (const QStringList& codes : results) {
        for (const QString& code : codes)
            QVERIFY2(code == QStringLiteral("ok") || code == QStringLiteral("to_agent") ||
                         code == QStringLiteral("others_account"),
                     qPrintable(code));
    }
    // Whatever went through moved balance between the three accounts only.
    QCOMPARE(ownerText(QStringLiteral("SELECT sum(payMoney) AS v FROM UserInfo WHERE loginName IN ('agent', "
                                      "'agent2', 'other')")),
             QStringLiteral("2050"));
}

void TestGuardedApi::oneApprovalOfTwoAtOnce()
{
    QStringList codes;
    QMutex mutex;
    QList<QThread*> threads;
    for (int t = 0; t < 2; ++t) {
        threads << QThread::create([&] {
            DbThreadScope scope(*m_db.client);
            const QString code = TestDb::apiCode(*m_db.client, QStringLiteral("approve(?, ?, ?, ?)"),
                                                 values({"@boss", "@batch", "2", "97"}));
            QMutexLocker lock(&mutex);
            codes << code;
        });
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    codes.sort();
    QCOMPARE(codes, (QStringList{"batch_gone", "ok"}));
    QCOMPARE(ownerText(QStringLiteral("SELECT count(*) AS v FROM UserRecv WHERE message = 'hi'")),
             QStringLiteral("1"));
}

void TestGuardedApi::writtenPartIsAnnounced()
{
    QCOMPARE(TestDb::text(*m_db.client, QStringLiteral("SELECT kavrel_api.alert_channel() AS v"), {},
                          QStringLiteral("v")),
             GuardedApi::kAlertChannel);
    QSqlDatabase listener = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("listener"));
    const QUrl url(m_db.clientAddress);
    listener.setHostName(url.host());
    listener.setPort(url.port());
    listener.setDatabaseName(url.path().mid(1));
    listener.setUserName(url.userName());
    QVERIFY2(listener.open(), qPrintable(listener.lastError().text()));
    QStringList heard;
    connect(listener.driver(), &QSqlDriver::notification, this,
            [&](const QString& name, QSqlDriver::NotificationSource, const QVariant&) { heard << name; });
    QVERIFY(listener.driver()->subscribeToNotification(GuardedApi::kAlertChannel));
    QCOMPARE(TestDb::apiCode(*m_db.client, QStringLiteral("write_part(?, ?, ?, ?)"),
                             values({"@cust", "m", "1,", ""})),
             QStringLiteral("ok"));
    QTRY_COMPARE(heard, QStringList{GuardedApi::kAlertChannel});
    listener.close();
    listener = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("listener"));
}

QTEST_GUILESS_MAIN(TestGuardedApi)
#include "tst_guarded_api.moc"
