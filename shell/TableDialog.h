#pragma once
// The table question: a table to look at (the transfer preview), the counts
// under it and a Yes/No question. Rows marked in the question stand out.
#include <QDialog>

#include "link/Questions.h"

class MessageCatalogue;
class QTableWidget;

class TTableQuestionForm : public QDialog {
    Q_OBJECT
public:
    TTableQuestionForm(const TableQuestion& question, const MessageCatalogue& catalogue,
                       QWidget* parent = nullptr);
    QTableWidget* Table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};
