#include "operation/OperationWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "link/MessageCatalogue.h"
#include "operation/FormParts.h"
#include "widgets/ChildPlacement.h"

OperationWindow::OperationWindow(bool& openFlag, const MessageCatalogue& catalogue,
                                 const char* name, QWidget* parent)
    : QMdiSubWindow(parent), catalogue_(catalogue), openFlag_(openFlag) {
    setObjectName(name);
}

QString OperationWindow::Msg(int message) const {
    return QString::fromStdString(catalogue_.Msg(message));
}

void OperationWindow::ApplyCaptions(std::span<const Caption> captions) {
    for (const Caption& caption : captions) {
        QWidget* widget = findChild<QWidget*>(caption.Name);
        if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(Msg(caption.Message));
        if (auto* button = qobject_cast<QPushButton*>(widget))
            button->setText(Msg(caption.Message));
    }
}

QTimer* OperationWindow::MakeTimer(const char* name, int intervalMs) {
    timer_ = new QTimer(this);
    timer_->setObjectName(name);
    timer_->setInterval(intervalMs);
    return timer_;
}

QLabel* OperationWindow::PlaceTitle(QWidget* client, int x, int y, int width, int height,
                                    int pixelSize) {
    QLabel* title = PlaceLabel(client, "TitleLabel", x, y, width, height);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(pixelSize);
    title->setFont(titleFont);
    return title;
}

void OperationWindow::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    if (timer_) timer_->stop();
    openFlag_ = false;
    NotifyClosed();
    QMdiSubWindow::closeEvent(event);
}

void OperationWindow::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    FixSizeToClient(*this);
    if (!placed_) CentreInArea(*this);
    placed_ = true;
}
