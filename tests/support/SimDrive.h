#pragma once
// A whole drive link against the in-process simulated amplifier: the test
// bench of every logic test that talks to an amplifier. It is the program's own
// desk on a simulated line. Nothing waits for real: the clock is a ManualClock
// that the line and the primitives advance.
#include <memory>
#include <stdexcept>
#include <string>

#include "ctl/ServoCtl.h"
#include "desk/Desk.h"
#include "link/AddressMap.h"
#include "link/AmpMembers.h"
#include "link/DriveLink.h"
#include "link/Identification.h"
#include "sim/Amplifier.h"
#include "sim/SimLine.h"

#ifndef SERVODESK_DATA_DIR
#error "SERVODESK_DATA_DIR must name the folder with the catalogues and type files"
#endif

struct SimDrive {
    // family: bx, dx, fx, kqrv, lqrv, yz; fxVersion 0 = the profile's default.
    explicit SimDrive(const std::string& family, int fxVersion = 0)
        : profile(ProfileOf(family, fxVersion)),
          amplifier(std::make_unique<sim::Amplifier>(profile, [this] { return clock.NowMs(); })),
          line(std::make_unique<sim::SimLine>(*amplifier, &clock)),
          desk(std::make_unique<Desk>(SetupOf(*line, clock))),
          state(desk->State),
          panel(desk->Panel),
          catalogue(desk->Catalogue),
          map(desk->Map),
          link(&desk->Link),
          identification(&desk->Ident) {
        catalogue.Load(state.StartFolder, 1);
        SetFamilyState(family);
        LoadAddressMap(map, state.AmpFamily, state.FxVersion, state.QrvFlag);
    }

    // Opens the line and identifies the amplifier, as start-up does.
    void Connect() {
        state.CommErrorLatched = false;
        identification->ConnectRS232();
    }

    std::string Msg(int n) const { return catalogue.Msg(n); }

    // The same drive as the command-line commands take it.
    CtlDrive Ctl() { return {*link, clock, state, panel, map, *identification, *line, catalogue}; }

    ManualClock clock;
    sim::Profile profile;
    std::unique_ptr<sim::Amplifier> amplifier;
    std::unique_ptr<sim::SimLine> line;
    std::unique_ptr<Desk> desk;
    DriveState& state;
    MainPanel& panel;
    MessageCatalogue& catalogue;
    AddressMap& map;
    DriveLink* link;
    Identification* identification;

private:
    static sim::Profile ProfileOf(const std::string& family, int fxVersion) {
        sim::Profile profile;
        if (!sim::MakeProfile(family, fxVersion, profile)) {
            throw std::invalid_argument("no such simulated amplifier: " + family);
        }
        return profile;
    }
    static DeskSetup SetupOf(SerialLine& line, Clock& clock) {
        DeskSetup setup;
        setup.StartFolder = std::string(SERVODESK_DATA_DIR) + "/";
        setup.Port = &line;
        setup.Time = &clock;
        return setup;
    }
    void SetFamilyState(const std::string& family) {
        if (const AmpMember* member = AmpMemberByName(family)) ApplyAmpMember(*member, state);
    }
};
