#include "app_backend.h"

#include "app_context.h"
#include "computer_game.h"
#include "config/config_store.h"
#include "config/settings.h"
#include "scene/board_scene.h"

#include <Ogre.h>

namespace korvane {

AppBackend::AppBackend(AppContext& context, Ogre::SceneManager* sceneManager, Ogre::Camera* camera,
                       BoardScene& board)
    : context_(context), board_(board), screens_(*this),
      frameListener_(context, sceneManager, camera, screens_, board) {}

const GameState& AppBackend::gameState() {
    return frameListener_.game().state();
}

void AppBackend::seatLocal() {
    frameListener_.game().setTimeControl(configuredTimeControl());
    frameListener_.game().seatLocal();
}

void AppBackend::leaveGame() {
    frameListener_.game().leave();
}

void AppBackend::newGame() {
    frameListener_.game().newGame();
}

void AppBackend::showWhiteSide() {
    frameListener_.showWhiteSide();
}

void AppBackend::resetCamera() {
    frameListener_.resetView(false);
}

void AppBackend::clearBoardMarks() {
    frameListener_.game().clearSelection();
    frameListener_.clearBoardMarks();
}

void AppBackend::completePromotion(int pieceCode) {
    if (frameListener_.game().state().mayChoosePromotion())
        frameListener_.game().completePromotion(pieceCode);
}

void AppBackend::resetPieceLooks() {
    board_.resetPieceLooks(0);
    board_.resetPieceLooks(1);
}

void AppBackend::flowFlagsChanged(bool flipView, bool highlighting, bool lastMoveHighlighting) {
    frameListener_.setFlowFlags(flipView, highlighting, lastMoveHighlighting);
}

void AppBackend::requestQuit() {
    frameListener_.requestQuit();
}

void AppBackend::playClickSound() {
    context_.sounds().playClick();
}

std::vector<std::string> AppBackend::renderSystems() {
    std::vector<std::string> names;
    const std::string suffix = " Rendering Subsystem";
    for (Ogre::RenderSystem* rs : context_.root().getAvailableRenderers()) {
        const std::string& name = rs->getName();
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name.substr(0, name.size() - suffix.size()));
    }
    return names;
}

bool AppBackend::cartoonShadersSupported() {
    return Ogre::GpuProgramManager::getSingleton().isSyntaxSupported("glsl");
}

void AppBackend::startVersionQuery() {
    frameListener_.startVersionQuery();
}

void AppBackend::cancelVersionQuery() {
    frameListener_.cancelVersionQuery();
}

void AppBackend::network(NetRequest request) {
    frameListener_.session().request(request, settings().playerName);
}

void AppBackend::connectTo(const std::string& address, bool typed) {
    if (typed) {
        // The settings file cannot keep blanks at a value's end.
        std::string kept = address;
        ConfigStore::trim(kept, " \t");
        ConfigStore::setValue("LastIP", kept, "Game", kConfigFile);
    }
    frameListener_.session().connect(address, settings().playerName);
}

void AppBackend::sendChat(const std::string& text) {
    frameListener_.session().sendChat(text);
}

std::string AppBackend::missingEngine() {
    return korvane::missingEngine();
}

TimeControl AppBackend::timeControl() {
    return configuredTimeControl();
}

void AppBackend::chooseTimeControl(const TimeControl& control) {
    // Remembered for the next start; a settings file that cannot be written costs only that.
    ConfigStore::setValue("TimeControl", control.text(), "Game", kConfigFile);
    frameListener_.game().setTimeControl(control);
}

void AppBackend::startComputerGame(int colour, int level) {
    frameListener_.computer().start(colour, level);
}

void AppBackend::takeBack() {
    if (frameListener_.game().state().localGame())
        frameListener_.game().takeBack();
    else
        frameListener_.computer().takeBack();
}

bool AppBackend::mayChoosePromotion() {
    return frameListener_.game().state().mayChoosePromotion();
}

std::string AppBackend::lastAddress() {
    return ConfigStore::getValue("LastIP", "Game", kConfigFile);
}

} // namespace korvane
