// The status and mode texts of every code of every family, and the one
// drawing of the bottom panel from the drive state.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "link/StatusTexts.h"

namespace {

using namespace StatusTexts;

// The FX group words six status codes its own way; everything else is 151 + code.
const std::map<int, int> FxStatusWording = {{2, 150}, {6, 164},  {7, 149},
                                            {8, 148}, {13, 147}, {15, 146}};

TEST(StatusTextsTest, EveryStatusCodeOfEveryFamily) {
    for (int family : {Family::Bx, Family::Dx, Family::Fx}) {
        for (int code = 0; code <= 16; ++code) {
            int expected = 151 + code;
            const auto special = FxStatusWording.find(code);
            if (family == Family::Fx && special != FxStatusWording.end())
                expected = special->second;
            EXPECT_EQ(StatusMessage(family, code), expected)
                << "family " << family << " code " << code;
        }
    }
}

TEST(StatusTextsTest, EveryModeOfEveryFamily) {
    // 0: the value leaves the text as it is.
    const std::map<int, std::vector<int>> modeTexts = {
        {Family::Dx, {57, 58, 56}},
        {Family::Fx, {57, 58, 56, 59, 60, 61}},
    };
    for (int mode = -1; mode <= 15; ++mode) {
        EXPECT_EQ(ModeMessage(Family::Bx, mode), 56 + mode) << mode;
        for (const auto& [family, texts] : modeTexts) {
            const bool known = mode >= 0 && mode < static_cast<int>(texts.size());
            EXPECT_EQ(ModeMessage(family, mode), known ? texts[static_cast<std::size_t>(mode)] : 0)
                << "family " << family << " mode " << mode;
        }
    }
}

class DrawStatusTextsTest : public ::testing::Test {
protected:
    // A catalogue whose message n reads "mn".
    void SetUp() override {
        const auto path = std::filesystem::temp_directory_path() /
                          ("status_texts_Message.E." + std::to_string(::getpid()));
        {
            std::ofstream out(path);
            for (int n = 1; n <= 200; ++n) out << n << " m" << n << "\n";
        }
        ASSERT_TRUE(catalogue.LoadFile(path.string()));
        std::filesystem::remove(path);
        ASSERT_NE(M(53), M(54));
    }
    std::string M(int n) const { return catalogue.Msg(n); }

    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
};

TEST_F(DrawStatusTextsTest, LiveBxTextsComeFromTheStatusWord) {
    state.AmpFamily = Family::Bx;
    state.ServoWord = 3;
    state.StatusWord = 0x1234;
    state.CurrentMode = 1;
    state.StatusCode = 4;
    DrawStatusTexts(state, catalogue, panel);
    EXPECT_EQ(panel.MainMsg1, M(54));
    EXPECT_EQ(panel.MainMsg2, M(155));
    EXPECT_EQ(panel.MainMsg3, M(57));
    EXPECT_EQ(panel.MainMsg6, M(64) + "  " + M(67));
}

TEST_F(DrawStatusTextsTest, OutageTextsWhileLatched) {
    for (int family : {Family::Bx, Family::Dx, Family::Fx}) {
        panel = MainPanel{};
        state.AmpFamily = family;
        state.CommErrorLatched = true;
        state.StatusWord = state.CurrentMode = -1;
        state.StatusCode = 16;
        DrawStatusTexts(state, catalogue, panel);
        EXPECT_EQ(panel.MainMsg1, M(53));
        EXPECT_EQ(panel.MainMsg2, M(167));
        EXPECT_EQ(panel.MainMsg3, M(55));
        EXPECT_EQ(panel.MainMsg6, family == Family::Bx ? M(62) + " " + M(64) : "");
    }
}

TEST_F(DrawStatusTextsTest, UnknownDxModeLeavesTheModeText) {
    state.AmpFamily = Family::Dx;
    state.CurrentMode = 3;
    panel.MainMsg3 = "before";
    DrawStatusTexts(state, catalogue, panel);
    EXPECT_EQ(panel.MainMsg3, "before");
    EXPECT_EQ(panel.MainMsg6, "");
}

}  // namespace
