// Shows one operation window against the simulated amplifier in a chosen
// state and saves a picture of it, for looking at the windows:
//   operation_demo jog|tune5|tune6|tune13|directbx|directfx out.png
#include <QApplication>
#include <QMdiArea>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <string>

#include "operation/Autotune.h"
#include "operation/Directrw.h"
#include "operation/Jog.h"
#include "params/Fspinedit.h"
#include "tests/support/SimDrive.h"

namespace {

void Advance(SimDrive& sim, int ticks, int ms, const std::function<void()>& tick) {
    for (int i = 0; i < ticks; ++i) {
        sim.clock.Advance(static_cast<std::uint64_t>(ms));
        tick();
    }
}

QWidget* ShowJog(SimDrive& sim, QMdiArea& area) {
    static JogControl jog(*sim.link, sim.state, sim.map);
    sim.amplifier->SetEeprom(0x2E, 5461);
    jog.ReadSavedSpeed();
    auto* form = new TJogForm(jog, sim.state, sim.catalogue);
    area.addSubWindow(form);
    form->ChangeLanguage();
    form->show();
    sim.state.JogFormOpen = true;
    form->findChild<QPushButton*>("CWBtn")->click();
    Advance(sim, 8, 400, [&] { jog.JogTimerTimer(); });
    form->JogRefreshDataTimerTimer();
    return form;
}

QWidget* ShowTune(SimDrive& sim, QMdiArea& area, int wanted) {
    static TuneMachine machine(*sim.link, sim.state, sim.map);
    auto* form = new TAutoTuneForm(machine, sim.state, sim.catalogue);
    area.addSubWindow(form);
    form->ChangeLanguage();
    form->show();
    sim.state.AutoTuneFormOpen = true;
    sim.amplifier->SetServo(false);
    sim.amplifier->SetTuningFails(wanted == TuneFailed);
    form->StartBtnClick();
    for (int i = 0; i < 40 && machine.Globals().TuneState != wanted; ++i) {
        if (machine.Globals().TuneState == TuneWaitServoOn) sim.amplifier->SetServo(true);
        sim.clock.Advance(500);
        machine.AutoTuneTimerTimer();
        form->ShowTuneStatusTimerTimer();
    }
    return form;
}

QWidget* ShowDirect(SimDrive& sim, QMdiArea& area) {
    static DirectAccess access(*sim.link, sim.state, sim.catalogue);
    auto* form = new TDirectRWForm(access, sim.state, sim.catalogue);
    area.addSubWindow(form);
    form->ChangeLanguage();
    form->show();
    sim.state.DirectRWFormOpen = true;
    const bool bx = sim.state.AmpFamily == 0;
    form->findChild<TFSpinEdit*>("ROM_Add_SpinEdit")->setText(bx ? "46" : "20");
    form->findChild<QPushButton*>("ROMReadBtn")->click();
    form->findChild<TFSpinEdit*>("ROM_Val_SpinEdit")->setText("-");
    access.DirectSetTimer();
    form->DataFreshTimer();
    form->findChild<QPushButton*>("ROMWriteBtn")->click();
    form->DataFreshTimer();
    return form;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: operation_demo jog|tune5|tune6|tune13|directbx|directfx out.png\n");
        return 2;
    }
    const std::string what = argv[1];
    SimDrive sim(what == "directfx" ? "fx" : "bx");
    sim.Connect();
    sim.state.JogBusy = sim.state.AutoTuneBusy = sim.state.DirectSetBusy = false;
    QMdiArea area;
    area.resize(640, 480);
    area.show();
    QWidget* form = nullptr;
    if (what == "jog") form = ShowJog(sim, area);
    if (what == "tune5") form = ShowTune(sim, area, TuneFollow);
    if (what == "tune6") form = ShowTune(sim, area, TuneResultReady);
    if (what == "tune13") form = ShowTune(sim, area, TuneFailed);
    if (what == "directbx" || what == "directfx") form = ShowDirect(sim, area);
    if (!form) return 2;
    form->move(10, 10);
    QTimer::singleShot(300, [&] {
        area.grab().save(argv[2]);
        app.quit();
    });
    return app.exec();
}
