// record_demo FILE: three production units of FILE against the in-process
// simulated amplifier (the third with a word the amplifier will not keep),
// each appended to the production record, for a look at it in the viewer.
#include <cstdio>

#include "files/ProductionRecord.h"
#include "files/Verify.h"
#include "tests/support/ScriptedQuestions.h"
#include "tests/support/SimDrive.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string file = argv[1];
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(file, lines, error)) return 1;
    for (int unit = 1; unit <= 3; ++unit) {
        SimDrive sim("fx", 31);
        sim.Connect();
        if (unit == 3) sim.amplifier->PinRam(0x22, 0x0777);
        ScriptedQuestions ask;
        TransferSeams seams{*sim.link, sim.state, sim.panel,
                            sim.clock, ask,       [&sim](int n) { return sim.Msg(n); },
                            nullptr};
        const FileKind& kind = FileKindFor(sim.state);
        TransferPass pass(seams);
        const PassResult result = pass.Run(CheckTransferFile(lines, kind), kind);
        const VerifyResult verify = VerifyAndLog(seams, result, kind);
        ProductionUnit record =
            MakeProductionUnit(sim.state, sim.panel, "Com1", file, result, verify, false, unit);
        if (!AppendProductionUnit(ProductionRecordPath(), record, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    std::printf("%s\n", ProductionRecordPath().c_str());
    return 0;
}
