// The settings dialog over the main menu: the video and game settings, the player's name and
// the language, checked before anything is written and written in one rewrite.
#pragma once

#include "gui_backend.h"

#include <string>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

// Shown when the settings dialog refuses a resolution, anti-aliasing or render-system text.
inline const char* const kSettingsHintWindow = "Settings/Hint";

// The resolution box's text as W and H: digits, "x", digits (3 to 5 digits each, no leading
// zero). The offered items give what the positional split always gave: 800/600, 1024/768,
// 1280/960. False for any other shape.
bool parseResolution(const std::string& text, std::string& width, std::string& height);
// The anti-aliasing box's text: one or two digits followed by "x" give those digits.
bool parseAntiAliasing(const std::string& text, std::string& level);

class SettingsDialog {
  public:
    explicit SettingsDialog(GuiBackend& backend) : backend_(backend) {}

    // After every GUI build: the buttons, the lists' items, the limits of the typed texts.
    void wire();
    // The language changed on OK; the GUI is built again once the click has been dispatched.
    bool languageChanged() const { return languageChanged_; }

    bool show(const CEGUI::EventArgs&);
    bool apply(const CEGUI::EventArgs&);
    bool close(const CEGUI::EventArgs&);

  private:
    // The refusal of a text when `message` is empty, else `message`.
    void showHint(const std::string& message = std::string());

    GuiBackend& backend_;
    bool languageChanged_ = false;
};

} // namespace korvane
