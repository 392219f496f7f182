#include "time_choice.h"

#include "catalogue.h"
#include "texts.h"

#include <vector>

namespace korvane {

std::string timeChoiceText(const TimeControl& control) {
    return control.any() ? control.label() : texts().noClock;
}

void fillTimeChoice(const std::string& box, const TimeControl& current) {
    std::vector<std::string> items{texts().noClock};
    for (const TimeControl& c : TimeControl::presets())
        items.push_back(c.label());
    addItems(box, items);
    setText(box, timeChoiceText(current));
}

std::optional<TimeControl> readTimeChoice(const std::string& box) {
    std::string text = windowText(box);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    while (!text.empty() && text.front() == ' ')
        text.erase(text.begin());
    if (text == texts().noClock || text == "-")
        return TimeControl::none();
    return TimeControl::parseLabel(text);
}

} // namespace korvane
