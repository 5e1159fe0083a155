#pragma once

// Geometry of a message dialog, from the font's average character size and
// the measured text. Pure arithmetic so the rules can be checked without a
// window.
struct MessageLayoutInput {
    int charWidth = 0;   // average width of the 52 letters
    int charHeight = 0;  // font height
    int textWidth = 0;   // word-wrapped text, measured in half the screen width
    int textHeight = 0;
    bool hasIcon = false;
    int buttonCount = 0;
    int minButtonWidth = 0;  // what the widest caption needs
    int minButtonHeight = 0;
};

struct MessageLayout {
    int horzMargin = 0, vertMargin = 0;
    int horzSpacing = 0, vertSpacing = 0;
    int buttonWidth = 0, buttonHeight = 0, buttonGap = 0;
    int clientWidth = 0, clientHeight = 0;
    int iconX = 0, iconY = 0;  // 32 x 32
    int textX = 0, textY = 0;
    int buttonsX = 0, buttonsY = 0;  // the first button; the others follow at width + gap
};

inline constexpr int kMessageIconSize = 32;

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

MessageLayout LayoutMessage(const MessageLayoutInput& in);
