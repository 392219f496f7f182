#include "screens.h"

#include "catalogue.h"
#include "config_store.h"
#include "settings.h"
#include "texts.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

void setUpGuiResources(CEGUI::System& system) {
    CEGUI::Scheme::setDefaultResourceGroup("GUI");
    CEGUI::ImageManager::setImagesetDefaultResourceGroup("GUI");
    CEGUI::Font::setDefaultResourceGroup("GUI");
    CEGUI::WidgetLookManager::setDefaultResourceGroup("GUI");
    CEGUI::WindowManager::setDefaultResourceGroup("GUI");
    CEGUI::ScriptModule::setDefaultResourceGroup("GUI");

    CEGUI::SchemeManager::getSingleton().createFromFile("DrawingsLook.scheme");
    // The scheme normally brings the font along; a scheme without it still gets one.
    if (!CEGUI::FontManager::getSingleton().isDefined("Trebuchet-10"))
        CEGUI::FontManager::getSingleton().createFromFile("Trebuchet-10.font");

    CEGUI::GUIContext& ctx = system.getDefaultGUIContext();
    ctx.getMouseCursor().setDefaultImage("DrawingsLook/MouseArrow");
    ctx.setDefaultFont("Trebuchet-10");
    ctx.getMouseCursor().setImage("DrawingsLook/MouseArrow");
    ctx.getMouseCursor().show();
}

std::string layoutFileFor(const std::string& language) {
    return language == kCzechStored ? "guicz.xml" : "guien.xml";
}

Screens::Screens(GuiBackend& backend)
    : backend_(backend), computer_(backend), files_(backend), chat_(backend),
      panels_(backend, chat_, files_), menu_(backend, panels_), network_(backend, chat_, panels_),
      about_(backend), settingsDialog_(backend) {}

Screens::~Screens() {
    for (auto& c : globalConnections_)
        c->disconnect();
}

void Screens::buildGui() {
    clocks_.forget();
    CEGUI::System& system = CEGUI::System::getSingleton();
    CEGUI::GUIContext& ctx = system.getDefaultGUIContext();
    CEGUI::WindowManager& wm = CEGUI::WindowManager::getSingleton();

    // Detach the old sheet first so the context never points into the dead pool.
    ctx.setRootWindow(nullptr);
    wm.destroyAllWindows();

    const std::string layout = layoutFileFor(ConfigStore::getValue("Lang", "Game", kConfigFile));
    CEGUI::Window* sheet = wm.loadLayoutFromFile(layout.c_str());
    ctx.setRootWindow(sheet);

    // Global subscriptions outlive the windows, so they are made once per Screens; a
    // second set would play the click twice.
    if (globalConnections_.empty()) {
        CEGUI::GlobalEventSet& global = CEGUI::GlobalEventSet::getSingleton();
        for (const char* event : {"PushButton/Clicked", "Combobox/DropListDisplayed",
                                  "Combobox/DropListRemoved", "ToggleButton/SelectStateChanged"})
            globalConnections_.push_back(global.subscribeEvent(
                event, CEGUI::Event::Subscriber(&Screens::playClickSound, this)));
    }

    menu_.wire();
    panels_.wire();
    network_.wire();
    chat_.wire();
    about_.wire();
    settingsDialog_.wire();
    computer_.wire();
    files_.wire();
}

bool Screens::runPendingRebuild() {
    if (!rebuildPending())
        return false;
    buildGui();
    return true;
}

bool Screens::playClickSound(const CEGUI::EventArgs&) {
    if (settings().sounds)
        backend_.playClickSound();
    // Not handled: the window's own handler and text entry must still see the event.
    return false;
}

// ---------------------------------------------------------------- the game flow's view

void Screens::showWindow(const std::string& name) {
    setShown(name, true);
}

void Screens::hideWindow(const std::string& name) {
    setShown(name, false);
    if (name == "ChatLine")
        chat_.closed();
}

void Screens::activateWindow(const std::string& name) {
    activate(name);
}

void Screens::showSideToMove(int side) {
    panels_.showSideToMove(side);
}

void Screens::showGameOver(Outcome outcome, int winner) {
    panels_.showGameOver(outcome, winner);
}

void Screens::showPromotionChoice(int colour) {
    panels_.showPromotionChoice(colour);
}

void Screens::movesChanged(const GameHistory& history) {
    panels_.movesChanged(history);
}

void Screens::showDrawnGame(DrawReason reason) {
    panels_.showDrawnGame(reason);
}

void Screens::showFlag(int flagged, int winner) {
    panels_.showFlag(flagged, winner);
}

// ---------------------------------------------------------------- the network's view

void Screens::hostingStarted() {
    network_.hostingStarted();
}

void Screens::hostingFailed(const std::string& reason) {
    network_.hostingFailed(reason);
}

void Screens::lanSearchStarted() {
    network_.lanSearchStarted();
}

void Screens::lanHostFound(const std::string& address) {
    network_.lanHostFound(address);
}

void Screens::lanSearchEnded(int hostsFound) {
    network_.lanSearchEnded(hostsFound);
}

void Screens::connectFailed() {
    network_.connectFailed();
}

void Screens::joined(int) {
    network_.joined();
}

void Screens::sessionRefused() {
    network_.sessionRefused();
}

void Screens::positionRefused() {
    network_.positionRefused();
}

void Screens::hostGone(bool lost) {
    network_.hostGone(lost);
}

void Screens::questionAsked(Question question) {
    network_.questionAsked(question);
}

void Screens::questionClosed() {
    network_.questionClosed();
}

void Screens::newGameStarted() {
    network_.newGameStarted();
}

void Screens::resigned(int winner) {
    panels_.showResignation(winner);
    panels_.refreshNetworkButtons();
}

void Screens::refreshNetworkButtons() {
    panels_.refreshNetworkButtons();
}

bool Screens::connectTypedAddress() {
    return network_.connectTypedAddress();
}

// ---------------------------------------------------------------- chat and About

void Screens::appendChatLine(const std::string& text) {
    chat_.append(text);
}

bool Screens::openChatLine() {
    return chat_.open(panels_.networkLive());
}

void Screens::sendChatLine() {
    chat_.send();
}

void Screens::closeChatLine() {
    chat_.close();
}

void Screens::showLatestVersion(const std::string& text) {
    about_.showLatestVersion(text);
}

} // namespace korvane
