#pragma once
#include <QString>

class QLabel;
class QMdiSubWindow;
class QPushButton;
class QWidget;

// Building blocks of the fixed-layout operation windows: every control gets
// its name as objectName so that tests find it.
QLabel* PlaceLabel(QWidget* parent, const char* name, int x, int y, int width, int height = 20);
QPushButton* PlaceButton(QWidget* parent, const char* name, int x, int y, int width = 90,
                         int height = 28);
// A fixed client area, the caption, and a title bar without buttons unless
// systemMenu (then only the system menu): such a window closes only through
// its own buttons.
QWidget* FixedClient(QMdiSubWindow* window, const char* caption, int width, int height,
                     bool systemMenu = false);
