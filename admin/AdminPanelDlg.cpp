#include "admin/AdminPanelDlg.h"

#include "skin/WindowSkin.h"

#include <QLabel>
#include <QVBoxLayout>

CAdminPanelDlg::CAdminPanelDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("adminPanel"));
    WindowSkin::stylePage(this);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("管理工具"), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}
