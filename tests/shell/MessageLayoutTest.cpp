#include <gtest/gtest.h>

#include "shell/MessageLayout.h"

namespace {

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(20, 13, 8), 33);  // 32.5
    EXPECT_EQ(MulDiv(14, 13, 8), 23);  // 22.75
    EXPECT_EQ(MulDiv(16, 13, 8), 26);
    EXPECT_EQ(MulDiv(60, 7, 4), 105);
    EXPECT_EQ(MulDiv(-20, 13, 8), -33);
}

TEST(MessageLayout, IconTextAndTwoButtons) {
    MessageLayoutInput in;
    in.charWidth = 6;
    in.charHeight = 13;
    in.textWidth = 200;
    in.textHeight = 20;
    in.hasIcon = true;
    in.buttonCount = 2;
    const MessageLayout out = LayoutMessage(in);
    EXPECT_EQ(out.horzMargin, 24);
    EXPECT_EQ(out.vertMargin, 26);
    EXPECT_EQ(out.horzSpacing, 30);
    EXPECT_EQ(out.vertSpacing, 33);
    EXPECT_EQ(out.buttonWidth, 90);
    EXPECT_EQ(out.buttonHeight, 23);
    EXPECT_EQ(out.buttonGap, 6);
    // Text 200 + icon 32 + spacing 30; the icon lifts the text height to 32.
    EXPECT_EQ(out.clientWidth, 262 + 48);
    EXPECT_EQ(out.clientHeight, 32 + 33 + 23 + 52);
    EXPECT_EQ(out.textX, 24 + 32 + 30);
    EXPECT_EQ(out.iconY, 26);
    EXPECT_EQ(out.buttonsX, (310 - 186) / 2);
    EXPECT_EQ(out.buttonsY, 26 + 32 + 33);
}

TEST(MessageLayout, ButtonRowWiderThanTextAndWideCaptions) {
    MessageLayoutInput in;
    in.charWidth = 6;
    in.charHeight = 13;
    in.textWidth = 100;
    in.textHeight = 15;
    in.buttonCount = 6;
    in.minButtonWidth = 110;  // a caption wider than 60 * cw / 4
    in.minButtonHeight = 28;
    const MessageLayout out = LayoutMessage(in);
    EXPECT_EQ(out.buttonWidth, 110);
    EXPECT_EQ(out.buttonHeight, 28);
    EXPECT_EQ(out.clientWidth, 6 * 110 + 5 * 6 + 48);
    EXPECT_EQ(out.buttonsX, 24);
    EXPECT_EQ(out.textX, 24);  // no icon
    EXPECT_EQ(out.clientHeight, 15 + 33 + 28 + 52);
}

}  // namespace
