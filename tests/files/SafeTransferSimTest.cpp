// Open with its safety steps against the in-process simulated amplifier: the
// read-back that finds a word the amplifier did not keep, the preview, the
// identity check and the backup made before the first write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "files/Backup.h"
#include "files/Compare.h"
#include "files/FileCommands.h"
#include "files/Identity.h"
#include "files/MotorTransfer.h"
#include "files/ProductionRecord.h"
#include "files/Sha256.h"
#include "link/MessageCatalogue.h"
#include "link/Procedure.h"
#include "tests/support/ScriptedQuestions.h"
#include "tests/support/SimDrive.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Scripted answers that also keep the tables they were shown.
class TableQuestions : public ScriptedQuestions {
public:
    bool ConfirmTable(const TableQuestion& question) override {
        tables.push_back(question);
        return ScriptedQuestions::ConfirmTable(question);
    }
    std::vector<TableQuestion> tables;
};

class SafeTransfer : public ::testing::Test {
protected:
    void Start(const std::string& family, int version = 0) {
        sim = std::make_unique<SimDrive>(family, version);
        sim->Connect();
        ASSERT_FALSE(sim->state.CommErrorLatched);
        seams = std::make_unique<TransferSeams>(
            TransferSeams{*sim->link, sim->state, sim->panel, sim->clock, ask,
                          [this](int n) { return sim->Msg(n); },
                          [this] { sim->identification->Read_current_mode(); }});
        commands = std::make_unique<ParamFileCommands>(*seams, longOperation);
        TransferSafety safety;
        safety.ProgramVersion = "test";
        safety.DataFolder = (folder / "data").string();
        safety.Now = [] { return std::time_t{1765170000}; };
        commands->SetSafety(safety);
    }
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("safe_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override {
        fs::permissions(folder / "data", fs::perms::owner_all, fs::perm_options::add, failure);
        fs::remove_all(folder);
    }
    std::string Path(const std::string& name) const { return (folder / name).string(); }
    bool Bx() const { return sim->state.AmpFamily == 0; }
    int Word(int index) const {
        const int raw = Bx() ? sim->amplifier->Eeprom(index) : sim->amplifier->Ram(index);
        return raw >= 0x8000 ? raw - 0x10000 : raw;
    }
    void SetWord(int index, int value) {
        const auto raw = static_cast<std::uint16_t>(value);
        Bx() ? sim->amplifier->SetEeprom(index, raw) : sim->amplifier->SetRam(index, raw);
    }
    void Save(const std::string& path) {
        ask.AnswerFile(path);
        commands->M32SaveClick();
        ASSERT_TRUE(commands->LastSave().Written);
    }
    // Open, answering the preview (when asked) and then No to every later question.
    void Open(const std::string& path, int previewAnswer = mrYes) {
        ask.AnswerFile(path);
        if (sim->state.PreviewBeforeTransfer) ask.Answer(previewAnswer);
        ask.SetFallback(mrNo);
        sim->line->ClearLog();
        commands->M31OpenClick();
    }
    int WriteCount() const {
        int writes = 0;
        for (const std::string& request : sim->line->Requests())
            writes += request.rfind("W", 0) == 0;
        return writes;
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder / "data", failure)) {
            if (entry.is_regular_file() && entry.path().extension() != ".json") {
                files.push_back(entry.path().string());
            }
        }
        return files;
    }
    const OpenOutcome& Last() const { return commands->LastOpen(); }

    fs::path folder;
    mutable std::error_code failure;
    std::unique_ptr<SimDrive> sim;
    TableQuestions ask;
    LongOperation longOperation;
    std::unique_ptr<TransferSeams> seams;
    std::unique_ptr<ParamFileCommands> commands;
};

struct PinCase {
    const char* family;
    int version;
    int index;
};

// The amplifier acknowledges the write and keeps its own word: exactly that
// word is listed and the transfer is a failure, shown in red.
TEST_F(SafeTransfer, ReadBackListsThePinnedWordAndFails) {
    const PinCase cases[] = {{"fx", 31, 0x20}, {"bx", 0, 0x40}, {"dx", 0, 0x40}, {"kqrv", 0, 0x70}};
    for (const PinCase& c : cases) {
        SCOPED_TRACE(c.family);
        Start(c.family, c.version);
        sim->state.PreviewBeforeTransfer = false;
        const std::string path = Path(std::string("pin") + FileKindFor(sim->state).Extension);
        SetWord(c.index, 0x0123);
        Save(path);
        if (Bx()) {
            sim->amplifier->PinEeprom(c.index, 0x0456);
        } else {
            sim->amplifier->PinRam(c.index, 0x0456);
        }
        Open(path);
        EXPECT_EQ(Last().Passes, 1);
        EXPECT_EQ(Last().FailedWrites, 0);
        EXPECT_EQ(Last().Mismatched, 1);
        const std::vector<std::string>& memo = sim->panel.Memo1;
        ASSERT_GE(memo.size(), 2u);
        EXPECT_EQ(memo[memo.size() - 1], "Mismatch index " + HexWord(c.index) +
                                             ": written 0123 (291), read back 0456 (1110)");
        EXPECT_EQ(memo[memo.size() - 2].rfind("Verify: written ", 0), 0u);
        EXPECT_NE(memo[memo.size() - 2].find("mismatched 1, failed 0"), std::string::npos);
        EXPECT_TRUE(sim->panel.ProgressFailed);
        EXPECT_EQ(sim->panel.ProgressMsg.rfind(sim->Msg(1006), 0), 0u);
    }
}

TEST_F(SafeTransfer, CleanTransferVerifiesEveryWrittenWord) {
    Start("fx", 31);
    sim->state.PreviewBeforeTransfer = false;
    Save(Path("a.dat"));
    Open(Path("a.dat"));
    EXPECT_EQ(Last().Mismatched, 0);
    EXPECT_EQ(Last().VerifyFailed, 0);
    // 116 entries less the 42 protected ones.
    EXPECT_EQ(sim->panel.Memo1.back(), "Verify: written 74, verified 74, mismatched 0, failed 0");
    EXPECT_FALSE(sim->panel.ProgressFailed);

    sim->state.VerifyAfterTransfer = false;
    Open(Path("a.dat"));
    EXPECT_EQ(sim->panel.Memo1.back(), "Enable Auto Checksum");
}

TEST_F(SafeTransfer, PreviewCountsAFileThatChangesThreeWords) {
    Start("dx");
    Save(Path("a.hdt"));
    for (const int index : {0x40, 0x41, 0x90}) SetWord(index, Word(index) ^ 0x0101);
    SetWord(0x6A, Word(0x6A) ^ 0x0101);  // protected: shown, not counted as a change
    const int writesBefore = WriteCount();
    Open(Path("a.hdt"), mrNo);
    EXPECT_TRUE(Last().PreviewDeclined);
    EXPECT_EQ(Last().Passes, 0);
    EXPECT_EQ(WriteCount(), writesBefore);
    ASSERT_EQ(ask.tables.size(), 1u);
    const TableQuestion& table = ask.tables[0];
    EXPECT_EQ(table.Rows.size(), 128u);
    EXPECT_EQ(std::count(table.Marked.begin(), table.Marked.end(), true), 3);
    EXPECT_EQ(table.Summary, "Would change: 3, Unchanged: 111, Protected: 14");
    const auto row = std::find_if(table.Rows.begin(), table.Rows.end(),
                                  [](const auto& r) { return r[0] == "0090"; });
    ASSERT_NE(row, table.Rows.end());
    EXPECT_NE((*row)[1], (*row)[2]);

    Open(Path("a.hdt"), mrYes);
    EXPECT_EQ(Last().Passes, 1);
    EXPECT_EQ(Last().WouldChange, 3);
}

TEST_F(SafeTransfer, DryRunLogsTheTableAndWritesNothing) {
    Start("bx");
    Save(Path("a.src"));
    SetWord(0x30, Word(0x30) + 1);
    TransferSafety safety;
    safety.DryRun = true;
    safety.DataFolder = Path("data");
    commands->SetSafety(safety);
    std::vector<int> before;
    for (int index = 0; index < 128; ++index) before.push_back(Word(index));
    Open(Path("a.src"));
    for (int index = 0; index < 128; ++index) EXPECT_EQ(Word(index), before[index]) << index;
    EXPECT_EQ(Last().WouldChange, 1);
    EXPECT_EQ(sim->panel.Memo1.back(), "Would change: 1, Unchanged: 112, Protected: 15");
    EXPECT_TRUE(Backups().empty());
}

struct IdentityCase {
    const char* what;
    std::function<void(const std::string& path)> spoil;
};

TEST_F(SafeTransfer, IdentityMismatchAsksAndNoWritesNothing) {
    const IdentityCase cases[] = {
        {"other family",
         [](const std::string& path) {
             std::string text = Bytes(IdentityPath(path));
             text.replace(text.find("\"amp_family\": 2"), 15, "\"amp_family\": 1");
             std::ofstream(IdentityPath(path), std::ios::binary) << text;
         }},
        {"other model",
         [](const std::string& path) {
             std::string text = Bytes(IdentityPath(path));
             text.replace(text.find("\"model\": \""), 10, "\"model\": \"X");
             std::ofstream(IdentityPath(path), std::ios::binary) << text;
         }},
        {"edited file",
         [](const std::string& path) {
             std::string text = Bytes(path);
             char& digit = text[text.find("H'") + 2];
             digit = digit == '0' ? '1' : '0';
             std::ofstream(path, std::ios::binary) << text;
         }},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(c.what);
        Start("fx", 31);
        sim->state.PreviewBeforeTransfer = false;
        const std::string path = Path("id.dat");
        Save(path);
        ASSERT_TRUE(commands->LastSave().IdentityWritten);
        c.spoil(path);
        ask.AnswerFile(path).Answer(mrNo);
        sim->line->ClearLog();
        commands->M31OpenClick();
        EXPECT_TRUE(Last().IdentityRefused);
        EXPECT_EQ(WriteCount(), 0);
        EXPECT_EQ(ask.Last().text.rfind(sim->Msg(1019), 0), 0u);
        EXPECT_EQ(ask.Last().kind, DialogKind::Warning);
        EXPECT_EQ(ask.Last().focusPosition, 1) << "No, the safe answer, has the focus";

        // Yes: the transfer goes on.
        ask.AnswerFile(path).Answer(mrYes);
        commands->M31OpenClick();
        EXPECT_EQ(Last().Passes, 1);
    }
}

TEST_F(SafeTransfer, BackupIsWrittenBeforeTheFirstWrite) {
    Start("fx", 31);
    sim->state.PreviewBeforeTransfer = false;
    Save(Path("a.dat"));
    SetWord(0x20, 0x0777);  // the drive now differs from the file
    ask.AnswerFile(Path("a.dat"));
    ask.SetFallback(mrNo);
    commands->M31OpenClick();
    const std::vector<std::string> backups = Backups();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(Last().BackupPath, backups[0]);
    EXPECT_NE(backups[0].find("/data/backups/"), std::string::npos);
    // The backup holds the drive's word from before the transfer.
    EXPECT_NE(Bytes(backups[0]).find(DataLine(0x20, 0x0777, true)), std::string::npos);
    EXPECT_TRUE(fs::exists(IdentityPath(backups[0])));
    const auto& memo = sim->panel.Memo1;
    const auto backupLine = std::find(memo.begin(), memo.end(), "Backup: " + backups[0]);
    const auto firstWrite = std::find(memo.begin(), memo.end(), "Cancel Auto Checksum");
    ASSERT_NE(backupLine, memo.end());
    EXPECT_LT(backupLine, firstWrite);
    EXPECT_NE(Word(0x20), 0x0777);  // the file's value is back
}

TEST_F(SafeTransfer, UnwritableBackupFolderStopsTheTransfer) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    Start("dx");
    sim->state.PreviewBeforeTransfer = false;
    Save(Path("a.hdt"));
    fs::create_directories(folder / "data");
    fs::permissions(folder / "data", fs::perms::owner_read | fs::perms::owner_exec);
    Open(Path("a.hdt"));
    EXPECT_TRUE(Last().BackupFailed);
    EXPECT_EQ(Last().Passes, 0);
    EXPECT_EQ(WriteCount(), 0);
    EXPECT_NE(ask.Last().text.find(sim->Msg(1021)), std::string::npos);
}

TEST_F(SafeTransfer, BackupFolderInTheWayStopsTheTransfer) {
    Start("dx");
    sim->state.PreviewBeforeTransfer = false;
    Save(Path("a.hdt"));
    fs::create_directories(folder / "data");
    std::ofstream(folder / "data" / "backups") << "a file where the folder goes";
    Open(Path("a.hdt"));
    EXPECT_TRUE(Last().BackupFailed);
    EXPECT_EQ(Last().Passes, 0);
    EXPECT_EQ(WriteCount(), 0);
    EXPECT_NE(ask.Last().text.find("Cannot create"), std::string::npos);
}

TEST_F(SafeTransfer, TwoBackupsInOneSecondGiveTwoFiles) {
    Start("dx");
    const BackupOutcome first = BackUpDrive(*seams, Path("data"), "test", 1765170000);
    const BackupOutcome second = BackUpDrive(*seams, Path("data"), "test", 1765170000);
    ASSERT_TRUE(first.Ok && second.Ok);
    EXPECT_NE(first.Path, second.Path);
    EXPECT_EQ(Backups().size(), 2u);
}

// The cable is pulled once the read-back has begun: every write went through,
// but the words were not all read back, so the transfer is a failure.
TEST_F(SafeTransfer, AReadBackCutShortIsAFailure) {
    Start("fx", 31);
    sim->state.PreviewBeforeTransfer = false;
    Save(Path("a.dat"));
    sim->panel.ProcessEvents = [this] {
        if (sim->panel.ProgressMsg == sim->Msg(1005)) sim->amplifier->SetCablePulled(true);
    };
    Open(Path("a.dat"));
    EXPECT_EQ(Last().FailedWrites, 0);
    EXPECT_GT(Last().VerifyFailed, 0);
    EXPECT_TRUE(sim->panel.ProgressFailed);
    EXPECT_EQ(sim->panel.ProgressMsg.rfind(sim->Msg(1290).substr(0, 20), 0), 0u) << sim->panel.ProgressMsg;
    const auto& memo = sim->panel.Memo1;
    EXPECT_NE(std::find(memo.begin(), memo.end(), "Not read back: Add=0C"), memo.end());
    // With the link down nothing more is asked: only the error box.
    const auto onlyErrorBoxesSince = [this](std::size_t first) {
        const auto& asked = ask.AskedQuestions();
        return first < asked.size() &&
               std::all_of(asked.begin() + static_cast<long>(first), asked.end(),
                           [](const auto& q) { return q.kind == DialogKind::Error; });
    };
    EXPECT_TRUE(onlyErrorBoxesSince(0));

    // A production unit cut short the same way is recorded as failed.
    Start("fx", 31);
    sim->panel.ProcessEvents = [this] {
        if (sim->panel.ProgressMsg == sim->Msg(1005)) sim->amplifier->SetCablePulled(true);
    };
    MotorParamCommand maker(*seams, longOperation, [] { return true; });
    maker.SetRecordPath(Path("record.csv"));
    ask.AnswerFile(Path("a.dat"));
    ask.SetFallback(mrYes);
    const std::size_t asked = ask.AskedQuestions().size();
    maker.M37MakerClick();
    ASSERT_EQ(maker.Last().Passes.size(), 1u);
    EXPECT_FALSE(maker.Last().Passes[0].Clean);
    EXPECT_TRUE(onlyErrorBoxesSince(asked));
    std::ifstream in(Path("record.csv"));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        ASSERT_TRUE(SplitCsvLine(line, rows.back()));
    }
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1][12], "0") << "failed column";
    EXPECT_EQ(rows[1][17], "failed");
}

// The link is lost at the write of entry 20 and comes back later: one count
// and one cause are told, and the drive, left with its checksum off, is
// offered to be finished or restored.
TEST_F(SafeTransfer, ALinkLostDuringOpenIsToldOnceAndTakenUpWhenItReturns) {
    struct Case {
        const char* what;
        int answer;
        int wordAfter;  // of entry 20
    };
    const Case cases[] = {{"leave", mrYes, 0x0555},
                          {"finish", mrNo, 0x0123},
                          {"restore", mrOk, 0x0777},
                          {"closed", mrCancel, 0x0555}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start("fx", 31);
        sim->state.PreviewBeforeTransfer = false;
        SetWord(0x20, 0x0123);
        Save(Path("a.dat"));
        SetWord(0x20, 0x0777);  // what the backup holds
        sim->amplifier->SetObserver([this](const sim::ExchangeRecord& record) {
            if (record.request.rfind("W520", 0) == 0) sim->amplifier->SetCablePulled(true);
        });
        const std::size_t before = ask.AskedQuestions().size();
        Open(Path("a.dat"));
        sim->amplifier->SetObserver(nullptr);
        ASSERT_TRUE(Last().LinkLost);
        // Entries 0C to 20 went through, none of them protected.
        const std::string lost = Filled(sim->Msg(1050), {"21", "74"});
        EXPECT_EQ(sim->panel.ProgressMsg, lost);
        EXPECT_TRUE(sim->panel.ProgressFailed);
        ASSERT_EQ(ask.AskedQuestions().size(), before + 1);
        EXPECT_EQ(ask.Last().text, sim->Msg(167) + "\n" + lost);
        ASSERT_TRUE(commands->Interrupted().has_value());
        const std::string backup = Last().BackupPath;
        EXPECT_EQ(commands->Interrupted()->BackupPath, backup);

        sim->amplifier->SetCablePulled(false);
        sim->state.CommErrorLatched = false;
        SetWord(0x20, 0x0555);  // the partly written state
        sim->line->ClearLog();
        ask.Answer(c.answer);
        commands->LinkReturned();
        ASSERT_EQ(ask.AskedQuestions().size(), before + 2);
        const auto& question = ask.Last();
        EXPECT_EQ(question.text, Filled(sim->Msg(1052), {Path("a.dat")}) + "\n" +
                                     Filled(sim->Msg(1053), {backup}));
        EXPECT_EQ(question.buttons, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(question.focusPosition, 0) << "Leave as it is has the focus";
        EXPECT_EQ(question.captions.First, 1055);
        EXPECT_EQ(Word(0x20), c.wordAfter);
        const std::vector<std::string> requests = sim->line->Requests();
        const bool checksumOn = std::any_of(requests.begin(), requests.end(), [](const auto& r) {
            return r.rfind("W5C00001", 0) == 0;
        });
        EXPECT_EQ(checksumOn, c.wordAfter != 0x0555);
        EXPECT_FALSE(commands->Interrupted().has_value());
        commands->LinkReturned();
        EXPECT_EQ(ask.AskedQuestions().size(), before + 2) << "asked once";
    }
}

// What a production pass does per unit: the pass, the read-back, the record.
TEST_F(SafeTransfer, ProductionUnitsAreRecordedWithTheirOutcome) {
    Start("fx", 31);
    Save(Path("line.dat"));
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(ReadTextLines(Path("line.dat"), lines, error));
    const FileKind& kind = FileKindFor(sim->state);
    const std::string record = Path("data/production.csv");
    for (int unit = 1; unit <= 3; ++unit) {
        if (unit == 3) sim->amplifier->PinRam(0x22, 0x0777);
        TransferPass pass(*seams);
        const PassResult result = pass.Run(CheckTransferFile(lines, kind), kind);
        const VerifyResult verify = VerifyAndLog(*seams, result, kind);
        ProductionUnit entry = MakeProductionUnit(sim->state, sim->panel, "Com1", Path("line.dat"),
                                                  result, verify, false, unit);
        ASSERT_TRUE(AppendProductionUnit(record, entry, error)) << error;
        EXPECT_EQ(entry.FileCounter, unit);
    }
    std::ifstream in(record);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        ASSERT_TRUE(SplitCsvLine(line, rows.back()));
    }
    ASSERT_EQ(rows.size(), 4u);
    std::string hash;
    ASSERT_TRUE(Sha256OfFile(Path("line.dat"), hash, error));
    // sha256, written, protected, failed, mismatched, result
    EXPECT_EQ((std::vector<std::string>{rows[1][9], rows[1][10], rows[1][11], rows[1][12],
                                        rows[1][13], rows[1][17]}),
              (std::vector<std::string>{hash, "74", "42", "0", "0", "ok"}));
    EXPECT_EQ(rows[3][13], "1");
    EXPECT_EQ(rows[3][17], "failed");
    EXPECT_EQ(rows[3][5], sim->panel.MainMsg5);
}

// The production pass: each unit read back and recorded before the next; a
// unit that did not keep a word is recorded as failed and not counted.
TEST_F(SafeTransfer, ProductionPassRecordsEveryUnit) {
    Start("fx", 31);
    Save(Path("line.dat"));
    MotorParamCommand maker(*seams, longOperation, [] { return true; });
    maker.SetRecordPath(Path("record.csv"));
    maker.SetPassDone([this](const MakerPass& pass) {
        if (pass.Counter == 2) sim->amplifier->PinRam(0x22, 0x0777);
    });
    ask.AnswerFile(Path("line.dat")).Answer(mrYes).Answer(mrYes).Answer(mrNo);
    maker.M37MakerClick();
    ASSERT_EQ(maker.Last().Passes.size(), 3u);
    EXPECT_EQ(maker.Last().Passes[2].Mismatched, 1);
    EXPECT_FALSE(maker.Last().Passes[2].Clean);
    EXPECT_EQ(maker.Last().Counter, 2);
    std::ifstream in(Path("record.csv"));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        ASSERT_TRUE(SplitCsvLine(line, rows.back()));
    }
    ASSERT_EQ(rows.size(), 4u);
    // mismatched, reset, counter, file_counter, result
    const auto tail = [&rows](int r) {
        return std::vector<std::string>(rows[r].begin() + 13, rows[r].end());
    };
    EXPECT_EQ(tail(1), (std::vector<std::string>{"0", "yes", "1", "1", "ok"}));
    EXPECT_EQ(tail(2), (std::vector<std::string>{"0", "yes", "2", "2", "ok"}));
    EXPECT_EQ(tail(3), (std::vector<std::string>{"1", "yes", "2", "3", "failed"}));
}

// The compare transfer: backed up before it writes, read back after.
TEST_F(SafeTransfer, CompareTransferIsBackedUpAndVerified) {
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string kept = before ? before : "";
    setenv("XDG_DATA_HOME", Path("xdg").c_str(), 1);
    Start("fx", 31);
    Save(Path("c.dat"));
    sim->amplifier->PinRam(0x22, 0x0777);
    CompareCommand compare(*seams, longOperation);
    compare.SetCompareForm([](const Comparison&) { return true; });
    ask.AnswerFile(Path("c.dat")).Answer(mrNoToAll);
    ask.SetFallback(mrNo);
    compare.M38CompareClick();
    EXPECT_TRUE(compare.Last().Transferred);
    EXPECT_EQ(compare.Last().Verify.Mismatched, 1);
    int backups = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder / "xdg" / "servodesk")) {
        backups += entry.path().extension() == ".dat";
    }
    EXPECT_EQ(backups, 1);
    before ? setenv("XDG_DATA_HOME", kept.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

// The compare transfer and the production pass ask about a file of another
// drive once, before their first write: No writes nothing, Yes goes on
// without asking again for the next pass or unit.
TEST_F(SafeTransfer, IdentityIsAskedOnceBeforeCompareAndProduction) {
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string kept = before ? before : "";
    setenv("XDG_DATA_HOME", Path("xdg").c_str(), 1);
    Start("fx", 31);
    const std::string path = Path("id.dat");
    Save(path);
    std::string json = Bytes(IdentityPath(path));
    json.replace(json.find("\"model\": \""), 10, "\"model\": \"X");
    std::ofstream(IdentityPath(path), std::ios::binary) << json;
    const auto identityQuestions = [this] {
        return std::count_if(ask.AskedQuestions().begin(), ask.AskedQuestions().end(),
                             [this](const ScriptedQuestions::Asked& q) {
                                 return q.text.rfind(sim->Msg(1019), 0) == 0;
                             });
    };
    CompareCommand compare(*seams, longOperation);
    compare.SetCompareForm([](const Comparison&) { return true; });
    MotorParamCommand maker(*seams, longOperation, [] { return true; });
    maker.SetRecordPath(Path("record.csv"));
    struct Run {
        const char* what;
        std::function<void(int identityAnswer)> run;
        std::function<bool()> refused;
        std::function<bool()> wrote;  // every pass or unit of the script was written
    };
    const Run runs[] = {
        {"compare",
         [&](int answer) {
             // include question, identity; then reset No, repeat Yes, include, reset, repeat No
             ask.AnswerFile(path).Answer(mrNoToAll).Answer(answer);
             if (answer == mrYes) ask.Answer(mrNo).Answer(mrYes).Answer(mrNoToAll).Answer(mrNo);
             compare.M38CompareClick();
         },
         [&] { return compare.Last().IdentityRefused; },
         [&] { return compare.Last().Transferred; }},
        {"production",
         [&](int answer) {
             ask.AnswerFile(path).Answer(answer);
             if (answer == mrYes) ask.Answer(mrYes);  // a second unit
             maker.M37MakerClick();
         },
         [&] { return maker.Last().IdentityRefused; },
         [&] { return maker.Last().Passes.size() == 2u; }},
    };
    for (const Run& r : runs) {
        SCOPED_TRACE(r.what);
        ask.SetFallback(mrNo);
        sim->line->ClearLog();
        const auto asked = identityQuestions();
        r.run(mrNo);
        EXPECT_TRUE(r.refused());
        EXPECT_EQ(WriteCount(), 0);
        EXPECT_EQ(identityQuestions(), asked + 1);
        r.run(mrYes);
        EXPECT_FALSE(r.refused());
        EXPECT_TRUE(r.wrote());
        EXPECT_EQ(identityQuestions(), asked + 2);
        EXPECT_TRUE(ask.ScriptUsedUp());
    }
    before ? setenv("XDG_DATA_HOME", kept.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

}  // namespace
