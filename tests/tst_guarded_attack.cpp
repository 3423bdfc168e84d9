#include "TestDatabases.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

// A customer who took the client's database login from its client, and tokens that should no
// longer open anything.
class TestGuardedAttack : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_db = {}; }

    void rawSqlIsRefused_data();
    void rawSqlIsRefused();
    void staffCallsAreRefused_data();
    void staffCallsAreRefused();
    void endedTokensOpenNothing();
    void failedLoginsAreLimited();
    void hostileTextsAreRefused_data();
    void hostileTextsAreRefused();
    void noPasswordOrHashComesBack();
    void otherClientsStatementsStayHidden();

private:
    QString call(const QString& sql, const QVariantList& values)
    {
        return TestDb::apiCode(*m_db.client, sql, values);
    }
    QString figures(const QString& token) { return call(QStringLiteral("account_figures(?)"), {token}); }

    TestDb::GuardedDb m_db;
    QHash<QString, QString> m_tokens; // by account type
    QString m_ownRecord, m_otherRecord, m_batch;
};

void TestGuardedAttack::init()
{
    m_db = TestDb::openGuarded();
    if (!m_db.owner)
        QSKIP("needs the PostgreSQL server of scripts/with-postgres.sh");
    DbGateway& owner = *m_db.owner;
    m_tokens.clear();
    const QList<std::pair<QString, QString>> accounts = {{"boss", "管理员"},
                                                         {"cust", "注册用户"},
                                                         {"agent", "代理用户"},
                                                         {"vip", "VIP用户"},
                                                         {"victim", "注册用户"}};
    for (const auto& [name, type] : accounts) {
        TestDb::addAccount(owner, name, QStringLiteral("pw"), type, 500);
        if (!m_tokens.contains(type)) // the victim is nobody's caller
            m_tokens.insert(type, TestDb::guardedLogin(*m_db.client, name, QStringLiteral("pw")));
    }
    QVERIFY(owner.DbExecute(QStringLiteral(
        "INSERT INTO Messages (loginName, message, addDate, status, CountNum) VALUES ('victim', 'secret', "
        "'d', '1', "
        "'13900000000,'); INSERT INTO UserRecv (loginName, message, Num, recvs, addDate, tel) VALUES "
        "('cust', 'own', '1', '99', 'd', '1,'), ('victim', 'theirs', '1', '99', 'd', '2,'); "
        "INSERT INTO Moneys (loginName, fullMoney, addDate, parentName) VALUES ('victim', '500', 'd', "
        "'boss'); INSERT INTO OptOut (tel, addDate) VALUES ('13900000000', 'd')")));
    const auto id = [&](const char* sql) {
        return TestDb::text(owner, QLatin1String(sql), {}, QStringLiteral("v"));
    };
    m_batch = id("SELECT min(id) AS v FROM Messages");
    m_ownRecord = id("SELECT min(id) AS v FROM UserRecv");
    m_otherRecord = id("SELECT max(id) AS v FROM UserRecv");
}

void TestGuardedAttack::rawSqlIsRefused_data()
{
    QTest::addColumn<QString>("sql");
    // The eight attacks of a customer holding an all-powerful login, then every kind of reach.
    QTest::newRow("read passwords") << "SELECT loginName, pwd FROM UserInfo";
    QTest::newRow("raise own balance") << "UPDATE UserInfo SET payMoney = 999999 WHERE loginName = 'cust'";
    QTest::newRow("forge a recharge") << "INSERT INTO Moneys (loginName, fullMoney, addDate, parentName) "
                                         "VALUES ('cust', '999999', 'd', 'boss')";
    QTest::newRow("become administrator") << "UPDATE UserInfo SET type = '管理员' WHERE loginName = 'cust'";
    QTest::newRow("read another's messages") << "SELECT message, CountNum FROM Messages";
    QTest::newRow("approve own batch")
        << "INSERT INTO UserRecv (loginName, message) SELECT loginName, message FROM "
           "Messages";
    QTest::newRow("empty another's balance") << "UPDATE UserInfo SET payMoney = 0 WHERE loginName = 'victim'";
    QTest::newRow("delete the administrator") << "DELETE FROM UserInfo WHERE loginName = 'boss'";
    const QStringList tables{"UserInfo",
                             "Messages",
                             "TelPhone",
                             "UserRecv",
                             "Moneys",
                             "SubmittedParts",
                             "OptOut",
                             "public.userinfo",
                             "kavrel_private.sessions",
                             "kavrel_private.credentials",
                             "kavrel_private.failed_logins",
                             "kavrel_private.settings"};
    const QStringList actions{
        "SELECT * FROM %1",
        "INSERT INTO %1 DEFAULT VALUES",
        "UPDATE %1 SET loginName = 'x'",
        "DELETE FROM %1",
        "TRUNCATE %1",
        "SELECT 1 FROM %1 FOR UPDATE",
        "COPY %1 TO STDOUT",
        "ALTER TABLE %1 OWNER TO CURRENT_USER",
        "DROP TABLE %1",
        "CREATE TRIGGER t BEFORE INSERT ON %1 EXECUTE FUNCTION kavrel_api.api_version()"};
    for (const QString& table : tables) {
        for (const QString& action : actions)
            QTest::newRow(qPrintable(action.arg(table))) << action.arg(table);
    }
    const char* reaches[] = {
        "SELECT nextval('public.messages_id_seq')",
        "SELECT setval('public.moneys_id_seq', 1)",
        "CREATE TABLE public.mine (x int)",
        "CREATE TEMP TABLE userinfo (loginName text)",
        "CREATE FUNCTION kavrel_api.mine() RETURNS int LANGUAGE sql AS 'SELECT 1'",
        "CREATE OR REPLACE FUNCTION kavrel_api.api_version() RETURNS int LANGUAGE sql AS 'SELECT 2'",
        "DROP FUNCTION kavrel_api.login(text, text)",
        "ALTER FUNCTION kavrel_api.login(text, text) OWNER TO CURRENT_USER",
        "CREATE SCHEMA mine",
        "SET ROLE kavrel_owner",
        "GRANT kavrel_owner TO CURRENT_USER",
        "SELECT kavrel_private.open_session('boss')",
        "SELECT * FROM kavrel_private.check_password('boss', 'pw')",
        "SELECT * FROM kavrel_private.caller('', 'use')",
        "SELECT kavrel_crypto.gen_random_bytes(16)",
        "DO $$BEGIN UPDATE UserInfo SET payMoney = 999999; END$$",
        "GRANT SELECT ON UserInfo TO CURRENT_USER",
        "SELECT pg_read_file('postgresql.conf')",
        "COMMENT ON TABLE UserInfo IS 'x'",
        "ALTER TABLE UserInfo DISABLE TRIGGER ALL",
        "SET session_replication_role = replica",
        "REFRESH MATERIALIZED VIEW UserInfo"};
    for (const char* sql : reaches)
        QTest::newRow(sql) << QString::fromLatin1(sql);
}

void TestGuardedAttack::rawSqlIsRefused()
{
    QFETCH(QString, sql);
    const QString before = TestDb::snapshot(*m_db.owner);
    DbRows rows = m_db.client->DbQuery(sql);
    QVERIFY2(rows.failed(), qPrintable(sql));
    rows = DbRows();
    // Refused for want of a right, not for a fault of the statement.
    static const QRegularExpression refusal(
        QStringLiteral("permission denied|does not exist|must be owner|must have admin"));
    QVERIFY2(refusal.match(DbGateway::lastError()).hasMatch(), qPrintable(DbGateway::lastError()));
    QCOMPARE(TestDb::snapshot(*m_db.owner), before);
}

void TestGuardedAttack::staffCallsAreRefused_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("args"); // after the token; "@batch", "@own", "@other" are ids
    const QList<std::pair<const char*, QStringList>> administratorsOnly = {
        {"recharge(?, ?, ?)", {"cust", "100"}},
        {"reduce(?, ?, ?)", {"victim", "500"}},
        {"set_type(?, ?, ?)", {"cust", "管理员"}},
        {"set_type(?, ?, ?)", {"boss", "禁用"}},
        {"delete_account(?, ?)", {"boss"}},
        {"approve(?, ?, ?, ?)", {"@batch", "1", "99"}},
        {"discard_batch(?, ?)", {"@batch"}},
        {"delete_all_audited(?)", {}},
        {"delete_audited(?, ?)", {"{@other}"}},
        {"delete_audited(?, ?)", {"{@own,@other}"}},
        {"delete_audited_of(?, ?)", {"victim"}},
        {"waiting_numbers(?, ?)", {"@batch"}},
        {"audited_numbers(?, ?)", {"@other"}},
        {"register_account(?, ?, ?, ?, ?, ?, ?, ?)", {"neo", "n", "c", "pw", "a", "t", "代理用户"}},
        {"list_accounts(?, NULL, NULL, NULL)", {}},
        {"list_agents(?)", {}},
        {"list_waiting(?, NULL, NULL, NULL)", {}},
        {"list_balance_changes(?, NULL, NULL)", {}},
        {"list_balance_changes(?, NULL, ?)", {"victim"}},
        {"list_balance_changes(?, ?, NULL)", {"boss"}},
        {"list_audited(?, NULL, NULL, NULL)", {}},
        {"list_audited(?, ?, NULL, NULL)", {"victim"}},
        {"list_sub_accounts(?, ?)", {"boss"}},
        {"opt_out_add(?, ?)", {"13800000009"}},
        {"opt_out_remove(?, ?)", {"13900000000"}},
        {"opt_out_count(?)", {}},
        {"list_opt_out(?, NULL, NULL)", {}},
        {"list_opt_out(?, ?, ?)", {"139", "10"}}};
    for (const char* type : {"注册用户", "代理用户", "VIP用户"}) {
        for (const auto& [sql, args] : administratorsOnly)
            QTest::newRow(qPrintable(
                QStringLiteral("%1 %2 %3")
                    .arg(QString::fromUtf8(type), QLatin1String(sql), args.join(QLatin1Char(' ')))))
                << QString::fromUtf8(type) << QString::fromLatin1(sql) << args;
    }
    // What agents and VIP users may do for their own, a customer may not.
    QTest::newRow("customer adds a VIP user") << "注册用户"
                                              << "register_account(?, ?, ?, ?, ?, ?, ?, ?)"
                                              << QStringList{"neo", "n", "c", "pw", "a", "t", "VIP用户"};
    QTest::newRow("customer allocates") << "注册用户"
                                        << "allocate(?, ?, ?)" << QStringList{"victim", "10"};
    QTest::newRow("customer lists sub-accounts") << "注册用户"
                                                 << "list_sub_accounts(?, ?)" << QStringList{"cust"};
}

void TestGuardedAttack::staffCallsAreRefused()
{
    QFETCH(QString, type);
    QFETCH(QString, sql);
    QFETCH(QStringList, args);
    QVariantList values{m_tokens.value(type)};
    for (QString arg : args)
        values << arg.replace(QStringLiteral("@batch"), m_batch)
                      .replace(QStringLiteral("@own"), m_ownRecord)
                      .replace(QStringLiteral("@other"), m_otherRecord);
    const QString before = TestDb::snapshot(*m_db.owner);
    DbRows rows = m_db.client->DbQuery(QStringLiteral("SELECT * FROM kavrel_api.") + sql, values);
    // A call answers with its code; a list fails with the code as its message.
    const QString code = rows.failed() ? DbGateway::lastError() : rows.text(QStringLiteral("code"));
    rows = DbRows();
    QVERIFY2(code.startsWith(QStringLiteral("not_allowed")) ||
                 code.startsWith(QStringLiteral("ERROR:  not_allowed")),
             qPrintable(code));
    QCOMPARE(TestDb::snapshot(*m_db.owner), before);
}

void TestGuardedAttack::endedTokensOpenNothing()
{
    const QString cust = m_tokens.value(QStringLiteral("注册用户"));
    const QString boss = m_tokens.value(QStringLiteral("管理员"));
    QCOMPARE(figures(cust), QStringLiteral("ok"));
    // Disabled: its next call stops, and enabling the account again does not revive the token.
    QCOMPARE(call(QStringLiteral("set_type(?, ?, ?)"), {boss, "cust", "禁用"}), QStringLiteral("ok"));
    QCOMPARE(figures(cust), QStringLiteral("disabled"));
    QCOMPARE(call(QStringLiteral("write_part(?, ?, ?, ?)"), {cust, "m", "1,", ""}),
             QStringLiteral("disabled"));
    QCOMPARE(call(QStringLiteral("set_type(?, ?, ?)"), {boss, "cust", "注册用户"}), QStringLiteral("ok"));
    QCOMPARE(figures(cust), QStringLiteral("account_changed"));
    // A password or type changed by any route, here with the owner's own SQL.
    const QString vip = m_tokens.value(QStringLiteral("VIP用户"));
    QVERIFY(m_db.owner->DbExecute(QStringLiteral("UPDATE UserInfo SET pwd = 'new' WHERE loginName = 'vip'")));
    QCOMPARE(figures(vip), QStringLiteral("account_changed"));
    const QString agent = m_tokens.value(QStringLiteral("代理用户"));
    QVERIFY(m_db.owner->DbExecute(
        QStringLiteral("UPDATE UserInfo SET type = '注册用户' WHERE loginName = 'agent'")));
    QCOMPARE(figures(agent), QStringLiteral("account_changed"));
    // Deleted, idle too long, ended, guessed or malformed.
    const QString victim = TestDb::guardedLogin(*m_db.client, QStringLiteral("victim"), QStringLiteral("pw"));
    QCOMPARE(call(QStringLiteral("delete_account(?, ?)"), {boss, "victim"}), QStringLiteral("ok"));
    QCOMPARE(figures(victim), QStringLiteral("no_session"));
    // Nor does a new account of the same name and password bring the old token back.
    QCOMPARE(call(QStringLiteral("register_self(?, ?, ?, ?, ?, ?)"), {"victim", "n", "c", "pw", "a", "t"}),
             QStringLiteral("ok"));
    QCOMPARE(figures(victim), QStringLiteral("account_changed"));
    QVERIFY(m_db.owner->DbExecute(QStringLiteral("UPDATE kavrel_private.sessions SET lastUsed = now() - "
                                                 "interval '12 hours 1 minute'")));
    QCOMPARE(figures(boss), QStringLiteral("session_expired"));
    const QString fresh = TestDb::guardedLogin(*m_db.client, QStringLiteral("boss"), QStringLiteral("pw"));
    QCOMPARE(figures(fresh), QStringLiteral("ok"));
    QVERIFY(m_db.client->DbExecute(QStringLiteral("SELECT kavrel_api.end_session(?)"), {fresh}));
    QCOMPARE(figures(fresh), QStringLiteral("no_session"));
    for (const QString& token : {QString(64, u'0'), QString(), fresh.toUpper(), fresh + u'0',
                                 QString(1 << 20, u'a'), QStringLiteral("' OR ''='")})
        QCOMPARE(figures(token), QStringLiteral("no_session"));
}

void TestGuardedAttack::failedLoginsAreLimited()
{
    // Guesses from two clients at once: ten are counted, then even the right password waits.
    QList<QThread*> threads;
    for (int t = 0; t < 2; ++t) {
        threads << QThread::create([this] {
            DbThreadScope scope(*m_db.client);
            for (int guess = 0; guess < 6; ++guess)
                call(QStringLiteral("login(?, ?)"), {"cust", QStringLiteral("guess%1").arg(guess)});
        });
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    QCOMPARE(TestDb::count(*m_db.owner, QStringLiteral("kavrel_private.failed_logins")), 10);
    // The refusal says when: 15 minutes after the first counted guess.
    DbRows rows = m_db.client->DbQuery(
        QStringLiteral(
            "SELECT code, (abs(extract(epoch FROM retry_at::timestamp - localtimestamp) - 900) < 60)::text "
            "AS near FROM kavrel_api.login(?, ?)"),
        {QStringLiteral("cust"), QStringLiteral("pw")});
    QCOMPARE(rows.text(QStringLiteral("code")), QStringLiteral("too_many_failures"));
    QCOMPARE(rows.text(QStringLiteral("near")), QStringLiteral("true"));
    rows = DbRows();
    // Checking the password through another function is refused the same way.
    QCOMPARE(call(QStringLiteral("verify_account(?, ?, ?)"),
                  {m_tokens.value(QStringLiteral("管理员")), "cust", "pw"}),
             QStringLiteral("too_many_failures"));
    QVERIFY(!TestDb::guardedLogin(*m_db.client, QStringLiteral("agent"), QStringLiteral("pw")).isEmpty());
    // Once the window has passed, the right password opens again and the count starts over.
    QVERIFY(m_db.owner->DbExecute(
        QStringLiteral("UPDATE kavrel_private.failed_logins SET at = at - interval '15 minutes 1 second'")));
    QVERIFY(!TestDb::guardedLogin(*m_db.client, QStringLiteral("cust"), QStringLiteral("pw")).isEmpty());
    QCOMPARE(TestDb::count(*m_db.owner, QStringLiteral("kavrel_private.failed_logins")), 0);
}

void TestGuardedAttack::hostileTextsAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quote") << QStringLiteral("cust' OR '1'='1");
    QTest::newRow("NUL") << QString::fromUtf16(u"cust\0pw", 7);
    QTest::newRow("lone surrogate") << QString(QChar(0xD800));
    QTest::newRow("emoji") << QStringLiteral("cust😀");
    QTest::newRow("1 MB") << QString(1 << 20, u'c');
    QTest::newRow("percent") << QStringLiteral("%");
}

void TestGuardedAttack::hostileTextsAreRefused()
{
    QFETCH(QString, text);
    const QString before = TestDb::snapshot(*m_db.owner);
    const QString boss = m_tokens.value(QStringLiteral("管理员"));
    // Calls that no such text can make succeed; each answers, and the connection stays usable.
    for (const auto& [sql, values] : QList<std::pair<QString, QVariantList>>{
             {QStringLiteral("login(?, ?)"), {text, "pw"}},
             {QStringLiteral("login(?, ?)"), {"cust", text}},
             {QStringLiteral("verify_account(?, ?, ?)"), {boss, text, "pw"}},
             {QStringLiteral("recharge(?, ?, ?)"), {boss, text, "1"}},
             {QStringLiteral("recharge(?, ?, ?)"), {boss, "cust", text}},
             {QStringLiteral("allocate(?, ?, ?)"), {m_tokens.value(QStringLiteral("代理用户")), text, "1"}},
             {QStringLiteral("write_part(?, ?, ?, ?)"),
              {m_tokens.value(QStringLiteral("注册用户")), text, "", ""}},
             {QStringLiteral("opt_out_add(?, ?)"), {boss, text}},
             {QStringLiteral("opt_out_add(?, ?)"), {boss, QStringLiteral("13800000001,") + text}},
             {QStringLiteral("opt_out_remove(?, ?)"), {boss, text}}}) {
        const QString code = call(sql, values);
        QVERIFY2(!code.isEmpty() && code != QStringLiteral("ok"), qPrintable(sql + QLatin1Char(' ') + code));
    }
    QCOMPARE(figures(boss), QStringLiteral("ok"));
    // A wrong password is counted, and nothing else is written.
    QVERIFY(m_db.owner->DbExecute(QStringLiteral("DELETE FROM kavrel_private.failed_logins")));
    QCOMPARE(TestDb::snapshot(*m_db.owner), before);
}

void TestGuardedAttack::noPasswordOrHashComesBack()
{
    // No result column of the API is a password or a hash but the lists' empty pwd.
    DbRows rows = m_db.client->DbQuery(
        QStringLiteral("SELECT p.proname || '.' || a.name AS v FROM pg_proc p, unnest(p.proargnames, "
                       "p.proargmodes) AS a(name, mode) "
                       "WHERE p.pronamespace = 'kavrel_api'::regnamespace AND a.mode IN ('o', 't') AND "
                       "a.name ~* '(pwd|pass|hash|crypt)'"));
    QStringList columns;
    for (; !rows.atEnd(); rows.next())
        columns << rows.text(QStringLiteral("v"));
    columns.sort();
    QCOMPARE(columns, (QStringList{"list_accounts.pwd", "list_agents.pwd", "list_sub_accounts.pwd"}));
    rows = DbRows();
    // And nothing the lists and figures give holds a hash.
    const QString boss = m_tokens.value(QStringLiteral("管理员"));
    for (const QString& sql :
         {QStringLiteral(
              "SELECT * FROM kavrel_api.list_accounts(?, NULL, NULL, NULL) t WHERE t::text ~ '[$]2'"),
          QStringLiteral("SELECT * FROM kavrel_api.login('boss', 'pw') t WHERE t::text ~ '[$]2'"),
          QStringLiteral("SELECT * FROM kavrel_api.list_accounts(?, NULL, NULL, NULL) WHERE pwd <> ''")}) {
        DbRows found = m_db.client->DbQuery(sql, sql.contains(u'?') ? QVariantList{boss} : QVariantList{});
        QVERIFY2(!found.failed() && found.atEnd(), qPrintable(sql));
    }
    QCOMPARE(TestDb::count(*m_db.owner, QStringLiteral("UserInfo"), QStringLiteral("pwd <> ''")), 0);
}

void TestGuardedAttack::otherClientsStatementsStayHidden()
{
    // Every client logs in with the same role, which could see its sessions' statements while
    // they run: here logins slow enough (full bcrypt cost) to be watched.
    QVERIFY(m_db.owner->DbExecute(
        QStringLiteral("UPDATE kavrel_private.settings SET value = '10' WHERE name = 'bcrypt_cost'")));
    TestDb::addAccount(*m_db.owner, QStringLiteral("shy"), QStringLiteral("Secret123"),
                       QStringLiteral("注册用户"));
    std::atomic<bool> done{false};
    QThread* victim = QThread::create([&] {
        DbThreadScope scope(*m_db.client);
        for (int login = 0; login < 10; ++login)
            TestDb::guardedLogin(*m_db.client, QStringLiteral("shy"), QStringLiteral("Secret123"));
        done = true;
    });
    victim->start();
    DbGateway spy(DbConfig::parse(m_db.clientAddress, QDir::currentPath()));
    qint64 seen = 0;
    while (!done)
        seen += TestDb::count(spy, QStringLiteral("pg_stat_activity"),
                              QStringLiteral("pid <> pg_backend_pid() AND query LIKE '%Secret123%'"));
    victim->wait();
    delete victim;
    QCOMPARE(seen, 0);
}

QTEST_GUILESS_MAIN(TestGuardedAttack)
#include "tst_guarded_attack.moc"
