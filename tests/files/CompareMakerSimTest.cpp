// Compare and the production pass against the simulated amplifier.
#include <algorithm>

#include "files/Compare.h"
#include "files/MotorTransfer.h"
#include "tests/files/FxBench.h"

namespace {

struct CompareBench : FxBench {
    using FxBench::FxBench;
    CompareCommand compare{seams, longOperation};
    Comparison shown;
    int formShown = 0;
    // Runs the command: include answer, then Confirm or Abort in the form.
    void Run(const std::string& file, int include, bool confirm) {
        ask.AnswerFile(Path(file)).Answer(include);
        compare.SetCompareForm([this, confirm](const Comparison& c) {
            shown = c;
            ++formShown;
            return confirm;
        });
        compare.M38CompareClick();
    }
    const CompareRow& Row(int index) const {
        // Rows are in file order from index 12.
        return shown.Rows.at(static_cast<std::size_t>(index - 12));
    }
};

TEST(CompareSim, TextsForEqualDifferentAndProtectedEntries) {
    CompareBench bench("kqrv");
    bench.SetWord(20, 1000);
    std::vector<std::string> file = bench.AmpFile();
    file[2 + 20 - 12] = DataLine(20, 1001, true);
    bench.WriteFile("a.dat", file);
    bench.Run("a.dat", mrNoToAll, false);
    ASSERT_EQ(bench.formShown, 1);
    ASSERT_FALSE(bench.ask.AskedQuestions().empty());
    EXPECT_EQ(bench.ask.AskedQuestions()[0].text, bench.sim.Msg(144));
    EXPECT_EQ(bench.ask.AskedQuestions()[0].buttons, (std::vector<int>{sbAll, sbNoToAll}));
    ASSERT_FALSE(bench.ask.FileQuestions().empty());
    EXPECT_EQ(bench.ask.FileQuestions()[0].Title, bench.sim.Msg(196));
    ASSERT_EQ(bench.shown.Rows.size(), 116u);
    EXPECT_FALSE(bench.shown.Aborted);
    EXPECT_EQ(bench.Row(12).AmpText, "OK.");
    EXPECT_EQ(bench.Row(20).AmpText, "H03E8 ,   1000");
    EXPECT_EQ(bench.Row(20).FileText, "H03E9 ,   1001");
    for (int index : {48, 51, 57, 0x40, 94, 127}) {
        EXPECT_EQ(bench.Row(index).AmpText, "Is protected.") << index;
        EXPECT_EQ(bench.Row(index).FileText, "Is protected.") << index;
    }
    EXPECT_EQ(bench.Row(52).AmpText, "OK.");
    EXPECT_EQ(bench.Row(93).Label, "SET Pn81 ");
    EXPECT_EQ(bench.Row(94).Label, "BAK Pn33 ");
    EXPECT_EQ(bench.Row(127).Label, "BAK Pn00 ");
    EXPECT_TRUE(bench.Writes().empty()) << "Abort leaves the amplifier alone";
    EXPECT_EQ(bench.ask.AskedQuestions().size(), 1u) << "no question after Abort";
    EXPECT_EQ(DifferenceText(-1), "HFFFFFFFF ,     -1");
}

TEST(CompareSim, IncludeFlagComparesTheSystemRange) {
    CompareBench bench("kqrv");
    std::vector<std::string> file = bench.AmpFile();
    file[2 + 0x40 - 12] = DataLine(0x40, bench.Word(0x40) + 1, true);
    bench.WriteFile("a.dat", file);
    bench.Run("a.dat", mrAll, false);
    EXPECT_TRUE(bench.Row(0x40).Differs);
    EXPECT_EQ(bench.Row(127).AmpText, "OK.");
    EXPECT_EQ(bench.Row(49).AmpText, "Is protected.");
}

TEST(CompareSim, ALostLinkAbortsWithMessage380AndNoTransfer) {
    CompareBench bench("kqrv");
    bench.WriteFile("a.dat", bench.AmpFile());
    bench.sim.amplifier->InjectFault(sim::Fault::NoReply, 1000);
    bench.Run("a.dat", mrNoToAll, true);
    ASSERT_EQ(bench.formShown, 1);
    EXPECT_TRUE(bench.shown.Aborted);
    ASSERT_FALSE(bench.shown.Notes.empty());
    EXPECT_EQ(bench.shown.Notes[0], bench.sim.Msg(380));
    EXPECT_TRUE(bench.Writes().empty());
    EXPECT_FALSE(bench.compare.Last().Transferred);
}

TEST(CompareSim, AFormatErrorShowsTheEntriesBeforeItAndCannotBeConfirmed) {
    CompareBench bench("kqrv");
    std::vector<std::string> file = bench.AmpFile();
    file[10] = ".DATA.W      no value here";
    bench.WriteFile("a.dat", file);
    bench.Run("a.dat", mrNoToAll, true);
    EXPECT_TRUE(bench.shown.Aborted);
    EXPECT_EQ(bench.shown.Rows.size(), 8u);
    ASSERT_FALSE(bench.shown.Notes.empty());
    EXPECT_EQ(bench.shown.Notes[0], bench.sim.Msg(380));
    EXPECT_TRUE(bench.Writes().empty());
}

TEST(CompareSim, ConfirmedTransferWritesTheWholeFileAfterAComparison) {
    CompareBench bench("kqrv");
    std::vector<std::string> file = bench.AmpFile();
    file[2 + 20 - 12] = DataLine(20, 1234, true);
    file[2 + 0x40 - 12] = DataLine(0x40, 4321, true);
    bench.WriteFile("a.dat", file);
    bench.ask.Answer(mrNo).Answer(mrNo);  // reset, repeat
    bench.Run("a.dat", mrNoToAll, true);
    ASSERT_TRUE(bench.compare.Last().Transferred);
    EXPECT_EQ(bench.compare.Last().Transfer.Processed, 116);
    EXPECT_EQ(bench.Word(20), 1234);
    EXPECT_NE(bench.Word(0x40), 4321) << "without the include flag";
    EXPECT_FALSE(bench.Wrote("30"));
    EXPECT_FALSE(bench.Wrote("5F")) << "nothing from 57 up without the include flag";
    EXPECT_EQ(bench.Writes().front(), std::make_pair(std::string("C0"), std::string("0000")));
    EXPECT_EQ(bench.Writes().back(), std::make_pair(std::string("C0"), std::string("0001")));
    const auto& asked = bench.ask.AskedQuestions();
    EXPECT_EQ(asked[asked.size() - 2].text, bench.sim.Msg(140));
    EXPECT_EQ(asked.back().text, bench.sim.Msg(47));
    EXPECT_EQ(bench.ask.Unanswered(), 0);
}

TEST(CompareSim, RepeatRunsOnlyOnYes) {
    CompareBench bench("kqrv");
    bench.WriteFile("a.dat", bench.AmpFile());
    // Closing the repeat question (Cancel) ends the command.
    bench.ask.Answer(mrNo).Answer(mrCancel);
    bench.Run("a.dat", mrNoToAll, true);
    EXPECT_EQ(bench.formShown, 1);
}

struct MakerBench : FxBench {
    using FxBench::FxBench;
    bool autoReset = false;
    MotorParamCommand maker{seams, longOperation, [this] { return autoReset; }};
    std::vector<std::string> RepeatTexts() const {
        std::vector<std::string> texts;
        for (const auto& q : ask.AskedQuestions()) {
            if (q.text.rfind(sim.Msg(47) + "\n", 0) == 0) texts.push_back(q.text);
        }
        return texts;
    }
};

TEST(MakerSim, AutoResetCountsEveryCleanPass) {
    MakerBench bench("kqrv");
    bench.autoReset = true;
    bench.WriteFile("m.dat", bench.AmpFile());
    bench.ask.AnswerFile(bench.Path("m.dat")).Answer(mrYes).Answer(mrYes).Answer(mrNo);
    bench.maker.M37MakerClick();
    const std::string done = bench.sim.Msg(95);
    EXPECT_EQ(bench.RepeatTexts(),
              (std::vector<std::string>{bench.sim.Msg(47) + "\n" + done + " 001",
                                        bench.sim.Msg(47) + "\n" + done + " 002",
                                        bench.sim.Msg(47) + "\n" + done + " 003"}));
    EXPECT_EQ(bench.Count("C4"), 3);
    EXPECT_FALSE(bench.sim.state.TransferBusy);
}

TEST(MakerSim, ResetQuestionButtons) {
    struct Case {
        const char* name;
        void (*answer)(ScriptedQuestions&);
        int resets;
        int counter;
    };
    // Escape and closing give what the real dialog gives: no reset, no count.
    const Case cases[] = {
        {"reset+count", [](ScriptedQuestions& a) { a.Answer(mrYes); }, 1, 1},
        {"reset only", [](ScriptedQuestions& a) { a.Answer(mrNo); }, 1, 0},
        {"no reset", [](ScriptedQuestions& a) { a.Answer(mrOk); }, 0, 0},
        {"escape", [](ScriptedQuestions& a) { a.PressEscape(); }, 0, 0},
        {"close", [](ScriptedQuestions& a) { a.CloseWindow(); }, 0, 0},
    };
    for (const Case& c : cases) {
        MakerBench bench("kqrv");
        bench.WriteFile("m.dat", bench.AmpFile());
        bench.ask.AnswerFile(bench.Path("m.dat"));
        c.answer(bench.ask);
        bench.ask.Answer(mrNo);
        bench.maker.M37MakerClick();
        ASSERT_FALSE(bench.ask.AskedQuestions().empty()) << c.name;
        const auto& reset = bench.ask.AskedQuestions()[0];
        EXPECT_TRUE(reset.custom);
        EXPECT_EQ(reset.text, bench.sim.Msg(96));
        EXPECT_EQ(reset.captions.First, 97);
        EXPECT_EQ(reset.buttons, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(bench.Count("C4"), c.resets) << c.name;
        EXPECT_EQ(bench.maker.Last().Counter, c.counter) << c.name;
    }
}

TEST(MakerSim, FailedWritesAreNotCounted) {
    MakerBench bench("kqrv");
    bench.autoReset = true;
    bench.WriteFile("m.dat", bench.AmpFile());
    bench.ask.AnswerFile(bench.Path("m.dat")).Answer(mrOk).Answer(mrNo);
    bench.sim.amplifier->InjectFault(sim::Fault::ErrorReply, 4);
    bench.maker.M37MakerClick();
    ASSERT_EQ(bench.maker.Last().Passes.size(), 1u);
    EXPECT_FALSE(bench.maker.Last().Passes[0].Clean);
    EXPECT_EQ(bench.maker.Last().Counter, 0);
    ASSERT_FALSE(bench.ask.AskedQuestions().empty());
    EXPECT_TRUE(bench.ask.AskedQuestions()[0].custom) << "the error box comes first";
    EXPECT_EQ(bench.ask.AskedQuestions()[0].kind, DialogKind::Error);
}

TEST(MakerSim, BxHasNoResetAndShowsCounterZero) {
    MakerBench bench("bx");
    bench.WriteFile("m.src", bench.AmpFile());
    bench.ask.AnswerFile(bench.Path("m.src")).Answer(mrNo);
    bench.maker.M37MakerClick();
    ASSERT_EQ(bench.RepeatTexts().size(), 1u);
    EXPECT_NE(bench.RepeatTexts()[0].find(" 000"), std::string::npos);
    EXPECT_EQ(bench.Count("C4"), 0);
    EXPECT_EQ(bench.ask.AskedQuestions().size(), 1u);
}

TEST(MakerSim, FullAccessDecidesIndex40AndNever30To33) {
    for (bool access : {false, true}) {
        MakerBench bench("kqrv");
        bench.sim.state.FullAccess = access;
        std::vector<std::string> file = bench.AmpFile();
        file[2 + 0x40 - 12] = DataLine(0x40, 4321, true);
        bench.WriteFile("m.dat", file);
        bench.ask.AnswerFile(bench.Path("m.dat")).Answer(mrOk).Answer(mrNo);
        bench.maker.M37MakerClick();
        EXPECT_EQ(bench.Wrote("40"), access);
        EXPECT_EQ(bench.Word(0x40) == 4321, access);
        for (const char* kept : {"30", "31", "32", "33"}) EXPECT_FALSE(bench.Wrote(kept));
        const auto& log = bench.sim.panel.Memo1;
        const bool logged =
            std::find(log.begin(), log.end(), "Parameter is protected by system..") != log.end();
        EXPECT_EQ(logged, !access);
    }
}

TEST(MakerSim, YzStopsAtIndex92WithoutLineCountError) {
    MakerBench bench("yz");
    std::vector<std::string> file = bench.AmpFile();
    ASSERT_EQ(file.size(), 118u);
    bench.WriteFile("m.dat", file);
    bench.ask.AnswerFile(bench.Path("m.dat")).Answer(mrOk).Answer(mrNo);
    bench.maker.M37MakerClick();
    EXPECT_FALSE(bench.Wrote("5D"));
    ASSERT_EQ(bench.maker.Last().Passes.size(), 1u);
    const MakerPass& pass = bench.maker.Last().Passes[0];
    EXPECT_EQ(pass.Written + pass.Protected, 81);
    EXPECT_TRUE(bench.maker.Last().Passes[0].Clean);
    for (const auto& q : bench.ask.AskedQuestions()) EXPECT_NE(q.kind, DialogKind::Error) << q.text;
}

}  // namespace
