#include "widgets/ChildPlacement.h"

#include <QMdiSubWindow>
#include <algorithm>

void SetFixedBorder(QMdiSubWindow& window, bool closeBox) {
    Qt::WindowFlags flags = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    window.setWindowFlags(flags);
}

void FixSizeToClient(QMdiSubWindow& window) {
    window.setMinimumSize(0, 0);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window.adjustSize();
    window.setFixedSize(window.size());
}

void CentreInArea(QMdiSubWindow& window) {
    const QWidget* area = window.parentWidget();
    if (!area) return;
    const QPoint centred = area->rect().center() - window.rect().center();
    window.move(std::max(centred.x(), 0), std::max(centred.y(), 0));
}
