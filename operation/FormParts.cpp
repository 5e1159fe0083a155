#include "operation/FormParts.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>

#include "widgets/ChildPlacement.h"

QLabel* PlaceLabel(QWidget* parent, const char* name, int x, int y, int width, int height) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(x, y, width, height);
    return label;
}

QPushButton* PlaceButton(QWidget* parent, const char* name, int x, int y, int width, int height) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setGeometry(x, y, width, height);
    return button;
}

QWidget* FixedClient(QMdiSubWindow* window, const char* caption, int width, int height,
                     bool systemMenu) {
    window->setWindowTitle(caption);
    window->setAttribute(Qt::WA_DeleteOnClose);
    SetFixedBorder(*window, systemMenu);
    auto* client = new QWidget(window);
    client->setFixedSize(width, height);
    window->setWidget(client);
    return client;
}
