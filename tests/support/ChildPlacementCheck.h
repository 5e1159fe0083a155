#pragma once
// Checks of a child window's border and first place in its MDI area.
#include <QMdiSubWindow>
#include <cstdlib>

// Not resizable and without minimise or maximise buttons.
inline bool HasFixedBorder(const QMdiSubWindow& window) {
    const Qt::WindowFlags flags = window.windowFlags();
    return !(flags & Qt::WindowMinimizeButtonHint) && !(flags & Qt::WindowMaximizeButtonHint) &&
           window.minimumSize() == window.maximumSize();
}

// In the middle of the area that holds it, to the pixel.
inline bool IsCentredInArea(const QMdiSubWindow& window) {
    const QWidget* area = window.parentWidget();
    if (!area) return false;
    const QPoint offset = window.geometry().center() - area->rect().center();
    return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
}
