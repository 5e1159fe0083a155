#pragma once
// Values shown while the link is latched are the last ones read, not live
// ones: they are drawn grey, whatever their colours, until the link is back.
class QWidget;

void ShowStale(QWidget& widget, bool stale);
bool ShownStale(const QWidget& widget);
