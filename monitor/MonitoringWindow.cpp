#include "monitor/MonitoringWindow.h"

#include <QCloseEvent>
#include <QTimer>

#include "widgets/ChildPlacement.h"

MonitoringWindow::MonitoringWindow(bool& openFlag, const char* name, const char* title,
                                   QSize client, int refreshMs, QWidget* parent)
    : QMdiSubWindow(parent), openFlag_(openFlag) {
    setObjectName(name);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    SetFixedBorder(*this, true);
    content_ = new QWidget(this);
    content_->setObjectName(QString(name) + "Client");
    content_->setFixedSize(client);
    setWidget(content_);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(refreshMs);
}

void MonitoringWindow::CloseWindow() {
    openFlag_ = false;
    close();
}

void MonitoringWindow::closeEvent(QCloseEvent* event) {
    refreshTimer_->stop();
    openFlag_ = false;
    NotifyClosed();
    QMdiSubWindow::closeEvent(event);
}

// The frame is known only once the window sits in the MDI area: the window is
// sized around its client area then, and placed once.
void MonitoringWindow::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    FixSizeToClient(*this);
    if (centred_ && !placed_) CentreInArea(*this);
    placed_ = true;
}
