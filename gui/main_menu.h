// The main menu and the network menu it leads to. Playing the computer and loading a game
// have their own classes; they share the menu's buttons and its way back.
#pragma once

#include "game_panels.h"
#include "gui_backend.h"

namespace CEGUI {
class EventArgs;
}

namespace korvane {

// The menu with the logo, active, as every screen that leads back to it leaves it.
void showMainMenu();
// The menu and the logo out of the way of a game or of the network menu.
void hideMainMenu();

class MainMenu {
  public:
    MainMenu(GuiBackend& backend, GamePanels& panels) : backend_(backend), panels_(panels) {}

    // After every GUI build.
    void wire();

    bool startLocalGame(const CEGUI::EventArgs&);
    bool openNetworkMenu(const CEGUI::EventArgs&);
    bool backFromNetworkMenu(const CEGUI::EventArgs&);
    bool exitGame(const CEGUI::EventArgs&);

  private:
    GuiBackend& backend_;
    GamePanels& panels_;
};

} // namespace korvane
