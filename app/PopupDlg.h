#pragma once

#include "audit/SelectedRecord.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;

// The notice of a waiting batch: account, count, time and text over the popup background, in
// the bottom-right corner of the screen's work area, on top of every window, for 5 seconds.
// It never takes the keyboard from the window the user types in, and frees itself.
class CPopupDlg : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kLifeMs = 5000;

    explicit CPopupDlg(const SelectedRecord& record, QWidget* parent = nullptr);

    // Top-left corner for a popup of this size: above a taskbar at the bottom, left of one at
    // the right, in the screen's corner otherwise. Rectangles are half-open like the system's.
    static QPoint placement(const QRect& screen, const QRect& workArea, const QSize& size);

protected:
    void paintEvent(QPaintEvent* event) override;
};
