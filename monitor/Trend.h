#pragma once
#include <QMdiSubWindow>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "link/Questions.h"
#include "monitor/TrendSampler.h"
#include "widgets/ChildWindow.h"

class ElidedLabel;
class QCheckBox;
class QComboBox;
class QCPAxis;
class QCustomPlot;
class QLabel;
class QLayout;
class QPushButton;
class QTimer;

// The trend window: up to eight monitor rows plotted against time in one
// chart, one value axis per unit, with pause, zoom and pan while paused,
// recording to CSV and export as PNG. It never talks to the amplifier: it
// chooses rows and period for the sampler and draws what the sampler holds.
class TTrendForm : public QMdiSubWindow, public ChildWindow {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 200;
    static constexpr int LegendColumns = 4;
    static constexpr int LegendColumnMargin = 16;  // the entry's own padding
    static constexpr int LegendCaptionChars = 6;   // the least of a caption a column keeps

    TTrendForm(DriveState& state, TrendSampler& sampler, const MessageCatalogue& catalogue,
               Questions& ask, QWidget* parent = nullptr);

    void ChangeLanguage() override;
    QCheckBox* CheckBox(int row) const { return checks_[row - 1]; }
    QCustomPlot* Plot() const { return plot_; }
    bool Paused() const { return paused_; }

public slots:
    void RefreshDisplayData();
    // Adds the new samples to the chart and draws it.
    void Redraw();
    void PauseBtnClick();
    void RecordBtnClick();
    void ExportBtnClick();
    void CheckBoxClick(int row);
    void WindowBoxChange(int index);
    void PeriodBoxChange(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildControls();
    QLayout* BuildChartColumn();
    void BuildPlot();
    void PlaceLegend(bool shown);
    void Rebuild();
    void AppendNewSamples();
    void ShowLatest();
    struct LegendEntry {
        QString Caption;
        QString Tail;  // ": value unit"
    };
    int FitLegendColumns(const std::vector<LegendEntry>& entries);
    QString LegendText(const LegendEntry& entry, int column) const;
    void FitAxes();
    void ShowRate();
    void SetPaused(bool paused);
    void EnableChecks();
    void StopRecording();
    void ShowRecordPath();
    std::string Msg(int n) const { return catalogue_.Msg(n); }

    DriveState& state_;
    TrendSampler& sampler_;
    const MessageCatalogue& catalogue_;
    Questions& ask_;
    std::array<QCheckBox*, MonitorRowCount> checks_{};
    QComboBox* windowBox_ = nullptr;
    QComboBox* periodBox_ = nullptr;
    QLabel* windowLabel_ = nullptr;
    QLabel* periodLabel_ = nullptr;
    QLabel* rateLabel_ = nullptr;
    QLabel* slowLabel_ = nullptr;
    ElidedLabel* recordLabel_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    QPushButton* pauseBtn_ = nullptr;
    QPushButton* recordBtn_ = nullptr;
    QPushButton* exportBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    QCustomPlot* plot_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    std::vector<int> plotted_;          // rows, in graph order
    std::map<int, QCPAxis*> unitAxes_;  // unit message -> value axis
    std::uint64_t shownPushed_ = 0;     // samples already in the graphs
    std::uint64_t windowMs_ = 60000;
    std::uint64_t redrawnAtMs_ = 0;  // time of the newest sample drawn
    bool paused_ = false;
};

// M15TrendClick: the trend starts afresh with the rows and period it had.
TTrendForm* CreateTrendForm(DriveState& state, TrendSampler& sampler,
                            const MessageCatalogue& catalogue, Questions& ask,
                            QWidget* parent = nullptr);
