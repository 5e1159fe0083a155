#pragma once
#include <array>

#include "link/DriveState.h"
#include "link/MessageCatalogue.h"
#include "monitor/IoDisplay.h"
#include "monitor/MonitoringWindow.h"

class QGroupBox;
class QLabel;
class QPushButton;

// The I/O display window: 13 input and 8 output panels, each redrawn only
// when what it should show changes; unknown (grey) until the poll has read
// its word since the window opened.
class TIOForm : public MonitoringWindow {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;

    TIOForm(DriveState& state, IODisplayPoll& poll, const MessageCatalogue& catalogue,
            QWidget* parent = nullptr);

    void ChangeLanguage() override;
    // Panel p: inputs 0 ... 12, then outputs 13 ... 20.
    QLabel* Panel(int p) const { return panels_[p]; }
    int Redraws() const { return redraws_; }

public slots:
    void RefreshIODisplay();
    void RefreshIODataTimer();
    void IOCloseBtnClick();
    void IOHelpBtnClick();

private:
    QGroupBox* BuildGroup(QWidget* content, const char* name, int x, int count, int firstPanel,
                          const char* labelPrefix, const char* panelPrefix);
    void Draw(int p);

    DriveState& state_;
    IODisplayPoll& poll_;
    const MessageCatalogue& catalogue_;
    IoPanels shown_;
    std::array<QLabel*, IoPanelCount> names_{};
    std::array<QLabel*, IoPanelCount> panels_{};
    QGroupBox* inputGroupBox_ = nullptr;
    QGroupBox* outputGroupBox_ = nullptr;
    QPushButton* helpBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    QLabel* label1_ = nullptr;
    bool refreshBusy_ = true;
    int redraws_ = 0;
};
