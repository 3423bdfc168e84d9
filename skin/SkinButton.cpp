#include "skin/SkinButton.h"

namespace {

QString styleFor(CSkinButton::Look look)
{
    QString normal, hot, back, hotBack;
    switch (look) {
    case CSkinButton::Look::Light:
        normal = QStringLiteral("#ffffff");
        hot = QStringLiteral("#ffe27a");
        back = QStringLiteral("transparent");
        hotBack = QStringLiteral("rgba(255,255,255,40)");
        break;
    case CSkinButton::Look::Dark:
        normal = QStringLiteral("#20507a");
        hot = QStringLiteral("#0b7fd0");
        back = QStringLiteral("#e6f0fa");
        hotBack = QStringLiteral("#cfe3f6");
        break;
    case CSkinButton::Look::Accent:
        normal = QStringLiteral("#ffffff");
        hot = QStringLiteral("#ffffff");
        back = QStringLiteral("#2b7bc0");
        hotBack = QStringLiteral("#3c95e0");
        break;
    }
    return QStringLiteral("QPushButton{border:none;border-radius:4px;color:%1;background:%3;}"
                          "QPushButton:hover{color:%2;background:%4;}"
                          "QPushButton:pressed{color:%2;background:%4;padding-left:2px;padding-top:2px;}"
                          "QPushButton:disabled{color:#a0a0a0;}")
        .arg(normal, hot, back, hotBack);
}

} // namespace

CSkinButton::CSkinButton(const QString& caption, const QString& objectName, QWidget* parent, Look look)
    : QPushButton(caption, parent)
{
    setObjectName(objectName);
    setFlat(true);
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(styleFor(look));
}

void CSkinButton::SetTooltipText(const QString& text)
{
    if (!text.isNull())
        setToolTip(text);
}
