#pragma once

#include <QString>

#include <functional>
#include <memory>

class DbGateway;
class QThread;

// Hears the server's notifications on one channel, on a thread and a connection of its own, as
// long as it lives. Only PostgreSQL has them; elsewhere nothing is heard and the owner relies on
// polling alone. A lost connection is opened and subscribed again after a pause that doubles up
// to a limit, silently: the owner learns of it only through stateChanged.
class DbListener
{
public:
    struct Timings
    {
        int firstRetryMs = 500;
        int maxRetryMs = 30000;
    };
    // Both are called on the listener's thread. heard also follows every subscription, for what
    // was written while nobody listened.
    using Heard = std::function<void()>;
    using StateChanged = std::function<void(bool listening)>;

    DbListener(DbGateway& gateway, const QString& channel, Heard heard, StateChanged stateChanged,
               Timings timings);
    // Stops listening and closes the connection; waits for a connection attempt in hand.
    ~DbListener();
    DbListener(const DbListener&) = delete;
    DbListener& operator=(const DbListener&) = delete;

    static bool available(const DbGateway& gateway);

private:
    class Thread;
    std::unique_ptr<QThread> m_thread;
};
