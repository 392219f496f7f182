// The About window over the main menu, with the latest version number, which is asked for
// each time the window opens.
#pragma once

#include "gui_backend.h"

#include <string>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

class AboutBox {
  public:
    explicit AboutBox(GuiBackend& backend) : backend_(backend) {}

    // After every GUI build.
    void wire();
    // The answer of the version query; dropped when the window has closed meanwhile.
    void showLatestVersion(const std::string& text);

    bool open(const CEGUI::EventArgs&);
    bool shown(const CEGUI::EventArgs&);
    bool close(const CEGUI::EventArgs&);

  private:
    GuiBackend& backend_;
};

} // namespace korvane
