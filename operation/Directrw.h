#pragma once

#include "operation/DirectAccess.h"
#include "operation/OperationWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TFSpinEdit;

// The direct read/write window of service mode. The entries' texts go to the
// direct access logic, which queues the requests for DirectSetTimer;
// DataFresh shows what the reads delivered and every request's result.
class TDirectRWForm : public OperationWindow {
    Q_OBJECT
public:
    static constexpr int FreshMs = 100;
    static constexpr int ResultLines = 3;

    TDirectRWForm(DirectAccess& access, DriveState& state, const MessageCatalogue& catalogue,
                  QWidget* parent = nullptr);
    void ChangeLanguage() override;

public slots:
    void ROMWriteBtnClick();
    void ROMReadBtnClick();
    void RAMWriteBtnClick();
    void RAMReadBtnClick();
    void DRWCloseBtnClick();
    void DataFreshTimer();

private:
    struct HalfControls {
        TFSpinEdit* AddressEdit = nullptr;
        TFSpinEdit* ValueEdit = nullptr;
        QLineEdit* AddressBox = nullptr;
        QLineEdit* ValueBox = nullptr;
        QPushButton* WriteBtn = nullptr;
        QPushButton* ReadBtn = nullptr;
    };
    void Build();
    void BuildHalf(QWidget* client, DirectHalf half, const char* prefix, int y);
    void FormCreate();
    void WireHalf(DirectHalf half);
    void ShowBoxes(DirectHalf half);
    void ShowResults(const std::vector<std::string>& lines, const std::string& refusal);
    HalfControls& Controls(DirectHalf half) { return half == DirectHalf::Rom ? rom_ : ram_; }

    DirectAccess& access_;
    DriveState& state_;
    HalfControls rom_;
    HalfControls ram_;
    QLabel* parameterNumber_ = nullptr;
    QLabel* results_ = nullptr;
    QStringList resultLines_;
    QTimer* freshTimer_ = nullptr;
};
