#pragma once
#include <array>

#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "monitor/AlarmHistory.h"
#include "monitor/MonitoringWindow.h"

class QLabel;
class QPushButton;

// The alarm window: the ten slots of the history with code and text. Clear
// only raises the request; the alarm timer clears and the window redraws when
// the data is ready.
class TAlarmForm : public MonitoringWindow {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;

    TAlarmForm(DriveState& state, AlarmHistory& history, const MessageCatalogue& catalogue,
               QWidget* parent = nullptr);

    void FormCreate();
    void ChangeLanguage() override;
    QLabel* CodeLabel(int slot) const { return codes_[slot - 1]; }
    QLabel* MessageLabel(int slot) const { return messages_[slot - 1]; }

public slots:
    void RefreshAlarmData();
    void RefreshDataTimer();
    void AlarmClearBtnClick();
    void AlarmCloseBtnClick();
    void AlarmHelpBtnClick();

private:
    DriveState& state_;
    AlarmHistory& history_;
    const MessageCatalogue& catalogue_;
    std::array<QLabel*, AlarmSlotCount> captions_{};
    std::array<QLabel*, AlarmSlotCount> codes_{};
    std::array<QLabel*, AlarmSlotCount> messages_{};
    QLabel* unread_ = nullptr;  // says so when the history could not be read
    QPushButton* helpBtn_ = nullptr;
    QPushButton* clearBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    bool refreshBusy_ = true;
};
