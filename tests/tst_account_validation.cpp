#include "admin/AccountValidation.h"

#include <QTest>

using namespace AccountValidation;

Q_DECLARE_METATYPE(AccountValidation::CreationFields)

namespace {

CreationFields valid()
{
    return {QStringLiteral("zhang3"),   QStringLiteral("pw123"),    QStringLiteral("pw123"),
            QStringLiteral("张三"),     QStringLiteral("星河公司"), QStringLiteral("13812345678"),
            QStringLiteral("北京路1号")};
}

QString fault(CreationFields fields, NumberRule rule, bool* oops = nullptr)
{
    fields.removeBlanks();
    const auto notice = checkCreation(fields, rule);
    if (oops)
        *oops = notice && notice->oops;
    return notice ? notice->text : QString();
}

} // namespace

class TestAccountValidation : public QObject
{
    Q_OBJECT
private slots:
    void creationOrderAndTexts_data();
    void creationOrderAndTexts();
    void registrationNumbers_data();
    void registrationNumbers();
    void addUserNumbers_data();
    void addUserNumbers();
    void blanksRemovedEverywhere();
    void unstorableCharactersNamed_data();
    void unstorableCharactersNamed();
    void changeChecks_data();
    void changeChecks();
};

void TestAccountValidation::creationOrderAndTexts_data()
{
    QTest::addColumn<CreationFields>("fields");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("oops");
    const auto with = [](auto change) {
        CreationFields f = valid();
        change(f);
        return f;
    };
    QTest::newRow("valid") << valid() << QString() << false;
    QTest::newRow("nickname and company empty: nickname first")
        << with([](CreationFields& f) { f.nickname.clear(), f.company.clear(); }) << "昵称不能为空!" << false;
    QTest::newRow("company") << with([](CreationFields& f) { f.company = QStringLiteral("   "); })
                             << "公司名称不能为空!" << false;
    QTest::newRow("number empty before address")
        << with([](CreationFields& f) { f.telephone.clear(), f.address.clear(); })
        << "手机号码或电话没有填写!" << false;
    QTest::newRow("address") << with([](CreationFields& f) { f.address.clear(); }) << "联系地址或公司地址!"
                             << false;
    QTest::newRow("name empty before number rule")
        << with([](CreationFields& f) { f.loginName.clear(), f.telephone = QStringLiteral("abc"); })
        << "提示: 用户名请填写英文加数字!" << false;
    QTest::newRow("hyphen in number")
        << with([](CreationFields& f) { f.telephone = QStringLiteral("010-1234567"); })
        << "提示:不是有效11位手机号码[数字类型]" << false;
    QTest::newRow("number rule before name rule") << with([](CreationFields& f) {
        f.telephone = QStringLiteral("12345"), f.loginName = QStringLiteral("张");
    }) << "提示:不是有效手机号码[号码不合法]" << true;
    QTest::newRow("25 letters") << with([](CreationFields& f) {
        f.loginName = QString(25, QLatin1Char('a'));
    }) << QString() << false;
    QTest::newRow("26 letters") << with(
                                       [](CreationFields& f) { f.loginName = QString(26, QLatin1Char('a')); })
                                << "提示: 用户名最多25个英文加数字!" << false;
    QTest::newRow("Chinese before length")
        << with([](CreationFields& f) { f.loginName = QString(30, QLatin1Char('a')) + QStringLiteral("张"); })
        << "用户名请填写英文加数字!" << true;
    QTest::newRow("full-width letter") << with([](CreationFields& f) { f.loginName = QStringLiteral("ａb"); })
                                       << "用户名请填写英文加数字!" << true;
    QTest::newRow("punctuation passes")
        << with([](CreationFields& f) { f.loginName = QStringLiteral("a.b-c_d!"); }) << QString() << false;
    QTest::newRow("password empty") << with([](CreationFields& f) { f.password.clear(); })
                                    << "提示: 密码请填写英文加数字!" << false;
    QTest::newRow("password Chinese") << with([](CreationFields& f) { f.password = QStringLiteral("密码"); })
                                      << "密码请填写英文加数字!" << true;
    QTest::newRow("password 26") << with(
                                        [](CreationFields& f) { f.password = QString(26, QLatin1Char('p')); })
                                 << "提示: 密码最多25个英文加数字!" << false;
    QTest::newRow("repeat empty") << with([](CreationFields& f) { f.repeatedPassword.clear(); })
                                  << "提示: 重复密码请填写英文加数字!" << false;
    QTest::newRow("repeat Chinese") << with([](CreationFields& f) {
        f.repeatedPassword = QStringLiteral("重");
    }) << "重复密码请填写英文加数字!"
                                    << true;
    QTest::newRow("repeat 26") << with([](CreationFields& f) {
        f.repeatedPassword = QString(26, QLatin1Char('p'));
    }) << "提示: 重复密码最多25个英文加数字!"
                               << false;
    QTest::newRow("repeat differs") << with([](CreationFields& f) {
        f.repeatedPassword = QStringLiteral("pw124");
    }) << "提示: 重复输入的密码不相同!"
                                    << false;
    QTest::newRow("differs by case") << with([](CreationFields& f) {
        f.repeatedPassword = QStringLiteral("PW123");
    }) << "提示: 重复输入的密码不相同!"
                                     << false;
    QTest::newRow("1 MB nickname") << with([](CreationFields& f) {
        f.nickname = QString(1 << 20, QChar(0x5F20));
    }) << "提示: 昵称最多100个字!" << false;
    QTest::newRow("quotes are only characters") << with([](CreationFields& f) {
        f.loginName = QStringLiteral("o'neil\""), f.company = QStringLiteral("a';--");
    }) << QString() << false;
}

void TestAccountValidation::creationOrderAndTexts()
{
    QFETCH(CreationFields, fields);
    QFETCH(QString, message);
    QFETCH(bool, oops);
    bool shownOops = false;
    QCOMPARE(fault(fields, NumberRule::Registration, &shownOops), message);
    QCOMPARE(shownOops, oops);
}

void TestAccountValidation::registrationNumbers_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("accepted");
    for (const char* good :
         {"13812345678", "15812345678", "18812345678", "01012345678", "0101234567", "010123456789"})
        QTest::newRow(good) << QString::fromLatin1(good) << true;
    for (const char* bad :
         {"12812345678", "14812345678", "1012345678", "110123456789", "138123456", "0", "1"})
        QTest::newRow(bad) << QString::fromLatin1(bad) << false;
}

void TestAccountValidation::registrationNumbers()
{
    QFETCH(QString, number);
    QFETCH(bool, accepted);
    CreationFields fields = valid();
    fields.telephone = number;
    bool oops = false;
    QCOMPARE(fault(fields, NumberRule::Registration, &oops),
             accepted ? QString() : QStringLiteral("提示:不是有效手机号码[号码不合法]"));
    QCOMPARE(oops, !accepted);
}

void TestAccountValidation::addUserNumbers_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("one digit") << "7" << QString();
    QTest::newRow("any prefix") << "99999999999" << QString();
    QTest::newRow("12 digits") << "013812345678"
                               << "提示: 最多11个数字号码!";
    QTest::newRow("letters") << "1380013800a"
                             << "提示:不是有效11位手机号码[数字类型]";
    QTest::newRow("full-width digits") << "１３８"
                                       << "提示:不是有效11位手机号码[数字类型]";
}

void TestAccountValidation::addUserNumbers()
{
    QFETCH(QString, number);
    QFETCH(QString, message);
    CreationFields fields = valid();
    fields.telephone = number;
    QCOMPARE(fault(fields, NumberRule::AddUser), message);
}

void TestAccountValidation::blanksRemovedEverywhere()
{
    CreationFields fields{QStringLiteral(" zh ang3 "), QStringLiteral("pw 123"),
                          QStringLiteral(" pw123 "),   QStringLiteral(" 张 三"),
                          QStringLiteral("星河 公司"), QStringLiteral("138 1234 5678"),
                          QStringLiteral("北京 路")};
    fields.removeBlanks();
    QCOMPARE(fields.loginName, QStringLiteral("zhang3"));
    QCOMPARE(fields.nickname, QStringLiteral("张三"));
    QCOMPARE(fields.telephone, QStringLiteral("13812345678"));
    QCOMPARE(fields.address, QStringLiteral("北京路"));
    QVERIFY(!checkCreation(fields, NumberRule::Registration));
    // 25 letters with blanks between them are 25 letters.
    fields.loginName = QString(25, QLatin1Char('a')).split(QString()).join(QLatin1Char(' '));
    QCOMPARE(fault(fields, NumberRule::Registration), QString());
}

void TestAccountValidation::unstorableCharactersNamed_data()
{
    QTest::addColumn<int>("field"); // 0 name, 1 password, 2 nickname, 3 company, 4 address
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named");
    const QString lone = QString(QChar(0xD83D));
    QTest::newRow("NUL in name") << 0 << QStringLiteral("ab") + QChar(0) + QStringLiteral("c") << "U+0000";
    QTest::newRow("lone surrogate in password") << 1 << QStringLiteral("pw") + lone << "U+D83D";
    QTest::newRow("emoji in nickname") << 2 << QStringLiteral("张😀") << "U+1F600";
    QTest::newRow("non-GBK in company") << 3 << QStringLiteral("公司\u0E01") << "U+0E01";
    QTest::newRow("tab in address") << 4 << QStringLiteral("路\t1号") << "U+0009";
}

void TestAccountValidation::unstorableCharactersNamed()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, named);
    CreationFields fields = valid();
    QString* targets[] = {&fields.loginName, &fields.password, &fields.nickname, &fields.company,
                          &fields.address};
    *targets[field] = text;
    if (field == 1)
        fields.repeatedPassword = text;
    const QString message = fault(fields, NumberRule::AddUser);
    QVERIFY2(message.contains(named), qPrintable(message));

    ChangeFields change{QStringLiteral("zhang3"),
                        QStringLiteral("old"),
                        QStringLiteral("new1"),
                        QStringLiteral("new1"),
                        QString(),
                        QString()};
    QString* changeTargets[] = {&change.loginName, &change.newPassword, &change.nickname, &change.company,
                                &change.currentPassword};
    *changeTargets[field] = text;
    if (field == 1)
        change.repeatedPassword = text;
    const auto notice = checkChange(change);
    QVERIFY(notice);
    QVERIFY2(notice->text.contains(named), qPrintable(notice->text));
}

void TestAccountValidation::changeChecks_data()
{
    QTest::addColumn<QStringList>("fields"); // name, current, new, repeat, nickname, company
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("oops");
    QTest::newRow("valid, nickname and company empty")
        << QStringList{"bob", "old", "new", "new", "", ""} << QString() << false;
    QTest::newRow("current password unexamined")
        << QStringList{"bob", "", "new", "new", "", ""} << QString() << false;
    QTest::newRow("name empty") << QStringList{"", "x", "", "", "", ""} << "提示: 请填写英文加数字!" << false;
    QTest::newRow("name Chinese") << QStringList{"李", "x", "n", "n", "", ""} << "请填写英文加数字!" << true;
    QTest::newRow("name 26") << QStringList{QString(26, QLatin1Char('b')), "x", "n", "n", "", ""}
                             << "提示: 最多25个英文加数字!" << false;
    QTest::newRow("repeat checked before new")
        << QStringList{"bob", "x", QString(30, QLatin1Char('n')), "重", "", ""} << "请填写英文加数字!"
        << true;
    QTest::newRow("new empty") << QStringList{"bob", "x", "", "n", "", ""} << "提示: 请填写英文加数字!"
                               << false;
    QTest::newRow("differ") << QStringList{"bob", "x", "n1", "n2", "", ""} << "提示: 重复输入的密码不相同!"
                            << false;
    QTest::newRow("only blanks differ")
        << QStringList{"bob", "x", "n 1", " n1", "", ""} << QString() << false;
}

void TestAccountValidation::changeChecks()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    QFETCH(bool, oops);
    ChangeFields change{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    change.removeBlanks();
    const auto notice = checkChange(change);
    QCOMPARE(notice ? notice->text : QString(), message);
    QCOMPARE(notice && notice->oops, oops);
}

QTEST_GUILESS_MAIN(TestAccountValidation)
#include "tst_account_validation.moc"
