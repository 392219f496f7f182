// Playing the computer, its GUI side: the main menu's entry (off, with a hint, when the engine
// cannot run), the dialog that chooses colour and strength, the Take Back button of the local
// in-game panel, and what the status bar says while the engine thinks or after it failed.
#pragma once

#include "gui_backend.h"

#include <string>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

// The engine [Game] "Engine" names when the settings name none.
inline const char* const kDefaultEngine = "/usr/games/stockfish";
constexpr int kComputerLevels = 8;

struct ComputerChoice {
    int colour = 0; // 0 White, 1 Black, 2 random
    int level = 1;  // 1..8
};

class ComputerSetup {
  public:
    explicit ComputerSetup(GuiBackend& backend) : backend_(backend) {}

    // After every GUI build: the events, the dialog's lists and defaults, the menu entry's
    // state.
    void wire();
    // What the dialog shows now; a text that is none of the items counts as the default.
    ComputerChoice choice() const;

    // The status bar while the engine searches.
    void showThinking();
    // The status bar after the engine failed and the game went on as a local one.
    void showEngineFailed();
    // The local in-game panel as a game against the computer has it (its title and Take
    // Back), or as a local game has it.
    void showComputerPanel(bool computer);

    bool open(const CEGUI::EventArgs&);
    bool start(const CEGUI::EventArgs&);
    bool cancel(const CEGUI::EventArgs&);
    bool takeBack(const CEGUI::EventArgs&);

  private:
    GuiBackend& backend_;
    // The panel's title in a local game, from the layout.
    std::string localTitle_;
};

} // namespace korvane
