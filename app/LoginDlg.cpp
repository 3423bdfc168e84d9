#include "app/LoginDlg.h"

#include "app/WindowKeys.h"

#include "admin/RegisterDlg.h"
#include "common/BuildConfig.h"
#include "common/ProcessExit.h"
#include "common/ProfileIni.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"
#include "db/StorableText.h"
#include "skin/SkinButton.h"
#include "skin/WindowSkin.h"
#include "widgets/Accessible.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kSection = QStringLiteral("ID");
const QString kQuitQuestion = QStringLiteral("确认是否退出程序");

QString withoutBlanks(QString text)
{
    text.remove(QLatin1Char(' '));
    return text;
}

// The login bitmap fixes the two edits in pixels.
Controls::Box inPixels(double x, double y, double width, double height)
{
    return {x / 1.5, y / 1.5, width / 1.5, height / 1.5};
}

} // namespace

CLoginDlg::CLoginDlg(DbGateway& gateway, SessionUser& session, const QString& settingsPath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_gateway(gateway), m_session(session),
      m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("loginDialog"));
    setWindowTitle(QStringLiteral("Kavrel"));
    // Read as the band at its top reads, apart from the main window.
    setAccessibleName(QStringLiteral("Kavrel ") + ArtTexts::kLoginSubtitle.string());
    setWindowIcon(WindowSkin::applicationIcon());
    setFixedSize(614, 362);
    setAttribute(Qt::WA_TranslucentBackground);
    WindowSkin::shape(this, WindowSkin::loginBitmap());
    buildArtTexts();
    buildControls();
    buildWebButtons();
    loadRemembered();
    // Only the login button logs in; Return and space never press it. The registration page
    // keeps its keys, as its fields take blanks.
    new WindowKeys(
        this, [this](const QWidget* control) { return m_registerPage->isAncestorOf(control); },
        [this] { quitAfterConfirmation(QStringLiteral("提示!"), false); });
}

CLoginDlg::~CLoginDlg() = default;

void CLoginDlg::buildControls()
{
    m_name = Controls::edit(this, QStringLiteral("loginName"), inPixels(74, 162, 135, 17));
    m_nameCaption->setBuddy(m_name);
    m_password = Controls::edit(this, QStringLiteral("password"), inPixels(74, 187, 135, 17), true);
    m_passwordCaption->setBuddy(m_password);
    // The box carries its own caption, so a click on the words ticks it too.
    m_remember = Controls::checkBox(this, QStringLiteral("rememberBox"), QStringLiteral("记住密码"),
                                    {47, 140, 50, 10});

    auto* login = Controls::skinButton(this, QStringLiteral("loginButton"), QStringLiteral("login"),
                                       QStringLiteral("登录"), {17, 152, 61, 21});
    login->SetTooltipText(QStringLiteral("验证登陆!"));
    auto* quit = Controls::skinButton(this, QStringLiteral("quitButton"), QStringLiteral("quit"),
                                      QStringLiteral("退出"), {82, 152, 61, 21});
    quit->SetTooltipText(QStringLiteral("关闭退出!"));
    auto* corner =
        Controls::skinButton(this, QStringLiteral("cornerQuitButton"), QStringLiteral("login-close"),
                             QStringLiteral("关闭"), {387, 3, 19, 17});
    corner->SetTooltipText(QStringLiteral("关闭退出!"));
    auto* registration =
        Controls::skinButton(this, QStringLiteral("registerButton"), QStringLiteral("register"),
                             QStringLiteral("注册充值"), {102, 186, 44, 15});
    registration->SetTooltipText(QStringLiteral("注册充值!"));

    m_registerHolder = Controls::make<QFrame>(this, QStringLiteral("registerHolder"), {155, 89, 242, 132});
    m_registerPage = new CRegisterDlg(m_gateway, m_registerHolder);
    m_registerPage->setGeometry(m_registerHolder->rect());
    m_registerPage->hide();
    m_registerHolder->hide();

    connect(login, &QPushButton::clicked, this, &CLoginDlg::logIn);
    connect(quit, &QPushButton::clicked, this, [this] { quitAfterConfirmation(Dialogs::kNotice, true); });
    connect(corner, &QPushButton::clicked, this, [this] { quitAfterConfirmation(Dialogs::kNotice, true); });
    connect(registration, &QPushButton::clicked, this, &CLoginDlg::toggleRegistration);
}

void CLoginDlg::buildArtTexts()
{
    Accessible::bitmapText(this, ArtTexts::kLoginSlogan);
    Accessible::bitmapText(this, ArtTexts::kLoginHeading);
    m_nameCaption = Accessible::bitmapText(this, ArtTexts::kLoginName);
    m_passwordCaption = Accessible::bitmapText(this, ArtTexts::kLoginPassword);
    // The registration page covers the service's card, though not the footer below it.
    m_serviceTexts << Accessible::bitmapText(this, ArtTexts::kServiceHeading);
    for (const ArtTexts::Placed& point : ArtTexts::kServicePoints)
        m_serviceTexts << Accessible::bitmapText(this, point);
    Accessible::bitmapText(this, ArtTexts::kLoginFooter);
}

void CLoginDlg::buildWebButtons()
{
    struct Web
    {
        const char* name;
        const char* art;
        const char* caption;
        double x, y;
        const char* url;
    };
    // The home page is reachable with and without its final slash, as the service links it.
    QString home = QStringLiteral(KAVREL_URL_HOME);
    const QByteArray homeWithoutSlash = (home.endsWith(QLatin1Char('/')) ? home.chopped(1) : home).toUtf8();
    const QByteArray homeWithSlash =
        (home.endsWith(QLatin1Char('/')) ? home : home + QLatin1Char('/')).toUtf8();
    const Web pages[] = {{"contactButton", "contact", "联系我们", 13, 186, KAVREL_URL_CONTACT},
                         {"companyButton", "company", "公司简介", 58, 186, KAVREL_URL_COMPANY},
                         {"homeButton", "home", "网站首页", 13, 204, homeWithSlash.constData()},
                         {"helpButton", "help", "使用帮助", 58, 204, KAVREL_URL_HELP},
                         {"siteButton", "site", "官方网站", 102, 204, homeWithoutSlash.constData()}};
    for (const Web& web : pages) {
        auto* button = Controls::skinButton(this, QLatin1String(web.name), QLatin1String(web.art),
                                            QString::fromUtf8(web.caption), {web.x, web.y, 44, 15});
        const QUrl url(QString::fromUtf8(web.url));
        connect(button, &QPushButton::clicked, this, [this, url] { Dialogs::openUrlOrTell(this, url); });
    }
}

void CLoginDlg::loadRemembered()
{
    const bool remembered = ProfileIni::readInt(m_settingsPath, kSection, QStringLiteral("Check"), 0) != 0;
    m_remember->setChecked(remembered);
    if (remembered)
        m_password->setText(
            ProfileIni::readString(m_settingsPath, kSection, QStringLiteral("Pass"), QStringLiteral("NULL"))
                .left(259));
    m_name->setText(
        ProfileIni::readString(m_settingsPath, kSection, QStringLiteral("User"), QStringLiteral("NULL")));
}

void CLoginDlg::logIn()
{
    const bool remember = m_remember->isChecked();
    if (remember)
        ProfileIni::writeString(m_settingsPath, kSection, QStringLiteral("Check"), QStringLiteral("1"));
    m_session.loginName = withoutBlanks(m_name->text());
    m_session.password = withoutBlanks(m_password->text());
    ProfileIni::writeString(m_settingsPath, kSection, QStringLiteral("User"), m_name->text());
    if (remember)
        ProfileIni::writeString(m_settingsPath, kSection, QStringLiteral("Pass"), m_password->text());

    // No stored account can hold such a character; say which rather than blame the network.
    for (const QString& field : {m_session.loginName, m_session.password}) {
        if (const QString problem = unstorableCharacter(field); !problem.isEmpty()) {
            Dialogs::inform(this, problem);
            return;
        }
    }
    const LoginOutcome outcome = DbLogin(m_gateway, m_session, m_session.loginName, m_session.password);
    switch (outcome.result) {
    case LoginResult::Accepted:
        accept();
        return;
    case LoginResult::Rejected:
        Dialogs::inform(this, LoginText::wrongPassword);
        return;
    case LoginResult::Disabled:
        Dialogs::inform(this, outcome.message);
        ProcessExit::endProcess(1);
        return;
    case LoginResult::Failed:
        Dialogs::inform(this, outcome.message);
        return;
    }
}

void CLoginDlg::toggleRegistration()
{
    m_registerHolder->setVisible(m_registerToggle);
    m_registerPage->setVisible(m_registerToggle);
    for (QLabel* text : m_serviceTexts)
        text->setVisible(!m_registerToggle);
    m_registerToggle = !m_registerToggle;
}

void CLoginDlg::quitAfterConfirmation(const QString& caption, bool questionIcon)
{
    if (Dialogs::ask(this, kQuitQuestion, caption,
                     questionIcon ? Dialogs::Icon::Question : Dialogs::Icon::None))
        ProcessExit::endProcess(1);
}

void CLoginDlg::reject()
{
    quitAfterConfirmation(Dialogs::kNotice, true);
}

void CLoginDlg::paintEvent(QPaintEvent*)
{
    WindowSkin::paintBackground(this, WindowSkin::loginBackground(devicePixelRatioF()));
}

void CLoginDlg::mousePressEvent(QMouseEvent* event)
{
    if (!WindowSkin::dragOnPress(this, event))
        QDialog::mousePressEvent(event);
}
