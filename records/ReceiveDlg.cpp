#include "records/ReceiveDlg.h"

#include "audit/AuditDlg.h"
#include "records/RecordQueries.h"
#include "widgets/Dialogs.h"
#include "widgets/WindowPlacement.h"

#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSoundEffect>
#include <QTableView>

Q_LOGGING_CATEGORY(lcAlert, "kavrel.alert", QtWarningMsg)

namespace {

const QString kSoundStart = QStringLiteral("开启自动接收提示");
const QString kSoundStop = QStringLiteral("暂停自动提示");
const QString kPopupStart = QStringLiteral("开启自动提示信息框");
const QString kPopupStop = QStringLiteral("暂停自动提示框");

const QList<ReportModel::Column> kColumns = {{QStringLiteral("发送帐号"), 80},
                                             {QStringLiteral("条数"), 60},
                                             {QStringLiteral("短信内容"), 330},
                                             {QStringLiteral("接收时间"), 130, true}};

} // namespace

CReceiveDlg::CReceiveDlg(const PageContext& context, QWidget* parent)
    : CListPage(context, QStringLiteral("receivePage"), kColumns, false, parent)
{
    buildWatches();
    buildControls();
    setStaffPage();
}

CReceiveDlg::~CReceiveDlg() = default;

void CReceiveDlg::buildWatches()
{
    m_soundWatch = new ReceiveWatch(m_context.gateway, ReceiveWatch::Kind::Sound, this);
    m_popupWatch = new ReceiveWatch(m_context.gateway, ReceiveWatch::Kind::Popup, this);
    for (ReceiveWatch* watch : {m_soundWatch, m_popupWatch}) {
        connect(watch, &ReceiveWatch::polled, this, &CReceiveDlg::replaceRows);
        connect(watch, &ReceiveWatch::pollFailed, this,
                [this](const QString& text) { Dialogs::inform(this, text); });
    }
    connect(m_soundWatch, &ReceiveWatch::alert, this, [this] { alert(false); });
    connect(m_popupWatch, &ReceiveWatch::alert, this, [this] { alert(true); });
    const auto countRows = [this] { m_popupWatch->setListedRows(model()->rowCount()); };
    connect(model(), &QAbstractItemModel::rowsInserted, this, countRows);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, countRows);
    connect(model(), &QAbstractItemModel::modelReset, this, countRows);
}

void CReceiveDlg::buildControls()
{
    QLabel* firstLabel =
        Controls::label(this, QStringLiteral("firstDateCaption"), QStringLiteral("日期查询:"), {4, 6, 36, 9});
    m_first = Controls::date(this, QStringLiteral("firstDate"), {40, 4, 68, 13});
    firstLabel->setBuddy(m_first);
    QLabel* lastLabel =
        Controls::label(this, QStringLiteral("lastDateCaption"), QStringLiteral("查询到:"), {114, 6, 36, 9});
    m_last = Controls::date(this, QStringLiteral("lastDate"), {144, 4, 68, 13});
    lastLabel->setBuddy(m_last);
    const QList<QPushButton*> made =
        Controls::actions(this, {{"rangeButton", "时间查询", {218, 3, 48, 15}, [this] { listRange(); }},
                                 {"allButton", "全部查询", {270, 3, 48, 15}, [this] { listAll(); }},
                                 {"clearButton", "清空列表", {322, 3, 48, 15}, [this] { clearList(); }},
                                 {"soundWatchButton", "", {4, 21, 90, 15}, [this] { toggleWatch(false); }},
                                 {"popupWatchButton", "", {98, 21, 90, 15}, [this] { toggleWatch(true); }}});
    m_soundButton = made.at(3);
    m_soundButton->setText(kSoundStart);
    m_popupButton = made.at(4);
    m_popupButton->setText(kPopupStart);
    connect(addList(QStringLiteral("receiveList"), {2, 40, 415, 215}), &QAbstractItemView::doubleClicked,
            this, [this](const QModelIndex& index) { openAudit(index.row()); });
}

void CReceiveDlg::setWatchTimings(const WatchTimings& timings)
{
    m_soundWatch->setTimings(timings);
    m_popupWatch->setTimings(timings);
}

void CReceiveDlg::listAll()
{
    startListing(RecordQueries::waitingBatches(std::nullopt));
}

void CReceiveDlg::listRange()
{
    startListing(RecordQueries::waitingBatches(dayRange(m_first->date(), m_last->date())));
}

// The two watches share one toggle: while one runs, the other's button is disabled.
void CReceiveDlg::toggleWatch(bool popup)
{
    ReceiveWatch* watch = popup ? m_popupWatch : m_soundWatch;
    QPushButton* own = popup ? m_popupButton : m_soundButton;
    QPushButton* other = popup ? m_soundButton : m_popupButton;
    if (m_watchToggle) {
        own->setText(popup ? kPopupStop : kSoundStop);
        watch->start();
    } else {
        own->setText(popup ? kPopupStart : kSoundStart);
        watch->stop();
    }
    other->setEnabled(!m_watchToggle);
    m_watchToggle = !m_watchToggle;
}

void CReceiveDlg::replaceRows(const QList<ReportRow>& rows)
{
    // A watch's poll stands for the whole table: it replaces whatever a listing was filling.
    query()->cancel();
    const QModelIndex current = list()->currentIndex();
    const qint64 selectedId = current.isValid() ? model()->row(current.row()).id : -1;
    model()->clear();
    model()->appendRows(rows);
    for (int k = 0; selectedId != -1 && k < model()->rowCount(); ++k) {
        if (model()->row(k).id == selectedId) {
            list()->selectRow(k);
            break;
        }
    }
}

void CReceiveDlg::alert(bool popup)
{
    if (model()->rowCount() == 0)
        return;
    playAlert();
    if (popup)
        emit WM_SHOW_POPUP(recordAt(0));
}

QString CReceiveDlg::alertPath() const
{
    return QDir(m_context.startFolder).filePath(QStringLiteral("mac.wav"));
}

void CReceiveDlg::playAlert()
{
    emit soundRequested();
    const QString path = alertPath();
    qCInfo(lcAlert) << "alert sound requested:" << path;
    // Without the file, or without a sound device, the watch goes on in silence.
    if (!QFileInfo::exists(path))
        return;
    if (!m_sound) {
        m_sound = new QSoundEffect(this);
        m_sound->setSource(QUrl::fromLocalFile(path));
    }
    m_sound->play();
}

SelectedRecord CReceiveDlg::recordAt(int row) const
{
    return {model()->row(row).id, model()->cell(row, 0), model()->cell(row, 1), model()->cell(row, 2),
            model()->cell(row, 3)};
}

QWidget* CReceiveDlg::openAudit(int row)
{
    if (row < 0 || row >= model()->rowCount())
        return nullptr;
    const SelectedRecord record = recordAt(row);
    // One window per batch: a second one would open unnoticed beside the first.
    CAuditDlg* audit = CAuditDlg::openFor(record.id);
    if (!audit) {
        audit = new CAuditDlg(m_context, record, window());
        connect(audit, &CAuditDlg::WM_REMOVE_AUDITED_ROW, this, &CReceiveDlg::removeAuditedRow);
    }
    WindowPlacement::bringToFront(audit);
    return audit;
}

void CReceiveDlg::removeAuditedRow(qint64 auditRowId)
{
    if (auditRowId != -1)
        model()->removeIds({auditRowId});
}
