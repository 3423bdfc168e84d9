#include "sending/ManualEntryDlg.h"

#include "sending/NumberRules.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

} // namespace

CManualEntryDlg::CManualEntryDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("manualEntryPage"));
    WindowSkin::stylePage(this);
    QLabel* caption =
        Controls::label(this, QStringLiteral("manualCaption"),
                        QStringLiteral("输入手机号码[多个号码请按回车[ENTER]换行"), {9, 3, 173, 9});
    m_editor = Controls::make<QPlainTextEdit>(this, QStringLiteral("manualEditor"), {9, 14, 288, 95});
    caption->setBuddy(m_editor);
    // Tab leaves the editor: a number never holds one.
    m_editor->setTabChangesFocus(true);
    auto* clear = Controls::button(this, QStringLiteral("manualClearButton"), QStringLiteral("清空文本"),
                                   {9, 113, 66, 17});
    auto* add = Controls::button(this, QStringLiteral("manualAddButton"), QStringLiteral("加入号码"),
                                 {231, 113, 66, 17});

    connect(m_editor, &QPlainTextEdit::textChanged, this, &CManualEntryDlg::checkDigits);
    connect(clear, &QPushButton::clicked, m_editor, &QPlainTextEdit::clear);
    connect(add, &QPushButton::clicked, this, &CManualEntryDlg::addNumbers);
}

void CManualEntryDlg::checkDigits()
{
    const QString text = m_editor->toPlainText();
    for (QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            Dialogs::inform(this, QStringLiteral("提示:不是有效手机号码[数字类型]"));
            return;
        }
    }
}

void CManualEntryDlg::addNumbers()
{
    QString manualEntryText = withCrLf(m_editor->toPlainText()) + QLatin1String("\r\n");
    int checked = 0;
    for (const QString& line : SplitLines(manualEntryText)) {
        const NumberCheck check = CheckNumberLine(line, checked);
        if (check.result == NumberCheck::Rejected) {
            Dialogs::informCaptioned(this, check.message, Dialogs::kOops);
            return;
        }
    }
    manualEntryText += QLatin1String("\r\n");
    emit WM_ADD_MANUAL_NUMBERS(manualEntryText);
}
