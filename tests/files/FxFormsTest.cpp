// The table and compare windows offscreen on the simulated amplifier, and the
// printed table rendered into a PDF. With FXTOOLS_SHOTS set to a folder, the
// windows are also saved there as pictures.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "files/FxForms.h"
#include "files/ParamTable.h"
#include "tests/support/SimTransfer.h"

namespace {

void Shot(QWidget& widget, const char* name) {
    const QByteArray folder = qgetenv("FXTOOLS_SHOTS");
    if (!folder.isEmpty()) widget.grab().save(QString(folder) + "/" + name);
}

int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = file.readAll();
    return static_cast<int>(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                            bytes.count("/Type /Page ") + bytes.count("/Type /Page/"));
}

}  // namespace

class FxFormsTest : public QObject {
    Q_OBJECT

    struct Bench : SimTransfer {
        explicit Bench(const std::string& family) : SimTransfer(family) {}
        MessageLookup message = [this](int n) { return sim.Msg(n); };
    };

private slots:
    void TableEditsAreCheckedAndWrittenBack() {
        Bench bench("kqrv");
        bench.sim.amplifier->SetRam(22, 0x1234);
        ParamTableCommand table(bench.seams, bench.longOperation);
        table.SetTableForm([&](ParamTableCommand& t) {
            TLQRVSYSParForm form(t, bench.message);
            form.show();
            auto* edit = form.findChild<QLineEdit*>("ParEdit10");
            QVERIFY(edit);
            QCOMPARE(edit->text(), QString("4"));
            QCOMPARE(form.findChild<QLineEdit*>("ParEdit13")->text(), QString("1"));
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, "9");  // above the row's maximum of 5
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(edit->text(), QString("4"));
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, "5");
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(edit->text(), QString("5"));
            form.ScrollBox()->verticalScrollBar()->setValue(100 * 24);
            Shot(form, "table_packed_rows.png");
            bench.ask.Answer(mrYes);
            form.close();
        });
        bench.ask.Answer(mrYes);  // fill from the amplifier
        table.M36TableClick();
        QCOMPARE(static_cast<int>(bench.sim.amplifier->Ram(22)), 0x1235);
    }

    void PrintedPagesFollowPageLines() {
        Bench bench("kqrv");
        ParamTableCommand table(bench.seams, bench.longOperation);
        bench.sim.state.PrintLines = {58, 24, 36, 0};
        QVERIFY(table.FillFromAmplifier());
        // 120 marked rows of 140.
        table.SetTableForm([](ParamTableCommand&) {});
        std::vector<bool> marks(140, false);
        ParamTableCommand* t = &table;
        bench.ask.Answer(mrYes);
        t->SetTableForm([&](ParamTableCommand& cmd) {
            int marked = 0;
            for (std::size_t r = 0; r < cmd.Rows().size() && marked < 120; ++r) {
                if (cmd.Rows()[r].Enabled) {
                    marks[r] = true;
                    ++marked;
                }
            }
            QCOMPARE(marked, 120);
            bench.ask.Answer(mrNo);
            cmd.FormClose();
        });
        t->M36TableClick();
        const PrintJob job = table.PrintJobFor(marks);
        QCOMPARE(job.Pages.size(), std::size_t(3));
        QCOMPARE(job.Pages[0].size(), std::size_t(58));
        QCOMPARE(job.Pages[1].size(), std::size_t(58));
        QCOMPARE(job.Pages[2].size(), std::size_t(7));
        QTemporaryDir dir;
        const QString pdf = dir.filePath("table.pdf");
        QVERIFY(PrintToPdf(job, pdf));
        QCOMPARE(PdfPages(pdf), 3);
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (!pdftotext.isEmpty()) {
            QProcess text;
            text.start(pdftotext, {"-layout", "-f", "2", "-l", "2", pdf, "-"});
            QVERIFY(text.waitForFinished());
            const QStringList lines =
                QString::fromUtf8(text.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            int rows = 0;
            for (const QString& line : lines) rows += line.contains('=');
            QCOMPARE(rows, 57);
            QVERIFY(lines.first().contains("CPU date:"));
        }
        const QByteArray shots = qgetenv("FXTOOLS_SHOTS");
        if (!shots.isEmpty()) QFile::copy(pdf, QString(shots) + "/table.pdf");
    }

    void CompareColumnsStayAligned() {
        Comparison comparison;
        for (int index = 12; index <= 127; ++index) {
            const bool differs = index % 9 == 0;
            comparison.Rows.push_back(
                {CompareLabel(index, 127), differs ? DifferenceText(index) : std::string("OK."),
                 differs ? DifferenceText(index + 1) : std::string("OK."), differs});
        }
        MessageCatalogue catalogue;
        catalogue.Load(std::string(SERVODESK_DATA_DIR) + "/", 1);
        TCompareForm form(comparison, [&](int n) { return catalogue.Msg(n); });
        form.show();
        QCOMPARE(form.Memo(1)->blockCount(), 116);
        QCOMPARE(form.Memo(2)->blockCount(), 116);
        QCOMPARE(form.Memo(3)->blockCount(), 116);
        form.Memo(1)->verticalScrollBar()->setValue(40);
        form.Timer1Timer();
        QCOMPARE(form.Memo(2)->verticalScrollBar()->value(), 40);
        QCOMPARE(form.Memo(3)->verticalScrollBar()->value(), 40);
        form.Memo(1)->verticalScrollBar()->setValue(0);
        form.Timer1Timer();
        Shot(form, "compare_differences.png");
        QTest::mouseClick(form.findChild<QPushButton*>("ConfirmBtn"), Qt::LeftButton);
        QVERIFY(form.CompareConfirmed());

        comparison.Aborted = true;
        comparison.Notes.push_back(catalogue.Msg(380));
        TCompareForm aborted(comparison, [&](int n) { return catalogue.Msg(n); });
        QVERIFY(!aborted.findChild<QPushButton*>("ConfirmBtn")->isEnabled());
        QCOMPARE(aborted.Memo(1)->blockCount(), 117);
    }
};

QTEST_MAIN(FxFormsTest)
#include "FxFormsTest.moc"
