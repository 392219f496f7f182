// The chat of a network game: the history of its last eight lines and the input line that
// Enter opens.
#pragma once

#include "gui_backend.h"

#include <string>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

class Chat {
  public:
    explicit Chat(GuiBackend& backend) : backend_(backend) {}

    // After every GUI build: the input is closed and its button wired.
    void wire();

    // The newest line goes below the others; a full history drops its oldest line.
    void append(const std::string& line);
    void clearHistory();

    // Opens the input line when it is closed and the game allows it: a network game whose
    // peer link is up, with no save dialog holding the keyboard.
    bool open(bool networkLive);
    void send();
    bool isOpen() const { return open_; }
    // Every path that hides "ChatLine" ends here, so the keyboard goes back to the game:
    // close hides it, closed notes that the game flow did.
    void close();
    void closed() { open_ = false; }

    bool sendClicked(const CEGUI::EventArgs&);

  private:
    GuiBackend& backend_;
    bool open_ = false;
};

} // namespace korvane
