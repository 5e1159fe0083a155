// servoctl save and open against the in-process simulated amplifier: the
// same bytes and exchanges as the window's commands, and the exit statuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ctl/ServoCtl.h"
#include "files/FileCommands.h"
#include "files/ProductionRecord.h"
#include "link/MessageCatalogue.h"
#include "tests/support/ScriptedQuestions.h"
#include "tests/support/SimDrive.h"

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string WithoutBackupLine(const std::string& log) {
    std::istringstream lines(log);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Backup: ", 0) != 0) kept += line + "\n";
    }
    return kept;
}

class ServoCtlFilesTest : public ::testing::Test {
protected:
    explicit ServoCtlFilesTest(const std::string& family = "fx") : drive(family) {
        OpenWithLineSettings(*drive.line);
        folder = std::filesystem::temp_directory_path() /
                 ("ctlfiles_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    ~ServoCtlFilesTest() override { std::filesystem::remove_all(folder); }

    int Run(const std::vector<std::string>& words) {
        out.str("");
        err.str("");
        drive.line->ClearLog();
        return ctl.Execute(words);
    }
    std::string Path(const std::string& name) const { return (folder / name).string(); }

    // The window's commands on the same amplifier.
    ParamFileCommands& Window() {
        seams = std::make_unique<TransferSeams>(
            TransferSeams{*drive.link, drive.state, drive.panel, drive.clock, ask,
                          [this](int n) { return drive.Msg(n); },
                          [this] { drive.identification->Read_current_mode(); }});
        commands = std::make_unique<ParamFileCommands>(*seams, longOperation);
        return *commands;
    }

    SimDrive drive;
    std::ostringstream out;
    std::ostringstream err;
    ServoCtl ctl{drive.Ctl(), out, err};
    std::filesystem::path folder;
    ScriptedQuestions ask;
    LongOperation longOperation;
    std::unique_ptr<TransferSeams> seams;
    std::unique_ptr<ParamFileCommands> commands;
};

TEST_F(ServoCtlFilesTest, SaveWritesTheWindowsBytes) {
    ASSERT_EQ(Run({"save", Path("ctl.dat")}), CtlOk) << err.str();
    EXPECT_EQ(out.str(), "");
    ask.AnswerFile(Path("window.dat"));
    Window().M32SaveClick();
    EXPECT_EQ(Bytes(Path("ctl.dat")), Bytes(Path("window.dat")));
    EXPECT_EQ(Bytes(Path("ctl.dat")).rfind("This is a New FX_Type Data\r\nCPU date:", 0), 0u);
}

TEST_F(ServoCtlFilesTest, OpenLogsAndExchangesAsTheWindowDoes) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    ASSERT_EQ(Run({"open", Path("a.dat")}), CtlOk) << err.str();
    const std::vector<std::string> ctlRequests = drive.line->Requests();
    const std::string ctlLog = out.str();

    drive.line->ClearLog();
    ask.AnswerFile(Path("a.dat")).Answer(mrNo).Answer(mrNo);
    Window().M31OpenClick();
    std::string windowLog;
    for (const std::string& line : drive.panel.Memo1) windowLog += line + "\n";
    // Each backs up into a file of its own name.
    EXPECT_EQ(WithoutBackupLine(ctlLog), WithoutBackupLine(windowLog));
    // servoctl identifies first; the transfer's exchanges follow in the same order.
    const std::vector<std::string> windowRequests = drive.line->Requests();
    ASSERT_GE(ctlRequests.size(), windowRequests.size());
    EXPECT_TRUE(std::equal(windowRequests.begin(), windowRequests.end(),
                           ctlRequests.end() - static_cast<long>(windowRequests.size())));
    EXPECT_EQ(std::count(ctlRequests.begin(), ctlRequests.end(), "W5C4000064"), 0);
}

TEST_F(ServoCtlFilesTest, ResetOnlyWithTheOption) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    ASSERT_EQ(Run({"open", Path("a.dat"), "--reset"}), CtlOk) << err.str();
    const std::vector<std::string> requests = drive.line->Requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                            [](const std::string& r) { return r.rfind("W5C40000", 0) == 0; }));
}

TEST_F(ServoCtlFilesTest, ExitStatusesTellWhatWentWrong) {
    EXPECT_EQ(Run({"open"}), CtlUsageError);
    EXPECT_EQ(Run({"open", "a.dat", "--bogus"}), CtlUsageError);
    EXPECT_EQ(Run({"save"}), CtlUsageError);
    EXPECT_TRUE(drive.line->Requests().empty());

    EXPECT_EQ(Run({"open", Path("missing.dat")}), CtlFileError);
    EXPECT_NE(err.str().find(Path("missing.dat")), std::string::npos) << err.str();
    EXPECT_EQ(Run({"save", Path("no/folder/a.dat")}), CtlFileError);

    std::ofstream(Path("bad.dat")) << "This is a FX Data\n.DATA.W      H'0G01  ;000C   :\n";
    EXPECT_EQ(Run({"open", Path("bad.dat")}), CtlFileError);
    EXPECT_NE(err.str().find("line 2"), std::string::npos) << err.str();

    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    // The first entry's write is refused twice, once the transfer has begun.
    drive.amplifier->SetObserver([this](const sim::ExchangeRecord& record) {
        if (record.request.rfind("W5C00000", 0) == 0) {
            drive.amplifier->InjectFault(sim::Fault::ErrorReply, 2);
        }
    });
    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlExchangeFailed);
    drive.amplifier->SetObserver(nullptr);
    EXPECT_NE(out.str().find(" Error\n"), std::string::npos);

    drive.amplifier->SetCablePulled(true);
    EXPECT_EQ(Run({"save", Path("a.dat")}), CtlLinkLost);
    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlLinkLost);
}

// A link lost during Open leaves the FX drive with its checksum off: said on
// the error stream with the way out.
TEST_F(ServoCtlFilesTest, ALinkLostDuringOpenSaysTheChecksumIsOff) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    drive.amplifier->SetObserver([this](const sim::ExchangeRecord& record) {
        if (record.request.rfind("W520", 0) == 0) drive.amplifier->SetCablePulled(true);
    });
    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlLinkLost);
    drive.amplifier->SetObserver(nullptr);
    EXPECT_NE(err.str().find(Filled(drive.Msg(1052), {Path("a.dat")}) + "\n"), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("transferring " + Path("a.dat") + " again, or restore the backup "),
              std::string::npos)
        << err.str();
}

TEST_F(ServoCtlFilesTest, OpenFailsWhenAWordReadsBackDifferent) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    drive.amplifier->PinRam(0x20, 0x7777);
    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlExchangeFailed);
    EXPECT_NE(out.str().find("\nMismatch index 0020: written "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("read back 7777 (30583)\n"), std::string::npos);
    EXPECT_NE(out.str().find("Verify: written 74, verified 73, mismatched 1, failed 0\n"),
              std::string::npos);
    drive.amplifier->Unpin(0x20);
    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlOk) << out.str();
}

TEST_F(ServoCtlFilesTest, DryRunShowsTheTableAndWritesNothing) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    EXPECT_EQ(Run({"open", Path("a.dat"), "--dry-run"}), CtlOk) << err.str();
    EXPECT_NE(out.str().find("Would change: 0, Unchanged: 74, Protected: 42\n"), std::string::npos)
        << out.str();
    const auto writes = [this] {
        const std::vector<std::string> requests = drive.line->Requests();
        return std::count_if(requests.begin(), requests.end(),
                             [](const std::string& r) { return r.rfind("W", 0) == 0; });
    };
    EXPECT_EQ(writes(), 0);

    drive.amplifier->SetRam(0x20, 0x1111);
    drive.amplifier->SetRam(0x21, 0x1111);
    EXPECT_EQ(Run({"open", Path("a.dat"), "--dry-run", "--reset"}), CtlExchangeFailed);
    EXPECT_NE(out.str().find("Would change: 2,"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("* 0020   1111 (4369)"), std::string::npos) << out.str();
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(Run({"open", Path("a.dat"), "--dry-run", "--dry-run"}), CtlUsageError);
}

TEST_F(ServoCtlFilesTest, IdentityMismatchRefusedUnlessForced) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    std::ifstream in(Path("a.dat.json"));
    std::string json((std::istreambuf_iterator<char>(in)), {});
    ASSERT_NE(json.find("\"program_version\": \"servoctl V1.500\""), std::string::npos) << json;
    json.replace(json.find("\"model\": \""), 10, "\"model\": \"other ");
    std::ofstream(Path("a.dat.json"), std::ios::binary) << json;

    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlFileError);
    EXPECT_NE(err.str().find("model: file \"other "), std::string::npos) << err.str();
    for (const std::string& request : drive.line->Requests()) EXPECT_NE(request[0], 'W') << request;

    EXPECT_EQ(Run({"open", Path("a.dat"), "--force"}), CtlOk) << err.str();
    EXPECT_NE(err.str().find("--force"), std::string::npos);
    // A dry run notes the difference and still shows the table.
    EXPECT_EQ(Run({"open", Path("a.dat"), "--dry-run"}), CtlOk);
    EXPECT_NE(out.str().find("model: file"), std::string::npos);
}

// transfer-line: a unit that did not keep a word fails the command (its
// read-back lines on the error stream); a file of another drive is refused
// before the first unit unless --force.
TEST_F(ServoCtlFilesTest, TransferLineCountsMismatchesAndChecksTheIdentity) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    const auto line = [this](std::vector<std::string> options) {
        std::vector<std::string> words{"transfer-line", Path("a.dat"), "--count", "2"};
        words.insert(words.end(), options.begin(), options.end());
        return Run(words);
    };
    EXPECT_EQ(line({"--reset", "no"}), CtlOk) << err.str();
    EXPECT_EQ(out.str(),
              "000 written 74 protected 42 failed 0 not reset\n"
              "000 written 74 protected 42 failed 0 not reset\n");

    drive.amplifier->PinRam(0x20, 0x7777);
    EXPECT_EQ(line({"--reset", "no"}), CtlExchangeFailed);
    EXPECT_NE(err.str().find("Mismatch index 0020: written "), std::string::npos) << err.str();
    drive.amplifier->Unpin(0x20);

    std::string json = Bytes(Path("a.dat.json"));
    json.replace(json.find("\"model\": \""), 10, "\"model\": \"other ");
    std::ofstream(Path("a.dat.json"), std::ios::binary) << json;
    EXPECT_EQ(line({}), CtlFileError);
    EXPECT_EQ(out.str(), "");
    for (const std::string& request : drive.line->Requests()) EXPECT_NE(request[0], 'W') << request;
    EXPECT_EQ(line({"--force", "--reset", "no"}), CtlOk) << err.str();
    EXPECT_NE(err.str().find("--force: transferring anyway"), std::string::npos);
    EXPECT_EQ(line({"--force", "--force"}), CtlUsageError);
}

// A partial file (here a save missing one entry) is transferred with a note;
// --no-partial refuses it with exit 4 and writes nothing.
TEST_F(ServoCtlFilesTest, PartialFileIsNotedOrRefusedWithNoPartial) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    std::istringstream whole(Bytes(Path("a.dat")));
    std::ofstream partial(Path("p.dat"), std::ios::binary);
    int lineNumber = 0;
    for (std::string line; std::getline(whole, line);) {
        if (++lineNumber != 5) partial << line << "\n";
    }
    partial.close();
    EXPECT_EQ(Run({"open", "--no-partial", Path("p.dat")}), CtlFileError) << err.str();
    EXPECT_NE(err.str().find("--no-partial: not transferred"), std::string::npos) << err.str();
    for (const std::string& request : drive.line->Requests()) EXPECT_NE(request[0], 'W') << request;
    EXPECT_EQ(Run({"open", Path("p.dat")}), CtlOk) << err.str();
    EXPECT_EQ(err.str().rfind("note: ", 0), 0u) << err.str();
}

// The link lost while the amplifier is backed up is a lost link, not a file error.
TEST_F(ServoCtlFilesTest, LinkLostDuringTheBackupIsThree) {
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    bool identified = false;
    drive.amplifier->SetObserver([&](const sim::ExchangeRecord& record) {
        // The backup reads the set from its first entry, 0C.
        if (record.request.rfind("R50C", 0) == 0 && !identified) {
            identified = true;
            drive.amplifier->SetCablePulled(true);
        }
    });
    EXPECT_EQ(Run({"open", Path("a.dat")}), CtlLinkLost) << err.str();
    drive.amplifier->SetObserver(nullptr);
    EXPECT_TRUE(identified);
}

// A unit whose words could not be read back: the summary line's failed count
// is the record's, and the text says they could not be read back.
TEST_F(ServoCtlFilesTest, TransferLineFailedCountIsTheRecords) {
    const std::string kept = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    ::setenv("XDG_DATA_HOME", Path("xdg").c_str(), 1);
    ASSERT_EQ(Run({"save", Path("a.dat")}), CtlOk);
    drive.amplifier->SetObserver([this](const sim::ExchangeRecord& record) {
        // Once the checksum is back on, the read-back begins: its first read gets no answer.
        if (record.request.rfind("W5C00001", 0) == 0) {
            drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
        }
    });
    EXPECT_NE(Run({"transfer-line", Path("a.dat"), "--count", "1", "--reset", "no"}), CtlOk);
    drive.amplifier->SetObserver(nullptr);
    kept.empty() ? ::unsetenv("XDG_DATA_HOME") : ::setenv("XDG_DATA_HOME", kept.c_str(), 1);

    std::ifstream record(Path("xdg/servodesk/production.csv"));
    std::string header, unit;
    std::getline(record, header);
    std::getline(record, unit);
    std::vector<std::string> fields;
    ASSERT_TRUE(SplitCsvLine(unit, fields));
    ASSERT_EQ(fields.size(), ProductionColumns().size()) << unit;
    const std::string failed = fields[12];
    EXPECT_NE(failed, "0");
    EXPECT_EQ(fields.back(), "failed");
    EXPECT_NE(out.str().find(" failed " + failed + " "), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("could not be read back"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("does not hold"), std::string::npos) << err.str();
}

}  // namespace
