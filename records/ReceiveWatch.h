#pragma once

#include "common/ReportModel.h"

#include <QObject>

#include <atomic>
#include <memory>

class DbGateway;
class Worker;

// Pace of the watches. The defaults are the service's rhythm: a poll every 6 s, and a popup
// every 15 s for the first waiting row while the list holds rows.
struct WatchTimings
{
    int pollMs = 6000;
    int afterSoundMs = 1000;   // sound watch, after a poll that found rows
    int popupRepeatMs = 15000; // popup watch, while the list already holds rows
    int afterPopupMs = 6000;   // popup watch, after a poll that found rows
    int pauseCheckMs = 250;    // popup watch, while a run writes or an audit window is open
    int heardPollGapMs = 500;  // least time from a poll to one that a notification brings
};

// One of the two watches of waiting batches, polling Messages on a thread and a connection of
// its own. It keeps still while a submission run writes or an audit window is open. Every
// start has its own stop flag, so a quick stop and start never leaves two threads polling.
// On PostgreSQL it also listens for the server's word of each written part and then polls at
// once instead of at the end of its wait; the rhythm of sounds and popups stays as it was.
class ReceiveWatch : public QObject
{
    Q_OBJECT
public:
    enum class Kind
    {
        Sound, // refreshes the list and sounds the alert while rows wait
        Popup  // also raises the popup for the first row
    };

    ReceiveWatch(DbGateway& gateway, Kind kind, QObject* parent = nullptr);

    void setTimings(const WatchTimings& timings) { m_timings = timings; }
    void start();
    void stop();
    bool isOn() const;
    // How many rows the page lists now; the popup watch polls only while it is 0.
    void setListedRows(int rows) { m_listedRows->store(rows); }

    static QString soundReadFailed() { return QStringLiteral("ddddddd"); }
    static QString soundOpenFailed() { return QStringLiteral("1111111"); }
    static QString popupReadFailed() { return QStringLiteral("ddddddd2222"); }

signals:
    // A poll's rows, to replace the list.
    void polled(const QList<ReportRow>& rows);
    // Rows wait: sound the alert, and for the popup watch raise the popup for the first row.
    void alert();
    // Once per outage: the first failed poll after a good one.
    void pollFailed(const QString& text);
    // Whether written parts are heard of at once (true) or only at the next poll (false: the
    // listening connection was lost and is being opened again). Never on SQLite or SQL Server.
    void listening(bool on);

private:
    struct Loop;

    DbGateway& m_gateway;
    Kind m_kind;
    WatchTimings m_timings;
    std::shared_ptr<std::atomic<int>> m_listedRows = std::make_shared<std::atomic<int>>(0);
    // Waits for the poll in hand when the page goes: it runs on the page's gateway.
    Worker* m_worker = nullptr;
};
