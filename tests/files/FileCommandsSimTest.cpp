// Save and Open against the in-process simulated amplifier: the files they
// write, the exchanges they make and the questions they ask.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "files/FileCommands.h"
#include "link/Procedure.h"
#include "tests/support/Catalogues.h"
#include "tests/support/SimTransfer.h"

namespace {

struct Member {
    const char* family;
    int version;
    int lines;  // of a saved file
};
const Member Members[] = {
    {"bx", 0, 129},  {"dx", 0, 129},   {"fx", 25, 54},
    {"fx", 31, 118}, {"kqrv", 0, 118}, {"yz", 0, 118},
};

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The commands on a simulated amplifier, with scripted questions.
struct Bench : SimTransfer {
    // The plain transfer: the safety steps around it are SafeTransferSimTest's
    // business.
    explicit Bench(const std::string& family, int version = 0) : SimTransfer(family, version) {
        EXPECT_FALSE(sim.state.CommErrorLatched);
        sim.state.PreviewBeforeTransfer = false;
        sim.state.VerifyAfterTransfer = false;
        TransferSafety safety;
        safety.Backup = false;
        commands.SetSafety(safety);
    }
    const FileKind& Kind() const { return FileKindFor(sim.state); }
    bool Bx() const { return sim.state.AmpFamily == 0; }
    int Word(int index) const {
        const int raw = Bx() ? sim.amplifier->Eeprom(index) : sim.amplifier->Ram(index);
        return raw >= 0x8000 ? raw - 0x10000 : raw;
    }
    void SetWord(int index, int value) {
        const auto raw = static_cast<std::uint16_t>(value);
        if (Bx()) {
            sim.amplifier->SetEeprom(index, raw);
        } else {
            sim.amplifier->SetRam(index, raw);
        }
    }
    void Save(const std::string& path) {
        ask.AnswerFile(path);
        commands.M32SaveClick();
    }
    // Open answering the follow-up questions: reset No, repeat No.
    void Open(const std::string& path) {
        ask.AnswerFile(path);
        if (sim.state.AmpFamily == 2) ask.Answer(mrNo);
        ask.Answer(mrNo);
        commands.M31OpenClick();
    }
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const std::string& request : sim.line->Requests()) {
            if (request.rfind("W5", 0) == 0) writes.push_back(request.substr(0, 8));
        }
        return writes;
    }

    ParamFileCommands commands{seams, longOperation};
};

class FileCommandsSim : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("filecmd_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    void WriteFile(const std::string& name, const std::vector<std::string>& lines) const {
        std::ofstream out(Path(name), std::ios::binary);
        for (const std::string& line : lines) out << line << "\r\n";
    }
    std::filesystem::path folder_;
};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(bytes.substr(start, end - start));
    }
    EXPECT_EQ(start, bytes.size()) << "every line ends in CR LF";
    return lines;
}

TEST_F(FileCommandsSim, SavedFilesAreByteExactForEveryKind) {
    for (const Member& member : Members) {
        Bench bench(member.family, member.version);
        const FileKind& kind = bench.Kind();
        const bool fx = kind.AmpFamily == 2;
        bench.SetWord(kind.FirstIndex + 20, 1000);
        bench.SetWord(kind.LastIndex, -32768);
        const std::string path = Path(std::string(member.family) + kind.Extension);
        bench.Save(path);
        ASSERT_TRUE(bench.commands.LastSave().Written) << member.family;
        const std::vector<std::string> lines = Lines(Bytes(path));
        ASSERT_EQ(static_cast<int>(lines.size()), member.lines) << member.family;
        EXPECT_EQ(lines[0], kind.Header);
        const int first = fx ? 2 : 1;
        if (fx) {
            EXPECT_EQ(lines[1], CpuLine(bench.sim.state.CpuDate));
        }
        EXPECT_EQ(lines[first + 20], DataLine(kind.FirstIndex + 20, 1000, fx));
        EXPECT_EQ(lines.back(), DataLine(kind.LastIndex, -32768, fx));
        for (int i = first; i < member.lines; ++i) {
            EXPECT_EQ(lines[i].size() + 2, fx ? 52u : 48u) << member.family << " line " << i;
        }
        // The log shows one line per entry; the panel is put away.
        EXPECT_EQ(static_cast<int>(bench.sim.panel.Memo1.size()), kind.Entries());
        ASSERT_GT(bench.sim.panel.Memo1.size(), 20u);
        EXPECT_EQ(bench.sim.panel.Memo1[20].substr(0, 26),
                  ".DATA.W      H'03E8  ;" + HexWord(kind.FirstIndex + 20));
        EXPECT_FALSE(bench.sim.panel.ProgressPanel);
        EXPECT_EQ(bench.sim.panel.RWGaugeProgress, 100);
        EXPECT_FALSE(bench.sim.state.SaveBusy);
    }
}

TEST_F(FileCommandsSim, OpenRestoresEveryWrittenWordAndLeavesProtectedOnes) {
    for (const Member& member : Members) {
        Bench bench(member.family, member.version);
        const FileKind& kind = bench.Kind();
        const std::string path = Path(std::string("trip") + kind.Extension);
        bench.Save(path);
        ASSERT_TRUE(bench.commands.LastSave().Written);
        std::vector<int> saved(256), scrambled(256);
        for (int index = kind.FirstIndex; index <= kind.LastIndex; ++index) {
            saved[index] = bench.Word(index);
            scrambled[index] = saved[index] == 0x1234 ? 0x4321 : 0x1234;
            bench.SetWord(index, scrambled[index]);
        }
        bench.Open(path);
        EXPECT_EQ(bench.commands.LastOpen().Passes, 1) << member.family;
        EXPECT_EQ(bench.commands.LastOpen().FailedWrites, 0) << member.family;
        for (int index = kind.FirstIndex; index <= kind.LastIndex; ++index) {
            const bool written = ProtectionOf(kind.AmpFamily, index) == Protection::None;
            EXPECT_EQ(bench.Word(index), written ? saved[index] : scrambled[index])
                << member.family << " index " << index;
        }
        EXPECT_TRUE(bench.ask.ScriptUsedUp()) << member.family;
        EXPECT_EQ(bench.ask.Unanswered(), 0);
        EXPECT_FALSE(bench.sim.state.TransferBusy);
    }
}

TEST_F(FileCommandsSim, FxTransferIsBracketedByTheChecksumCommands) {
    Bench bench("fx", 31);
    bench.Save(Path("a.dat"));
    bench.sim.line->ClearLog();
    bench.Open(Path("a.dat"));
    const std::vector<std::string>& memo = bench.sim.panel.Memo1;
    ASSERT_GE(memo.size(), 6u);
    EXPECT_EQ(memo[0], "Cancel Auto Checksum");
    EXPECT_EQ(memo[1], "Not data string");
    EXPECT_EQ(memo[2], "Not data string");
    EXPECT_EQ(memo[3].rfind("Data=", 0), 0u);
    EXPECT_EQ(memo[memo.size() - 2], "Make Checksum");
    EXPECT_EQ(memo.back(), "Enable Auto Checksum");
    const std::vector<std::string> writes = bench.Writes();
    EXPECT_EQ(writes.front(), "W5C00000");
    EXPECT_EQ(writes[writes.size() - 2], "W50B0000");
    EXPECT_EQ(writes.back(), "W5C00001");
    // 116 entries less 4 + 38 protected ones, and the three checksum writes.
    EXPECT_EQ(writes.size(), 116u - 42u + 3u);
}

TEST_F(FileCommandsSim, StatusLineAfterAProtectedEntryRepeatsTheLastWrite) {
    Bench bench("bx");
    WriteFile("p.src", {"This is a BX Data", DataLine(0x29, -2, false), DataLine(0x2A, 7, false)});
    bench.ask.AnswerFile(Path("p.src")).Answer(mrYes).Answer(mrNo);  // partial: Yes; repeat: No
    bench.commands.M31OpenClick();
    const std::vector<std::string> expected = {
        "Not data string",
        "Data=FFFFFFFE Data=-2 Add=29",
        "Don't Write...........",
        "Data=       7 Data=7 Add=2A",
    };
    EXPECT_EQ(bench.sim.panel.Memo1, expected);
    ASSERT_FALSE(bench.ask.AskedQuestions().empty());
    EXPECT_EQ(bench.ask.AskedQuestions()[0].text.find(bench.sim.Msg(191)), 0u);
}

TEST_F(FileCommandsSim, BxRewritesItsThirtyThirdEntryUnderTheProtectionRule) {
    Bench bench("bx");
    bench.Save(Path("a.src"));
    bench.Open(Path("a.src"));
    const std::string last = bench.sim.panel.Memo1.back();
    EXPECT_EQ(last.rfind("Add=20 data_val=", 0), 0u) << last;

    // A hand-edited file that puts a protected index in 33rd place.
    std::vector<std::string> lines{"This is a BX Data"};
    for (int index = 0x0A; index < 0x0A + 32; ++index) lines.push_back(DataLine(index, 1, false));
    lines.push_back(DataLine(0x50, 99, false));
    WriteFile("h.src", lines);
    bench.sim.amplifier->SetEeprom(0x50, 5);
    bench.ask.AnswerFile(Path("h.src")).Answer(mrYes).Answer(mrNo);
    bench.commands.M31OpenClick();
    EXPECT_EQ(bench.sim.panel.Memo1.back(), "Don't Write...........");
    EXPECT_EQ(bench.sim.amplifier->Eeprom(0x50), 5);
}

TEST_F(FileCommandsSim, RefusedFilesWriteNothing) {
    struct Case {
        const char* family;
        int version;
        std::vector<std::string> lines;
        int message;  // of the error box's first line
    };
    std::vector<std::string> fx116{"This is a New FX_Type Data", "CPU date:013AB"};
    for (int index = 12; index <= 127; ++index) fx116.push_back(DataLine(index, 3, true));
    std::vector<std::string> midError = fx116;
    midError[60] = ".DATA.W      H'00G0  ;0040   :";
    std::vector<std::string> resetEntry = fx116;
    resetEntry[100] = DataLine(0xC4, 0, true);
    const Case cases[] = {
        {"fx", 25, fx116, 191},       // more lines than the amplifier has
        {"fx", 31, midError, 193},    // a bad value half-way down
        {"fx", 31, resetEntry, 193},  // the reset address inside the file
        {"bx", 0, {"This is a DX Data", DataLine(0x30, 1, false)}, 193},
    };
    for (const Case& c : cases) {
        Bench bench(c.family, c.version);
        WriteFile("bad.dat", c.lines);
        bench.ask.AnswerFile(Path("bad.dat"));
        bench.commands.M31OpenClick();
        EXPECT_TRUE(bench.Writes().empty()) << c.family << " " << c.message;
        EXPECT_TRUE(bench.commands.LastOpen().FileError);
        ASSERT_EQ(bench.ask.AskedQuestions().size(), 1u);
        const auto& box = bench.ask.Last();
        EXPECT_TRUE(box.custom);
        EXPECT_EQ(box.kind, DialogKind::Error);
        EXPECT_EQ(box.text.find(bench.sim.Msg(c.message)), 0u) << box.text;
        if (c.message == 193) {
            EXPECT_NE(box.text.find(", line "), std::string::npos);
        }
    }
}

TEST_F(FileCommandsSim, APartialFileIsWrittenOnlyOnYes) {
    Bench bench("kqrv");
    std::vector<std::string> fx52{"This is a FX Data", "CPU date:013AB"};
    for (int index = 12; index <= 63; ++index) fx52.push_back(DataLine(index, 3, true));
    WriteFile("p.dat", fx52);
    bench.ask.AnswerFile(Path("p.dat")).Answer(mrNo);
    bench.commands.M31OpenClick();
    EXPECT_TRUE(bench.Writes().empty());
    EXPECT_TRUE(bench.commands.LastOpen().Declined);

    bench.ask.AnswerFile(Path("p.dat")).Answer(mrYes).Answer(mrNo).Answer(mrNo);
    bench.commands.M31OpenClick();
    EXPECT_EQ(bench.Writes().size(), 52u - 4u - 7u + 3u);
    // Yes, reset, repeat: no second complaint about the count.
    EXPECT_EQ(bench.ask.AskedQuestions().size(), 1u + 3u);
}

TEST_F(FileCommandsSim, RejectedWritesAreCountedAndReportedBeforeTheQuestions) {
    Bench bench("dx");
    bench.Save(Path("a.hdt"));
    bench.sim.amplifier->InjectFault(sim::Fault::ErrorReply, 4);  // two writes, two tries each
    bench.Open(Path("a.hdt"));
    EXPECT_EQ(bench.commands.LastOpen().FailedWrites, 2);
    ASSERT_GT(bench.sim.panel.Memo1.size(), 1u);
    EXPECT_EQ(bench.sim.panel.Memo1[1].substr(bench.sim.panel.Memo1[1].size() - 6), " Error");
    const auto& asked = bench.ask.AskedQuestions();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].custom);
    EXPECT_NE(asked[0].text.find("2 of "), std::string::npos) << asked[0].text;
    EXPECT_EQ(asked[1].text, bench.sim.Msg(47));
}

TEST_F(FileCommandsSim, APulledCableStopsTheTransferWithoutChecksumOrQuestions) {
    Bench bench("fx", 31);
    bench.Save(Path("a.dat"));
    bench.sim.line->ClearLog();
    bench.sim.panel.ProcessEvents = [&] { bench.sim.amplifier->SetCablePulled(true); };
    bench.ask.AnswerFile(Path("a.dat"));
    bench.commands.M31OpenClick();
    EXPECT_TRUE(bench.commands.LastOpen().LinkLost);
    for (const std::string& write : bench.Writes()) EXPECT_NE(write, "W50B0000");
    EXPECT_EQ(bench.sim.panel.Memo1.back(), bench.sim.Msg(167));
    ASSERT_EQ(bench.ask.AskedQuestions().size(), 1u);  // the error box only
    EXPECT_TRUE(bench.ask.Last().custom);
}

TEST_F(FileCommandsSim, ASaveCutShortLeavesTheOldFileWhole) {
    Bench bench("dx");
    std::ofstream(Path("old.hdt"), std::ios::binary) << "the old file\r\n";
    // The link goes silent once the save has begun.
    bench.sim.panel.ProcessEvents = [&] {
        bench.sim.amplifier->InjectFault(sim::Fault::NoReply, 1000);
    };
    bench.Save(Path("old.hdt"));
    EXPECT_TRUE(bench.commands.LastSave().LinkLost);
    EXPECT_FALSE(bench.commands.LastSave().Written);
    EXPECT_EQ(Bytes(Path("old.hdt")), "the old file\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
    ASSERT_EQ(bench.ask.AskedQuestions().size(), 1u);
    EXPECT_NE(bench.ask.Last().text.find("entry 0030"), std::string::npos) << bench.ask.Last().text;
}

// On a noisy line one broken reply does not end a save: the read is tried
// once more, and the retry logged. Silence is not retried, and a clean line
// sees one request per entry.
TEST_F(FileCommandsSim, ABrokenReplyIsReadOnceMoreSilenceIsNot) {
    Bench clean("fx", 31);
    clean.Save(Path("clean.dat"));
    const std::size_t entries = static_cast<std::size_t>(clean.Kind().Entries());
    ASSERT_EQ(clean.sim.line->Requests().size(), entries);
    const std::string retried = clean.sim.Msg(1256);
    ASSERT_NE(retried.find("%1"), std::string::npos);
    const std::string firstAddress = IndexAddress(clean.Kind().FirstIndex);
    std::string logged = retried;
    logged.replace(logged.find("%1"), 2, firstAddress);
    for (const sim::Fault fault :
         {sim::Fault::WrongChecksum, sim::Fault::ForeignChar, sim::Fault::Truncated}) {
        SCOPED_TRACE(sim::FaultName(fault));
        Bench bench("fx", 31);
        bench.sim.amplifier->InjectFault(fault, 1);
        bench.Save(Path("noisy.dat"));
        EXPECT_TRUE(bench.commands.LastSave().Written);
        EXPECT_EQ(Bytes(Path("noisy.dat")), Bytes(Path("clean.dat")));
        EXPECT_EQ(bench.sim.line->Requests().size(), entries + 1);
        const auto& log = bench.sim.panel.Memo1;
        EXPECT_NE(std::find(log.begin(), log.end(), logged), log.end());
        EXPECT_FALSE(bench.sim.state.CommErrorLatched);
    }
    Bench silent("fx", 31);
    silent.sim.amplifier->InjectFault(sim::Fault::NoReply, 1);
    silent.Save(Path("silent.dat"));
    EXPECT_TRUE(silent.commands.LastSave().LinkLost);
    EXPECT_EQ(silent.sim.line->Requests().size(), 1u);
}

TEST_F(FileCommandsSim, FilesThatCannotBeMadeOrReadAreReported) {
    Bench bench("fx", 31);
    bench.Save(Path("missing/folder/a.dat"));
    EXPECT_TRUE(bench.commands.LastSave().FileError);
    ASSERT_EQ(bench.ask.AskedQuestions().size(), 1u);
    EXPECT_NE(bench.ask.Last().text.find(Path("missing/folder/a.dat")), std::string::npos);
    EXPECT_FALSE(bench.sim.panel.ProgressPanel);

    bench.ask.AnswerFile(Path("none.dat"));
    bench.commands.M31OpenClick();
    EXPECT_TRUE(bench.commands.LastOpen().FileError);
    EXPECT_NE(bench.ask.Last().text.find(Path("none.dat")), std::string::npos);
    EXPECT_TRUE(bench.Writes().empty());
}

// The error boxes are in the language in use, around the paths they name.
TEST_F(FileCommandsSim, ErrorBoxesSpeakTheLanguageInUse) {
    struct Case {
        const char* what;
        const char* english;  // a piece of the English text
        std::function<void(Bench&)> run;
    };
    const Case cases[] = {
        {"failed writes", "parameter writes failed",
         [this](Bench& bench) {
             bench.Save(Path("a.hdt"));
             bench.sim.amplifier->InjectFault(sim::Fault::ErrorReply, 4);
             bench.Open(Path("a.hdt"));
         }},
        {"save cut short", "The save stopped",
         [this](Bench& bench) {
             bench.sim.panel.ProcessEvents = [&bench] {
                 bench.sim.amplifier->InjectFault(sim::Fault::NoReply, 1000);
             };
             bench.Save(Path("b.hdt"));
         }},
        {"format error", ", line ",
         [this](Bench& bench) {
             WriteFile("bad.hdt", {"This is a DX Data", ".DATA.W      H'12G4  ;0030"});
             bench.ask.AnswerFile(Path("bad.hdt"));
             bench.commands.M31OpenClick();
         }},
        {"no folder", "Cannot create",
         [this](Bench& bench) { bench.Save(Path("missing/folder/a.hdt")); }},
    };
    for (const int language : {Japanese, Chinese}) {
        for (const Case& c : cases) {
            Bench bench("dx");
            bench.sim.catalogue = ShippedCatalogue(language);
            c.run(bench);
            ASSERT_FALSE(bench.ask.AskedQuestions().empty()) << c.what;
            const std::string& text = bench.ask.AskedQuestions().front().text;
            EXPECT_EQ(text.find(c.english), std::string::npos) << c.what << ": " << text;
            EXPECT_TRUE(HasNonAscii(text)) << c.what << ": " << text;
        }
    }
}

TEST_F(FileCommandsSim, WithTheLinkErrorLatchedNothingIsSentAndTheUserIsTold) {
    Bench bench("fx", 31);
    bench.sim.state.CommErrorLatched = true;
    bench.Save(Path("a.dat"));
    bench.ask.AnswerFile(Path("a.dat"));
    bench.commands.M31OpenClick();
    EXPECT_TRUE(bench.sim.line->Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(Path("a.dat")));
    ASSERT_EQ(bench.ask.AskedQuestions().size(), 2u);
    EXPECT_EQ(bench.ask.AskedQuestions()[0].text, bench.sim.Msg(167));
}

TEST_F(FileCommandsSim, OnlyYesRepeatsTheTransfer) {
    Bench bench("fx", 31);
    bench.Save(Path("a.dat"));
    bench.sim.line->ClearLog();
    // Pass 1: reset No, repeat Yes; pass 2: reset No, repeat closed.
    bench.ask.AnswerFile(Path("a.dat")).Answer(mrNo).Answer(mrYes).Answer(mrNo).Answer(mrCancel);
    bench.commands.M31OpenClick();
    EXPECT_EQ(bench.commands.LastOpen().Passes, 2);
    EXPECT_EQ(bench.Writes().size(), 2 * (116u - 42u + 3u));
}

TEST_F(FileCommandsSim, ResetOnYesWritesC4AndIdentifiesAgain) {
    Bench bench("fx", 31);
    bench.Save(Path("a.dat"));
    bench.sim.line->ClearLog();
    bench.ask.AnswerFile(Path("a.dat")).Answer(mrYes).Answer(mrNo);
    bench.commands.M31OpenClick();
    const std::vector<std::string> requests = bench.sim.line->Requests();
    const auto reset = std::find_if(requests.begin(), requests.end(), [](const std::string& r) {
        return r.rfind("W5C40000", 0) == 0;
    });
    ASSERT_NE(reset, requests.end());
    EXPECT_GT(requests.end() - reset, 1) << "identification reads follow the reset";
    ASSERT_FALSE(bench.ask.AskedQuestions().empty());
    EXPECT_EQ(bench.ask.AskedQuestions()[0].text, bench.sim.Msg(140));
}

TEST_F(FileCommandsSim, ASecondCommandInsideALongOperationDoesNothing) {
    Bench bench("fx", 31);
    const LongOperation::Scope running(bench.longOperation);
    bench.Save(Path("a.dat"));
    EXPECT_TRUE(bench.ask.FileQuestions().empty());
    EXPECT_FALSE(bench.sim.state.SaveBusy);
}

}  // namespace
