#include "db/DbListener.h"

#include "db/DbGateway.h"

#include <QAbstractEventDispatcher>
#include <QSqlDriver>
#include <QThread>
#include <QTimer>

#include <algorithm>

// The thread's event loop carries the driver's notifications; the connection is made, used and
// closed on this thread only.
class DbListener::Thread : public QThread
{
public:
    Thread(DbGateway& gateway, const QString& channel, Heard heard, StateChanged stateChanged,
           Timings timings)
        : m_gateway(gateway), m_channel(channel), m_heard(std::move(heard)),
          m_stateChanged(std::move(stateChanged)), m_timings(timings), m_retryMs(timings.firstRetryMs)
    {
    }

protected:
    void run() override
    {
        DbThreadScope scope(m_gateway);
        QObject context;
        QTimer retry; // of this thread, like everything the connection's signals reach
        retry.setSingleShot(true);
        m_retry = &retry;
        connect(&retry, &QTimer::timeout, &context, [this, &context] { subscribe(context); });
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &context,
                [this] { checkConnection(); });
        subscribe(context);
        exec();
    }

private:
    void subscribe(QObject& context);
    void checkConnection();
    void setListening(bool listening);

    DbGateway& m_gateway;
    const QString m_channel;
    const Heard m_heard;
    const StateChanged m_stateChanged;
    const Timings m_timings;
    int m_retryMs;
    QTimer* m_retry = nullptr;
    QSqlDriver* m_driver = nullptr; // while subscribed
    bool m_listening = false;
};

void DbListener::Thread::subscribe(QObject& context)
{
    m_driver = m_gateway.DbListen(m_channel);
    if (!m_driver) {
        m_retry->start(m_retryMs);
        m_retryMs = std::min(m_retryMs * 2, m_timings.maxRetryMs);
        return;
    }
    m_retryMs = m_timings.firstRetryMs;
    connect(m_driver, &QSqlDriver::notification, &context, [this](const QString& name) {
        if (name == m_channel)
            m_heard();
    });
    setListening(true);
    // Whatever was written while nobody listened is looked for at once.
    m_heard();
}

// The driver reads its socket whenever the socket has news, and learns there that the server
// ended the connection; libpq then closes the socket under the driver's socket notifier. Looking
// after every turn of the loop, before it waits again, closes the connection (and that notifier)
// before the loop would watch a closed socket.
void DbListener::Thread::checkConnection()
{
    if (!m_driver || m_driver->isOpen())
        return;
    m_driver = nullptr;
    m_gateway.closeThreadConnection();
    setListening(false);
    m_retry->start(m_retryMs);
}

void DbListener::Thread::setListening(bool listening)
{
    if (listening == m_listening)
        return;
    m_listening = listening;
    if (m_stateChanged)
        m_stateChanged(listening);
}

DbListener::DbListener(DbGateway& gateway, const QString& channel, Heard heard, StateChanged stateChanged,
                       Timings timings)
    : m_thread(std::make_unique<Thread>(gateway, channel, std::move(heard), std::move(stateChanged), timings))
{
    m_thread->start();
}

DbListener::~DbListener()
{
    m_thread->quit();
    m_thread->wait();
}

bool DbListener::available(const DbGateway& gateway)
{
    return gateway.config().backend == DbBackend::Postgres;
}
