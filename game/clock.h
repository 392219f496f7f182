// Time controls and the chess clock. A control is a base time and a Fischer increment; the
// clock keeps each side's time left and runs for one side at a time. The clock is told the
// time (milliseconds on a steady clock) with every call, so that it is plain arithmetic: the
// game passes its own time source, a test a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

using Millis = std::int64_t;

struct TimeControl {
    Millis baseMs = 0; // 0: no clock
    Millis incrementMs = 0;

    static TimeControl none() { return TimeControl(); }
    static TimeControl of(int minutes, int incrementSeconds) {
        return TimeControl{Millis(minutes) * 60000, Millis(incrementSeconds) * 1000};
    }
    bool any() const { return baseMs > 0; }
    bool operator==(const TimeControl& o) const {
        return baseMs == o.baseMs && incrementMs == o.incrementMs;
    }
    bool operator!=(const TimeControl& o) const { return !(*this == o); }

    // "300+5" (seconds plus seconds, as config.cfg and PGN's TimeControl tag write it), "-"
    // for none.
    std::string text() const;
    // That form back; nothing for a text that is not of it or out of range (a base of 1 s to
    // 24 h, an increment up to 1 h).
    static std::optional<TimeControl> parse(const std::string& text);
    // "5+3" (minutes plus seconds, as players name controls), "None" for none.
    std::string label() const;
    // That form back, as a player types a control of their own ("7+2", "1:30+0" with seconds
    // of base); nothing when it is not of it or out of range.
    static std::optional<TimeControl> parseLabel(const std::string& text);
    // The usual controls, quickest first.
    static const std::vector<TimeControl>& presets();
};

// What a clock shows at one moment, for taking a move back.
struct ClockReading {
    Millis left[2] = {0, 0};
    int running = -1; // the side whose clock runs, -1 none
};

class ChessClock {
  public:
    // Both sides get the control's base time; nothing runs.
    void reset(const TimeControl& control);
    const TimeControl& control() const { return control_; }
    bool any() const { return control_.any(); }

    // The clock of `side` runs from `now`; the one running before is charged and stopped.
    void run(int side, Millis now);
    // Nothing runs from `now` (a pause, the end of the game); the running side is charged.
    void stop(Millis now);
    // The running side has moved at `now`: charged, given its increment, and the other side's
    // clock runs. Returns false when no clock runs.
    bool press(Millis now);

    // Time left for `side` at `now`, never below zero.
    Millis left(int side, Millis now) const;
    int running() const { return running_; }
    // The running side when its time is up at `now`, -1 otherwise.
    int flagged(Millis now) const;

    ClockReading reading(Millis now) const;
    // Back to `reading`, its running side running from `now`.
    void restore(const ClockReading& reading, Millis now);

  private:
    void charge(Millis now);

    TimeControl control_;
    Millis left_[2] = {0, 0};
    int running_ = -1;
    Millis since_ = 0;
};

// "4:57" for time left; "0:19.4" with tenths below 20 s; hours as "1:30:00".
std::string clockText(Millis left);

} // namespace korvane
