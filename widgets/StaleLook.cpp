#include "widgets/StaleLook.h"

#include <QGraphicsColorizeEffect>
#include <QWidget>

// An effect, not a style sheet: the value labels and I/O panels keep their
// own colours in style sheets that their refresh sets.
void ShowStale(QWidget& widget, bool stale) {
    auto* effect = qobject_cast<QGraphicsColorizeEffect*>(widget.graphicsEffect());
    if (!effect) {
        if (!stale) return;
        effect = new QGraphicsColorizeEffect(&widget);
        effect->setColor(Qt::gray);
        effect->setStrength(1.0);
        widget.setGraphicsEffect(effect);
    }
    effect->setEnabled(stale);
}

bool ShownStale(const QWidget& widget) {
    const auto* effect = qobject_cast<const QGraphicsColorizeEffect*>(widget.graphicsEffect());
    return effect && effect->isEnabled();
}
