#include "records/ReceiveDlg.h"

#include "audit/AuditDlg.h"
#include "common/ReportModel.h"
#include "db/ListQuery.h"
#include "db/SessionUser.h"
#include "records/RecordQueries.h"
#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"
#include "widgets/Dialogs.h"
#include "widgets/ReportView.h"
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

} // namespace

CReceiveDlg::CReceiveDlg(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("receivePage"));
    WindowSkin::stylePage(this);
    m_model = new ReportModel({{QStringLiteral("发送帐号"), 80},
                               {QStringLiteral("条数"), 60},
                               {QStringLiteral("短信内容"), 330},
                               {QStringLiteral("接收时间"), 130, true}},
                              false, this);
    m_query = new ListQuery(context.gateway, this);
    connect(m_query, &ListQuery::rowsReady, m_model, &ReportModel::appendRows);
    m_soundWatch = new ReceiveWatch(context.gateway, ReceiveWatch::Kind::Sound, this);
    m_popupWatch = new ReceiveWatch(context.gateway, ReceiveWatch::Kind::Popup, this);
    for (ReceiveWatch* watch : {m_soundWatch, m_popupWatch}) {
        connect(watch, &ReceiveWatch::polled, this, &CReceiveDlg::replaceRows);
        connect(watch, &ReceiveWatch::pollFailed, this,
                [this](const QString& text) { Dialogs::inform(this, text); });
    }
    connect(m_soundWatch, &ReceiveWatch::alert, this, [this] { alert(false); });
    connect(m_popupWatch, &ReceiveWatch::alert, this, [this] { alert(true); });
    const auto countRows = [this] { m_popupWatch->setListedRows(m_model->rowCount()); };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, countRows);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, countRows);
    connect(m_model, &QAbstractItemModel::modelReset, this, countRows);
    buildControls();
}

CReceiveDlg::~CReceiveDlg() = default;

void CReceiveDlg::buildControls()
{
    const auto label = [this](const QString& name, const QString& text, double x) {
        auto* caption = new QLabel(text, this);
        caption->setObjectName(name);
        DialogUnits::place(caption, x, 6, 36, 9);
        return caption;
    };
    const auto picker = [this](const QString& name, double x) {
        auto* date = new QDateEdit(QDate::currentDate(), this);
        date->setObjectName(name);
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        DialogUnits::place(date, x, 4, 68, 13);
        return date;
    };
    const auto button = [this](const QString& name, const QString& text, double x, double y, double w) {
        auto* push = new QPushButton(text, this);
        push->setObjectName(name);
        DialogUnits::place(push, x, y, w, 15);
        return push;
    };
    QList<QWidget*> controls;
    controls << label(QStringLiteral("firstDateCaption"), QStringLiteral("日期查询:"), 4);
    m_first = picker(QStringLiteral("firstDate"), 40);
    controls << m_first << label(QStringLiteral("lastDateCaption"), QStringLiteral("查询到:"), 114);
    m_last = picker(QStringLiteral("lastDate"), 144);
    controls << m_last;
    QPushButton* range = button(QStringLiteral("rangeButton"), QStringLiteral("时间查询"), 218, 3, 48);
    QPushButton* all = button(QStringLiteral("allButton"), QStringLiteral("全部查询"), 270, 3, 48);
    QPushButton* clear = button(QStringLiteral("clearButton"), QStringLiteral("清空列表"), 322, 3, 48);
    m_soundButton = button(QStringLiteral("soundWatchButton"), kSoundStart, 4, 21, 90);
    m_popupButton = button(QStringLiteral("popupWatchButton"), kPopupStart, 98, 21, 90);
    controls << range << all << clear << m_soundButton << m_popupButton;
    m_list = ReportView::create(m_model, QStringLiteral("receiveList"), this);
    DialogUnits::place(m_list, 2, 40, 415, 215);
    controls << m_list;

    connect(range, &QPushButton::clicked, this, &CReceiveDlg::listRange);
    connect(all, &QPushButton::clicked, this, &CReceiveDlg::listAll);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_query->cancel();
        m_model->clear();
    });
    connect(m_soundButton, &QPushButton::clicked, this, &CReceiveDlg::toggleSoundWatch);
    connect(m_popupButton, &QPushButton::clicked, this, &CReceiveDlg::togglePopupWatch);
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openAudit(index.row()); });
    m_controls = controls;
}

void CReceiveDlg::showEvent(QShowEvent* event)
{
    // Blank for every account type but the administrator.
    if (m_context.session.restricted) {
        for (QWidget* control : std::as_const(m_controls))
            control->hide();
    }
    QWidget::showEvent(event);
}

void CReceiveDlg::setWatchTimings(const WatchTimings& timings)
{
    m_soundWatch->setTimings(timings);
    m_popupWatch->setTimings(timings);
}

void CReceiveDlg::listAll()
{
    m_model->clear();
    m_query->start(RecordQueries::waitingBatches(std::nullopt));
}

void CReceiveDlg::listRange()
{
    m_model->clear();
    m_query->start(RecordQueries::waitingBatches(dayRange(m_first->date(), m_last->date())));
}

void CReceiveDlg::toggleSoundWatch()
{
    if (m_watchToggle) {
        m_soundButton->setText(kSoundStop);
        m_popupButton->setEnabled(false);
        m_soundWatch->start();
    } else {
        m_soundButton->setText(kSoundStart);
        m_popupButton->setEnabled(true);
        m_soundWatch->stop();
    }
    m_watchToggle = !m_watchToggle;
}

void CReceiveDlg::togglePopupWatch()
{
    if (m_watchToggle) {
        m_popupButton->setText(kPopupStop);
        m_soundButton->setEnabled(false);
        m_popupWatch->start();
    } else {
        m_popupButton->setText(kPopupStart);
        m_soundButton->setEnabled(true);
        m_popupWatch->stop();
    }
    m_watchToggle = !m_watchToggle;
}

void CReceiveDlg::replaceRows(const QList<ReportRow>& rows)
{
    // A watch's poll stands for the whole table: it replaces whatever a listing was filling.
    m_query->cancel();
    const QModelIndex current = m_list->currentIndex();
    const qint64 selectedId = current.isValid() ? m_model->row(current.row()).id : -1;
    m_model->clear();
    m_model->appendRows(rows);
    for (int k = 0; selectedId != -1 && k < m_model->rowCount(); ++k) {
        if (m_model->row(k).id == selectedId) {
            m_list->selectRow(k);
            break;
        }
    }
}

void CReceiveDlg::alert(bool popup)
{
    if (m_model->rowCount() == 0)
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
    return {m_model->row(row).id, m_model->cell(row, 0), m_model->cell(row, 1), m_model->cell(row, 2),
            m_model->cell(row, 3)};
}

QWidget* CReceiveDlg::openAudit(int row)
{
    if (row < 0 || row >= m_model->rowCount())
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
        m_model->removeIds({auditRowId});
}
