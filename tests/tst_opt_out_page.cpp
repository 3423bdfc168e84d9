#include "Fixtures.h"
#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "admin/AdminPanelDlg.h"
#include "admin/OptOutDlg.h"
#include "db/ListQuery.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

// The tab "退订号码" as an administrator uses it.
class TestOptOutPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase_data() { TestDb::addBackendRows(); }
    void init();
    void cleanup();

    void administratorKeepsTheListFromTheTab();

private:
    void click(const char* name) { m_page->findChild<QPushButton*>(QLatin1String(name))->click(); }
    // Clicks and waits until the page's worker has told its end.
    void act(const char* name)
    {
        click(name);
        QTRY_VERIFY_WITH_TIMEOUT(!m_page->isBusy(), 10000);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DbGateway> m_gateway;
    std::unique_ptr<DialogRecorder> m_dialogs;
    SessionUser m_session;
    std::unique_ptr<CAdminPanelDlg> m_panel;
    COptOutDlg* m_page = nullptr;
};

void TestOptOutPage::init()
{
    m_gateway = TestDb::open(TestDb::currentBackend(), m_dir);
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestOptOutPage::cleanup()
{
    m_panel.reset();
    m_dialogs.reset();
    m_gateway.reset();
}

void TestOptOutPage::administratorKeepsTheListFromTheTab()
{
    m_session =
        TestDb::signIn(*m_gateway, QStringLiteral("boss"), QStringLiteral("pw"), QStringLiteral("管理员"));
    TestDb::useSession(*m_gateway, m_session);
    Fixtures::addOptedOut(*m_gateway, {QStringLiteral("13900000000")});
    m_panel = std::make_unique<CAdminPanelDlg>(PageContext{*m_gateway, m_session, m_dir.path()}, nullptr);
    m_page = m_panel->optOutPage();
    QCOMPARE(m_panel->tabs()->tabText(CAdminPanelDlg::OptOutTab), QStringLiteral("退订号码"));
    m_panel->show();
    m_panel->tabs()->setCurrentIndex(CAdminPanelDlg::OptOutTab);
    QTRY_COMPARE(m_page->totalLabel()->text(), QStringLiteral("退订号码共 1 个"));

    auto* number = m_page->findChild<QLineEdit*>(QStringLiteral("optOutNumberEdit"));
    number->setText(QStringLiteral("13800000000"));
    act("optOutAddButton");
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 号码13800000000已加入退订号码!"));
    QCOMPARE(m_page->totalLabel()->text(), QStringLiteral("退订号码共 2 个"));

    m_dialogs->files = {
        Fixtures::writeFile(m_dir.filePath(QStringLiteral("in.txt")), "15900000001\n15900000002\n")
            ? m_dir.filePath(QStringLiteral("in.txt"))
            : QString()};
    act("optOutImportButton");
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 导入退订号码 2 个,新加入 2 个!"));
    QCOMPARE(m_page->totalLabel()->text(), QStringLiteral("退订号码共 4 个"));

    number->setText(QStringLiteral("159"));
    QSignalSpy listed(m_page->query(), &ListQuery::finished);
    click("optOutQueryButton");
    QVERIFY(listed.wait(10000));
    QCOMPARE(m_page->model()->rowCount(), 2);
    QVERIFY(m_page->model()->setData(m_page->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    m_dialogs->answerYes = true;
    act("optOutRemoveTickedButton");
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("提示: 已删除退订号码 1 个!"));
    QCOMPARE(m_page->totalLabel()->text(), QStringLiteral("退订号码共 3 个"));

    // Nothing opens the export: its path is told instead.
    const QString out = m_dir.filePath(QStringLiteral("out.txt"));
    QFile::remove(out);
    m_dialogs->files = {out};
    m_dialogs->urlOpens = false;
    act("optOutExportButton");
    QCOMPARE(Fixtures::readFile(out), QByteArray("13800000000\r\n13900000000\r\n15900000001\r\n"));
    QVERIFY(m_dialogs->lastText().contains(QDir::toNativeSeparators(out)));
}

QTEST_MAIN(TestOptOutPage)
#include "tst_opt_out_page.moc"
