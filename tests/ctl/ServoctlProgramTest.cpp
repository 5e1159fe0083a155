// The servoctl program against the ampsim program on a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ctl/ShellCommand.h"
#include "tests/link/AmpsimProcess.h"

#ifndef SERVOCTL_PATH
#error "SERVOCTL_PATH must name the servoctl program"
#endif
#ifndef AMPSIM_PATH
#error "AMPSIM_PATH must name the ampsim program"
#endif

namespace {

class ServoctlProgramTest : public ::testing::Test {
protected:
    // Runs servoctl on the simulator's Com1 with the given words, optionally
    // feeding input to its prompt.
    Outcome Servoctl(const std::string& words, const std::string& input = "") {
        std::string command =
            "'" SERVOCTL_PATH "' --folder '" + ampsim.Folder() + "' --family fx " + words + " 2>&1";
        if (!input.empty()) command = "printf '" + input + "' | " + command;
        return RunShell(command);
    }

    AmpsimProcess ampsim{AMPSIM_PATH, "fx", {"--fx-version", "31", "--pace"}};
};

TEST_F(ServoctlProgramTest, ReadsWritesAndIdentifies) {
    // A parameter word on FX (the EEPROM mailbox is BX's), as the simulator shows it.
    Outcome read = Servoctl("read 68");
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.output, "0x0000 0\n");
    EXPECT_TRUE(ampsim.Command("get 68", "RAM 68 = 0000"));

    EXPECT_EQ(Servoctl("write 41 0x55AA").output, "ok\n");
    EXPECT_TRUE(ampsim.Command("get 41", "RAM 41 = 55AA"));
    read = Servoctl("read 41");
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.output, "0x55AA 21930\n");

    const Outcome ident = Servoctl("ident");
    EXPECT_EQ(ident.status, 0) << ident.output;
    EXPECT_NE(ident.output.find("CPU:"), std::string::npos) << ident.output;
    EXPECT_NE(ident.output.find("\nFX"), std::string::npos) << ident.output;
    EXPECT_NE(ident.output.find("version 31\n"), std::string::npos) << ident.output;
}

TEST_F(ServoctlProgramTest, PromptUsageErrorsAndSilence) {
    ASSERT_TRUE(ampsim.Command("set 40 0x0102", "RAM 40 = 0102"));
    const Outcome prompt = Servoctl("", "read 40\\nquit\\n");
    EXPECT_EQ(prompt.status, 0);
    EXPECT_EQ(prompt.output, "0x0102 258\n");

    const Outcome usage = Servoctl("readp 12 40");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.output.find("bad page '12'"), std::string::npos);

    // No reply at all is status 3 for every command.
    ASSERT_TRUE(ampsim.Command("pull", "cable pulled"));
    const Outcome silent = Servoctl("read 40");
    EXPECT_EQ(silent.status, 3);
    EXPECT_EQ(silent.output, "read: no reply\n");
    for (const char* command : {"ident", "alarms", "monitor --count 1"}) {
        EXPECT_EQ(Servoctl(command).status, 3) << command;
    }
}

TEST_F(ServoctlProgramTest, VersionAndHelpTouchNoPort) {
    const Outcome version = Servoctl("--port /nonexistent --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "servoctl " SERVODESK_VERSION "\n");
    const Outcome help = Servoctl("--port /nonexistent open --help");
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_NE(help.output.find("--no-partial"), std::string::npos) << help.output;
}

TEST_F(ServoctlProgramTest, SavesAndTransfersAWholeParameterSet) {
    const std::string file = ampsim.Folder() + "/set.dat";
    const Outcome save = Servoctl("save '" + file + "'");
    ASSERT_EQ(save.status, 0) << save.output;
    EXPECT_EQ(save.output, "");  // no terminal: no progress line

    ASSERT_TRUE(ampsim.Command("set 60 0x0102", "RAM 60 = 0102"));
    const Outcome open = Servoctl("open '" + file + "'");
    EXPECT_EQ(open.status, 0) << open.output;
    // The backup comes first, the read-back's summary last.
    EXPECT_EQ(open.output.rfind("Backup: ", 0), 0u) << open.output;
    EXPECT_NE(open.output.find("\nCancel Auto Checksum\nNot data string\nNot data string\nData="),
              std::string::npos)
        << open.output;
    EXPECT_NE(open.output.find("\nMake Checksum\nEnable Auto Checksum\n"
                               "Verify: written 74, verified 74, mismatched 0, failed 0\n"),
              std::string::npos)
        << open.output;
    EXPECT_FALSE(ampsim.Command("get 60", "RAM 60 = 0102", 300));  // restored from the file

    const Outcome missing = Servoctl("open '" + ampsim.Folder() + "/none.dat'");
    EXPECT_EQ(missing.status, 4) << missing.output;

    ASSERT_TRUE(ampsim.Command("pull", "cable pulled"));
    const Outcome lost = Servoctl("save '" + file + "'");
    EXPECT_EQ(lost.status, 3) << lost.output;
}

TEST_F(ServoctlProgramTest, MonitorPrintsCsvLinesAtTheInterval) {
    ASSERT_TRUE(ampsim.Command("set 80 0x04D2", "RAM 80 = 04D2"));
    const Outcome monitor = Servoctl("monitor --rows 1,16 --count 3 --interval 200");
    EXPECT_EQ(monitor.status, 0) << monitor.output;
    const std::string header = "time_ms,Motor speed [r/min],Regenerative load [%]\n";
    ASSERT_EQ(monitor.output.substr(0, header.size()), header) << monitor.output;
    std::vector<std::string> lines;
    std::istringstream rest(monitor.output.substr(header.size()));
    for (std::string line; std::getline(rest, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << monitor.output;
    EXPECT_EQ(lines[0].substr(0, 7), "0,1234,");
    // Each line starts at its interval, not after the last one's reads.
    const long second = std::stol(lines[1]);
    EXPECT_GE(second, 200);
    EXPECT_EQ(lines[2].substr(lines[2].find(',')), ",1234" + lines[2].substr(lines[2].rfind(',')));
}

TEST_F(ServoctlProgramTest, MonitorEndsAfterAWholeLineOnCtrlC) {
    const std::string command = "'" SERVOCTL_PATH "' --folder '" + ampsim.Folder() +
                                "' --family fx monitor --rows 1,2,3 --interval 100 "
                                "> '" +
                                ampsim.Folder() +
                                "/out.csv' 2>&1 & pid=$!; "
                                "sleep 0.8; kill -INT $pid; wait $pid; echo status=$?";
    EXPECT_EQ(RunShell(command).output, "status=0\n");
    std::ifstream csv(ampsim.Folder() + "/out.csv");
    std::string whole((std::istreambuf_iterator<char>(csv)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(whole.empty());
    EXPECT_EQ(whole.back(), '\n');
    std::istringstream lines(whole);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 3) << line;
    }
    EXPECT_GE(count, 2);
}

TEST_F(ServoctlProgramTest, AlarmsShowsTheHistoryAndClearsIt) {
    ASSERT_TRUE(ampsim.Command("alarm 6", "alarm 6"));
    const Outcome alarms = Servoctl("alarms");
    EXPECT_EQ(alarms.status, 0) << alarms.output;
    EXPECT_EQ(alarms.output.substr(0, alarms.output.find('\n')), "1 0006 Motor overheat");
    const Outcome clear = Servoctl("alarms --clear");
    EXPECT_EQ(clear.status, 0) << clear.output;
    EXPECT_EQ(clear.output, "ok\n");
    EXPECT_TRUE(ampsim.Command("get 0A", "RAM 0A = 0000"));
    EXPECT_EQ(Servoctl("alarms --clean").status, 2);
}

TEST_F(ServoctlProgramTest, TableCompareAndProductionLine) {
    const std::string table = ampsim.Folder() + "/table.dat";
    const Outcome saved = Servoctl("table '" + table + "'");
    ASSERT_EQ(saved.status, 0) << saved.output;

    const std::string file = ampsim.Folder() + "/line.dat";
    ASSERT_EQ(Servoctl("save '" + file + "'").status, 0);
    const Outcome same = Servoctl("compare '" + file + "'");
    EXPECT_EQ(same.status, 0) << same.output;
    EXPECT_EQ(same.output.rfind("SET Pn00\tOK.\tOK.\n", 0), 0u) << same.output;
    EXPECT_NE(same.output.find("SET Pn45\tIs protected.\tIs protected.\n"), std::string::npos);

    ASSERT_TRUE(ampsim.Command("set 20 0x03E8", "RAM 20 = 03E8"));
    const Outcome differs = Servoctl("compare '" + file + "' --include-protected");
    EXPECT_EQ(differs.status, 1) << differs.output;
    EXPECT_NE(differs.output.find("SET Pn20\tH"), std::string::npos) << differs.output;
    EXPECT_NE(differs.output.find(" ,   1000\n"), std::string::npos) << differs.output;

    const Outcome line = Servoctl("transfer-line '" + file + "' --count 2 --reset auto");
    EXPECT_EQ(line.status, 0) << line.output;
    EXPECT_EQ(line.output.rfind("001 written ", 0), 0u) << line.output;
    EXPECT_NE(line.output.find("\n002 written "), std::string::npos) << line.output;
    EXPECT_NE(line.output.find(" reset\n"), std::string::npos) << line.output;
    EXPECT_FALSE(ampsim.Command("get 20", "RAM 20 = 03E8", 300));  // restored from the file

    EXPECT_EQ(Servoctl("transfer-line '" + file + "'").status, 2) << "--count is required";
    EXPECT_EQ(Servoctl("compare '" + ampsim.Folder() + "/none.dat'").status, 4);
}

// Three stations at once, the second holding a word against writes: only its
// unit fails, each summary line and record line names its port.
TEST_F(ServoctlProgramTest, TransferLineOnThreePortsAtOnce) {
    const std::string file = ampsim.Folder() + "/line.dat";
    ASSERT_EQ(Servoctl("save '" + file + "'").status, 0);
    AmpsimProcess second{AMPSIM_PATH, "fx", {"--fx-version", "31", "--pace"}};
    AmpsimProcess third{AMPSIM_PATH, "fx", {"--fx-version", "31", "--pace"}};
    ASSERT_TRUE(second.Command("pin 20 0x7777", "pinned against writes"));
    const std::vector<std::string> ports = {ampsim.Folder() + "/Com1", second.Folder() + "/Com1",
                                            third.Folder() + "/Com1"};
    std::string words = "transfer-line '" + file + "' --count 1 --reset no";
    for (const std::string& port : ports) words += " --port '" + port + "'";
    const std::string record = ampsim.Folder() + "/xdg/servodesk/production.csv";
    // The record goes to the test's own folder.
    const std::string command = "XDG_DATA_HOME='" + ampsim.Folder() +
                                "/xdg' '" SERVOCTL_PATH "' --family fx " + words + " 2>/dev/null";
    const auto [status, output] = RunShell(command);
    EXPECT_EQ(status, 1) << output;
    // The pinned word is a mismatch, which the record tells; no write failed.
    for (const std::string& port : ports) {
        EXPECT_NE(output.find(port + "\t000 written 74 protected 42 failed 0 not reset\n"),
                  std::string::npos)
            << output;
    }
    std::ifstream in(record);
    std::vector<std::vector<std::string>> units;
    for (std::string text; std::getline(in, text);) {
        std::vector<std::string> fields;
        std::istringstream cells(text);
        for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
        units.push_back(fields);
    }
    ASSERT_EQ(units.size(), 4u) << "header and three units";
    std::vector<std::string> recorded;
    for (std::size_t i = 1; i < units.size(); ++i) {
        // The port is the fourth column, before any field that may hold a comma.
        recorded.push_back(units[i][3] + " " + units[i].back());
    }
    std::sort(recorded.begin(), recorded.end());
    std::vector<std::string> expected = {ports[0] + " ok", ports[1] + " failed", ports[2] + " ok"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recorded, expected);
}

// Ctrl-C stops every port at its next exchange: the command ends with 130
// long before its twenty units would be done.
TEST_F(ServoctlProgramTest, CtrlCStopsEveryPortOfTheLine) {
    const std::string file = ampsim.Folder() + "/line.dat";
    ASSERT_EQ(Servoctl("save '" + file + "'").status, 0);
    AmpsimProcess second{AMPSIM_PATH, "fx", {"--fx-version", "31", "--pace"}};
    const std::string command =
        "XDG_DATA_HOME='" + ampsim.Folder() +
        "/xdg' '" SERVOCTL_PATH "' --family fx transfer-line '" + file +
        "' --count 20 --reset no --port '" + ampsim.Folder() + "/Com1' --port '" + second.Folder() +
        "/Com1' >/dev/null 2>&1 & pid=$!; sleep 1.5; kill -INT $pid; "
        "start=$(date +%s%N); wait $pid; echo status=$? ms=$((($(date +%s%N) - start) / 1000000))";
    const std::string result = RunShell(command).output;
    EXPECT_EQ(result.rfind("status=130 ", 0), 0u) << result;
    EXPECT_LT(std::stol(result.substr(result.find("ms=") + 3)), 10000) << result;
}

}  // namespace
