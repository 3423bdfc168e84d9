#include "cli/SendCommand.h"

#include "common/StartFolder.h"
#include "db/DbGateway.h"
#include "db/LoginStatements.h"
#include "db/Schema.h"
#include "db/StorableText.h"
#include "sending/Composition.h"
#include "sending/NumberFile.h"
#include "sending/NumberListModel.h"
#include "sending/SendingState.h"
#include "sending/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

constexpr qint64 kMaxMessageBytes = 1 << 20;
constexpr qint64 kMaxPasswordBytes = 4096;

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// A password others can read is no secret; it still works, as ssh's keys do not.
void warnIfShared(const QFile& file)
{
    const QFileInfo info(file.fileName());
    if (info.isFile() && (info.permissions() & (QFile::ReadGroup | QFile::ReadOther)))
        SendReport::tell(QStringLiteral("提示: 密码文件 %1 其他用户也能读取, 请用 chmod 600 保护它!")
                             .arg(shownPath(file.fileName())));
}

} // namespace

SendCommand::SendCommand(SendOptions options) : m_options(std::move(options)) {}

// The state goes first: a run it still holds writes through the gateway.
SendCommand::~SendCommand()
{
    m_state.reset();
}

SendOutcome SendCommand::refused(const QString& text) const
{
    SendReport::tell(text);
    SendOutcome outcome;
    outcome.message = text;
    if (m_state)
        outcome.numbers = m_state->numbers()->count();
    if (m_loggedIn)
        outcome.balance = m_session.remainingBalance;
    return outcome;
}

SendOutcome SendCommand::run()
{
    QString problem;
    const std::optional<QString> password = readPassword(&problem);
    if (!password)
        return refused(problem);
    const std::optional<QString> message = readMessage(&problem);
    if (!message)
        return refused(problem);
    const NumberFileRead numbers = readNumbers();
    if (!numbers.ok)
        return refused(numbers.message);
    const QString folder = startFolder(&problem);
    if (folder.isEmpty())
        return refused(problem);
    if (problem = openDatabase(folder); problem.isEmpty())
        problem = logIn(*password);
    if (!problem.isEmpty())
        return refused(problem);
    const QString keywords =
        m_options.keywords.isEmpty() ? QDir(folder).filePath(QStringLiteral("XPOP.dat")) : m_options.keywords;
    m_state = std::make_unique<SendingState>(*m_gateway, m_session, keywords);
    m_state->startSession();
    m_state->finishImport(numbers);
    if (m_options.dedupe)
        removeDuplicates();
    return submit(*message);
}

std::optional<QString> SendCommand::readPassword(QString* problem) const
{
    QString password = qEnvironmentVariable(qPrintable(SendCommandLine::kPasswordVariable));
    if (!m_options.passwordFile.isEmpty()) {
        // A pipe is welcome here (a secret store's output); its writer ends it.
        QFile file(m_options.passwordFile);
        const QString shown = shownPath(file.fileName());
        if (!file.open(QIODevice::ReadOnly)) {
            *problem = QStringLiteral("提示: 无法打开密码文件 %1").arg(shown);
            return std::nullopt;
        }
        warnIfShared(file);
        const QByteArray bytes = file.read(kMaxPasswordBytes + 1);
        if (bytes.size() > kMaxPasswordBytes) {
            *problem = QStringLiteral("提示: 密码文件 %1 过大, 它的第一行应是密码!").arg(shown);
            return std::nullopt;
        }
        password = textFileLines(decodeTextFile(bytes)).value(0);
    }
    // As the login dialog takes it.
    return password.remove(QLatin1Char(' '));
}

std::optional<QString> SendCommand::readMessage(QString* problem) const
{
    // The sending state takes the editor's LF line ends.
    if (m_options.message)
        return QString(*m_options.message).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const TextFileRead file =
        readTextFile(m_options.messageFile, kMaxMessageBytes, QStringLiteral("短信文件"));
    if (!file.ok) {
        *problem = file.message;
        return std::nullopt;
    }
    // An editor's line end after the last line is no part of the message.
    return textFileLines(decodeTextFile(file.bytes)).join(QLatin1Char('\n'));
}

NumberFileRead SendCommand::readNumbers() const
{
    if (m_options.numbers != QLatin1String("-"))
        return readNumberFile(m_options.numbers);
    QFile input;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly)) {
        NumberFileRead read;
        read.message = QStringLiteral("提示: 无法读取标准输入!");
        return read;
    }
    return readNumberStream(input, QStringLiteral("标准输入"));
}

QString SendCommand::startFolder(QString* problem) const
{
    const QString shared = StartFolder::installedSharedFolder(QCoreApplication::applicationDirPath());
    const StartFolder::Choice choice = StartFolder::choose(
        QDir::currentPath(), m_options.userData ? StartFolder::Mode::PerUser : StartFolder::Mode::Auto,
        !shared.isEmpty(), StartFolder::Environment::fromProcess());
    if (!choice.isValid()) {
        *problem = choice.error;
        return {};
    }
    if (choice.perUser) {
        const StartFolder::Preparation prepared = StartFolder::prepare(choice.folder, shared);
        for (const QString& warning : prepared.warnings)
            SendReport::tell(warning);
        if (!prepared.ok) {
            *problem = prepared.error;
            return {};
        }
    }
    return choice.folder;
}

QString SendCommand::openDatabase(const QString& folder)
{
    QString error;
    const DbConfig config = DbConfig::fromEnvironment(folder, &error);
    if (!config.isValid())
        return error;
    SendReport::tell(error);
    // Never a new, empty database in place of the one that holds the account.
    if (config.isEmbedded()) {
        if (const QString dangling = StartFolder::danglingLink(config.database); !dangling.isEmpty())
            return dangling;
        if (!QFileInfo::exists(config.database))
            return QStringLiteral("提示: 找不到数据库 %1, 请先用 kavrel 或 kavrel-setup 建立数据库和帐号!")
                .arg(shownPath(config.database));
    }
    m_gateway = std::make_unique<DbGateway>(config);
    if (!m_gateway->DbOpen() || (config.isEmbedded() && !Schema::create(*m_gateway)))
        return Outcome::withReason(QStringLiteral("启动错误!"), DbGateway::lastError());
    return {};
}

QString SendCommand::logIn(const QString& password)
{
    m_session.loginName = m_options.user;
    m_session.password = password;
    for (const QString& field : {m_session.loginName, m_session.password}) {
        if (const QString problem = unstorableCharacter(field); !problem.isEmpty())
            return problem;
    }
    const LoginOutcome outcome = DbLogin(*m_gateway, m_session, m_session.loginName, m_session.password);
    m_loggedIn = outcome.result == LoginResult::Accepted;
    if (outcome.result == LoginResult::Rejected)
        return LoginText::wrongPassword;
    return outcome.message;
}

void SendCommand::removeDuplicates()
{
    QEventLoop loop;
    const qint64 before = m_state->numbers()->count();
    QObject::connect(m_state.get(), &SendingState::dedupeFinished, &loop, [&](const QString& message) {
        const qint64 after = m_state->numbers()->count();
        SendReport::tell(
            QStringLiteral("%1 (去除 %2 个, 剩余 %3 个)").arg(message).arg(before - after).arg(after));
        loop.quit();
    });
    if (const QString refusal = m_state->startDedupe(); !refusal.isEmpty())
        SendReport::tell(refusal);
    else
        loop.exec();
}

SendOutcome SendCommand::submit(const QString& message)
{
    QEventLoop loop;
    SendingState* state = m_state.get();
    SendReport::Progress progress;
    QString screened;
    RunSummary summary;
    SendOutcome outcome;
    QObject::connect(state, &SendingState::editorTextReplaced, &loop,
                     [&](const QString& text) { screened = text; });
    QObject::connect(state, &SendingState::runProgress, &loop,
                     [&](int done, int parts) { progress.show(done, parts); });
    QObject::connect(state, &SendingState::runEnded, &loop,
                     [&](const RunSummary& ended) { summary = ended; });
    QObject::connect(state, &SendingState::runFinished, &loop, [&](const QString& closingMessage) {
        progress.close();
        SendReport::tell(closingMessage);
        outcome = SendOutcome::ofRun(summary, closingMessage);
        loop.quit();
    });
    state->setEditorText(message);
    if (QString refusal = state->submit(); !refusal.isEmpty()) {
        // The user sees which words were starred, as in the window's editor.
        if (screened.contains(QStringLiteral("***")))
            refusal += QLatin1Char('\n') + screened;
        outcome = refused(refusal);
        outcome.parts =
            messageCount(messageCharacterCount(screened.replace(QLatin1Char('\n'), QLatin1String("\r\n"))));
        return outcome;
    }
    loop.exec();
    return outcome;
}
