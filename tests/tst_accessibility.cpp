// What a screen reader and a keyboard-only user meet: every input read by its own label, every
// button by what it shows, the artwork's words as text, Tab reaching every control, and the way
// from the first start to every page without a mouse.
#include "GuiTestSupport.h"
#include "TestDatabases.h"

#include "app/FirstAdminDlg.h"
#include "app/LoginDlg.h"
#include "app/MainDlg.h"
#include "common/Translations.h"
#include "db/Schema.h"
#include "sending/NumberListModel.h"
#include "sending/SendingState.h"
#include "skin/ArtTexts.h"
#include "widgets/AppStyle.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace {

// Faults found in the accessible tree under node; texts collects the static texts read.
void walk(QAccessibleInterface* node, QStringList groups, QStringList& faults, QStringList& texts)
{
    if (node->state().invisible)
        return;
    const QAccessible::Role role = node->role();
    QString name = node->text(QAccessible::Name);
    const QString object = node->object() ? node->object()->objectName() : QString();
    const QList<QAccessible::Role> inputs = {QAccessible::EditableText, QAccessible::ComboBox,
                                             QAccessible::SpinBox,      QAccessible::List,
                                             QAccessible::Table,        QAccessible::Tree};
    if (inputs.contains(role)) {
        // On Linux Qt names a combo box by its value and tells its label as a relation.
        if (role == QAccessible::ComboBox) {
            const auto labels = node->relations(QAccessible::Label);
            name = labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
        }
        if (name.isEmpty() || groups.contains(name))
            faults << QStringLiteral("input %1 read as \"%2\"").arg(object, name);
        auto* view = qobject_cast<QAbstractItemView*>(node->object());
        for (int row = 0; view && row < view->model()->rowCount(); ++row) {
            if ((view->model()->index(row, 0).flags() & Qt::ItemIsUserCheckable) &&
                !node->tableInterface()->cellAt(row, 0)->state().checkable)
                faults << QStringLiteral("row %1 of %2 not checkable").arg(row).arg(object);
        }
        return; // its cells, headers and popup go with it
    }
    if ((role == QAccessible::PushButton || role == QAccessible::CheckBox) && name.trimmed().isEmpty())
        faults << QStringLiteral("button %1 without a name").arg(object);
    if (role == QAccessible::StaticText)
        texts << name;
    if (role == QAccessible::Grouping)
        groups << name;
    for (int k = 0; k < node->childCount(); ++k)
        walk(node->child(k), groups, faults, texts);
}

// Controls a keyboard user should reach with Tab that one round of it did not reach.
QStringList unreached(QWidget* window)
{
    const QList<QWidget*> round = tabRound(window);
    QStringList missed;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        QWidget* target = control;
        while (target->focusProxy())
            target = target->focusProxy();
        if (control->window() == window && control->isVisible() && control->isEnabled() &&
            (control->focusPolicy() & Qt::TabFocus) && !round.contains(target))
            missed << control->objectName() + QLatin1Char('/') + control->metaObject()->className();
    }
    return missed;
}

// Text as an input method hands it over, Chinese included.
void typeText(QWidget* field, const QString& text)
{
    QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text, Qt::NoModifier);
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyWindowIsReadAndReached_data();
    void everyWindowIsReadAndReached();
    void keyboardAloneFromFirstStartToEveryPage();

private:
    std::unique_ptr<LookScenes> m_scenes;
};

void TestAccessibility::initTestCase()
{
    Translations::install(*qApp);
    AppStyle::apply(*qApp);
    m_scenes = std::make_unique<LookScenes>();
}

void TestAccessibility::everyWindowIsReadAndReached_data()
{
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QStringList>("shown");   // artwork words read there
    QTest::addColumn<QStringList>("covered"); // artwork words a page covers there
    using namespace ArtTexts;
    const QHash<QString, std::pair<QList<Placed>, QList<Placed>>> words = {
        {QStringLiteral("main"), {{kNumberList, kUsage, kUsageSteps[3]}, {}}},
        {QStringLiteral("manual"), {{kNumberList}, {kUsage}}},
        {QStringLiteral("records"), {{}, {kNumberList, kUsage}}},
        {QStringLiteral("profile"), {{kProfileHeading, kProfileTips[0]}, {}}},
        {QStringLiteral("login"), {{kLoginName, kServiceHeading}, {}}},
        {QStringLiteral("register"), {{kLoginHeading}, {kServiceHeading}}},
        {QStringLiteral("popup"), {{kPopupHeading, kPopupHint}, {}}}};
    const auto strings = [](const QList<Placed>& texts) {
        QStringList list;
        for (const Placed& text : texts)
            list << text.string();
        return list;
    };
    for (const LookScenes::Scene& scene : LookScenes::all()) {
        const auto [shown, covered] = words.value(QLatin1String(scene.name));
        QTest::newRow(scene.name) << QString::fromLatin1(scene.name) << strings(shown) << strings(covered);
    }
}

void TestAccessibility::everyWindowIsReadAndReached()
{
    QFETCH(QString, scene);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, covered);
    QWidget* window = m_scenes->build(scene)->window();
    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(window);
    // A frame, a dialog or a notice, never a bare client area; the two skinned windows by name.
    const QList<QAccessible::Role> windows = {QAccessible::Window, QAccessible::Dialog,
                                              QAccessible::AlertMessage};
    QVERIFY2(windows.contains(top->role()), qPrintable(QString::number(top->role(), 16)));
    const QString name = top->text(QAccessible::Name);
    QVERIFY(!name.isEmpty());
    if (window->inherits("CMainDlg"))
        QCOMPARE(name, QStringLiteral("Kavrel ") + ArtTexts::kMainSubtitle.string());
    if (window->inherits("CLoginDlg"))
        QCOMPARE(name, QStringLiteral("Kavrel ") + ArtTexts::kLoginSubtitle.string());
    QStringList faults;
    QStringList texts;
    walk(top, {}, faults, texts);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    for (const QString& text : shown)
        QVERIFY2(texts.contains(text), qPrintable(text));
    for (const QString& text : covered)
        QVERIFY2(!texts.contains(text), qPrintable(text));
    if (!window->testAttribute(Qt::WA_ShowWithoutActivating)) {
        const QStringList missed = unreached(window);
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u' ')));
    }
}

void TestAccessibility::keyboardAloneFromFirstStartToEveryPage()
{
    DialogRecorder dialogs;
    QTemporaryDir dir;
    auto gateway = TestDb::open(TestDb::backends().constFirst(), dir);
    // Replaces the focused field's text and moves on.
    const auto type = [](const char* text) {
        QWidget* field = QApplication::focusWidget();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        typeText(field, QString::fromUtf8(text));
        QTest::keyClick(field, Qt::Key_Tab);
    };
    // Space on the focused button holds it down and clicks it once on release.
    const auto press = [](QWidget* window, const QString& name) {
        auto* button = window->findChild<QAbstractButton*>(name);
        QVERIFY2(tabTo(button), qPrintable(name));
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QTest::keyPress(button, Qt::Key_Space);
        QVERIFY2(button->isDown(), qPrintable(name));
        QTest::keyRelease(button, Qt::Key_Space);
        QVERIFY2(clicked.count() == 1, qPrintable(name));
    };

    CFirstAdminDlg first(*gateway);
    first.show();
    QVERIFY(tabTo(first.findChild<QWidget*>(QStringLiteral("adminLoginName"))));
    for (const char* text : {"boss", "王经理", "凯弗尔", "pw1", "pw1"})
        type(text);
    press(&first, QStringLiteral("createButton"));
    QVERIFY(!Schema::needsFirstAdministrator(*gateway));

    SessionUser session;
    CLoginDlg login(*gateway, session, dir.filePath(QStringLiteral("KVR.ini")));
    login.show();
    QVERIFY(tabTo(login.findChild<QWidget*>(QStringLiteral("loginName"))));
    type("boss");
    type("pw1");
    press(&login, QStringLiteral("rememberBox"));
    QVERIFY(login.findChild<QAbstractButton*>(QStringLiteral("rememberBox"))->isChecked());
    QVERIFY(tabTo(login.findChild<QWidget*>(QStringLiteral("loginButton"))));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(login.result(), 0); // Return never logs in
    press(&login, QStringLiteral("loginButton"));
    QCOMPARE(login.result(), int(QDialog::Accepted));

    CMainDlg window(*gateway, session, dir.path());
    window.enterSession();
    window.show();
    QVERIFY(tabTo(window.findChild<QWidget*>(QStringLiteral("messageEdit"))));
    typeText(QApplication::focusWidget(), QStringLiteral("春季新品到店"));
    QCOMPARE(window.sending()->counterText(Counter::Characters), QStringLiteral("当前文字:6 字"));
    press(&window, QStringLiteral("manualButton"));
    QVERIFY(tabTo(window.findChild<QWidget*>(QStringLiteral("manualEditor"))));
    typeText(QApplication::focusWidget(), QStringLiteral("13800000001"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    typeText(QApplication::focusWidget(), QStringLiteral("13800000002"));
    press(&window, QStringLiteral("manualAddButton"));
    QCOMPARE(window.numbers()->rowCount(), 2);
    for (const QString page :
         {QStringLiteral("records"), QStringLiteral("profile"), QStringLiteral("admin")}) {
        press(&window, page + QStringLiteral("Button"));
        QVERIFY2(window.findChild<QWidget*>(page + QStringLiteral("Holder"))->isVisible(), qPrintable(page));
    }
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("adminTabs"));
    QVERIFY(tabTo(tabs));
    for (int tab = 1; tab < tabs->count(); ++tab) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(tabs->currentIndex(), tab);
    }
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
