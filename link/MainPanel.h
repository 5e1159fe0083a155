#pragma once
#include <functional>
#include <string>
#include <vector>

// What logic shows on the main window. Logic writes it, TMainForm mirrors it
// on its refresh, tests read it.
struct MainPanel {
    std::string MainMsg1;  // servo state
    std::string MainMsg2;  // status or alarm text
    std::string MainMsg3;  // current mode
    std::string MainMsg4;  // link state
    std::string MainMsg5;  // model text
    std::string MainMsg6;  // extra status text (BX)
    std::string CPULabel = "CPU:XXX";
    std::string EEPLabel = "EEP:XXX";

    bool ProgressPanel = false;  // shown during long transfers
    std::string ProgressMsg;
    bool ProgressFailed = false;  // the message reports a failure: shown in red
    int RWGaugeProgress = 0;      // 0 ... RWGaugeMax
    int RWGaugeMax = 100;

    std::vector<std::string> Memo1;  // log lines of long transfers
    bool Memo1Visible = false;

    // Set by identification when the amplifier accepts the reset command.
    bool M34ResetEnabled = false;

    // "Let pending window events run": the window sets it to processEvents,
    // tests leave it empty.
    std::function<void()> ProcessEvents;
    void LetEventsRun() const {
        if (ProcessEvents) ProcessEvents();
    }
};
