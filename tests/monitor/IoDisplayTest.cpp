// The I/O display without a window: bit maps and inversions per family and
// version, the poll against the simulated amplifier, unknown panels until a
// read succeeds, and redraws only on change.
#include <gtest/gtest.h>

#include "monitor/IoDisplay.h"
#include "tests/monitor/MonitorTestSupport.h"

namespace {

using Family::Bx;
using Family::Dx;
using Family::Fx;

struct DecodeCase {
    int family;
    int fxVersion;
    int inputWord;
    int outputWord;
    const char* inputs;   // input 1 ... 13
    const char* outputs;  // output 1 ... 8
};

const DecodeCase DecodeCases[] = {
    {Fx, 26, 0x0200, 0x0008, "1000000000000", "10000000"},
    {Fx, 25, 0x0200, 0x0008, "0111111111111", "10000000"},
    {Fx, 31, 0x0001, 0x0001, "0000100000000", "01000000"},
    {Fx, 33, 0x1000, 0x0080, "0001000000000", "00000001"},
    {Bx, 25, 0x0200, 0x0008, "0000000001000", "01111111"},
    {Dx, 25, 0x0001, 0x0001, "1000000000000", "10111111"},
    {Dx, 31, 0x1000, 0x00F7, "0000000000001", "10000000"},
    // Bits above the maps change nothing.
    {Bx, 25, 0xE000, 0xFF00, "0000000000000", "11111111"},
};

std::string Bits(const int* states, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += states[i] ? '1' : '0';
    return text;
}

TEST(IoDecode, EachFamilyAndVersionMapsAndInvertsItsBits) {
    for (const DecodeCase& c : DecodeCases) {
        const IoStates states = DecodeIo(c.family, c.fxVersion, c.inputWord, c.outputWord);
        EXPECT_EQ(Bits(states.InputState.data(), InputCount), c.inputs)
            << "family " << c.family << " version " << c.fxVersion;
        EXPECT_EQ(Bits(states.OutputState.data(), OutputCount), c.outputs)
            << "family " << c.family << " version " << c.fxVersion;
    }
}

struct IoBench : MonitorBench {
    using MonitorBench::MonitorBench;
    void OpenAndTick() {
        poll.Open();
        drive.state.IOFormOpen = true;
        poll.IODispalyTimerTimer();
    }
    IODisplayPoll poll{*drive.link, drive.state, drive.map};
};

TEST(IoPoll, ReadsTheInputWordThenTheOutputWordOfEachFamily) {
    const struct {
        const char* family;
        std::vector<std::string> wire;
    } cases[] = {
        {"bx", {"R CB", "R AF"}},
        {"dx", {"R 11", "R 12"}},
        {"fx", {"R C5", "R C6"}},
    };
    for (const auto& c : cases) {
        IoBench bench(c.family);
        bench.OpenAndTick();
        EXPECT_EQ(bench.Wire(), c.wire) << c.family;
    }
}

TEST(IoPoll, WordsComeBackAsTheirLow16Bits) {
    IoBench bench("fx", 31);
    bench.SetWord(0xC5, 0x8200);
    bench.SetWord(0xC6, 0x0008);
    bench.OpenAndTick();
    EXPECT_EQ(bench.drive.state.ServoWord, 0x8200);
    EXPECT_EQ(bench.drive.state.IoWord, 0x0008);
    const auto panels = bench.poll.PanelStates();
    EXPECT_EQ(panels[0], IoPanelState::On);
    EXPECT_EQ(panels[1], IoPanelState::Off);
    EXPECT_EQ(panels[InputCount], IoPanelState::On);
    EXPECT_EQ(bench.poll.States.OutputState[0], 1);
}

TEST(IoPoll, OpenedWhileLatchedEveryPanelIsUnknownUntilAReadSucceeds) {
    IoBench bench("dx");
    bench.drive.state.CommErrorLatched = true;
    bench.OpenAndTick();
    EXPECT_EQ(bench.Wire(), std::vector<std::string>{});
    // Zero words would show every DX output on; unknown is what they are.
    for (IoPanelState state : bench.poll.PanelStates()) EXPECT_EQ(state, IoPanelState::Unknown);

    bench.drive.state.CommErrorLatched = false;
    bench.drive.amplifier->InjectFault(sim::Fault::NoReply, 1);  // the input word
    bench.poll.IODispalyTimerTimer();
    const auto panels = bench.poll.PanelStates();
    EXPECT_EQ(panels[0], IoPanelState::Unknown);
    EXPECT_NE(panels[InputCount], IoPanelState::Unknown);
    EXPECT_FALSE(bench.drive.state.IODisplayBusy);
}

TEST(IoPoll, ReopeningForgetsTheWordsOfTheLastOpening) {
    IoBench bench("bx");
    bench.SetWord(0xCB, 0x0003);
    bench.OpenAndTick();
    ASSERT_TRUE(bench.poll.InputsKnown());
    bench.poll.Open();
    EXPECT_EQ(bench.drive.state.ServoWord, 0);
    EXPECT_FALSE(bench.poll.InputsKnown());
    EXPECT_FALSE(bench.poll.OutputsKnown());
}

TEST(IoPanels, AWordThatDoesNotChangeRedrawsNothing) {
    IoPanels panels;
    std::array<IoPanelState, IoPanelCount> wanted{};
    EXPECT_TRUE(panels.Update(wanted).empty());  // unknown already shown
    wanted.fill(IoPanelState::Off);
    wanted[3] = IoPanelState::On;
    EXPECT_EQ(panels.Update(wanted).size(), static_cast<std::size_t>(IoPanelCount));
    EXPECT_TRUE(panels.Update(wanted).empty());
    wanted[3] = IoPanelState::Off;
    wanted[20] = IoPanelState::On;
    EXPECT_EQ(panels.Update(wanted), (std::vector<int>{3, 20}));
    EXPECT_EQ(panels.Shown(20), IoPanelState::On);
    EXPECT_EQ(IoPanelMessage(IoPanelState::On), 83);
    EXPECT_EQ(IoPanelMessage(IoPanelState::Off), 82);
}

}  // namespace
