// The parameter table command against the simulated amplifier: filling,
// edits, Save, write-back and its protection.
#include "files/ParamTable.h"
#include "files/TableCommand.h"
#include "link/Procedure.h"
#include "tests/files/FxBench.h"

namespace {

constexpr int ControlModeCell = 10;  // index 22 bits 0-3, limits 0 to 5 in limit.ini

struct TableBench : FxBench {
    using FxBench::FxBench;
    ParamTableCommand table{seams, longOperation};
    // Runs the command filling from the amplifier; form does what the user
    // does in the window.
    void FromAmplifier(std::function<void(ParamTableCommand&)> form) {
        ask.Answer(mrYes);
        table.SetTableForm(std::move(form));
        table.M36TableClick();
    }
};

TEST(TableCommandSim, PackedWordIsShownAsFieldsAndWrittenBackJoined) {
    TableBench bench("kqrv");
    bench.SetWord(22, 0x1234);
    bench.FromAmplifier([&](ParamTableCommand& t) {
        EXPECT_EQ(t.Rows().size(), 140u);
        EXPECT_EQ(t.Values().Cell(ControlModeCell), 4);
        EXPECT_EQ(t.Values().Cell(ControlModeCell + 3), 1);
        EXPECT_TRUE(t.Edit(ControlModeCell, 5));
        bench.ask.Answer(mrYes);
        t.FormClose();
    });
    ASSERT_GE(bench.ask.AskedQuestions().size(), 2u);
    EXPECT_EQ(bench.ask.AskedQuestions()[0].text, bench.sim.Msg(186));
    EXPECT_EQ(bench.ask.AskedQuestions()[0].captions.First, 187);
    EXPECT_EQ(bench.ask.AskedQuestions()[1].text, bench.sim.Msg(189));
    EXPECT_EQ(bench.Word(22), 0x1235);
    const auto writes = bench.Writes();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes.front(), std::make_pair(std::string("C0"), std::string("0000")));
    EXPECT_EQ(writes[writes.size() - 2], std::make_pair(std::string("0B"), std::string("0000")));
    EXPECT_EQ(writes.back(), std::make_pair(std::string("C0"), std::string("0001")));
    for (const char* kept : {"30", "31", "32", "33", "39", "40", "5E"}) {
        EXPECT_FALSE(bench.Wrote(kept)) << kept;
    }
    for (const char* written : {"0C", "2F", "34", "38", "5F", "7F"}) {
        EXPECT_TRUE(bench.Wrote(written)) << written;
    }
    EXPECT_EQ(bench.table.Last().WriteBack.FailedWrites, 0);
}

TEST(TableCommandSim, FullAccessWritesTheSystemRangeButNever48To51) {
    TableBench bench("kqrv");
    bench.sim.state.FullAccess = true;
    bench.FromAmplifier([&](ParamTableCommand& t) {
        bench.ask.Answer(mrYes);
        t.FormClose();
    });
    EXPECT_TRUE(bench.Wrote("40"));
    EXPECT_TRUE(bench.Wrote("39"));
    for (const char* kept : {"30", "31", "32", "33"}) EXPECT_FALSE(bench.Wrote(kept)) << kept;
}

TEST(TableCommandSim, RefusedEditsAndCloseWithNoWriteNothing) {
    TableBench bench("kqrv");
    bench.SetWord(0x14, 2500);
    bench.FromAmplifier([&](ParamTableCommand& t) {
        EXPECT_FALSE(t.Edit(ControlModeCell, 6)) << "above the row's maximum";
        EXPECT_FALSE(t.Edit(ControlModeCell, -1));
        EXPECT_EQ(t.Shown(ControlModeCell), t.Values().Cell(ControlModeCell));
        EXPECT_TRUE(t.Edit(8, 3000));
        bench.ask.Answer(mrNo);
        t.FormClose();
    });
    EXPECT_TRUE(bench.Writes().empty());
    EXPECT_EQ(bench.Word(0x14), 2500);
}

TEST(TableCommandSim, UntouchedCellsOutsideTheirLimitsKeepTheirValue) {
    TableBench bench("kqrv");
    bench.SetWord(0x10, -20000);  // row limits -63 to 63
    bench.FromAmplifier([&](ParamTableCommand& t) {
        bench.ask.Answer(mrYes);
        t.FormClose();
    });
    EXPECT_EQ(bench.Word(0x10), -20000);
    bool written = false;
    for (const auto& w : bench.Writes())
        written |= w == std::make_pair(std::string("10"), HexWord(-20000));
    EXPECT_TRUE(written);
}

TEST(TableCommandSim, TableFromAFileSavesWithoutHeaderOver12To127) {
    TableBench bench("fx", 25);
    std::vector<std::string> lines{"This is a FX Data", "CPU date:00123"};
    for (int index = 12; index <= 127; ++index) lines.push_back(TableDataLine(index, index, 0));
    bench.WriteFile("in.dat", lines);
    bench.ask.Answer(mrNo).AnswerFile(bench.Path("in.dat")).AnswerFile(bench.Path("out.dat"));
    bench.table.SetTableForm([&](ParamTableCommand& t) {
        EXPECT_TRUE(t.TableFromFile());
        EXPECT_TRUE(t.SaveBtnClick());
        bench.ask.Answer(mrNo);
        t.FormClose();
    });
    bench.table.M36TableClick();
    const std::vector<std::string> saved = bench.ReadLines("out.dat");
    ASSERT_EQ(saved.size(), 116u);
    EXPECT_EQ(saved.front(), TableDataLine(12, 12, 0));
    EXPECT_EQ(saved.back(), TableDataLine(127, 127, 0));
    ASSERT_GE(bench.ask.FileQuestions().size(), 2u);
    EXPECT_EQ(bench.ask.FileQuestions()[0].Title, bench.sim.Msg(192));
    EXPECT_EQ(bench.ask.FileQuestions()[1].Title, bench.sim.Msg(200));
}

TEST(TableCommandSim, YzReadsTo92AndSavesTheRestAsReadErrors) {
    TableBench bench("yz");
    bench.FromAmplifier([&](ParamTableCommand& t) {
        EXPECT_TRUE(t.SaveTo(bench.Path("yz.dat")));
        bench.ask.Answer(mrNo);
        t.FormClose();
    });
    const std::vector<std::string> saved = bench.ReadLines("yz.dat");
    ASSERT_EQ(saved.size(), 118u);
    EXPECT_EQ(saved[0], "This is a KQRV and LQRV Data");
    EXPECT_EQ(saved[2 + 92 - 12].substr(0, 26),
              ".DATA.W      H'" + HexWord(bench.Word(92)) + "  ;005C");
    EXPECT_EQ(saved[2 + 93 - 12], ReadErrorLine(93));
    for (const std::string& request : bench.sim.line->Requests()) {
        EXPECT_NE(request.substr(0, 4), "R55D") << "index 93 is not read on YZ";
    }
}

TEST(TableCommandSim, AFailedWriteStopsTheWriteBackAndIsReported) {
    TableBench bench("kqrv");
    bench.FromAmplifier([&](ParamTableCommand& t) {
        bench.ask.Answer(mrYes);
        bench.sim.amplifier->InjectFault(sim::Fault::ErrorReply, 4);  // C0 and 0C, two tries each
        t.FormClose();
    });
    EXPECT_FALSE(bench.Wrote("0D")) << "nothing after the failed entry";
    EXPECT_TRUE(bench.Wrote("0B")) << "the checksum is still made";
    EXPECT_EQ(bench.table.Last().WriteBack.FailedWrites, 2);
    const auto& box = bench.ask.Last();
    EXPECT_TRUE(box.custom);
    EXPECT_EQ(box.kind, DialogKind::Error);
    EXPECT_NE(box.text.find("2 of"), std::string::npos) << box.text;
}

// The write-back reads every written word again: a word the amplifier did not
// keep is listed, told in a box and makes the write-back a failure.
TEST(TableCommandSim, WriteBackIsReadBack) {
    struct Case {
        bool verify;
        bool pin;
        const char* lastLog;
        bool succeeded;
    };
    const Case cases[] = {
        {true, false, "Verify: written 74, verified 74, mismatched 0, failed 0", true},
        {true, true, "Mismatch index 0014: written 09C4 (2500), read back 0777 (1911)", false},
        {false, true, "Enable Auto Checksum", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastLog);
        TableBench bench("kqrv");
        bench.sim.state.VerifyAfterTransfer = c.verify;
        bench.SetWord(0x14, 2500);
        bench.FromAmplifier([&](ParamTableCommand& t) {
            if (c.pin) bench.sim.amplifier->PinRam(0x14, 0x0777);
            bench.ask.Answer(mrYes);
            t.FormClose();
        });
        const TableOutcome& last = bench.table.Last();
        ASSERT_TRUE(last.WrittenBack);
        EXPECT_EQ(last.Verify.Ran, c.verify);
        EXPECT_EQ(last.Verify.Mismatched, c.verify && c.pin ? 1 : 0);
        EXPECT_EQ(bench.sim.panel.Memo1.back(), c.lastLog);
        EXPECT_EQ(bench.sim.panel.ProgressFailed, !c.succeeded);
        const auto& box = bench.ask.Last();
        EXPECT_EQ(box.custom, !c.succeeded) << box.text;
        if (!c.succeeded) {
            EXPECT_EQ(box.kind, DialogKind::Error);
            EXPECT_EQ(box.text.rfind(bench.sim.Msg(1006), 0), 0u) << box.text;
            EXPECT_NE(box.text.find(c.lastLog), std::string::npos) << box.text;
        }
    }
}

// The write-back pauses 20 ms after each entry and 100 ms before the checksum
// commands, and hides its panel right after them.
TEST(TableCommandSim, WriteBackEndsWithTheChecksumCommands) {
    TableBench bench("kqrv");
    bench.sim.state.VerifyAfterTransfer = false;
    long long before = 0;
    bench.FromAmplifier([&](ParamTableCommand& t) {
        bench.ask.Answer(mrYes);
        t.FormClose();
        before = bench.sim.clock.TotalWaited();
    });
    ASSERT_TRUE(bench.table.Last().WrittenBack);
    const int entries = bench.table.Last().WriteBack.Processed;
    EXPECT_EQ(entries, 116);
    EXPECT_EQ(bench.sim.clock.TotalWaited() - before, entries * 20 + 100);
}

TEST(TableCommandSim, PrintMarksFollowPresetMarkedRows) {
    TableBench bench("kqrv");
    bench.sim.state.PrintLines[3] = 10;
    bench.FromAmplifier([&](ParamTableCommand& t) {
        const std::vector<bool> marks = t.InitialMarks();
        int marked = 0;
        for (std::size_t r = 0; r < marks.size(); ++r) {
            if (marks[r]) {
                ++marked;
                EXPECT_LT(r, 10u);
                EXPECT_TRUE(t.Rows()[r].Enabled);
            }
        }
        EXPECT_GT(marked, 0);
        const PrintJob job = t.PrintJobFor(marks);
        ASSERT_EQ(job.Pages.size(), 1u);
        EXPECT_EQ(job.Pages[0][0], CpuLine(bench.sim.state.CpuDate));
        EXPECT_EQ(static_cast<int>(job.Pages[0].size()), marked + 1);
        bench.ask.Answer(mrNo);
        t.FormClose();
    });
}

}  // namespace
