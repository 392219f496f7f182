#include "about.h"

#include "catalogue.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

void AboutBox::wire() {
    onClick("Menu/AboutButton", this, &AboutBox::open);
    subscribe("About", CEGUI::Window::EventShown, CEGUI::SubscriberSlot(&AboutBox::shown, this));
    subscribe("About", CEGUI::FrameWindow::EventCloseClicked,
              CEGUI::SubscriberSlot(&AboutBox::close, this));
    onClick("About/OKButton", this, &AboutBox::close);
}

bool AboutBox::open(const CEGUI::EventArgs&) {
    setText("About/LatestVersion", "...");
    openDialog("About", "Menu");
    return true;
}

bool AboutBox::shown(const CEGUI::EventArgs&) {
    // The window shows "..." until the answer arrives; the game goes on meanwhile.
    backend_.startVersionQuery();
    return true;
}

void AboutBox::showLatestVersion(const std::string& text) {
    if (isShown("About"))
        setText("About/LatestVersion", text);
}

bool AboutBox::close(const CEGUI::EventArgs&) {
    backend_.cancelVersionQuery();
    closeDialog("About", "Menu");
    return true;
}

} // namespace korvane
