// The servoctl program against the ampsim program on a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/link/AmpsimProcess.h"

#ifndef SERVOCTL_PATH
#error "SERVOCTL_PATH must name the servoctl program"
#endif
#ifndef AMPSIM_PATH
#error "AMPSIM_PATH must name the ampsim program"
#endif

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

class ServoctlProgramTest : public ::testing::Test {
protected:
    // Runs servoctl on the simulator's Com1 with the given words, optionally
    // feeding input to its prompt.
    Outcome Servoctl(const std::string& words, const std::string& input = "") {
        std::string command =
            "'" SERVOCTL_PATH "' --folder '" + ampsim.Folder() + "' --family fx " + words + " 2>&1";
        if (!input.empty()) command = "printf '" + input + "' | " + command;
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return outcome;
        char chunk[256];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
            outcome.output.append(chunk, n);
        }
        const int raw = ::pclose(pipe);
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return outcome;
    }

    AmpsimProcess ampsim{AMPSIM_PATH, "fx", {"--fx-version", "31", "--pace"}};
};

TEST_F(ServoctlProgramTest, ReadsWritesAndIdentifies) {
    // The idle EEP mailbox command word, as the simulator itself shows it.
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

    ASSERT_TRUE(ampsim.Command("pull", "cable pulled"));
    const Outcome silent = Servoctl("read 40");
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.output, "read: no reply\n");
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

}  // namespace
