#pragma once
#include <array>
#include <string>

// Values of DriveState::AmpFamily.
namespace Family {
constexpr int Bx = 0;
constexpr int Dx = 1;
constexpr int Fx = 2;  // FX, KQRV, LQRV and YZ
}  // namespace Family

// Shared drive state, one object owned by the main window and passed by
// reference to every logic object. Field names are the established ones.
struct DriveState {
    // Family and version.
    int AmpFamily = 0;  // 0 BX, 1 DX, 2 FX group
    bool QrvFlag = false;
    bool LqrvFlag = false;
    bool YzFlag = false;
    int FxVersion = 25;

    // Identification.
    int CpuDate = 0;
    int CpuVersion = 0;
    int AmpRating = 0;
    int MotorCode = 0;
    int BxScaleA = 1;
    int BxScaleB = 1;
    int BxScaleC = 1;

    // Live status.
    int StatusWord = 0;
    int StatusCode = 0;
    int CurrentMode = -1;
    int ServoWord = 0;
    int IoWord = 0;
    bool RefreshServo = false;

    // Link.
    bool CommErrorLatched = false;

    // Shell.
    int Language = 1;  // 0 Japanese, 1 English, 2 Chinese
    int SelectCom = 0;
    bool ServiceMode = false;
    bool FullAccess = false;
    int UserLevel = 0;
    bool UserRestricted = true;
    std::string StartFolder;
    std::string WorkFolder;
    std::string TempFileName;
    std::array<int, 4> PrintLines{58, 24, 36, 0};
    // Transfers: the File menu's check items, remembered in Init.ini.
    bool VerifyAfterTransfer = true;
    bool PreviewBeforeTransfer = true;
    bool BackupInProduction = false;  // the production pass backs up each unit

    // Guards. The busy flags start set and are cleared at the end of start-up.
    bool PollBusy = true;
    bool ParamWriteBusy = true;
    bool MonitorBusy = true;
    bool IODisplayBusy = true;
    bool AlarmBusy = true;
    bool JogBusy = true;
    bool AutoTuneBusy = true;
    bool DirectSetBusy = true;
    bool SaveBusy = false;
    bool TransferBusy = false;

    // One open flag per child window.
    bool MonitorFormOpen = false;
    bool IOFormOpen = false;
    bool AlarmFormOpen = false;
    bool SystemFormOpen = false;
    bool SpeedFormOpen = false;
    bool TorqueFormOpen = false;
    bool PositionFormOpen = false;
    bool JogFormOpen = false;
    bool AutoTuneFormOpen = false;
    bool DirectRWFormOpen = false;
    bool TrendFormOpen = false;
};
