// The amplifier behind a serial device server: Debian's ser2net in front of
// ampsim's pseudo-terminal, reached as tcp:// (raw) and rfc2217:// (Telnet
// with the COM port option), by servoctl and by the link logic itself.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "ctl/ServoCtl.h"
#include "link/Comm.h"
#include "link/DriveLink.h"
#include "link/Identification.h"
#include "tests/ctl/ShellCommand.h"
#include "tests/link/AmpsimProcess.h"
#include "tests/link/Ser2netProcess.h"

#ifndef SERVOCTL_PATH
#error "SERVOCTL_PATH must name the servoctl program"
#endif
#ifndef AMPSIM_PATH
#error "AMPSIM_PATH must name the ampsim program"
#endif

namespace {

using SteadyClock = std::chrono::steady_clock;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Ser2netTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (Ser2netProcess::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
        server_ = std::make_unique<Ser2netProcess>(ampsim.Folder() + "/Com1", ampsim.Folder());
    }

    std::string Url() const { return GetParam() ? server_->TelnetUrl() : server_->RawUrl(); }

    Outcome Servoctl(const std::string& port, const std::string& words) {
        const std::string command = "'" SERVOCTL_PATH "' --folder '" + ampsim.Folder() +
                                    "' --family fx --port '" + port + "' " + words + " 2>&1";
        return RunShell(command);
    }

    AmpsimProcess ampsim{AMPSIM_PATH, "fx", {"--fx-version", "31", "--pace"}};
    std::unique_ptr<Ser2netProcess> server_;
};

TEST_P(Ser2netTest, IdentifiesSavesAndOpensThroughTheServer) {
    const Outcome ident = Servoctl(Url(), "ident");
    EXPECT_EQ(ident.status, 0) << ident.output;
    EXPECT_EQ(ident.output, Servoctl("Com1", "ident").output);

    const std::string direct = ampsim.Folder() + "/direct.dat";
    const std::string networked = ampsim.Folder() + "/networked.dat";
    ASSERT_EQ(Servoctl("Com1", "save '" + direct + "'").status, 0);
    const Outcome save = Servoctl(Url(), "save '" + networked + "'");
    ASSERT_EQ(save.status, 0) << save.output;
    EXPECT_EQ(FileText(networked), FileText(direct));

    ASSERT_TRUE(ampsim.Command("set 60 0x0102", "RAM 60 = 0102"));
    const Outcome open = Servoctl(Url(), "open '" + networked + "'");
    EXPECT_EQ(open.status, 0) << open.output;
    EXPECT_NE(open.output.find("Verify: written 74, verified 74, mismatched 0, failed 0\n"),
              std::string::npos)
        << open.output;
    EXPECT_FALSE(ampsim.Command("get 60", "RAM 60 = 0102", 300));
}

// The cable pulled behind the server is silence, as on a local port; the
// server going away is a hang-up, and once it is back the link reconnects
// by itself and the amplifier is identified again.
TEST_P(Ser2netTest, CablePullAndServerRestart) {
    TComm port;
    port.SetDeviceName(Url());
    SystemClock clock;
    DriveState state;
    state.StartFolder = SERVODESK_DATA_DIR "/";
    ASSERT_TRUE(SetFamily("fx", state));
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link(port, clock, state, panel, catalogue);
    AddressMap map;
    Identification identification(link, port, state, panel, catalogue, map);
    ASSERT_TRUE(OpenWithLineSettings(port));
    LoadAddressMap(map, state.AmpFamily, state.FxVersion, state.QrvFlag);
    ASSERT_TRUE(identification.Read_current_mode());
    const std::string model = panel.MainMsg5;
    EXPECT_NE(model.find("FX"), std::string::npos) << model;

    int value = 0;
    ASSERT_TRUE(ampsim.Command("pull", "cable pulled"));
    EXPECT_EQ(link.ReadFromRAM("41", 7, 1, value), 0);
    EXPECT_FALSE(port.HungUp());
    ASSERT_TRUE(ampsim.Command("set 41 0x0123", "RAM 41 = 0123"));
    ASSERT_TRUE(ampsim.Command("plug", "cable in"));
    state.CommErrorLatched = false;
    EXPECT_EQ(link.ReadFromRAM("41", 7, 1, value), 1);
    EXPECT_EQ(value, 0x0123);

    server_->Stop();
    EXPECT_EQ(link.ReadFromRAM("41", 7, 1, value), 0);
    EXPECT_TRUE(port.HungUp());
    EXPECT_TRUE(port.Enabled());
    ASSERT_TRUE(server_->Start());
    const auto restarted = SteadyClock::now();
    bool back = false;
    while (!back && SteadyClock::now() - restarted < std::chrono::seconds(5)) {
        back = link.ReadFromRAM("41", 7, 1, value) == 1;
        if (!back) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(back);
    EXPECT_FALSE(port.HungUp());
    state.CommErrorLatched = false;
    panel.MainMsg5.clear();
    EXPECT_TRUE(identification.Read_current_mode());
    EXPECT_EQ(panel.MainMsg5, model);
    port.Close();
}

INSTANTIATE_TEST_SUITE_P(BothModes, Ser2netTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Rfc2217" : "RawTcp";
                         });

}  // namespace
