#include "monitor/Trend.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "link/CatalogueTexts.h"
#include "monitor/MonitorCsv.h"
#include "monitor/MonitorUi.h"
#include "widgets/ElidedLabel.h"

using namespace CatalogueTexts;

using namespace MonitorUi;

namespace {

constexpr int ControlsWidth = 290;
// Room for every row's check box in Japanese and Chinese, whose fonts are
// the tallest, beside a chart of a good size; smaller when the area is.
constexpr QSize DefaultSize(1000, 640);
constexpr int MinPlotWidth = 300;
constexpr int MinPlotHeight = 200;
constexpr int TimeTickSpacing = 80;  // px between time labels, at least

struct Choice {
    const char* Text;
    int Value;
};
// Visible windows (ms) and sampling periods (ms) the user chooses from.
const Choice Windows[] = {{"10 s", 10000},   {"30 s", 30000},   {"1 min", 60000},
                          {"2 min", 120000}, {"5 min", 300000}, {"10 min", 600000}};
const Choice Periods[] = {{"100 ms", 100}, {"200 ms", 200}, {"500 ms", 500}, {"1 s", 1000}};
constexpr int DefaultWindow = 2;  // 1 min

const QColor Colours[TrendSampler::MaxRows] = {
    QColor(0, 90, 200),  QColor(210, 40, 40), QColor(20, 150, 60), QColor(150, 60, 190),
    QColor(230, 130, 0), QColor(0, 160, 170), QColor(120, 80, 40), QColor(90, 90, 90)};

double Seconds(std::uint64_t ms) {
    return static_cast<double>(ms) / 1000.0;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, const Choice* choices, int count) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (int i = 0; i < count; ++i) box->addItem(choices[i].Text, choices[i].Value);
    return box;
}

QPushButton* Button(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    return button;
}

QLabel* Label(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

}  // namespace

TTrendForm::TTrendForm(DriveState& state, TrendSampler& sampler, const MessageCatalogue& catalogue,
                       Questions& ask, QWidget* parent)
    : QMdiSubWindow(parent), state_(state), sampler_(sampler), catalogue_(catalogue), ask_(ask) {
    setObjectName("TrendForm");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* content = new QWidget(this);
    content->setObjectName("TrendFormClient");
    auto* layout = new QHBoxLayout(content);
    layout->addWidget(BuildControls());
    layout->addLayout(BuildChartColumn(), 1);
    setWidget(content);
    resize(DefaultSize);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setObjectName("RefreshDataTimer");
    refreshTimer_->setInterval(RefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &TTrendForm::RefreshDisplayData);
    Rebuild();
    refreshTimer_->start();
}

// The rows and the choices of window and period, in a column that scrolls
// when the window is too short for it, rather than squeezing its controls.
QWidget* TTrendForm::BuildControls() {
    auto* controls = new QWidget;
    controls->setObjectName("TrendControls");
    controls->setFixedWidth(ControlsWidth);
    auto* column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    // A row this amplifier does not offer is neither read nor kept.
    const auto enabled = MonitorRowsEnabled(state_.AmpFamily, state_.FxVersion, state_.CurrentMode);
    for (int row = 1; row <= MonitorRowCount; ++row) {
        if (!enabled[row - 1]) sampler_.Select(row, false);
    }
    for (int row = 1; row <= MonitorRowCount; ++row) {
        auto* check = new QCheckBox(controls);
        check->setObjectName(QString("CheckBox%1").arg(row));
        check->setChecked(sampler_.Selected(row));
        connect(check, &QCheckBox::clicked, this, [this, row] { CheckBoxClick(row); });
        checks_[row - 1] = check;
        column->addWidget(check);
    }
    EnableChecks();
    hintLabel_ = Label(controls, "HintLabel");
    column->addWidget(hintLabel_);
    windowLabel_ = Label(controls, "WindowLabel");
    windowBox_ = MakeCombo(controls, "WindowBox", Windows, std::size(Windows));
    windowBox_->setCurrentIndex(DefaultWindow);
    windowMs_ = static_cast<std::uint64_t>(Windows[DefaultWindow].Value);
    periodLabel_ = Label(controls, "PeriodLabel");
    periodBox_ = MakeCombo(controls, "PeriodBox", Periods, std::size(Periods));
    periodBox_->setCurrentIndex(std::max(0, periodBox_->findData(sampler_.PeriodMs())));
    for (QWidget* widget : {static_cast<QWidget*>(windowLabel_), static_cast<QWidget*>(windowBox_),
                            static_cast<QWidget*>(periodLabel_), static_cast<QWidget*>(periodBox_)})
        column->addWidget(widget);
    column->addStretch(1);
    connect(windowBox_, &QComboBox::currentIndexChanged, this, &TTrendForm::WindowBoxChange);
    connect(periodBox_, &QComboBox::currentIndexChanged, this, &TTrendForm::PeriodBoxChange);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("TrendControlsScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(controls);
    // The scroll bar, when it comes, takes no width from the controls.
    scroll->setFixedWidth(ControlsWidth + scroll->verticalScrollBar()->sizeHint().width());
    return scroll;
}

// The chart over the lines that report on the sampling and the buttons: the
// texts span the chart's width, so the warning needs few lines and a long
// path loses only its middle.
QLayout* TTrendForm::BuildChartColumn() {
    auto* column = new QVBoxLayout;
    BuildPlot();
    column->addWidget(plot_, 1);
    rateLabel_ = Label(this, "RateLabel");
    slowLabel_ = Label(this, "SlowLabel");
    slowLabel_->setStyleSheet("color: red;");
    slowLabel_->hide();
    recordLabel_ = new ElidedLabel(this);
    recordLabel_->setObjectName("RecordLabel");
    recordLabel_->hide();
    for (QWidget* label : {rateLabel_, slowLabel_, static_cast<QLabel*>(recordLabel_)})
        column->addWidget(label);
    auto* buttons = new QHBoxLayout;
    pauseBtn_ = Button(this, "PauseBtn");
    recordBtn_ = Button(this, "RecordBtn");
    exportBtn_ = Button(this, "ExportBtn");
    closeBtn_ = Button(this, "CloseBtn");
    for (QPushButton* button : {pauseBtn_, recordBtn_, exportBtn_}) buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(closeBtn_);
    column->addLayout(buttons);
    connect(pauseBtn_, &QPushButton::clicked, this, &TTrendForm::PauseBtnClick);
    connect(recordBtn_, &QPushButton::clicked, this, &TTrendForm::RecordBtnClick);
    connect(exportBtn_, &QPushButton::clicked, this, &TTrendForm::ExportBtnClick);
    connect(closeBtn_, &QPushButton::clicked, this, &QMdiSubWindow::close);
    return column;
}

void TTrendForm::BuildPlot() {
    plot_ = new QCustomPlot(this);
    plot_->setObjectName("TrendPlot");
    plot_->setMinimumSize(MinPlotWidth, MinPlotHeight);
    plot_->axisRect()->insetLayout()->take(plot_->legend);
    plot_->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot_->legend->setWrap(LegendColumns);
    plot_->legend->setBorderPen(Qt::NoPen);
    // Plain one-pixel polylines: the cheapest way to draw eight series of
    // thousands of points on every refresh.
    plot_->setNotAntialiasedElements(QCP::aeAll);
    plot_->setPlottingHint(QCP::phFastPolylines, true);
}

// Graphs and value axes for the rows now selected, filled from the samples.
void TTrendForm::Rebuild() {
    plot_->clearGraphs();
    QCPAxisRect* rect = plot_->axisRect();
    for (auto side : {QCPAxis::atLeft, QCPAxis::atRight}) {
        const QList<QCPAxis*> axes = rect->axes(side);
        for (int i = 1; i < axes.size(); ++i) rect->removeAxis(axes[i]);
    }
    plot_->yAxis2->setVisible(false);
    unitAxes_.clear();
    plotted_ = sampler_.SelectedRows();
    PlaceLegend(!plotted_.empty());
    for (std::size_t i = 0; i < plotted_.size(); ++i) {
        const int unit = MonitorUnitMessage(plotted_[i]);
        QCPAxis*& axis = unitAxes_[unit];
        if (!axis) {
            const std::size_t k = unitAxes_.size() - 1;
            axis = k == 0   ? plot_->yAxis
                   : k == 1 ? plot_->yAxis2
                            : rect->addAxis(k % 2 ? QCPAxis::atRight : QCPAxis::atLeft);
            axis->setVisible(true);
            axis->setLabel(Text(Msg(unit)));
        }
        QCPGraph* graph = plot_->addGraph(plot_->xAxis, axis);
        // A one-pixel pen keeps the raster engine on its fast line path.
        graph->setPen(QPen(Colours[i]));
    }
    const TrendBuffer& samples = sampler_.Samples();
    shownPushed_ = samples.Pushed() - samples.Size();
    Redraw();
}

// The legend sits in a row above the chart, so that it never hides the
// lines. An empty legend leaves the layout altogether: the
// chart's column would otherwise be no wider than the legend's margins.
void TTrendForm::PlaceLegend(bool shown) {
    QCPLayoutGrid* layout = plot_->plotLayout();
    const bool placed = plot_->legend->layout() == layout;
    plot_->legend->setVisible(shown);
    if (shown == placed) return;
    if (shown) {
        layout->insertRow(0);
        layout->addElement(0, 0, plot_->legend);
        layout->setRowStretchFactor(0, 0.001);
    } else {
        layout->take(plot_->legend);
        layout->simplify();
    }
}

// Adds the samples taken since the last redraw and drops those that left the
// window, so a redraw costs the new samples, not the whole window.
void TTrendForm::AppendNewSamples() {
    const TrendBuffer& samples = sampler_.Samples();
    if (samples.Size() == 0) return;
    const std::uint64_t fresh = samples.Pushed() - std::min(shownPushed_, samples.Pushed());
    const std::uint64_t oldestMs =
        samples.Newest().TimeMs > windowMs_ ? samples.Newest().TimeMs - windowMs_ : 0;
    const std::size_t first = samples.Size() - std::min<std::uint64_t>(fresh, samples.Size());
    for (std::size_t s = first; s < samples.Size(); ++s) {
        const TrendSample& sample = samples.At(s);
        if (sample.TimeMs < oldestMs) continue;
        for (std::size_t g = 0; g < plotted_.size(); ++g) {
            plot_->graph(static_cast<int>(g))
                ->addData(Seconds(sample.TimeMs), sample.Values[plotted_[g] - 1]);
        }
    }
    for (int g = 0; g < plot_->graphCount(); ++g)
        plot_->graph(g)->data()->removeBefore(Seconds(oldestMs));
    shownPushed_ = samples.Pushed();
}

// The legend names each quantity with its latest value.
void TTrendForm::ShowLatest() {
    const TrendBuffer& samples = sampler_.Samples();
    std::vector<LegendEntry> entries;
    for (const int row : plotted_) {
        QString value = "----";
        if (samples.Size() > 0 && !std::isnan(samples.Newest().Values[row - 1])) {
            value = QString::number(samples.Newest().Values[row - 1], 'g', 7);
        }
        const std::string caption =
            MonitorCaptionText(row, state_.AmpFamily, state_.FxVersion, catalogue_);
        entries.push_back(
            {Text(caption), QString(": %1 %2").arg(value, Text(Msg(MonitorUnitMessage(row))))});
    }
    const int column = FitLegendColumns(entries);
    for (std::size_t g = 0; g < entries.size(); ++g) {
        QCPGraph* graph = plot_->graph(static_cast<int>(g));
        graph->setName(LegendText(entries[g], column));
        // While the link is latched the latest values are the last ones read.
        if (QCPAbstractLegendItem* item = plot_->legend->itemWithPlottable(graph))
            static_cast<QCPPlottableLegendItem*>(item)->setTextColor(
                state_.CommErrorLatched ? Qt::gray : Qt::black);
    }
}

// As many legend columns as leave every entry its whole value and the start
// of its caption; returns the room of one column, 0 before the chart is laid out.
int TTrendForm::FitLegendColumns(const std::vector<LegendEntry>& entries) {
    if (!plot_->isVisible() || entries.empty()) return 0;
    const QFontMetrics metrics(plot_->legend->font());
    int widestTail = 0;
    for (const LegendEntry& entry : entries)
        widestTail = std::max(widestTail, metrics.horizontalAdvance(entry.Tail));
    const int padding =
        plot_->legend->iconSize().width() + plot_->legend->iconTextPadding() + LegendColumnMargin;
    const int needed = padding + widestTail + LegendCaptionChars * metrics.averageCharWidth();
    const int most = std::min(LegendColumns, static_cast<int>(entries.size()));
    const int columns = std::clamp(plot_->width() / needed, 1, most);
    if (plot_->legend->wrap() != columns) {
        plot_->legend->setWrap(columns);
        plot_->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
    }
    return plot_->width() / columns - padding;
}

// "Caption: value unit" in its column. A cut number would read as another
// number, so only the caption is shortened to make it fit.
QString TTrendForm::LegendText(const LegendEntry& entry, int column) const {
    if (column <= 0) return entry.Caption + entry.Tail;
    const QFontMetrics metrics(plot_->legend->font());
    const int room = std::max(0, column - metrics.horizontalAdvance(entry.Tail));
    return metrics.elidedText(entry.Caption, Qt::ElideRight, room) + entry.Tail;
}

void TTrendForm::FitAxes() {
    const TrendBuffer& samples = sampler_.Samples();
    const double newest = samples.Size() ? Seconds(samples.Newest().TimeMs) : 0.0;
    const double span = Seconds(windowMs_);
    plot_->xAxis->setRange(std::max(newest, span) - span, std::max(newest, span));
    // Fewer time labels on a narrow chart, so that they never meet.
    plot_->xAxis->ticker()->setTickCount(std::max(2, plot_->axisRect()->width() / TimeTickSpacing));
    std::map<QCPAxis*, bool> fitted;
    for (int g = 0; g < plot_->graphCount(); ++g) {
        QCPGraph* graph = plot_->graph(g);
        bool& enlarge = fitted[graph->valueAxis()];
        graph->rescaleValueAxis(enlarge, true);
        enlarge = true;
    }
    for (auto& [axis, unused] : fitted) {
        if (axis->range().size() < 1e-9) {
            axis->setRange(axis->range().center() - 1, axis->range().center() + 1);
        } else {
            axis->scaleRange(1.1, axis->range().center());
        }
    }
}

void TTrendForm::ShowRate() {
    const int achieved = sampler_.AchievedPeriodMs();
    rateLabel_->setText(QString("%1: %2 ms")
                            .arg(Text(Msg(MsgAchieved)))
                            .arg(achieved ? QString::number(achieved) : QString("----")));
    slowLabel_->setVisible(sampler_.TooSlow());
}

void TTrendForm::RefreshDisplayData() {
    ShowRate();
    if (sampler_.Recording().IsOpen() && sampler_.Recording().Failed()) {
        StopRecording();
        ask_.StandardDialog(Msg(MsgNotWritten), DialogKind::Error, {sbOK});
    }
    if (paused_) return;
    const TrendBuffer& samples = sampler_.Samples();
    if (shownPushed_ > samples.Pushed()) {
        Rebuild();  // the sampler started afresh
        return;
    }
    // A long window moves by less than a pixel a refresh: it is redrawn once
    // its time has moved by a pixel column, which keeps a full ten-minute
    // chart well under a redraw a second.
    const std::uint64_t pixelMs =
        windowMs_ / static_cast<std::uint64_t>(std::max(1, plot_->axisRect()->width()));
    if (samples.Size() && samples.Newest().TimeMs < redrawnAtMs_ + pixelMs) return;
    Redraw();
}

void TTrendForm::Redraw() {
    const TrendBuffer& samples = sampler_.Samples();
    redrawnAtMs_ = samples.Size() ? samples.Newest().TimeMs : 0;
    AppendNewSamples();
    ShowLatest();
    FitAxes();
    plot_->replot();
}

void TTrendForm::CheckBoxClick(int row) {
    QCheckBox* check = checks_[row - 1];
    if (!sampler_.Select(row, check->isChecked())) check->setChecked(false);
    EnableChecks();
    Rebuild();
}

// Offered rows can be checked up to eight; none change while recording, which
// fixes the file's columns.
void TTrendForm::EnableChecks() {
    const bool full = static_cast<int>(sampler_.SelectedRows().size()) >= TrendSampler::MaxRows;
    const bool recording = sampler_.Recording().IsOpen();
    const auto enabled = MonitorRowsEnabled(state_.AmpFamily, state_.FxVersion, state_.CurrentMode);
    for (int row = 1; row <= MonitorRowCount; ++row) {
        QCheckBox* check = checks_[row - 1];
        check->setEnabled(enabled[row - 1] && !recording && (check->isChecked() || !full));
        // A row without a caption on this amplifier is not one of its quantities.
        check->setVisible(MonitorCaptionMessage(row, state_.AmpFamily, state_.FxVersion) != 0);
    }
}

void TTrendForm::WindowBoxChange(int index) {
    windowMs_ = static_cast<std::uint64_t>(
        Windows[std::clamp<int>(index, 0, std::size(Windows) - 1)].Value);
    Rebuild();
}

void TTrendForm::PeriodBoxChange(int index) {
    sampler_.SetPeriodMs(periodBox_->itemData(index).toInt());
    ShowRate();
}

void TTrendForm::SetPaused(bool paused) {
    paused_ = paused;
    pauseBtn_->setText(Text(Msg(paused ? MsgResume : MsgPause)));
    if (!paused) {
        plot_->setInteractions({});
        Rebuild();
        return;
    }
    QList<QCPAxis*> values;
    for (auto& [unit, axis] : unitAxes_) values.append(axis);
    plot_->axisRect()->setRangeDragAxes({plot_->xAxis}, values);
    plot_->axisRect()->setRangeZoomAxes({plot_->xAxis}, values);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
}

void TTrendForm::PauseBtnClick() {
    SetPaused(!paused_);
}

void TTrendForm::RecordBtnClick() {
    if (sampler_.Recording().IsOpen()) {
        StopRecording();
        return;
    }
    const auto path = ask_.ChooseFileToSave(
        {Msg(MsgRecordTitle), state_.WorkFolder, "CSV files|*.csv|All files|*.*", "trend.csv"});
    if (!path) return;
    const std::string header =
        MonitorCsvHeader(sampler_.SelectedRows(), state_.AmpFamily, state_.FxVersion, catalogue_);
    if (!sampler_.StartRecording(*path, header)) {
        ask_.StandardDialog(Msg(MsgNotWritten), DialogKind::Error, {sbOK});
        return;
    }
    EnableChecks();
    recordBtn_->setText(Text(Msg(MsgStop)));
    ShowRecordPath();
}

void TTrendForm::ShowRecordPath() {
    const TrendRecorder& recording = sampler_.Recording();
    recordLabel_->SetFullText(Text(Msg(MsgRecordingTo) + ": " + recording.Path()));
    recordLabel_->setVisible(recording.IsOpen());
}

void TTrendForm::StopRecording() {
    const bool written = sampler_.StopRecording();
    EnableChecks();
    recordBtn_->setText(Text(Msg(MsgRecord)));
    ShowRecordPath();
    if (!written) ask_.StandardDialog(Msg(MsgNotWritten), DialogKind::Error, {sbOK});
}

void TTrendForm::ExportBtnClick() {
    const auto path = ask_.ChooseFileToSave(
        {Msg(MsgExportTitle), state_.WorkFolder, "PNG images|*.png", "trend.png"});
    if (path && !plot_->savePng(QString::fromStdString(*path))) {
        ask_.StandardDialog(Msg(MsgNotWritten), DialogKind::Error, {sbOK});
    }
}

void TTrendForm::ChangeLanguage() {
    setWindowTitle(Text(Msg(MsgTrend)));
    for (int row = 1; row <= MonitorRowCount; ++row) {
        checks_[row - 1]->setText(
            Text(MonitorCaptionText(row, state_.AmpFamily, state_.FxVersion, catalogue_)));
    }
    hintLabel_->setText(Text(Msg(MsgChooseRows)));
    windowLabel_->setText(Text(Msg(MsgVisibleWindow)));
    periodLabel_->setText(Text(Msg(MsgSampleEvery)));
    slowLabel_->setText(Text(Msg(MsgTooSlow)));
    pauseBtn_->setText(Text(Msg(paused_ ? MsgResume : MsgPause)));
    recordBtn_->setText(Text(Msg(sampler_.Recording().IsOpen() ? MsgStop : MsgRecord)));
    exportBtn_->setText(Text(Msg(MsgExport)));
    ShowRecordPath();
    closeBtn_->setText(Text(Msg(MsgButtonClose)));
    plot_->xAxis->setLabel(Text(Msg(MsgTimeAxis)));
    for (auto& [unit, axis] : unitAxes_) axis->setLabel(Text(Msg(unit)));
    ShowRate();
    ShowLatest();
    plot_->replot();
}

// It opens no larger than the area that holds it, and inside it.
void TTrendForm::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    const QWidget* area = parentWidget();
    if (!area) return;
    resize(size().boundedTo(area->size()));
    move(std::clamp(x(), 0, area->width() - width()),
         std::clamp(y(), 0, area->height() - height()));
}

void TTrendForm::closeEvent(QCloseEvent* event) {
    refreshTimer_->stop();
    if (sampler_.Recording().IsOpen()) StopRecording();
    state_.TrendFormOpen = false;
    NotifyClosed();
    QMdiSubWindow::closeEvent(event);
}

TTrendForm* CreateTrendForm(DriveState& state, TrendSampler& sampler,
                            const MessageCatalogue& catalogue, Questions& ask, QWidget* parent) {
    sampler.Start();
    return new TTrendForm(state, sampler, catalogue, ask, parent);
}
