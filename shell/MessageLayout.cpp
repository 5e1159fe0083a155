#include "shell/MessageLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = std::abs(static_cast<std::int64_t>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude =
        (std::abs(product) + half) / std::abs(static_cast<std::int64_t>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

MessageLayout LayoutMessage(const MessageLayoutInput& in) {
    MessageLayout out;
    out.horzMargin = MulDiv(16, in.charWidth, 4);
    out.vertMargin = MulDiv(16, in.charHeight, 8);
    out.horzSpacing = MulDiv(20, in.charWidth, 4);
    out.vertSpacing = MulDiv(20, in.charHeight, 8);
    out.buttonWidth = std::max(MulDiv(60, in.charWidth, 4), in.minButtonWidth);
    out.buttonHeight = std::max(MulDiv(14, in.charHeight, 8), in.minButtonHeight);
    out.buttonGap = MulDiv(4, in.charWidth, 4);

    const int iconWidth = in.hasIcon ? kMessageIconSize + out.horzSpacing : 0;
    const int iconTextWidth = in.textWidth + iconWidth;
    const int iconTextHeight =
        in.hasIcon ? std::max(in.textHeight, kMessageIconSize) : in.textHeight;
    const int buttonsWidth =
        in.buttonCount > 0 ? in.buttonCount * out.buttonWidth + (in.buttonCount - 1) * out.buttonGap
                           : 0;

    out.clientWidth = std::max(iconTextWidth, buttonsWidth) + 2 * out.horzMargin;
    out.clientHeight = iconTextHeight + out.vertSpacing + out.buttonHeight + 2 * out.vertMargin;
    out.iconX = out.horzMargin;
    out.iconY = out.vertMargin;
    out.textX = out.horzMargin + iconWidth;
    out.textY = out.vertMargin;
    out.buttonsX = (out.clientWidth - buttonsWidth) / 2;
    out.buttonsY = out.vertMargin + iconTextHeight + out.vertSpacing;
    return out;
}
