#include "clock_view.h"

#include "catalogue.h"
#include "texts.h"

#include "game/game.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

namespace {

const char* const kClock[2] = {"Clocks/White", "Clocks/Black"};
constexpr Millis kLowTime = 10000;

const char* colourFor(bool running, bool low) {
    if (low)
        return "tl:FFE8503C tr:FFE8503C bl:FFE8503C br:FFE8503C";
    return running ? "tl:FFF6ECD4 tr:FFF6ECD4 bl:FFF6ECD4 br:FFF6ECD4"
                   : "tl:FFA09580 tr:FFA09580 bl:FFA09580 br:FFA09580";
}

} // namespace

void ClockView::refresh(const Game& game) {
    const ChessClock& clock = game.clock();
    const bool visible = clock.any() && game.state().playing();
    if (int(visible) != visible_) {
        setShown("Clocks", visible);
        visible_ = visible;
    }
    if (!visible)
        return;
    const Texts& t = texts();
    const Millis now = game.now();
    for (int side = 0; side < 2; ++side) {
        const Millis left = clock.left(side, now);
        const bool running = clock.running() == side;
        std::string text = std::string(t.clockSides[side]) + "  " + clockText(left);
        if (game.state().paused)
            text += std::string("  (") + t.paused + ")";
        const bool low = left < kLowTime;
        const std::string key = text + (running ? "r" : "") + (low ? "l" : "");
        if (key == shown_[side])
            continue;
        shown_[side] = key;
        setText(kClock[side], text);
        if (CEGUI::Window* w = findWindow(kClock[side]))
            w->setProperty("NormalTextColour", colourFor(running, low));
    }
}

} // namespace korvane
