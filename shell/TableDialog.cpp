#include "shell/TableDialog.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/CatalogueTexts.h"
#include "link/MessageCatalogue.h"

using namespace CatalogueTexts;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

TTableQuestionForm::TTableQuestionForm(const TableQuestion& question,
                                       const MessageCatalogue& catalogue, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TableQuestionForm");
    setWindowTitle(Q(question.Title));
    auto* column = new QVBoxLayout(this);
    table_ = new QTableWidget(static_cast<int>(question.Rows.size()),
                              static_cast<int>(question.Columns.size()), this);
    table_->setObjectName("PreviewGrid");
    QStringList heads;
    for (const std::string& head : question.Columns) heads << Q(head);
    table_->setHorizontalHeaderLabels(heads);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    const QBrush changed(QColor(255, 236, 179));
    for (std::size_t r = 0; r < question.Rows.size(); ++r) {
        const bool marked = r < question.Marked.size() && question.Marked[r];
        for (std::size_t c = 0; c < question.Rows[r].size(); ++c) {
            auto* cell = new QTableWidgetItem(Q(question.Rows[r][c]));
            if (marked) cell->setBackground(changed);
            table_->setItem(static_cast<int>(r), static_cast<int>(c), cell);
        }
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    column->addWidget(table_);
    auto* summary = new QLabel(Q(question.Summary), this);
    summary->setObjectName("PreviewSummary");
    column->addWidget(summary);
    auto* ask = new QLabel(Q(question.Question), this);
    ask->setObjectName("PreviewQuestion");
    column->addWidget(ask);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* yes = new QPushButton(Q(catalogue.Msg(MsgDialogYes)), this);
    yes->setObjectName("YesBtn");
    auto* no = new QPushButton(Q(catalogue.Msg(MsgDialogNo)), this);
    no->setObjectName("NoBtn");
    // A transfer is the thing that cannot be undone: No has the focus.
    no->setDefault(true);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(yes);
    buttons->addWidget(no);
    column->addLayout(buttons);
    resize(560, 480);
}
