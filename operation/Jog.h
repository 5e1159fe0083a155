#pragma once
#include "operation/JogControl.h"
#include "operation/OperationWindow.h"

class QLabel;
class QPushButton;
class TFSpinEdit;

// The jog window. It only raises requests on the jog logic and shows what the
// jog timer read; it refuses to close while the motor may run.
class TJogForm : public OperationWindow {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 400;

    TJogForm(JogControl& jog, DriveState& state, const MessageCatalogue& catalogue,
             QWidget* parent = nullptr);
    void ChangeLanguage() override;

public slots:
    void CWBtnClick();
    void CCWBtnClick();
    void StopBtnClick();
    void JogCloseBtnClick();
    void JogRefreshDataTimerTimer();

protected:
    bool MayClose() override { return jog_.CanClose(); }

private:
    void Build();
    void StartJog(bool clockwise);
    void ShowRunState();

    JogControl& jog_;
    const DriveState& state_;
    TFSpinEdit* jogSpeedEdit_ = nullptr;
    QPushButton* cwBtn_ = nullptr;
    QPushButton* ccwBtn_ = nullptr;
    QPushButton* stopBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    QLabel* values_[4] = {};
    QLabel* statusLabel_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    bool refreshBusy_ = false;
};
