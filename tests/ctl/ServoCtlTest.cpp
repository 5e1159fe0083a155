// servoctl's commands against the in-process simulated amplifier.
#include <gtest/gtest.h>

#include <sstream>

#include "ctl/ServoCtl.h"
#include "link/Identification.h"
#include "tests/support/SimDrive.h"

namespace {

class ServoCtlTest : public ::testing::Test {
protected:
    explicit ServoCtlTest(const std::string& family = "fx") : drive(family) {
        OpenWithLineSettings(*drive.line);
    }

    int Run(const std::vector<std::string>& words) {
        out.str("");
        err.str("");
        return ctl.Execute(words);
    }

    SimDrive drive;
    std::ostringstream out;
    std::ostringstream err;
    ServoCtl ctl{drive.Ctl(), out, err};
};

TEST_F(ServoCtlTest, OpensWithTheAmplifierLineSettings) {
    EXPECT_TRUE(drive.line->Enabled());
    EXPECT_EQ(drive.line->BaudRate(), br9600);
    EXPECT_EQ(drive.line->DataBits(), da8);
    EXPECT_EQ(drive.line->Parity(), paNone);
    EXPECT_TRUE(drive.line->Rts());
    EXPECT_TRUE(drive.line->Dtr());
}

TEST_F(ServoCtlTest, ReadsShowHexAndSignedDecimal) {
    drive.amplifier->SetRam(0x40, 0x8001);
    drive.amplifier->SetRam(0x41, 0x0203);
    EXPECT_EQ(Run({"read", "40"}), CtlOk);
    EXPECT_EQ(out.str(), "0x8001 -32767\n");
    EXPECT_EQ(Run({"readl", "40"}), CtlOk);
    EXPECT_EQ(out.str(), "0x80010203 -2147417597\n");
    drive.amplifier->SetRam(0x6b, 0x00FF);
    EXPECT_EQ(Run({"read", "6b"}), CtlOk);  // lower case is taken as upper case
    EXPECT_EQ(out.str(), "0x00FF 255\n");
    EXPECT_EQ(drive.line->Requests().back().substr(0, 4), "R56B");
}

TEST_F(ServoCtlTest, WritesAreReadBackInEveryForm) {
    EXPECT_EQ(Run({"write", "40", "-1"}), CtlOk);
    EXPECT_EQ(out.str(), "ok\n");
    EXPECT_EQ(drive.amplifier->Ram(0x40), 0xFFFF);
    EXPECT_EQ(Run({"write", "40", "0x1234"}), CtlOk);
    EXPECT_EQ(Run({"read", "40"}), CtlOk);
    EXPECT_EQ(out.str(), "0x1234 4660\n");

    EXPECT_EQ(Run({"writel", "40", "0xFFFFFFFE"}), CtlOk);
    EXPECT_EQ(Run({"readl", "40"}), CtlOk);
    EXPECT_EQ(out.str(), "0xFFFFFFFE -2\n");

    EXPECT_EQ(Run({"writep", "3", "40", "65535"}), CtlOk);
    EXPECT_EQ(drive.amplifier->Ram(0x40, 3), 0xFFFF);
    EXPECT_EQ(Run({"readp", "3", "40"}), CtlOk);
    EXPECT_EQ(out.str(), "0xFFFF -1\n");
    EXPECT_EQ(drive.line->Requests().back().substr(0, 4), "R340");
}

TEST_F(ServoCtlTest, BadInputIsRefusedWithoutAnExchange) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"read"}, "usage: read ADDR"},
        {{"write", "40"}, "usage: write ADDR VALUE"},
        {{"read", "4"}, "bad address '4'"},
        {{"read", "400"}, "bad address '400'"},
        {{"read", "G0"}, "bad address 'G0'"},
        {{"write", "40", "65536"}, "value 65536 out of range -32768 to 65535"},
        {{"write", "40", "-32769"}, "out of range"},
        {{"eewrite", "21", "0x10000"}, "out of range"},
        {{"writel", "40", "0x100000000"}, "out of range -2147483648 to 4294967295"},
        {{"writel", "40", "99999999999999999999"}, "out of range"},
        {{"write", "40", "12x"}, "bad value '12x'"},
        {{"write", "40", "0x-1"}, "bad value"},
        {{"write", "40", "0x"}, "bad value"},
        {{"readp", "10", "40"}, "bad page '10': one digit 0 to 9 expected"},
        {{"writep", "A", "40", "1"}, "bad page 'A'"},
    };
    drive.line->ClearLog();
    for (const auto& [words, message] : cases) {
        EXPECT_EQ(Run(words), CtlUsageError) << words[0];
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_TRUE(drive.line->Requests().empty());
}

// No reply at all is a lost link (3); a reply that is wrong is a failed
// exchange (1).
TEST_F(ServoCtlTest, FailedExchangeIsOnePlainLine) {
    drive.amplifier->SetCablePulled(true);
    EXPECT_EQ(Run({"read", "40"}), CtlLinkLost);
    EXPECT_EQ(err.str(), "read: no reply\n");
    EXPECT_EQ(Run({"write", "40", "1"}), CtlLinkLost);
    EXPECT_EQ(err.str(), "write: no reply\n");
    EXPECT_EQ(out.str(), "");

    drive.amplifier->SetCablePulled(false);
    drive.amplifier->InjectFault(sim::Fault::ErrorReply);
    EXPECT_EQ(Run({"read", "40"}), CtlExchangeFailed);
    EXPECT_EQ(err.str().rfind("read: bad reply \"!", 0), 0u) << err.str();

    // The next command starts afresh: the link recovers at once.
    EXPECT_EQ(Run({"read", "40"}), CtlOk);
    EXPECT_FALSE(drive.state.CommErrorLatched);
}

TEST_F(ServoCtlTest, IdentShowsLabelsModelAndVersion) {
    EXPECT_EQ(Run({"ident"}), CtlOk) << err.str();
    std::istringstream lines(out.str());
    std::string cpu, eep, model, version;
    std::getline(lines, cpu);
    std::getline(lines, eep);
    std::getline(lines, model);
    std::getline(lines, version);
    EXPECT_EQ(cpu, drive.panel.CPULabel);
    EXPECT_EQ(cpu.rfind("CPU:", 0), 0u);
    EXPECT_EQ(eep, "EEP:XXX");
    EXPECT_EQ(model.rfind("FX", 0), 0u) << model;
    EXPECT_EQ(version, "version " + std::to_string(drive.state.FxVersion));

    drive.amplifier->SetCablePulled(true);
    EXPECT_EQ(Run({"ident"}), CtlLinkLost);
    EXPECT_EQ(err.str(), "ident: no reply\n");
    EXPECT_EQ(out.str(), "");
}

class ServoCtlBxTest : public ServoCtlTest {
protected:
    ServoCtlBxTest() : ServoCtlTest("bx") {}
};

// The EEPROM mailbox is BX's.
TEST_F(ServoCtlBxTest, EepromWordsGoThroughTheMailbox) {
    EXPECT_EQ(Run({"eewrite", "21", "-3"}), CtlOk);
    EXPECT_EQ(drive.amplifier->Eeprom(0x21), 0xFFFD);
    EXPECT_EQ(Run({"eeread", "21"}), CtlOk);
    EXPECT_EQ(out.str(), "0xFFFD -3\n");
}

TEST_F(ServoCtlBxTest, IdentReadsTheEepromLabels) {
    EXPECT_EQ(Run({"ident"}), CtlOk) << err.str();
    EXPECT_EQ(out.str().rfind("CPU:2005:0715\nEEP:2004:0301\nBX02-", 0), 0u) << out.str();
}

// A failed identification step is a failed command, told in one line, with
// nothing on standard output: no placeholder label, no default version.
TEST_F(ServoCtlTest, IdentWithAnUnansweredStepFails) {
    drive.amplifier->InjectFault(sim::Fault::NoReply, 2);
    EXPECT_EQ(Run({"ident"}), CtlLinkLost);
    EXPECT_EQ(err.str(), "ident: no reply\n");
    EXPECT_EQ(out.str(), "");
}

TEST_F(ServoCtlBxTest, IdentWithAnUnansweredStepFails) {
    drive.amplifier->InjectFault(sim::Fault::NoReply, 1);
    EXPECT_EQ(Run({"ident"}), CtlLinkLost);
    EXPECT_EQ(err.str(), "ident: no reply\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(drive.panel.CPULabel, "CPU:XXX");

    // A type code that is no decimal number is no model.
    drive.amplifier->SetEeprom(0x77, 0x2F02);
    EXPECT_EQ(Run({"ident"}), CtlExchangeFailed);
    EXPECT_EQ(out.str(), "");
}

TEST_F(ServoCtlTest, PromptRunsLinesUntilQuitAndKeepsTheWorstStatus) {
    drive.amplifier->SetRam(0x40, 7);
    std::istringstream in("read 40\n\n  bogus  \nwrite 40 0x22\nread 40\nquit\nwrite 40 9\n");
    EXPECT_EQ(ctl.Prompt(in, false), CtlUsageError);
    EXPECT_EQ(out.str(), "0x0007 7\nok\n0x0022 34\n");
    EXPECT_NE(err.str().find("unknown command 'bogus'"), std::string::npos);
    EXPECT_EQ(drive.amplifier->Ram(0x40), 0x22);  // nothing after quit ran

    std::istringstream fine("read 40\n");
    EXPECT_EQ(ctl.Prompt(fine, false), CtlOk);
}

TEST(ServoCtlOptionsTest, OptionsComeBeforeTheCommand) {
    CtlOptions options;
    std::string error;
    ASSERT_TRUE(ParseOptions(
        {"--port", "/dev/ttyUSB0", "--folder", "/tmp/x", "--family", "lqrv", "write", "40", "-1"},
        options, error));
    EXPECT_EQ(options.Port, "/dev/ttyUSB0");
    EXPECT_EQ(options.Folder, "/tmp/x");
    EXPECT_EQ(options.Family, "lqrv");
    EXPECT_EQ(options.Command, (std::vector<std::string>{"write", "40", "-1"}));

    CtlOptions defaults;
    ASSERT_TRUE(ParseOptions({}, defaults, error));
    EXPECT_EQ(defaults.Port, "Com1");
    EXPECT_TRUE(defaults.Command.empty());

    EXPECT_FALSE(ParseOptions({"--port"}, options, error));
    EXPECT_EQ(error, "--port needs a value");
    EXPECT_FALSE(ParseOptions({"--speed", "9600"}, options, error));
    EXPECT_EQ(error, "unknown option '--speed'");
    EXPECT_FALSE(ParseOptions({"--family", "zz", "read", "40"}, options, error));
    EXPECT_NE(error.find("unknown family 'zz'"), std::string::npos);
}

// Options stand anywhere after the command, as getopt-style tools take them;
// "--" ends them, and "-5" is a value, not an option.
TEST(ServoCtlOptionsTest, CommandOptionsStandAnywhere) {
    struct Case {
        std::vector<std::string> words;
        std::string file;
        bool dryRun, force, noPartial;
        int count;
    };
    const Case cases[] = {
        {{"open", "--dry-run", "a.dat"}, "a.dat", true, false, false, 0},
        {{"open", "--force", "a.dat", "--no-partial"}, "a.dat", false, true, true, 0},
        {{"open", "--", "--dry-run"}, "--dry-run", false, false, false, 0},
        {{"transfer-line", "--count=3", "a.dat"}, "a.dat", false, false, false, 3},
        {{"transfer-line", "--force", "--count", "2", "a.dat"}, "a.dat", false, true, false, 2},
    };
    for (const Case& c : cases) {
        CtlCommand command;
        std::string error;
        ASSERT_TRUE(ParseCommand(c.words, command, error)) << c.words[1] << ": " << error;
        EXPECT_EQ((std::vector<bool>{command.DryRun, command.Force, command.NoPartial}),
                  (std::vector<bool>{c.dryRun, c.force, c.noPartial}))
            << c.words[1];
        EXPECT_EQ(command.File, c.file);
        EXPECT_EQ(command.Count, c.count);
    }
    CtlCommand help;
    std::string error;
    ASSERT_TRUE(ParseCommand({"transfer-line", "--help"}, help, error)) << error;
    EXPECT_TRUE(help.Help);  // no --count needed to ask for help
    EXPECT_FALSE(ParseCommand({"open", "a.dat", "--count=2"}, help, error));
    EXPECT_FALSE(ParseCommand({"open", "--dry-run=yes", "a.dat"}, help, error));

    // The program's options too, before or after the command.
    CtlOptions options;
    ASSERT_TRUE(ParseOptions({"write", "40", "-5", "--family=bx", "--port", "P"}, options, error))
        << error;
    EXPECT_EQ(options.Command, (std::vector<std::string>{"write", "40", "-5"}));
    EXPECT_EQ(options.Family, "bx");
    EXPECT_EQ(options.Port, "P");
    ASSERT_TRUE(ParseOptions({"open", "--help", "--version"}, options, error));
    EXPECT_TRUE(options.Version);
    EXPECT_FALSE(options.Help);  // --help after the command is the command's
    EXPECT_EQ(options.Command, (std::vector<std::string>{"open", "--help"}));
    EXPECT_FALSE(ParseOptions({"--port", "A", "read", "40", "--port", "B"}, options, error));
    ASSERT_TRUE(ParseOptions({"transfer-line", "f", "--count", "1", "--port", "A", "--port", "B"},
                             options, error));
    EXPECT_EQ(options.Ports, (std::vector<std::string>{"A", "B"}));
}

// Every command's help names its options and the one exit-status table.
TEST(ServoCtlOptionsTest, EveryCommandHasHelpWithTheExitTable) {
    for (const char* name : {"read", "open", "transfer-line", "monitor", "alarms", "ports"}) {
        const std::string help = CommandHelp(name);
        EXPECT_NE(help.find(std::string(name)), std::string::npos) << name;
        EXPECT_NE(help.find("\n  4  a file"), std::string::npos) << name;
    }
    EXPECT_NE(CommandHelp("open").find("--no-partial"), std::string::npos);
    EXPECT_NE(CommandHelp("transfer-line").find("resets each unit"), std::string::npos);
    EXPECT_NE(UsageText().find("\n  3  no reply at all"), std::string::npos);
}

TEST(ServoCtlOptionsTest, FamilyNamesSetTheMemberFlags) {
    DriveState state;
    ASSERT_TRUE(SetFamily("yz", state));
    EXPECT_EQ(state.AmpFamily, 2);
    EXPECT_TRUE(state.QrvFlag && state.LqrvFlag && state.YzFlag);
    ASSERT_TRUE(SetFamily("kqrv", state));
    EXPECT_TRUE(state.QrvFlag);
    EXPECT_FALSE(state.LqrvFlag || state.YzFlag);
    ASSERT_TRUE(SetFamily("dx", state));
    EXPECT_EQ(state.AmpFamily, 1);
    EXPECT_FALSE(state.QrvFlag);
}

}  // namespace
