#pragma once
#include "operation/OperationWindow.h"
#include "operation/TuneMachine.h"

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

// The automatic gain tuning window: Start, OK and Cancel move the tuning
// machine on; its own timer shows each new state.
class TAutoTuneForm : public OperationWindow {
    Q_OBJECT
public:
    static constexpr int StatusMs = 500;

    TAutoTuneForm(TuneMachine& machine, DriveState& state, const MessageCatalogue& catalogue,
                  QWidget* parent = nullptr);
    void ChangeLanguage() override;

public slots:
    void StartBtnClick();
    void OKBtnClick();
    void CancelBtnClick();
    void TuneCloseBtnClick();
    void ShowTuneStatusTimerTimer();

private:
    void Build();
    void BuildPanel(QWidget* client);
    void Apply(const TuneDisplay& display);
    void BackToIdleAndClose();
    void ShowIdleHint();

    TuneMachine& machine_;
    DriveState& state_;
    QRadioButton* modes_[4] = {};
    QPushButton* startBtn_ = nullptr;
    QLabel* tuneStatus_ = nullptr;
    QFrame* tunePanel_ = nullptr;
    QLabel* tuneStatus1_ = nullptr;
    QLabel* tuneStatus2_ = nullptr;
    QLabel* pGain_ = nullptr;
    QLabel* iGain_ = nullptr;
    QPushButton* okBtn_ = nullptr;
    QPushButton* cancelBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    bool statusBusy_ = false;
};
