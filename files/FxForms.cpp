#include "files/FxForms.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "files/ParamTable.h"
#include "link/CatalogueTexts.h"
#include "widgets/ModalDialog.h"

using namespace CatalogueTexts;

namespace {

constexpr int RowHeight = 24;
constexpr int RowTop = 4;
constexpr int PrintResolution = 300;  // the grid's units are dots of a 300 dpi printer

struct RowColumn {
    int Left;
    int Width;
};
// clang-format off
constexpr RowColumn NameColumn{4, 400};
constexpr RowColumn NumberColumn{404, 70};
constexpr RowColumn ValueColumn{474, 80};
constexpr RowColumn RangeColumn{554, 150};
constexpr RowColumn MarkColumn{710, 20};
// clang-format on
constexpr int RowsWidth = 740;

constexpr int CompareTimerMs = 10;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Place(QWidget* widget, RowColumn column, int row) {
    widget->setGeometry(column.Left, row * RowHeight + RowTop, column.Width, RowHeight);
}

void Colour(QWidget* widget, const QColor& enabled, bool isEnabled) {
    widget->setStyleSheet(
        QString("color: %1").arg(isEnabled ? enabled.name() : QColor(Qt::lightGray).name()));
}

}  // namespace

bool RenderPrintJob(const PrintJob& job, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    QFont font("Monospace");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(job.LineHeight * 3 / 4);
    painter.setFont(font);
    for (std::size_t page = 0; page < job.Pages.size(); ++page) {
        if (page > 0 && !printer.newPage()) return false;
        int lineCounter = 0;
        for (const std::string& line : job.Pages[page]) {
            for (const GridChar& c : GridLayout(line)) {
                painter.drawText((c.Column + 1) * job.CharWidth, (lineCounter + 1) * job.LineHeight,
                                 Q(c.Text));
            }
            ++lineCounter;
        }
    }
    return painter.end();
}

bool PrintWithDialog(const PrintJob& job, QWidget* parent) {
    QPrinter printer;
    printer.setResolution(PrintResolution);
    printer.setDocName(Q(job.Title));
    QPrintDialog dialog(&printer, parent);
    if (ExecModal(dialog) != QDialog::Accepted) return false;
    return RenderPrintJob(job, printer);
}

bool PrintToPdf(const PrintJob& job, const QString& path) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(PrintResolution);
    printer.setOutputFileName(path);
    printer.setDocName(Q(job.Title));
    return RenderPrintJob(job, printer);
}

TLQRVSYSParForm::TLQRVSYSParForm(ParamTableCommand& table, MessageLookup message, QWidget* parent)
    : QDialog(parent), table_(table), message_(std::move(message)) {
    setObjectName("LQRVSYSParForm");
    setModal(true);
    resize(RowsWidth + 40, 560);
    auto* column = new QVBoxLayout(this);
    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName("ScrollBox1");
    column->addWidget(scrollBox_, 1);
    auto* buttons = new QHBoxLayout;
    speedButton1_ = new QToolButton(this);
    speedButton1_->setObjectName("SpeedButton1");
    auto* prtBtn = new QPushButton(this);
    prtBtn->setObjectName("PrtBtn");
    prtBtn->hide();
    saveBtn_ = new QPushButton(this);
    saveBtn_->setObjectName("SaveBtn");
    button1_ = new QPushButton(this);
    button1_->setObjectName("Button1");
    buttons->addWidget(speedButton1_);
    buttons->addStretch(1);
    buttons->addWidget(saveBtn_);
    buttons->addWidget(button1_);
    column->addLayout(buttons);
    connect(speedButton1_, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(saveBtn_, &QPushButton::clicked, this, [this] { SaveBtnClick(); });
    connect(button1_, &QPushButton::clicked, this, [this] { Button1Click(); });
    BuildRows();
    ChangeLanguage();
}

void TLQRVSYSParForm::BuildRows() {
    auto* rows = new QWidget;
    const std::vector<LimitRow>& limits = table_.Rows();
    const std::vector<bool> marks = table_.InitialMarks();
    rows->setFixedSize(RowsWidth, static_cast<int>(limits.size()) * RowHeight + 2 * RowTop);
    for (int r = 0; r < static_cast<int>(limits.size()); ++r) {
        const LimitRow& limit = limits[static_cast<std::size_t>(r)];
        auto* name = new QLabel(Q(limit.Name), rows);
        name->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Colour(name, Qt::blue, limit.Enabled);
        Place(name, NameColumn, r);
        auto* number = new QLabel(Q(ParamNumberText(r)), rows);
        number->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        number->setAlignment(Qt::AlignCenter);
        number->setEnabled(limit.Enabled);
        Colour(number, Qt::red, limit.Enabled);
        Place(number, NumberColumn, r);
        auto* edit = new QLineEdit(rows);
        edit->setObjectName(QString("ParEdit%1").arg(r));
        edit->setMaxLength(6);  // room for -32768
        edit->setEnabled(limit.Enabled);
        edit->setText(table_.Values().Loaded(r) ? QString::number(table_.Shown(r)) : QString());
        Place(edit, ValueColumn, r);
        connect(edit, &QLineEdit::editingFinished, this, [this, r] { ParEditExit(r); });
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
        edits_.push_back(edit);
        auto* range = new QLabel(Q(table_.RangeText(r)), rows);
        range->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        range->setEnabled(limit.Enabled);
        Colour(range, Qt::darkGreen, limit.Enabled);
        Place(range, RangeColumn, r);
        auto* mark = new QCheckBox(rows);
        mark->setObjectName(QString("ChkBox%1").arg(r));
        mark->setEnabled(limit.Enabled);
        mark->setChecked(marks[static_cast<std::size_t>(r)]);
        Place(mark, MarkColumn, r);
        marks_.push_back(mark);
    }
    scrollBox_->setWidget(rows);
}

// A value the row does not allow is refused and the editor shows what the
// cell holds; nothing of it is kept.
void TLQRVSYSParForm::ParEditExit(int cell) {
    QLineEdit* edit = edits_[static_cast<std::size_t>(cell)];
    const QString shown =
        table_.Values().Loaded(cell) ? QString::number(table_.Shown(cell)) : QString();
    if (!edit->isModified() || edit->text() == shown) return;
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok || !table_.Edit(cell, value)) {
        QApplication::beep();
        edit->setText(shown);
    }
    edit->setModified(false);
}

void TLQRVSYSParForm::ChangeLanguage() {
    setWindowTitle("QRV Parameter Table");
    button1_->setText(Q(message_(MsgButtonClose)));
    saveBtn_->setText(Q(message_(MsgButtonSave)));
    speedButton1_->setText(Q(message_(MsgPrint)));
}

std::vector<bool> TLQRVSYSParForm::Marks() const {
    std::vector<bool> marks;
    for (const QCheckBox* mark : marks_) marks.push_back(mark->isChecked());
    return marks;
}

void TLQRVSYSParForm::SaveBtnClick() {
    table_.SaveBtnClick();
}

void TLQRVSYSParForm::SpeedButton1Click() {
    table_.SpeedButton1Click(Marks());
}

void TLQRVSYSParForm::closeEvent(QCloseEvent* event) {
    table_.FormClose();
    event->accept();
}

TCompareForm::TCompareForm(const Comparison& comparison, MessageLookup message, QWidget* parent)
    : QDialog(parent), message_(std::move(message)) {
    setObjectName("CompareForm");
    setModal(true);
    resize(640, 520);
    auto* column = new QVBoxLayout(this);
    auto* heads = new QHBoxLayout;
    auto* memos = new QHBoxLayout;
    label1_ = new QLabel(this);
    label1_->setObjectName("Label1");
    label2_ = new QLabel(this);
    label2_->setObjectName("Label2");
    heads->addStretch(1);
    heads->addWidget(label1_, 1, Qt::AlignCenter);
    heads->addWidget(label2_, 1, Qt::AlignCenter);
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    for (int n = 0; n < 3; ++n) {
        auto* memo = new QPlainTextEdit(this);
        memo->setObjectName(QString("Memo%1").arg(n + 1));
        memo->setReadOnly(true);
        memo->setFont(fixed);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        if (n > 0) memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        memos_[static_cast<std::size_t>(n)] = memo;
        memos->addWidget(memo, 1);
    }
    label3_ = new QLabel(this);
    label3_->setObjectName("Label3");
    label3_->setAlignment(Qt::AlignCenter);
    auto* buttons = new QHBoxLayout;
    confirmBtn_ = new QPushButton(this);
    confirmBtn_->setObjectName("ConfirmBtn");
    abortParBtn_ = new QPushButton(this);
    abortParBtn_->setObjectName("AbortParBtn");
    buttons->addStretch(1);
    buttons->addWidget(confirmBtn_);
    buttons->addWidget(abortParBtn_);
    buttons->addStretch(1);
    column->addLayout(heads);
    column->addLayout(memos, 1);
    column->addWidget(label3_);
    column->addLayout(buttons);

    // The labels are right-aligned by padding to the widest.
    int width = 0;
    for (const CompareRow& row : comparison.Rows)
        width = std::max(width, static_cast<int>(row.Label.size()));
    QStringList labels, amp, file;
    for (const CompareRow& row : comparison.Rows) {
        labels << Q(row.Label).rightJustified(width);
        amp << Q(row.AmpText);
        file << Q(row.FileText);
    }
    for (const std::string& note : comparison.Notes) labels << Q(note);
    memos_[0]->setPlainText(labels.join('\n'));
    memos_[1]->setPlainText(amp.join('\n'));
    memos_[2]->setPlainText(file.join('\n'));
    confirmBtn_->setEnabled(!comparison.Aborted);
    connect(confirmBtn_, &QPushButton::clicked, this, [this] { ConfirmBtnClick(); });
    connect(abortParBtn_, &QPushButton::clicked, this, [this] { AbortParBtnClick(); });
    timer1_ = new QTimer(this);
    timer1_->setObjectName("Timer1");
    connect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
    timer1_->start(CompareTimerMs);
    ChangeLanguage();
}

void TCompareForm::ChangeLanguage() {
    setWindowTitle(Q(message_(18)));
    label1_->setText(Q(message_(MsgAmplifier)));
    label2_->setText(Q(message_(MsgFile)));
    label3_->setText(Q(message_(MsgConfirmHint)));
    confirmBtn_->setText(Q(message_(MsgDialogOk)));
    abortParBtn_->setText(Q(message_(MsgDialogCancel)));
}

void TCompareForm::ConfirmBtnClick() {
    confirmed_ = true;
    accept();
}

void TCompareForm::AbortParBtnClick() {
    confirmed_ = false;
    reject();
}

// The values follow the labels' column line for line.
void TCompareForm::Timer1Timer() {
    const int first = memos_[0]->verticalScrollBar()->value();
    for (std::size_t n = 1; n < memos_.size(); ++n) memos_[n]->verticalScrollBar()->setValue(first);
}
