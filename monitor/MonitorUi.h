#pragma once
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <string>

// Small pieces the monitoring windows share.
namespace MonitorUi {

inline QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

inline QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

// A named label at a fixed place.
inline QLabel* MakeLabel(QWidget* parent, const QString& name, int x, int y, int width,
                         int height) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(x, y, width, height);
    return label;
}

// A named button at a fixed place.
inline QPushButton* MakeButton(QWidget* parent, const char* name, int x, int y, int width = 100,
                               int height = 30) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setGeometry(x, y, width, height);
    return button;
}

}  // namespace MonitorUi
