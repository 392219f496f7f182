// The time-control box of the local panel and the computer's dialog: an editable list of the
// usual controls, "No clock" first, into which a player may also type one of their own
// ("7+2": minutes plus seconds of increment).
#pragma once

#include "game/clock.h"

#include <optional>
#include <string>

namespace korvane {

// Fills the box and shows `current` in it.
void fillTimeChoice(const std::string& box, const TimeControl& current);
// The control the box shows; nothing when its text is no control.
std::optional<TimeControl> readTimeChoice(const std::string& box);
// The box's text for a control.
std::string timeChoiceText(const TimeControl& control);

} // namespace korvane
