// The standard dialogs as users see them: in Chinese, owned by the window rather than by the
// page that asked, and saying no more than is true.
#include "GuiTestSupport.h"

#include "common/Translations.h"
#include "skin/WindowSkin.h"
#include "widgets/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
