#include "computer_setup.h"

#include "catalogue.h"
#include "config_store.h"
#include "screens.h"
#include "settings.h"
#include "text_util.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

namespace {

// The colour list's items in choice order: White, Black, random.
const char* const kColoursEnglish[] = {"White", "Black", "Random"};
const char* const kColoursCzech[] = {"Bílé", "Černé", "Náhodně"};

void fill(CEGUI::Combobox& box, const std::string& text) {
    box.addItem(listItem(text));
}

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
    auto click = [this](const char* name, bool (ComputerSetup::*handler)(const CEGUI::EventArgs&)) {
        if (CEGUI::Window* w = findWindow(name))
            w->subscribeEvent(CEGUI::PushButton::EventClicked,
                              CEGUI::Event::Subscriber(handler, this));
    };
    click("Menu/ComputerButton", &ComputerSetup::open);
    click("ComputerSetup/StartButton", &ComputerSetup::start);
    click("ComputerSetup/CancelButton", &ComputerSetup::cancel);
    click("LocalIngame/TakeBackButton", &ComputerSetup::takeBack);

    if (CEGUI::Window* panel = findWindow("LocalIngame"))
        localTitle_ = fromGui(panel->getText());

    const bool cz = czechLanguage();
    if (auto* colours = dynamic_cast<CEGUI::Combobox*>(findWindow("ComputerSetup/Colour"))) {
        for (const char* text : cz ? kColoursCzech : kColoursEnglish)
            fill(*colours, text);
        colours->setText(toGui(cz ? kColoursCzech[0] : kColoursEnglish[0]));
    }
    if (auto* levels = dynamic_cast<CEGUI::Combobox*>(findWindow("ComputerSetup/Level"))) {
        for (int level = 1; level <= kComputerLevels; ++level)
            fill(*levels, std::to_string(level));
        levels->setText("1");
    }

    // Without its engine the entry stays in the menu, off, and says what is missing.
    const std::string missing = backend_.missingEngine();
    setEnabled("Menu/ComputerButton", missing.empty());
    setShown("Menu/ComputerHint", !missing.empty());
    if (!missing.empty()) {
        CEGUI::Window* hint = findWindow("Menu/ComputerHint");
        // The layout's own text names the package of the default engine.
        if (hint && missing != kDefaultEngine)
            hint->setText(toGui((cz ? "Program nenalezen: " : "Engine not found: ") + missing));
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
        panel->setText(toGui(!computer ? localTitle_ : czechLanguage() ? "Počítač" : "Computer"));
}

void ComputerSetup::showStatus(const std::string& text) {
    setShown("StatusBar/WhiteOnMove", false);
    setShown("StatusBar/BlackOnMove", false);
    if (CEGUI::Window* result = findWindow("StatusBar/Result"))
        result->setText(toGui(text));
    setShown("StatusBar/Result", true);
}

void ComputerSetup::showThinking() {
    showStatus(czechLanguage() ? "Počítač přemýšlí…" : "Computer is thinking…");
}

void ComputerSetup::showEngineFailed() {
    showStatus(czechLanguage() ? "Počítač selhal" : "Computer failed");
}

} // namespace korvane
