#pragma once
// The windows of the FX-group tools: the parameter table (TLQRVSYSParForm),
// the comparison (TCompareForm), and printing a PrintJob on a printer or into
// a PDF file on the fixed character grid.
#include <QDialog>
#include <QString>
#include <vector>

#include "files/Compare.h"
#include "files/TableCommand.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolButton;

// Prints the job's pages on the printer: each character at its grid cell.
bool RenderPrintJob(const PrintJob& job, QPrinter& printer);
// The print question: Qt's print dialog, then the pages; false when cancelled.
bool PrintWithDialog(const PrintJob& job, QWidget* parent);
// The pages into a PDF file, without asking.
bool PrintToPdf(const PrintJob& job, const QString& path);

class TLQRVSYSParForm : public QDialog {
    Q_OBJECT
public:
    TLQRVSYSParForm(ParamTableCommand& table, MessageLookup message, QWidget* parent = nullptr);
    void ChangeLanguage();
    std::vector<bool> Marks() const;
    QScrollArea* ScrollBox() const { return scrollBox_; }

    void SaveBtnClick();
    void SpeedButton1Click();
    void Button1Click() { close(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildRows();
    void ParEditExit(int cell);

    ParamTableCommand& table_;
    MessageLookup message_;
    QScrollArea* scrollBox_ = nullptr;
    std::vector<QLineEdit*> edits_;
    std::vector<QCheckBox*> marks_;
    QPushButton* button1_ = nullptr;
    QPushButton* saveBtn_ = nullptr;
    QToolButton* speedButton1_ = nullptr;
};

class TCompareForm : public QDialog {
    Q_OBJECT
public:
    TCompareForm(const Comparison& comparison, MessageLookup message, QWidget* parent = nullptr);
    void ChangeLanguage();
    bool CompareConfirmed() const { return confirmed_; }

    void ConfirmBtnClick();
    void AbortParBtnClick();
    void Timer1Timer();
    QPlainTextEdit* Memo(int n) const { return memos_[static_cast<std::size_t>(n - 1)]; }

private:
    MessageLookup message_;
    std::array<QPlainTextEdit*, 3> memos_{};
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QPushButton* confirmBtn_ = nullptr;
    QPushButton* abortParBtn_ = nullptr;
    QTimer* timer1_ = nullptr;
    bool confirmed_ = false;
};
