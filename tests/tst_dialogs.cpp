// The standard dialogs as users see them: in Chinese, owned by the window rather than by the
// page that asked, and saying no more than is true.
#include "GuiTestSupport.h"

#include "common/Translations.h"
#include "db/DbGateway.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether this process holds a POSIX lock on the file, as the kernel lists them.
bool holdsLock(const QString& path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray inode = ':' + QByteArray::number(quint64(status.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 5 && fields[4] == pid && fields[5].endsWith(inode))
            return true;
    }
    return false;
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void messageBoxSpeaksChinese();
    void boxIgnoresThePageStyle();
    void saveDialogNeverOffersToReplace();
    void fileDialogKeepsTheDatabaseLocks();
    void unopenedAddressIsShown();
    void noticesKeepTheirCaption();
    void controlsAreNamedAndPlacedInUnits();
    void formFieldsFollowTheirColumn();

private:
    // Runs check on the modal dialog that opens next, then closes it.
    template <typename Dialog> void inspectNextModal(std::function<void(Dialog*)> check);
};

void TestDialogs::initTestCase()
{
    QVERIFY2(Translations::install(*qApp), "qt6-translations-l10n is not installed");
}

template <typename Dialog> void TestDialogs::inspectNextModal(std::function<void(Dialog*)> check)
{
    QTimer::singleShot(0, this, [check] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        check(dialog);
        dialog->reject();
    });
}

void TestDialogs::messageBoxSpeaksChinese()
{
    QStringList buttons;
    inspectNextModal<QMessageBox>([&](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
    });
    Dialogs::ask(nullptr, QStringLiteral("确认是否退出程序"), Dialogs::kNotice, Dialogs::Icon::Question);
    QCOMPARE(buttons.size(), 2);
    for (const QString& text : buttons) {
        QVERIFY2(!text.contains(QStringLiteral("Yes")) && !text.contains(QStringLiteral("No")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("是")) || text.contains(QStringLiteral("否")),
                 qPrintable(text));
    }
}

void TestDialogs::boxIgnoresThePageStyle()
{
    QWidget window;
    auto* page = new QWidget(&window);
    page->setObjectName(QStringLiteral("somePage"));
    WindowSkin::stylePage(page);
    window.show();
    QWidget* owner = nullptr;
    QColor textColour;
    inspectNextModal<QMessageBox>([&](QMessageBox* box) {
        owner = box->parentWidget();
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        textColour = label->palette().color(label->foregroundRole());
    });
    Dialogs::inform(page, QStringLiteral("提示: 测试"));
    QCOMPARE(owner, &window);
    QVERIFY(textColour != QColor(115, 115, 115));
}

void TestDialogs::saveDialogNeverOffersToReplace()
{
    bool confirms = true;
    QString title;
    inspectNextModal<QFileDialog>([&](QFileDialog* dialog) {
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        title = dialog->windowTitle();
    });
    QVERIFY(Dialogs::saveTextFile(nullptr, QStringLiteral("[保存手机号码]")).isEmpty());
    QCOMPARE(title, QStringLiteral("[保存手机号码]"));
    QVERIFY(!confirms);
}

void TestDialogs::fileDialogKeepsTheDatabaseLocks()
{
    // The embedded database lives in the data folder, which the import and export dialogs list.
    QTemporaryDir dir;
    DbGateway gateway(DbConfig::parse(QStringLiteral("sqlite:kavrel.db"), dir.path()));
    QVERIFY(gateway.DbOpen() && gateway.DbExecute(QStringLiteral("CREATE TABLE t (x INTEGER)")));
    const QString shared = dir.filePath(QStringLiteral("kavrel.db-shm"));
    QVERIFY(holdsLock(shared));
    bool lost = true;
    inspectNextModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->setDirectory(dir.path());
        dialog->setViewMode(QFileDialog::Detail); // icons and types of every file
        // Losing the lock lets another client take the journal for its own and delete it.
        lost = QTest::qWaitFor([&] { return !holdsLock(shared); }, 1500);
    });
    Dialogs::openTextFile(nullptr, QStringLiteral("[打开手机号码]"));
    QVERIFY(!lost);
}

void TestDialogs::unopenedAddressIsShown()
{
    DialogRecorder dialogs;
    dialogs.urlOpens = false;
    Dialogs::openUrlOrTell(nullptr, QUrl(QStringLiteral("http://www.kavrel.example/help.html")));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.lastText().contains(QStringLiteral("http://www.kavrel.example/help.html")));
    Dialogs::openUrlOrTell(nullptr, QUrl::fromLocalFile(QStringLiteral("/tmp/LOG/a.txt")));
    QVERIFY(dialogs.lastText().contains(QStringLiteral("/tmp/LOG/a.txt")));
    dialogs.urlOpens = true;
    Dialogs::openUrlOrTell(nullptr, QUrl(QStringLiteral("http://www.kavrel.example/")));
    QCOMPARE(dialogs.messages.size(), 2);
}

void TestDialogs::noticesKeepTheirCaption()
{
    DialogRecorder dialogs;
    QWidget page;
    Dialogs::showNotice(&page, {QStringLiteral("plain")});
    Dialogs::tellOver (&page)({QStringLiteral("oops"), true});
    QCOMPARE(dialogs.messages.size(), 2);
    // One title for every box; the oops is still told apart.
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("提示"));
    QCOMPARE(dialogs.messages[1].title, QStringLiteral("提示"));
    QCOMPARE(dialogs.messages[1].caption, Dialogs::kOops);
    QCOMPARE(dialogs.texts(), QStringList({QStringLiteral("plain"), QStringLiteral("oops")}));
}

void TestDialogs::controlsAreNamedAndPlacedInUnits()
{
    QWidget page;
    // 1 unit is 1.5 pixels, rounded half away from zero.
    const QRect expected(5, 3, 60, 15);
    const Controls::Box box{3, 2, 40, 10};
    const QList<QWidget*> made = {Controls::label(&page, QStringLiteral("l"), QStringLiteral("标签"), box),
                                  Controls::edit(&page, QStringLiteral("e"), box, true),
                                  Controls::button(&page, QStringLiteral("b"), QStringLiteral("按钮"), box),
                                  Controls::checkBox(&page, QStringLiteral("c"), QStringLiteral("记住"), box),
                                  Controls::skinButton(&page, QStringLiteral("s"), QStringLiteral("login"),
                                                       QStringLiteral("登录"), box),
                                  Controls::date(&page, QStringLiteral("d"), box)};
    for (QWidget* widget : made) {
        QCOMPARE(widget->geometry(), expected);
        QCOMPARE(page.findChild<QWidget*>(widget->objectName()), widget);
    }
    QCOMPARE(page.findChild<QLineEdit*>(QStringLiteral("e"))->echoMode(), QLineEdit::Password);
    QVERIFY(!page.findChild<QPushButton*>(QStringLiteral("b"))->autoDefault());
    const QList<QPushButton*> table =
        Controls::buttons(&page, {{"first", "一", {0, 0, 10, 10}}, {"second", "二", {0, 10, 10, 10}}});
    QCOMPARE(table.size(), 2);
    QCOMPARE(table[1]->objectName(), QStringLiteral("second"));
    QCOMPARE(table[1]->text(), QStringLiteral("二"));
    QCOMPARE(page.findChild<QDateEdit*>(QStringLiteral("d"))->text(),
             QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    QStringList clicked;
    const QList<QPushButton*> actions =
        Controls::actions(&page, {{"run", "执行", box, [&] { clicked << "run"; }},
                                  {"stop", "停止", box, [&] { clicked << "stop"; }}});
    actions[1]->click();
    actions[0]->click();
    QCOMPARE(clicked, (QStringList{"stop", "run"}));
    QVERIFY(!actions[0]->autoDefault());
}

void TestDialogs::formFieldsFollowTheirColumn()
{
    QWidget page;
    QLineEdit* name = nullptr;
    QLineEdit* password = nullptr;
    const double below =
        Controls::fields(&page, {{"Name", "用户名：", &name}, {"Password", "密码：", &password, true}},
                         {10, 20, 14, 84, 100}, QStringLiteral("add"));
    QCOMPARE(below, 48.0);
    QVERIFY(name && password);
    QCOMPARE(password->objectName(), QStringLiteral("addPassword"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(name->echoMode(), QLineEdit::Normal);
    QCOMPARE(password->geometry(), QRect(144, 51, 150, 18));
    auto* label = page.findChild<QLabel*>(QStringLiteral("addPasswordLabel"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("密码："));
    QCOMPARE(label->geometry(), QRect(15, 53, 126, 15));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
