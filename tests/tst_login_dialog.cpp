#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "app/FirstAdminDlg.h"
#include "app/LoginDlg.h"
#include "common/ProfileIni.h"
#include "db/SessionUser.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestLoginDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartShowsNullName();
    void rememberedCredentialsFillTheFields();
    void uncheckingKeepsStoredPassword();
    void wrongPasswordStaysAndStoresName();
    void disabledAccountEndsProgram();
    void quitAsksFirst();
    void returnDoesNotLogIn();
    void registrationPageToggles();
    void webButtonsOpenPages();
    void firstAdministratorDialogCreatesAccount();

private:
    std::unique_ptr<CLoginDlg> makeDialog();
    QString iniPath() const { return m_dir.filePath(QStringLiteral("KVR.ini")); }
    void typeAndLogIn(CLoginDlg& dialog, const QString& name, const QString& password, bool remember);

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_dialogs;
    SessionUser m_session;
};

void TestLoginDialog::init()
{
    QFile::remove(iniPath());
    m_gateway = TestDb::open(TestDb::backends().constFirst(), m_dir);
    TestDb::addAccount(*m_gateway, QStringLiteral("user01"), QStringLiteral("pw01"),
                       QStringLiteral("管理员"));
    TestDb::addAccount(*m_gateway, QStringLiteral("gone"), QStringLiteral("pw"), QStringLiteral("禁用"));
    m_dialogs = std::make_unique<DialogRecorder>();
    m_session = SessionUser();
}

void TestLoginDialog::cleanup()
{
    m_dialogs.reset();
    m_gateway.reset();
}

std::unique_ptr<CLoginDlg> TestLoginDialog::makeDialog()
{
    auto dialog = std::make_unique<CLoginDlg>(*m_gateway, m_session, iniPath());
    dialog->show();
    return dialog;
}

void TestLoginDialog::typeAndLogIn(CLoginDlg& dialog, const QString& name, const QString& password,
                                   bool remember)
{
    dialog.findChild<QLineEdit*>(QStringLiteral("loginName"))->setText(name);
    dialog.findChild<QLineEdit*>(QStringLiteral("password"))->setText(password);
    dialog.findChild<QCheckBox*>(QStringLiteral("rememberBox"))->setChecked(remember);
    dialog.findChild<QPushButton*>(QStringLiteral("loginButton"))->click();
}

void TestLoginDialog::firstStartShowsNullName()
{
    auto dialog = makeDialog();
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("loginName"))->text(), QStringLiteral("NULL"));
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("password"))->text(), QString());
    QVERIFY(!dialog->findChild<QCheckBox*>(QStringLiteral("rememberBox"))->isChecked());
}

void TestLoginDialog::rememberedCredentialsFillTheFields()
{
    {
        auto dialog = makeDialog();
        typeAndLogIn(*dialog, QStringLiteral("user 01"), QStringLiteral("pw01"), true);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(m_session.loginName, QStringLiteral("user01"));
        QVERIFY(m_session.canAdminister);
    }
    QCOMPARE(ProfileIni::readString(iniPath(), QStringLiteral("ID"), QStringLiteral("User"), {}),
             QStringLiteral("user 01"));
    QCOMPARE(ProfileIni::readString(iniPath(), QStringLiteral("ID"), QStringLiteral("Check"), {}),
             QStringLiteral("1"));
    auto again = makeDialog();
    QCOMPARE(again->findChild<QLineEdit*>(QStringLiteral("loginName"))->text(), QStringLiteral("user 01"));
    QCOMPARE(again->findChild<QLineEdit*>(QStringLiteral("password"))->text(), QStringLiteral("pw01"));
    QVERIFY(again->findChild<QCheckBox*>(QStringLiteral("rememberBox"))->isChecked());
}

void TestLoginDialog::uncheckingKeepsStoredPassword()
{
    {
        auto dialog = makeDialog();
        typeAndLogIn(*dialog, QStringLiteral("user01"), QStringLiteral("pw01"), true);
    }
    {
        auto dialog = makeDialog();
        typeAndLogIn(*dialog, QStringLiteral("user01"), QStringLiteral("other"), false);
    }
    QCOMPARE(ProfileIni::readString(iniPath(), QStringLiteral("ID"), QStringLiteral("Pass"), {}),
             QStringLiteral("pw01"));
    auto dialog = makeDialog();
    QVERIFY(dialog->findChild<QCheckBox*>(QStringLiteral("rememberBox"))->isChecked());
    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("password"))->text(), QStringLiteral("pw01"));
}

void TestLoginDialog::wrongPasswordStaysAndStoresName()
{
    auto dialog = makeDialog();
    typeAndLogIn(*dialog, QStringLiteral("user01"), QStringLiteral("bad'pw"), true);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("帐号或密码错误!"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->result(), 0);
    QCOMPARE(ProfileIni::readString(iniPath(), QStringLiteral("ID"), QStringLiteral("User"), {}),
             QStringLiteral("user01"));
    QCOMPARE(ProfileIni::readString(iniPath(), QStringLiteral("ID"), QStringLiteral("Pass"), {}),
             QStringLiteral("bad'pw"));
    QVERIFY(m_dialogs->exitCodes.isEmpty());
}

void TestLoginDialog::disabledAccountEndsProgram()
{
    auto dialog = makeDialog();
    typeAndLogIn(*dialog, QStringLiteral("gone"), QStringLiteral("pw"), false);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示:管理禁用此用户登陆!"));
    QCOMPARE(m_dialogs->exitCodes, QList<int>{1});
    QVERIFY(dialog->result() != QDialog::Accepted);
}

void TestLoginDialog::quitAsksFirst()
{
    auto dialog = makeDialog();
    m_dialogs->answerYes = false;
    dialog->findChild<QPushButton*>(QStringLiteral("quitButton"))->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].text, QStringLiteral("确认是否退出程序"));
    QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("提示"));
    QCOMPARE(m_dialogs->messages[0].icon, Dialogs::Icon::Question);
    QVERIFY(m_dialogs->exitCodes.isEmpty());

    QTest::keyClick(dialog->findChild<QLineEdit*>(QStringLiteral("password")), Qt::Key_Escape);
    QCOMPARE(m_dialogs->messages.last().title, QStringLiteral("提示"));
    QCOMPARE(m_dialogs->messages.last().icon, Dialogs::Icon::None);
    QVERIFY(dialog->isVisible());

    m_dialogs->answerYes = true;
    dialog->close(); // the window manager's close goes the same way
    QCOMPARE(m_dialogs->exitCodes, QList<int>{1});
}

void TestLoginDialog::returnDoesNotLogIn()
{
    auto dialog = makeDialog();
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("loginName"));
    auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("password"));
    name->setText(QStringLiteral("user01"));
    password->setText(QStringLiteral("pw01"));
    QTest::keyClick(password, Qt::Key_Return);
    QTest::keyClick(password, Qt::Key_Enter);
    QTest::keyClick(dialog->findChild<QPushButton*>(QStringLiteral("loginButton")), Qt::Key_Return);
    QCOMPARE(dialog->result(), 0);
    QVERIFY(dialog->isVisible());
    QCOMPARE(password->text(), QStringLiteral("pw01"));
}

void TestLoginDialog::registrationPageToggles()
{
    auto dialog = makeDialog();
    auto* holder = dialog->findChild<QWidget*>(QStringLiteral("registerHolder"));
    auto* button = dialog->findChild<QPushButton*>(QStringLiteral("registerButton"));
    QVERIFY(!holder->isVisible());
    button->click();
    QVERIFY(holder->isVisible());
    QVERIFY(dialog->findChild<QWidget*>(QStringLiteral("registerPage"))->isVisible());
    button->click();
    QVERIFY(!holder->isVisible());
}

void TestLoginDialog::webButtonsOpenPages()
{
    auto dialog = makeDialog();
    for (const char* name : {"contactButton", "companyButton", "homeButton", "helpButton", "siteButton"})
        dialog->findChild<QPushButton*>(QLatin1String(name))->click();
    QCOMPARE(m_dialogs->urls.size(), 5);
    QVERIFY(m_dialogs->urls[2].toString().endsWith(QLatin1Char('/')));
    QVERIFY(!m_dialogs->urls[4].toString().endsWith(QLatin1Char('/')));
    for (const QUrl& url : m_dialogs->urls)
        QVERIFY(url.isValid() && url.scheme().startsWith(QStringLiteral("http")));
}

void TestLoginDialog::firstAdministratorDialogCreatesAccount()
{
    TestDb::clearTables(*m_gateway);
    CFirstAdminDlg dialog(*m_gateway);
    dialog.show();
    const auto field = [&](const char* name) { return dialog.findChild<QLineEdit*>(QLatin1String(name)); };
    field("adminLoginName")->setText(QStringLiteral("boss"));
    field("adminNickname")->setText(QStringLiteral("张三"));
    field("adminCompany")->setText(QStringLiteral("星河"));
    field("adminPassword")->setText(QStringLiteral("pw1"));
    field("adminRepeat")->setText(QStringLiteral("pw2"));
    auto* create = dialog.findChild<QPushButton*>(QStringLiteral("createButton"));
    create->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 重复输入的密码不相同!"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(TestDb::count(*m_gateway, QStringLiteral("UserInfo")), 0);

    field("adminRepeat")->setText(QStringLiteral("pw1"));
    create->click();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("注册成功!"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    auto login = makeDialog();
    typeAndLogIn(*login, QStringLiteral("boss"), QStringLiteral("pw1"), false);
    QCOMPARE(login->result(), int(QDialog::Accepted));
    QCOMPARE(m_session.typeLabel, QStringLiteral("状态：管理员"));
}

QTEST_MAIN(TestLoginDialog)
#include "tst_login_dialog.moc"
