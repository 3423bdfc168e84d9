#include "sending/ManualEntryDlg.h"

#include "skin/DialogUnits.h"
#include "skin/WindowSkin.h"

#include <QLabel>
#include <QPlainTextEdit>

CManualEntryDlg::CManualEntryDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("manualEntryPage"));
    WindowSkin::stylePage(this);
    auto* caption = new QLabel(QStringLiteral("输入手机号码[多个号码请按回车[ENTER]换行"), this);
    DialogUnits::place(caption, 9, 3, 173, 9);
    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("manualEditor"));
    DialogUnits::place(m_editor, 9, 14, 288, 95);
}
