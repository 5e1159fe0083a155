// The trend window offscreen on the simulated amplifier while the motor
// swings: chosen rows become series that fill as samples come, one value axis
// per unit, at most eight rows, pause holds the chart, and Record writes the
// file the file question names; every state fits the window in every language.
#include <qcustomplot.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QtTest>
#include <fstream>

#include "monitor/Trend.h"
#include "tests/monitor/MonitorTestSupport.h"
#include "tests/support/ScriptedQuestions.h"

namespace {

struct TrendDesk : MonitorBench {
    explicit TrendDesk(const std::string& family = "fx", int language = 1)
        : MonitorBench(family, 31) {
        drive.catalogue.Load(drive.state.StartFolder, language);
        drive.amplifier->SetServo(true);  // the simulated motor swings
        form = CreateTrendForm(drive.state, sampler, drive.catalogue, ask);
        form->ChangeLanguage();
        drive.state.TrendFormOpen = true;
    }
    ~TrendDesk() { delete form; }
    // ms of sampling, with the window's refresh running as well.
    void Run(int ms) {
        timer.Run(ms, [this] {
            sampler.TrendTimerTimer();
            if (++ticks % (TTrendForm::RefreshMs / TrendSampler::TimerMs) == 0) {
                form->RefreshDisplayData();
            }
        });
        if (!form->Paused()) form->Redraw();  // what the last refreshes left
    }
    void Check(int row) { form->CheckBox(row)->click(); }
    void Click(const char* button) { form->findChild<QPushButton*>(button)->click(); }
    int Points(int graph) const { return form->Plot()->graph(graph)->dataCount(); }
    // The spread of a graph's values: a moving motor gives a line, not a point.
    double Spread(int graph) const {
        bool found = false;
        const QCPRange range = form->Plot()->graph(graph)->data()->valueRange(found);
        return found ? range.size() : 0.0;
    }

    ScriptedQuestions ask;
    MonitorPoll poll{*drive.link, drive.state, drive.map};
    TrendSampler sampler{poll, drive.state, drive.clock};
    TimerSteps timer{drive.clock, TrendSampler::TimerMs};
    int ticks = 0;
    TTrendForm* form;
};

// A control shorter than it needs has its text cut; one that another widget or
// its parent hides in part cannot be read.
void CheckControlsWhole(const TTrendForm& form, bool inView) {
    for (QWidget* control : form.findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<QAbstractButton*>(control) ||
                               qobject_cast<QComboBox*>(control) || qobject_cast<QLabel*>(control);
        if (!isControl || !control->isVisibleTo(&form)) continue;
        const int needed = control->hasHeightForWidth() ? control->heightForWidth(control->width())
                                                        : control->minimumSizeHint().height();
        const QString name = control->objectName();
        QVERIFY2(control->height() >= needed, qPrintable(name));
        if (inView) {
            QVERIFY2(control->visibleRegion() == QRegion(control->rect()), qPrintable(name));
        }
    }
}

// A chart of a usable size whose time labels stand apart.
void CheckChart(QCustomPlot& plot) {
    plot.replot();
    QVERIFY(plot.height() >= 200);
    QVERIFY(plot.axisRect()->width() >= plot.width() / 2);
    const QCPAxis& time = *plot.xAxis;
    const QFontMetrics metrics(time.tickLabelFont());
    const QVector<double> ticks = time.tickVector();
    const QVector<QString> labels = time.tickVectorLabels();
    for (int i = 1; i < ticks.size(); ++i) {
        const double apart = time.coordToPixel(ticks[i]) - time.coordToPixel(ticks[i - 1]);
        const int wide = std::max(metrics.horizontalAdvance(labels[i - 1]),
                                  metrics.horizontalAdvance(labels[i]));
        QVERIFY2(apart > wide, qPrintable(labels[i]));
    }
}

}  // namespace

class TrendFormTest : public QObject {
    Q_OBJECT
private slots:
    void ChosenRowsFillTheirSeriesWhileTheMotorMoves() {
        TrendDesk desk;
        desk.sampler.SetPeriodMs(100);
        desk.Check(1);  // motor speed, r/min
        desk.Check(2);  // torque command, %
        desk.Run(4000);
        QCustomPlot* plot = desk.form->Plot();
        QCOMPARE(plot->graphCount(), 2);
        QCOMPARE(desk.Points(0), 40);
        QCOMPARE(desk.Points(1), 40);
        QVERIFY(desk.Spread(0) > 100);
        QVERIFY(plot->graph(0)->valueAxis() != plot->graph(1)->valueAxis());
        QVERIFY(plot->graph(0)->name().startsWith("Motor speed: "));
        QVERIFY(plot->xAxis->range().upper >= 3.9);
        desk.Check(2);
        QCOMPARE(plot->graphCount(), 1);
        QCOMPARE(desk.Points(0), 40);  // the history stays with the row
    }

    // A narrow window shortens the caption, never the number; while the link
    // is latched the legend is grey.
    void TheLegendKeepsWholeValuesAndGreysThemWhileLatched() {
        TrendDesk desk;
        desk.form->resize(560, 620);
        desk.form->show();
        for (int row : {1, 2, 3, 4, 5, 6, 7, 8}) desk.Check(row);
        desk.Run(600);
        QCPLegend* legend = desk.form->Plot()->legend;
        const QFontMetrics metrics(legend->font());
        for (int g = 0; g < 8; ++g) {
            const QString name = desk.form->Plot()->graph(g)->name();
            bool number = false;
            name.section(": ", 1).section(' ', 0, 0).toDouble(&number);
            QVERIFY2(number, qPrintable(name));
            QVERIFY2(name.section(": ", 0, 0).size() > 1, qPrintable(name));  // more than "…"
            QVERIFY2(metrics.horizontalAdvance(name) <= desk.form->Plot()->width() / legend->wrap(),
                     qPrintable(name));
        }
        QCPGraph* graph = desk.form->Plot()->graph(0);
        auto* item = static_cast<QCPPlottableLegendItem*>(
            desk.form->Plot()->legend->itemWithPlottable(graph));
        QCOMPARE(item->textColor(), QColor(Qt::black));
        desk.drive.state.CommErrorLatched = true;
        desk.form->RefreshDisplayData();
        desk.form->Redraw();
        QCOMPARE(item->textColor(), QColor(Qt::gray));
    }

    void ANinthRowCannotBeChecked() {
        TrendDesk desk;
        for (int row : {1, 2, 3, 4, 5, 6, 7, 8}) desk.Check(row);
        QCOMPARE(desk.form->Plot()->graphCount(), 8);
        QVERIFY(!desk.form->CheckBox(9)->isEnabled());
        QVERIFY(!desk.form->CheckBox(10)->isEnabled());  // not offered on FX
        desk.Check(8);
        QVERIFY(desk.form->CheckBox(9)->isEnabled());
    }

    void PauseHoldsTheChartAndResumeCatchesUp() {
        TrendDesk desk;
        desk.sampler.SetPeriodMs(200);
        desk.Check(1);
        desk.Run(1000);
        desk.Click("PauseBtn");
        QVERIFY(desk.form->Paused());
        const int held = desk.Points(0);
        desk.Run(1000);
        QCOMPARE(desk.Points(0), held);
        desk.Click("PauseBtn");
        QCOMPARE(desk.Points(0), held + 5);
    }

    void RecordWritesEverySampleUntilStop() {
        TrendDesk desk;
        const std::string path = "/tmp/trend_form_test_" + std::to_string(getpid()) + ".csv";
        desk.ask.AnswerFile(path);
        desk.sampler.SetPeriodMs(500);
        desk.Check(1);
        desk.Click("RecordBtn");
        QVERIFY(!desk.form->CheckBox(2)->isEnabled());
        desk.Run(2000);
        desk.Click("RecordBtn");
        QVERIFY(desk.form->CheckBox(2)->isEnabled());
        std::ifstream in(path);
        std::string line;
        std::vector<std::string> lines;
        while (std::getline(in, line)) lines.push_back(line);
        QCOMPARE(lines.size(), std::size_t{5});
        QCOMPARE(lines[0], std::string("time_ms,Motor speed [r/min]"));
        std::remove(path.c_str());
    }

    // In an area as large as the maximised main window's on a 1280x800 screen
    // the window opens with every control whole and in view; in a smaller one
    // it stays inside and its column scrolls rather than crushing a control.
    void EveryStateFitsTheWindowInEveryLanguage_data() {
        QTest::addColumn<int>("language");  // 0 Japanese, 1 English, 2 Chinese
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QSize>("area");
        const char* const names[] = {"Japanese", "English", "Chinese"};
        for (int language : {0, 1, 2}) {
            for (const char* shown : {"none", "rows", "slow", "record", "both"}) {
                QTest::addRow("%s %s", names[language], shown)
                    << language << QString(shown) << QSize(1280, 720);
            }
        }
        QTest::addRow("Japanese both, small area") << 0 << QString("both") << QSize(900, 460);
    }
    void EveryStateFitsTheWindowInEveryLanguage() {
        QFETCH(int, language);
        QFETCH(QString, shown);
        QFETCH(QSize, area);
        QMdiArea mdi;
        mdi.resize(area);
        mdi.show();
        TrendDesk desk("bx", language);
        mdi.addSubWindow(desk.form);
        desk.form->ChangeLanguage();
        desk.form->show();
        const bool slow = shown == "slow" || shown == "both";
        const int rows = shown == "none" ? 0 : slow ? 8 : 2;
        desk.sampler.SetPeriodMs(slow ? 100 : 200);
        for (int row = 1; row <= rows; ++row) desk.Check(row);
        const std::string path = "/tmp/trend_form_test_" + std::to_string(getpid()) +
                                 "_a_measurement_of_axis_four_on_station_twelve_line_three.csv";
        if (shown == "record" || shown == "both") {
            desk.ask.AnswerFile(path);
            desk.Click("RecordBtn");
        }
        desk.Run(1000);
        QApplication::processEvents();
        QVERIFY(mdi.viewport()->rect().contains(desk.form->geometry()));
        QCOMPARE(desk.form->findChild<QLabel*>("SlowLabel")->isVisibleTo(desk.form), slow);
        CheckControlsWhole(*desk.form, area == QSize(1280, 720));
        CheckChart(*desk.form->Plot());
        std::remove(path.c_str());
    }
};

QTEST_MAIN(TrendFormTest)
#include "TrendFormTest.moc"
