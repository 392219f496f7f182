// The two clocks beside the status bar: each side's time left, the running one in full colour
// and the waiting one dimmed, a clock under ten seconds in red. Refreshed every frame from the
// game's clock; a window's text is set only when what it shows changes, so an idle game with
// a running clock redraws only when a second (or, near the end, a tenth) goes by.
#pragma once

#include <string>

namespace korvane {

class Game;

class ClockView {
  public:
    void refresh(const Game& game);
    // The GUI was rebuilt (a language change): everything is set again.
    void forget() {
        shown_[0] = shown_[1] = "\x01";
        visible_ = -1;
    }

  private:
    std::string shown_[2] = {"\x01", "\x01"};
    int visible_ = -1;
};

} // namespace korvane
