#include "clock.h"

#include <cstdio>

namespace korvane {

namespace {

constexpr Millis kMaxBase = 24LL * 3600 * 1000;
constexpr Millis kMaxIncrement = 3600LL * 1000;

bool digitsOnly(const std::string& s) {
    if (s.empty() || s.size() > 6)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::string TimeControl::text() const {
    if (!any())
        return "-";
    return std::to_string(baseMs / 1000) + "+" + std::to_string(incrementMs / 1000);
}

std::optional<TimeControl> TimeControl::parse(const std::string& text) {
    if (text == "-")
        return none();
    const std::size_t plus = text.find('+');
    const std::string base = text.substr(0, plus);
    const std::string increment = plus == std::string::npos ? "0" : text.substr(plus + 1);
    if (!digitsOnly(base) || !digitsOnly(increment))
        return std::nullopt;
    TimeControl c{std::stoll(base) * 1000, std::stoll(increment) * 1000};
    if (c.baseMs < 1000 || c.baseMs > kMaxBase || c.incrementMs > kMaxIncrement)
        return std::nullopt;
    return c;
}

std::optional<TimeControl> TimeControl::parseLabel(const std::string& text) {
    const std::size_t plus = text.find('+');
    if (plus == std::string::npos)
        return std::nullopt;
    std::string minutes = text.substr(0, plus), seconds = "0";
    const std::size_t colon = minutes.find(':');
    if (colon != std::string::npos) {
        seconds = minutes.substr(colon + 1);
        minutes = minutes.substr(0, colon);
        if (seconds.size() != 2)
            return std::nullopt;
    }
    const std::string increment = text.substr(plus + 1);
    if (!digitsOnly(minutes) || !digitsOnly(seconds) || !digitsOnly(increment) ||
        std::stoll(seconds) > 59)
        return std::nullopt;
    return parse(std::to_string(std::stoll(minutes) * 60 + std::stoll(seconds)) + "+" + increment);
}

std::string TimeControl::label() const {
    if (!any())
        return "None";
    const Millis seconds = baseMs / 1000;
    std::string base = std::to_string(seconds / 60);
    if (seconds % 60) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ":%02d", int(seconds % 60));
        base += buf;
    }
    return base + "+" + std::to_string(incrementMs / 1000);
}

const std::vector<TimeControl>& TimeControl::presets() {
    static const std::vector<TimeControl> list = {of(1, 0),   of(2, 1),  of(3, 0),   of(3, 2),
                                                  of(5, 0),   of(5, 3),  of(10, 0),  of(10, 5),
                                                  of(15, 10), of(30, 0), of(30, 20), of(90, 30)};
    return list;
}

void ChessClock::reset(const TimeControl& control) {
    control_ = control;
    left_[0] = left_[1] = control.baseMs;
    running_ = -1;
    since_ = 0;
}

void ChessClock::charge(Millis now) {
    if (running_ < 0)
        return;
    if (now > since_)
        left_[running_] -= now - since_;
    if (left_[running_] < 0)
        left_[running_] = 0;
    since_ = now;
}

void ChessClock::run(int side, Millis now) {
    if (!any() || (side != 0 && side != 1))
        return;
    if (running_ == side)
        return;
    charge(now);
    running_ = side;
    since_ = now;
}

void ChessClock::stop(Millis now) {
    charge(now);
    running_ = -1;
}

bool ChessClock::press(Millis now) {
    if (running_ < 0)
        return false;
    charge(now);
    // Time that has run out stays out: the increment does not bring a flag back.
    if (left_[running_] > 0)
        left_[running_] += control_.incrementMs;
    running_ = 1 - running_;
    since_ = now;
    return true;
}

Millis ChessClock::left(int side, Millis now) const {
    if (side != 0 && side != 1)
        return 0;
    Millis l = left_[side];
    if (side == running_ && now > since_)
        l -= now - since_;
    return l < 0 ? 0 : l;
}

int ChessClock::flagged(Millis now) const {
    return running_ >= 0 && left(running_, now) == 0 ? running_ : -1;
}

ClockReading ChessClock::reading(Millis now) const {
    ClockReading r;
    r.left[0] = left(0, now);
    r.left[1] = left(1, now);
    r.running = running_;
    return r;
}

void ChessClock::restore(const ClockReading& reading, Millis now) {
    left_[0] = reading.left[0];
    left_[1] = reading.left[1];
    running_ = reading.running;
    since_ = now;
}

std::string clockText(Millis left) {
    if (left < 0)
        left = 0;
    char buf[32];
    if (left < 20000) {
        // Tenths are cut, not rounded: a clock never shows time that is not there.
        std::snprintf(buf, sizeof buf, "0:%02d.%d", int(left / 1000), int(left % 1000 / 100));
        return buf;
    }
    // Whole seconds round up, so that "0:20" is still shown until the tenths take over.
    const Millis s = (left + 999) / 1000;
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d", int(s / 3600), int(s / 60 % 60),
                      int(s % 60));
    else
        std::snprintf(buf, sizeof buf, "%d:%02d", int(s / 60), int(s % 60));
    return buf;
}

} // namespace korvane
