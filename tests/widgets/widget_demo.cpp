// Shows each kind of spin edit and a gauge at 37 %, to look at them.
#include <QApplication>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "params/Fspinedit.h"
#include "widgets/Gauge.h"

namespace {

TFSpinEdit* MakeEdit(double minValue, double maxValue, double increment, double value,
                     int maxLength = 0) {
    auto* edit = new TFSpinEdit;
    edit->SetMinValue(minValue);
    edit->SetMaxValue(maxValue);
    edit->SetIncrement(increment);
    edit->SetMaxLength(maxLength);
    edit->SetValue(value);
    return edit;
}

// A value cell of a parameter grid with its editor placed over it.
QTableWidget* MakeGrid() {
    auto* grid = new QTableWidget(3, 3);
    grid->setColumnWidth(0, 200);
    grid->setColumnWidth(1, 166);
    grid->setColumnWidth(2, 191);
    grid->verticalHeader()->setDefaultSectionSize(24);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->hide();
    QFont bold = grid->font();
    bold.setPixelSize(19);
    bold.setBold(true);
    grid->setFont(bold);
    grid->setFixedSize(565, 3 * 24 + 4);
    const char* names[] = {"Speed limit", "Acceleration time", "Filter"};
    for (int row = 0; row < 3; ++row) {
        grid->setItem(row, 0, new QTableWidgetItem(QString::fromLatin1(names[row])));
        grid->setItem(row, 1, new QTableWidgetItem(QString::number(1500 + row)));
        grid->setItem(row, 2, new QTableWidgetItem(QStringLiteral("0 ~ 3000")));
    }
    auto* editor = MakeEdit(0, 3000, 1, 1501, 4);
    editor->setParent(grid);
    // The editor's minimum height must fit the cell, or it would be raised
    // over the next row: take the largest bold font that fits.
    QFont editorFont = bold;
    for (int size = 19; size > 8; --size) {
        editorFont.setPixelSize(size);
        editor->setFont(editorFont);
        if (editor->MinimumHeight() <= grid->rowHeight(1) + 1) break;
    }
    std::printf("grid editor font %d px, minimum height %d\n", editorFont.pixelSize(),
                editor->MinimumHeight());
    std::fflush(stdout);
    const QRect cell = grid->visualItemRect(grid->item(1, 1));
    const QPoint origin = grid->viewport()->mapTo(grid, cell.topLeft());
    editor->setGeometry(origin.x() + 1, origin.y() + 1, cell.width() + 1, cell.height() + 1);
    return grid;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Widget demo"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Whole numbers, -3000 ... 3000"), MakeEdit(-3000, 3000, 1, -2999));
    form->addRow(QStringLiteral("Tenths, 0 ... 100"), MakeEdit(0, 100, 0.1, 12.3));
    form->addRow(QStringLiteral("Thousandths, 0 ... 1"), MakeEdit(0, 1, 0.001, 0.999));
    form->addRow(QStringLiteral("At most 4 characters"), MakeEdit(0, 3000, 1, 3000, 4));
    auto* readOnly = MakeEdit(0, 10, 1, 4);
    readOnly->setReadOnly(true);
    form->addRow(QStringLiteral("Read-only"), readOnly);
    auto* narrow = MakeEdit(0, 1e9, 1, 123456789);
    narrow->setFixedWidth(60);
    form->addRow(QStringLiteral("Narrow, long text"), narrow);
    auto* gauge = new TGauge;
    gauge->SetProgress(37);
    form->addRow(QStringLiteral("Gauge"), gauge);

    auto* layout = new QVBoxLayout(&window);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Editor over a grid cell (row 2):")));
    layout->addWidget(MakeGrid());
    window.show();
    return app.exec();
}
