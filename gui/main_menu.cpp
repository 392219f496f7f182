#include "main_menu.h"

#include "catalogue.h"

namespace korvane {

void showMainMenu() {
    setShown("Menu", true);
    setShown("Logo", true);
    activate("Menu");
}

void hideMainMenu() {
    setShown("Menu", false);
    setShown("Logo", false);
}

void MainMenu::wire() {
    activate("Menu");
    onClick("Menu/LocalButton", this, &MainMenu::startLocalGame);
    onClick("Menu/ExitButton", this, &MainMenu::exitGame);
    onClick("Menu/NetworkButton", this, &MainMenu::openNetworkMenu);
    onClick("NetworkMenu/BackButton", this, &MainMenu::backFromNetworkMenu);
}

bool MainMenu::startLocalGame(const CEGUI::EventArgs&) {
    backend_.seatLocal();
    setShown("StatusBar", true);
    setShown("MoveList", true);
    panels_.showSideToMove(0);
    backend_.newGame();
    // A new game starts from White's side with the camera where it stood at start-up,
    // however the last game left it.
    backend_.resetCamera();
    setShown("LocalIngame", true);
    hideMainMenu();
    activate("LocalIngame");
    setShown("ChatHistory", false);
    return true;
}

bool MainMenu::openNetworkMenu(const CEGUI::EventArgs&) {
    hideMainMenu();
    setShown("NetworkMenu", true);
    activate("NetworkMenu");
    return true;
}

bool MainMenu::backFromNetworkMenu(const CEGUI::EventArgs&) {
    setShown("NetworkMenu", false);
    showMainMenu();
    return true;
}

bool MainMenu::exitGame(const CEGUI::EventArgs&) {
    backend_.requestQuit();
    return true;
}

} // namespace korvane
