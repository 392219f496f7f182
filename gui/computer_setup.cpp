#include "computer_setup.h"

#include "catalogue.h"
#include "game_panels.h"
#include "text_util.h"
#include "texts.h"
#include "time_choice.h"

#include <CEGUI/CEGUI.h>

#include <iterator>
#include <vector>

namespace korvane {

namespace {

// The item shown in the box, by position; -1 when its text is none of them.
int shownItem(const char* name) {
    auto* box = dynamic_cast<CEGUI::Combobox*>(findWindow(name));
    if (!box)
        return -1;
    const CEGUI::String text = box->getText();
    for (std::size_t i = 0; i < box->getItemCount(); ++i)
        if (box->getListboxItemFromIndex(i)->getText() == text)
            return int(i);
    return -1;
}

} // namespace

void ComputerSetup::wire() {
    onClick("Menu/ComputerButton", this, &ComputerSetup::open);
    onClick("ComputerSetup/StartButton", this, &ComputerSetup::start);
    onClick("ComputerSetup/CancelButton", this, &ComputerSetup::cancel);
    onClick("LocalIngame/TakeBackButton", this, &ComputerSetup::takeBack);

    if (CEGUI::Window* panel = findWindow("LocalIngame"))
        localTitle_ = fromGui(panel->getText());

    const Texts& t = texts();
    addItems("ComputerSetup/Colour", {std::begin(t.colours), std::end(t.colours)});
    setText("ComputerSetup/Colour", t.colours[0]);
    std::vector<std::string> levels;
    for (int level = 1; level <= kComputerLevels; ++level)
        levels.push_back(std::to_string(level));
    addItems("ComputerSetup/Level", levels);
    setText("ComputerSetup/Level", "1");
    fillTimeChoice("ComputerSetup/Time", backend_.timeControl());

    // Without its engine the entry stays in the menu, off, and says what is missing.
    const std::string missing = backend_.missingEngine();
    setEnabled("Menu/ComputerButton", missing.empty());
    setShown("Menu/ComputerHint", !missing.empty());
    if (!missing.empty()) {
        CEGUI::Window* hint = findWindow("Menu/ComputerHint");
        // The layout's own text names the package of the default engine.
        if (hint && missing != kDefaultEngine)
            hint->setText(toGui(t.engineNotFound + missing));
        if (CEGUI::Window* button = findWindow("Menu/ComputerButton"))
            button->setTooltipText(hint ? hint->getText() : CEGUI::String());
    }
}

ComputerChoice ComputerSetup::choice() const {
    ComputerChoice c;
    const int colour = shownItem("ComputerSetup/Colour");
    const int level = shownItem("ComputerSetup/Level");
    if (colour >= 0)
        c.colour = colour;
    if (level >= 0)
        c.level = level + 1;
    return c;
}

bool ComputerSetup::open(const CEGUI::EventArgs&) {
    // Over the menu, like the settings: the menu waits disabled underneath.
    openDialog("ComputerSetup", "Menu");
    return true;
}

bool ComputerSetup::cancel(const CEGUI::EventArgs&) {
    closeDialog("ComputerSetup", "Menu");
    return true;
}

bool ComputerSetup::start(const CEGUI::EventArgs&) {
    const ComputerChoice c = choice();
    const std::optional<TimeControl> time = readTimeChoice("ComputerSetup/Time");
    if (!time) {
        // A typed clock that is none stays in the dialog, with what it should look like.
        setText("ComputerSetup/Time", texts().badTimeControl);
        return true;
    }
    backend_.chooseTimeControl(*time);
    setText("LocalIngame/Time", timeChoiceText(*time));
    setShown("ComputerSetup", false);
    setEnabled("Menu", true);
    setShown("Menu", false);
    setShown("Logo", false);
    setShown("ChatHistory", false);
    setShown("StatusBar", true);
    setShown("MoveList", true);
    setShown("LocalIngame", true);
    showComputerPanel(true);
    activate("LocalIngame");
    backend_.startComputerGame(c.colour, c.level);
    return true;
}

bool ComputerSetup::takeBack(const CEGUI::EventArgs&) {
    backend_.takeBack();
    return true;
}

void ComputerSetup::showComputerPanel(bool computer) {
    // Every local game can take moves back; the computer's takes its reply with them.
    setShown("LocalIngame/TakeBackButton", true);
    if (CEGUI::Window* panel = findWindow("LocalIngame"))
        panel->setText(toGui(computer ? texts().computerTitle : localTitle_));
}

void ComputerSetup::showThinking() {
    showStatusText(texts().computerThinking);
}

void ComputerSetup::showEngineFailed() {
    showStatusText(texts().computerFailed);
}

} // namespace korvane
