#pragma once

#include "cli/SendOptions.h"
#include "cli/SendReport.h"
#include "db/SessionUser.h"

#include <memory>

class DbGateway;
class SendingState;
struct NumberFileRead;

// The road of one batch without a window: the same sending state the main window drives, with
// its import, duplicate removal, keyword screening, limits, cutting and run, driven here from
// the command line's files in an event loop of its own.
class SendCommand
{
public:
    explicit SendCommand(SendOptions options);
    ~SendCommand();

    SendOutcome run();

private:
    SendOutcome refused(const QString& text) const;
    std::optional<QString> readPassword(QString* problem) const;
    std::optional<QString> readMessage(QString* problem) const;
    NumberFileRead readNumbers() const;
    // The folder of the database and the keyword file, as the client chooses it.
    QString startFolder(QString* problem) const;
    QString openDatabase(const QString& folder);
    QString logIn(const QString& password);
    void removeDuplicates();
    SendOutcome submit(const QString& message);

    SendOptions m_options;
    std::unique_ptr<DbGateway> m_gateway;
    SessionUser m_session;
    bool m_loggedIn = false;
    std::unique_ptr<SendingState> m_state;
};
