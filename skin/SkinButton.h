#pragma once

#include <QPixmap>
#include <QPointer>
#include <QPushButton>

// Frameless icon button of the skinned windows. It shows its normal icon over the window's own
// background, the hot icon while hovered or pressed, shifted one pixel while pressed, and greyed
// while disabled. A mouse user sees no focus mark; a keyboard user sees the hot icon and a ring
// on the focused button, and space presses it. A button that opens a page shows a third face
// while the page is shown.
class CSkinButton : public QPushButton
{
    Q_OBJECT
public:
    // function is what the face shows, and the name screen readers read.
    CSkinButton(const QString& objectName, const QString& function, QWidget* parent);

    // Artwork names (SkinArt), drawn for the screen the button is on; both may be the same.
    void SetIcons(const QString& hot, const QString& normal);
    void SetIcons(const QPixmap& hot, const QPixmap& normal);
    // A null text changes nothing; an inactive tooltip is kept but not shown. A tip that says
    // more than the face is the button's description for screen readers; it never renames it.
    void SetTooltipText(const QString& text, bool activate = true);
    // While page is shown the button shows its "current" face (the artwork "<normal>-current").
    void SetCurrentWhileShown(QWidget* page);
    bool isCurrent() const { return m_current; }

    bool isHovered() const { return m_hovered; }
    bool showsKeyboardFocus() const;
    // The icon the next paint draws and where its top-left corner goes.
    QPixmap currentIcon() const;
    QPoint iconPosition() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPixmap icon(bool hot) const;
    QPixmap currentFace() const;
    void setHovered(bool hovered);
    void setCurrent(bool current);

    QString m_hotName;
    QString m_normalName;
    QPixmap m_hot;
    QPixmap m_normal;
    bool m_hovered = false;
    bool m_current = false;
    QPointer<QWidget> m_page;
};
