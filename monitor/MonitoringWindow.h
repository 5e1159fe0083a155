#pragma once
#include <QMdiSubWindow>
#include <QSize>

#include "widgets/ChildWindow.h"

class QTimer;

// What the monitor, I/O and alarm windows share: a fixed client area in a
// fixed border with a close box, a refresh timer of their own, and an open
// flag in the drive state that closing clears, whether by the Close button or
// the close box.
class MonitoringWindow : public QMdiSubWindow, public ChildWindow {
public:
    MonitoringWindow(bool& openFlag, const char* name, const char* title, QSize client,
                     int refreshMs, QWidget* parent);

protected:
    QWidget* Content() const { return content_; }
    QTimer* RefreshTimer() const { return refreshTimer_; }
    // The Close button.
    void CloseWindow();
    // Opens in the middle of the MDI area rather than where it cascades to.
    void OpenCentred() { centred_ = true; }

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool& openFlag_;
    QWidget* content_;
    QTimer* refreshTimer_;
    bool centred_ = false;
    bool placed_ = false;
};
