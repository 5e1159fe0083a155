#pragma once
// A whole drive link against the in-process simulated amplifier: the test
// bench of every logic test that talks to an amplifier. Nothing waits for real:
// the clock is a ManualClock that the line and the primitives advance.
#include <memory>
#include <stdexcept>
#include <string>

#include "ctl/ServoCtl.h"
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
    explicit SimDrive(const std::string& family, int fxVersion = 0) {
        if (!sim::MakeProfile(family, fxVersion, profile)) {
            throw std::invalid_argument("no such simulated amplifier: " + family);
        }
        amplifier = std::make_unique<sim::Amplifier>(profile, [this] { return clock.NowMs(); });
        line = std::make_unique<sim::SimLine>(*amplifier, &clock);
        state.StartFolder = std::string(SERVODESK_DATA_DIR) + "/";
        catalogue.Load(state.StartFolder, 1);
        SetFamilyState(family);
        link = std::make_unique<DriveLink>(*line, clock, state, panel, catalogue);
        identification =
            std::make_unique<Identification>(*link, *line, state, panel, catalogue, map);
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
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    AddressMap map;
    std::unique_ptr<DriveLink> link;
    std::unique_ptr<Identification> identification;

private:
    void SetFamilyState(const std::string& family) {
        if (const AmpMember* member = AmpMemberByName(family)) ApplyAmpMember(*member, state);
    }
};
