#pragma once
// A simulated amplifier, connected and with an empty exchange log, with
// scripted questions and the seams the file commands take: what every test of
// save, open, table and compare starts from.
#include <string>

#include "files/Transfer.h"
#include "link/LongOperation.h"
#include "tests/support/ScriptedQuestions.h"
#include "tests/support/SimDrive.h"

struct SimTransfer {
    explicit SimTransfer(const std::string& family, int version = 0) : sim(family, version) {
        sim.Connect();
        sim.line->ClearLog();
    }

    SimDrive sim;
    ScriptedQuestions ask;
    LongOperation longOperation;
    TransferSeams seams{*sim.link,
                        sim.state,
                        sim.panel,
                        sim.clock,
                        ask,
                        [this](int n) { return sim.Msg(n); },
                        [this] { sim.identification->Read_current_mode(); }};
};
