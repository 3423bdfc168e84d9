#include "Fixtures.h"
#include "TestDatabases.h"

#include "admin/AccountProcedures.h"
#include "admin/AccountQueries.h"
#include "db/ActingAccount.h"
#include "db/BalanceStatements.h"
#include "db/GuardedCall.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"

#include <QTest>

using namespace AccountProcedures;

class TestAccountProcedures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup() { m_gateway.reset(); }

    void registrationTellsEachOutcome();
    void modifyInOrder();
    void modifyOfAnotherAccountKeepsOperatorPassword();
    void modifyWithWrongPasswordChangesNothing();
    void modifyOfDisabledAccountIsRefusedWithoutEnding();
    void lostAnswerToOwnPasswordChange();
    void bulkActionsTellStaleRowsAndClose_data();
    void bulkActionsTellStaleRowsAndClose();
    void countThatIsNoNumberToldOnce();
    void allocationRules();
    void adminListings();
    void rechargeListingsCarryPasswordsHidden();
    void recordsAndTheirTotal();
    void endedSessionsAreRefused_data();
    void endedSessionsAreRefused();

private:
    QStringList texts() const
    {
        QStringList result;
        for (const Notice& notice : m_told)
            result << notice.text;
        return result;
    }
    Tell tell()
    {
        return [this](const Notice& notice) { m_told << notice; };
    }
    QList<ReportRow> walk(const ListQuery::Walk& query, Outcome* outcome = nullptr)
    {
        return Fixtures::walk(*m_gateway, query, outcome);
    }
    QString field(const QString& name, const QString& column)
    {
        return TestDb::text(*m_gateway,
                            QStringLiteral("SELECT %1 FROM UserInfo WHERE loginName=?").arg(column), {name},
                            column);
    }
    // Whether the account answers to the password; a guarded database keeps only its hash.
    bool passwordIs(const QString& name, const QString& password)
    {
        const LoginResult result = DbVerifyAccount(*m_gateway, name, password).result;
        return result == LoginResult::Accepted || result == LoginResult::Disabled;
    }
    // The password column of the account lists: a guarded database hands out none.
    QString listed(const QString& password) const { return TestDb::isGuarded() ? QString() : password; }
    AccountValidation::ChangeFields change(const QString& name, const QString& current, const QString& fresh)
    {
        return {name, current, fresh, fresh, QStringLiteral("新昵称"), QStringLiteral("新公司")};
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    SessionUser m_session;
    QList<Notice> m_told;
};

void TestAccountProcedures::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("boss"), QStringLiteral("bpw"), QStringLiteral("管理员"),
                       0);
    TestDb::addAccount(*m_gateway, QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("代理用户"),
                       100);
    TestDb::addAccount(*m_gateway, QStringLiteral("client"), QStringLiteral("cpw"),
                       QStringLiteral("注册用户"), 10);
    m_session = SessionUser();
    m_session.loginName = QStringLiteral("boss");
    m_session.password = QStringLiteral("bpw");
    QCOMPARE(DbLogin(*m_gateway, m_session, m_session.loginName, m_session.password).result,
             LoginResult::Accepted);
    m_told.clear();
}

void TestAccountProcedures::registrationTellsEachOutcome()
{
    AccountValidation::CreationFields fields{
        QStringLiteral(" new 1"), QStringLiteral("p w"), QStringLiteral("pw"),  QStringLiteral("李 四"),
        QStringLiteral("公司"),   QStringLiteral("7"),   QStringLiteral("地址")};
    QVERIFY(!registerAccount(*m_gateway, fields, tell()));
    QCOMPARE(m_told, (QList<Notice>{{QStringLiteral("提示:不是有效手机号码[号码不合法]"), true}}));
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 3);
    m_told.clear();
    const SessionUser agent = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), "代理用户");
    QVERIFY(addAccount(*m_gateway, agent, fields, QStringLiteral("VIP用户"), tell()));
    QCOMPARE(texts(), QStringList{QStringLiteral("注册成功!")});
    QCOMPARE(field(QStringLiteral("new1"), QStringLiteral("userName")), QStringLiteral("李四"));
    QVERIFY(passwordIs(QStringLiteral("new1"), QStringLiteral("pw")));
    QCOMPARE(field(QStringLiteral("new1"), QStringLiteral("type")), QStringLiteral("VIP用户"));
    m_told.clear();
    QVERIFY(!addAccount(*m_gateway, agent, fields, QStringLiteral("VIP用户"), tell()));
    QCOMPARE(texts(), QStringList{QStringLiteral("帐号被注册!")});
}

void TestAccountProcedures::modifyInOrder()
{
    modifyAccount(*m_gateway, m_session,
                  change(QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("n1")), tell());
    QCOMPARE(texts(), (QStringList{QStringLiteral("修改[昵称]成功![重新登陆更新信息]"),
                                   QStringLiteral("修改[公司]成功![重新登陆更新信息]"),
                                   QStringLiteral("修改[密码]成功![重新登陆更新信息]")}));
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("userName")), QStringLiteral("新昵称"));
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("parentName")), QStringLiteral("新公司"));
    QVERIFY(passwordIs(QStringLiteral("client"), QStringLiteral("n1")));
    // Keeping the password means typing it twice; nickname and company may stay empty.
    m_told.clear();
    modifyAccount(*m_gateway, m_session,
                  {QStringLiteral("client"), QStringLiteral("n1"), QStringLiteral("n1"), QStringLiteral("n1"),
                   QString(), QString()},
                  tell());
    QCOMPARE(texts(), QStringList{QStringLiteral("修改[密码]成功![重新登陆更新信息]")});
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("userName")), QStringLiteral("新昵称"));
}

void TestAccountProcedures::modifyOfAnotherAccountKeepsOperatorPassword()
{
    const SessionUser before = m_session;
    modifyAccount(*m_gateway, m_session,
                  change(QStringLiteral("agent"), QStringLiteral("apw"), QStringLiteral("x9")), tell());
    QVERIFY(passwordIs(QStringLiteral("agent"), QStringLiteral("x9")));
    QCOMPARE(m_session.password, QStringLiteral("bpw"));
    // Verifying the agent left the operator's labels and rights alone.
    QCOMPARE(m_session.headerLine(), before.headerLine());
    QCOMPARE(m_session.restricted, false);
    QCOMPARE(m_session.typeCode, int(SessionUser::Administrator));
    // The operator's next balance statement still works.
    m_told.clear();
    QVERIFY(reduceTicked(*m_gateway, m_session, {{QStringLiteral("client"), QStringLiteral("cpw")}},
                         QStringLiteral("1"), tell()));
    QCOMPARE(texts().constFirst(), QStringLiteral("减少成功!"));
}

void TestAccountProcedures::modifyWithWrongPasswordChangesNothing()
{
    modifyAccount(*m_gateway, m_session,
                  change(QStringLiteral("client"), QStringLiteral("wrong"), QStringLiteral("n1")), tell());
    QCOMPARE(texts(), QStringList{QStringLiteral("提示: 用户名或密码不正确!")});
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("userName")), QStringLiteral("测试员"));
    QVERIFY(passwordIs(QStringLiteral("client"), QStringLiteral("cpw")));
}

void TestAccountProcedures::modifyOfDisabledAccountIsRefusedWithoutEnding()
{
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral("UPDATE UserInfo SET type='禁用' WHERE loginName='client'")));
    modifyAccount(*m_gateway, m_session,
                  change(QStringLiteral("client"), QStringLiteral("cpw"), QStringLiteral("n1")), tell());
    QCOMPARE(texts(), QStringList{QStringLiteral("提示:管理禁用此用户登陆!")});
    QVERIFY(passwordIs(QStringLiteral("client"), QStringLiteral("cpw")));
    QCOMPARE(m_session.typeCode, int(SessionUser::Administrator));
}

void TestAccountProcedures::lostAnswerToOwnPasswordChange()
{
    int commits = 0;
    // The third change's commit, or on a guarded database its one call.
    m_gateway->setStatementHook([&](const QString& sql) {
        return (sql == "COMMIT" || sql.contains("kavrel_api.change_")) && ++commits == 3
                   ? DbGateway::HookAction::LoseAnswer
                   : DbGateway::HookAction::Proceed;
    });
    modifyAccount(*m_gateway, m_session, change("boss", "bpw", "nb2"), tell());
    m_gateway->setStatementHook({});
    QCOMPARE(commits, 3);
    QCOMPARE(texts().constLast(), QStringLiteral("修改[密码]成功![重新登陆更新信息]"));
    QCOMPARE(m_session.password, QStringLiteral("nb2"));
    // The session acts on with the password the account now has.
    m_told.clear();
    applyBulkAction(*m_gateway, m_session, BulkAction::MakeAgent, {{"client", "cpw"}}, tell());
    QCOMPARE(texts(), QStringList{QStringLiteral("提示: 被勾选的用户为[代理用户]完毕!点击查询确认!")});
    // Disabled meanwhile: said once, and nothing changes.
    QVERIFY(TestDb::owner(*m_gateway).DbExecute("UPDATE UserInfo SET type='禁用' WHERE loginName='boss'"));
    m_told.clear();
    modifyAccount(*m_gateway, m_session, change("client", "cpw", "x"), tell());
    QCOMPARE(texts(), QStringList{LoginText::disabled});
    QVERIFY(passwordIs("client", "cpw"));
    m_told.clear();
    applyBulkAction(*m_gateway, m_session, BulkAction::Delete, {{"client", "x"}, {"agent", "x"}}, tell());
    QCOMPARE(texts(), (QStringList{LoginText::disabled,
                                   QStringLiteral("提示: 被勾选的用户[删除]完毕!点击查询确认!")}));
    QCOMPARE(TestDb::count(*m_gateway, "UserInfo"), 3);
}

void TestAccountProcedures::bulkActionsTellStaleRowsAndClose_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("type"); // empty: deleted
    QTest::addColumn<QString>("closing");
    QTest::newRow("disable") << int(BulkAction::Disable) << "禁用"
                             << "提示: 被勾选的用户[禁用]完毕!点击查询确认!";
    QTest::newRow("enable") << int(BulkAction::Enable) << "注册用户"
                            << "提示: 被勾选的用户[解除禁用]完毕!点击查询确认!";
    QTest::newRow("agent") << int(BulkAction::MakeAgent) << "代理用户"
                           << "提示: 被勾选的用户为[代理用户]完毕!点击查询确认!";
    QTest::newRow("registered") << int(BulkAction::MakeRegistered) << "注册用户"
                                << "提示: 被勾选的用户为[注册用户]完毕!点击查询确认!";
    QTest::newRow("delete") << int(BulkAction::Delete) << QString()
                            << "提示: 被勾选的用户[删除]完毕!点击查询确认!";
}

void TestAccountProcedures::bulkActionsTellStaleRowsAndClose()
{
    QFETCH(int, action);
    QFETCH(QString, type);
    QFETCH(QString, closing);
    // "agent" changed its password after the listing.
    applyBulkAction(*m_gateway, m_session, BulkAction(action),
                    {{QStringLiteral("agent"), QStringLiteral("stale")},
                     {QStringLiteral("client"), QStringLiteral("cpw")}},
                    tell());
    if (type.isEmpty()) {
        QCOMPARE(texts(), QStringList{closing});
        QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 1);
        return;
    }
    if (TestDb::isGuarded()) {
        // A guarded database retypes without the password, which no list hands out.
        QCOMPARE(texts(), QStringList{closing});
        QCOMPARE(field(QStringLiteral("agent"), QStringLiteral("type")), type);
        QCOMPARE(field(QStringLiteral("client"), QStringLiteral("type")), type);
        return;
    }
    // The stale row tells its tag and which account it was; the run goes on.
    QCOMPARE(m_told.size(), 2);
    QVERIFY(texts().constFirst().startsWith(QStringLiteral("err:SEND_XGparentName\n")));
    QVERIFY(texts().constFirst().contains(QStringLiteral("agent")));
    QCOMPARE(texts().constLast(), closing);
    QCOMPARE(field(QStringLiteral("agent"), QStringLiteral("type")), QStringLiteral("代理用户"));
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("type")), type);
    m_told.clear();
    applyBulkAction(*m_gateway, m_session, BulkAction(action), {}, tell());
    QCOMPARE(texts(), QStringList{closing});
}

void TestAccountProcedures::countThatIsNoNumberToldOnce()
{
    const QList<TickedAccount> ticked{{QStringLiteral("agent"), QStringLiteral("apw")},
                                      {QStringLiteral("client"), QStringLiteral("cpw")}};
    for (const QString& count :
         {QStringLiteral("abc"), QStringLiteral("-5"), QStringLiteral("1000000000"), QString()}) {
        m_told.clear();
        QVERIFY(!rechargeTicked(*m_gateway, m_session, ticked, count, tell()));
        QCOMPARE(texts(), QStringList{QStringLiteral("提示: 数量必须是0到999999999之间的整数!")});
        m_told.clear();
        QVERIFY(!reduceTicked(*m_gateway, m_session, ticked, count, tell()));
        QCOMPARE(m_told.size(), 1);
    }
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("Moneys")), 0);
}

void TestAccountProcedures::allocationRules()
{
    const SessionUser agent = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), "代理用户");
    QVERIFY(!allocate(*m_gateway, agent, QStringLiteral(" age nt "), QStringLiteral("5"), tell()));
    QCOMPARE(texts(), QStringList{QStringLiteral("代理不能给自己划分充值!")});
    m_told.clear();
    QVERIFY(!allocate(*m_gateway, agent, QStringLiteral("client"), QString(), tell()));
    QVERIFY(m_told.isEmpty());
    QVERIFY(!allocate(*m_gateway, agent, QStringLiteral("client"), QStringLiteral("100"), tell()));
    QCOMPARE(texts(), (QStringList{QStringLiteral("当前可以分配 100 条!"),
                                   QStringLiteral("超出分配限额,分配的数量大于当前数量!")}));
    m_told.clear();
    QVERIFY(allocate(*m_gateway, agent, QStringLiteral("cli ent"), QStringLiteral("9 9"), tell()));
    QCOMPARE(texts(), (QStringList{QStringLiteral("当前可以分配 100 条!"),
                                   QStringLiteral("分配给帐号client数量99条成功!"),
                                   QStringLiteral("提示: client 充值99成功！,点击查询确认!")}));
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("agent")), 1);
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("daili")), QStringLiteral("agent"));
}

void TestAccountProcedures::adminListings()
{
    Outcome outcome;
    QList<ReportRow> rows = walk(AccountQueries::adminAccounts(QString()), &outcome);
    QCOMPARE(rows.size(), 3);
    QVERIFY(outcome.text().isEmpty());
    rows = walk(AccountQueries::adminAccounts(QStringLiteral("client")), &outcome);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.constFirst().cells,
             (QStringList{QStringLiteral("client"), listed(QStringLiteral("cpw")), QStringLiteral("测试员"),
                          QStringLiteral("测试公司"), QStringLiteral("注册用户"), field("client", "addDate"),
                          QStringLiteral("13800000000"), QStringLiteral("地址")}));
    QVERIFY(walk(AccountQueries::adminAccounts(QStringLiteral("nobody")), &outcome).isEmpty());
    QVERIFY(outcome.ok && outcome.text().isEmpty());
    // Rows with empty columns from older clients still list.
    QVERIFY(TestDb::owner(*m_gateway)
                .DbExecute(QStringLiteral(
                    "INSERT INTO UserInfo (loginName,pwd,type) VALUES ('bare','x','代理用户')")));
    rows = walk(AccountQueries::adminAgents(), &outcome);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(outcome.text(), QStringLiteral("共代理用户 2 个"));
    QVERIFY(
        TestDb::owner(*m_gateway).DbExecute(QStringLiteral("DELETE FROM UserInfo WHERE type='代理用户'")));
    walk(AccountQueries::adminAgents(), &outcome);
    QCOMPARE(outcome.text(), QStringLiteral("共代理用户 0 个"));
}

void TestAccountProcedures::rechargeListingsCarryPasswordsHidden()
{
    Outcome outcome;
    QList<ReportRow> rows = walk(AccountQueries::rechargeAccounts(QString()), &outcome);
    QCOMPARE(outcome.text(), QStringLiteral("共计 3 用户!"));
    for (const ReportRow& row : rows) {
        QCOMPARE(row.cells.size(), 6);
        QCOMPARE(row.hidden.toString().isEmpty(), TestDb::isGuarded());
        QVERIFY(!row.cells.contains(row.hidden.toString()));
    }
    rows = walk(AccountQueries::rechargeAccounts(QStringLiteral("agent")), &outcome);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.constFirst().cells.mid(0, 3),
             (QStringList{QStringLiteral("agent"), QStringLiteral("代理用户"), QStringLiteral("100")}));
    QCOMPARE(rows.constFirst().hidden.toString(), listed(QStringLiteral("apw")));
    QVERIFY(outcome.text().isEmpty());
    walk(AccountQueries::rechargeAccounts(QStringLiteral("ghost")), &outcome);
    QCOMPARE(outcome.text(), QStringLiteral("共计 0 用户!"));

    const SessionUser agent = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), "代理用户");
    QVERIFY(allocate(*m_gateway, agent, QStringLiteral("client"), QStringLiteral("3"), tell()));
    rows = walk(AccountQueries::subAccounts(QStringLiteral("agent")), &outcome);
    QCOMPARE(outcome.text(), QStringLiteral("共计 1 用户!"));
    QCOMPARE(rows.constFirst().cells.mid(0, 3),
             (QStringList{QStringLiteral("client"), QStringLiteral("agent"), QStringLiteral("13")}));
    QCOMPARE(rows.constFirst().hidden.toString(), listed(QStringLiteral("cpw")));
}

void TestAccountProcedures::recordsAndTheirTotal()
{
    QVERIFY(rechargeTicked(*m_gateway, m_session, {{QStringLiteral("client"), QString()}},
                           QStringLiteral("100"), tell()));
    QVERIFY(rechargeTicked(*m_gateway, m_session, {{QStringLiteral("client"), QString()}},
                           QStringLiteral("50"), tell()));
    QVERIFY(reduceTicked(*m_gateway, m_session, {{QStringLiteral("client"), QStringLiteral("cpw")}},
                         QStringLiteral("30"), tell()));
    const SessionUser agent = TestDb::session(QStringLiteral("agent"), QStringLiteral("apw"), "代理用户");
    QVERIFY(allocate(*m_gateway, agent, QStringLiteral("client"), QStringLiteral("7"), tell()));

    Outcome outcome;
    QList<ReportRow> rows = walk(
        AccountQueries::balanceRecords(AccountQueries::RecordFilter::OfAccount, QStringLiteral("client")),
        &outcome);
    QCOMPARE(rows.size(), 4);
    QVERIFY(outcome.text().isEmpty());
    QCOMPARE(rows.at(0).cells,
             (QStringList{QStringLiteral("boss"), QStringLiteral("client"), QStringLiteral("100"),
                          rows.at(0).cells.at(3), QStringLiteral("1"), QString()}));
    QCOMPARE(rows.at(2).cells.at(2), QStringLiteral("-30"));
    const ReportRow total = AccountQueries::totalRow(QStringLiteral("client"), rows);
    QCOMPARE(total.cells, (QStringList{QStringLiteral("统计累加充值>>"), QStringLiteral("client"),
                                       QStringLiteral("总数:127条"), QStringLiteral("统计累计条数>>"),
                                       QStringLiteral("4条"), QString()}));

    rows = walk(AccountQueries::balanceRecords(AccountQueries::RecordFilter::All, QString()), &outcome);
    QCOMPARE(outcome.text(), QStringLiteral("统计数据共 5 条!"));
    rows = walk(
        AccountQueries::balanceRecords(AccountQueries::RecordFilter::ByOperator, QStringLiteral("agent")),
        &outcome);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(outcome.text(), QStringLiteral("统计数据共 2 条!"));
    QCOMPARE(rows.at(1).cells.at(4), QStringLiteral("2"));
    rows =
        walk(AccountQueries::balanceRecords(AccountQueries::RecordFilter::OwnChanges, QStringLiteral("boss")),
             &outcome);
    QCOMPARE(rows.size(), 3);
    QVERIFY(outcome.text().isEmpty());
}

void TestAccountProcedures::endedSessionsAreRefused_data()
{
    QTest::addColumn<QString>("change"); // made by another route while the session is open
    QTest::addColumn<QString>("openText");
    QTest::addColumn<QString>("guardedText");
    QTest::newRow("disabled") << "UPDATE UserInfo SET type='禁用' WHERE loginName='boss'"
                              << LoginText::disabled << LoginText::disabled;
    QTest::newRow("demoted") << "UPDATE UserInfo SET type='注册用户' WHERE loginName='boss'"
                             << ActingText::notAllowed << GuardedText::accountChanged;
    QTest::newRow("deleted") << "DELETE FROM UserInfo WHERE loginName='boss'" << LoginText::wrongPassword
                             << GuardedText::sessionEnded;
    QTest::newRow("password changed") << "UPDATE UserInfo SET pwd='other' WHERE loginName='boss'"
                                      << LoginText::wrongPassword << GuardedText::accountChanged;
    // Sessions of an open database never idle out.
    QTest::newRow("idle") << "UPDATE kavrel_private.sessions SET lastUsed = now() - interval '13 hours'"
                          << QString() << GuardedText::sessionExpired;
}

void TestAccountProcedures::endedSessionsAreRefused()
{
    QFETCH(QString, change);
    QFETCH(QString, openText);
    QFETCH(QString, guardedText);
    if (!TestDb::isGuarded() && openText.isEmpty())
        QSKIP("only a guarded database ends idle sessions");
    QVERIFY(TestDb::owner(*m_gateway).DbExecute(change));
    const QString text = TestDb::isGuarded() ? guardedText : openText;
    QCOMPARE(DbRecharge(*m_gateway, m_session, QStringLiteral("client"), QStringLiteral("5")).text(), text);
    // The bulk actions stop at the first such refusal, as for a disabled account.
    applyBulkAction(*m_gateway, m_session, BulkAction::MakeAgent, {{"client", "cpw"}, {"agent", "apw"}},
                    tell());
    QCOMPARE(texts(),
             (QStringList{text, QStringLiteral("提示: 被勾选的用户为[代理用户]完毕!点击查询确认!")}));
    // A guarded database refuses the lists too; an open one has no session to end.
    Outcome listed;
    walk(AccountQueries::adminAccounts(QString()), &listed);
    QCOMPARE(listed.text(), TestDb::isGuarded() ? text : QString());
    QCOMPARE(TestDb::balanceOf(*m_gateway, QStringLiteral("client")), 10);
    QCOMPARE(field(QStringLiteral("client"), QStringLiteral("type")), QStringLiteral("注册用户"));
}

QTEST_GUILESS_MAIN(TestAccountProcedures)
#include "tst_account_procedures.moc"
