#pragma once
#include <array>

#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "monitor/MonitorPoll.h"
#include "monitor/MonitoringWindow.h"

class QCheckBox;
class QLabel;
class QPushButton;

// The data monitor window: one row per quantity (check box, value, unit). Its
// refresh writes the selection for the poll and shows the poll's values; it
// never talks to the amplifier itself. Rows the amplifier does not offer are
// decided once, at opening (for BX by the control mode at that moment).
class TMonitorForm : public MonitoringWindow {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;

    TMonitorForm(DriveState& state, MonitorPoll& poll, const MessageCatalogue& catalogue,
                 QWidget* parent = nullptr);

    void ChangeLanguage() override;
    QCheckBox* CheckBox(int row) const { return rows_[row - 1].check; }
    QLabel* ValueLabel(int row) const { return rows_[row - 1].value; }
    QLabel* UnitLabel(int row) const { return rows_[row - 1].unit; }

public slots:
    void RefreshDisplayData();
    void RefreshDataTimerTimer();
    void MoniSelectAllBtnClick();
    void MoniClearBtnClick();
    void MoniCloseBtnClick();
    void MoniHelpBtnClick();

private:
    struct Row {
        QCheckBox* check = nullptr;
        QLabel* value = nullptr;
        QLabel* unit = nullptr;
    };
    void BuildRows(QWidget* content);
    void BuildButtons(QWidget* content);
    void SetUpRows();

    DriveState& state_;
    MonitorPoll& poll_;
    const MessageCatalogue& catalogue_;
    std::array<Row, MonitorRowCount> rows_;
    QPushButton* helpBtn_ = nullptr;
    QPushButton* selectAllBtn_ = nullptr;
    QPushButton* clearBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    bool refreshBusy_ = true;  // no refresh before the rows are set up
};
