// The standard dialogs as users see them: in Chinese, owned by the window rather than by the
// page that asked, and saying no more than is true.
#include "GuiTestSupport.h"

#include "common/Translations.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void messageBoxSpeaksChinese();
    void boxIgnoresThePageStyle();
    void saveDialogNeverOffersToReplace();
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
                                                       QStringLiteral("登录"), box)};
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
}

void TestDialogs::formFieldsFollowTheirColumn()
{
    QWidget page;
    QLineEdit* name = nullptr;
    QLineEdit* password = nullptr;
    const double below = Controls::fields(
        &page, {{"name", "用户名：", &name}, {"password", "密码：", &password, true}}, {10, 20, 14, 84, 100});
    QCOMPARE(below, 48.0);
    QVERIFY(name && password);
    QCOMPARE(password->objectName(), QStringLiteral("password"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(name->echoMode(), QLineEdit::Normal);
    QCOMPARE(password->geometry(), QRect(144, 51, 150, 18));
    auto* label = page.findChild<QLabel*>(QStringLiteral("passwordLabel"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("密码："));
    QCOMPARE(label->geometry(), QRect(15, 53, 126, 15));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
