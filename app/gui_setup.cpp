#include "gui_setup.h"

#include "config/config_store.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

CEGUI::Window* initialiseGui(CEGUI::System& system) {
    CEGUI::Scheme::setDefaultResourceGroup("GUI");
    CEGUI::ImageManager::setImagesetDefaultResourceGroup("GUI");
    CEGUI::Font::setDefaultResourceGroup("GUI");
    CEGUI::WidgetLookManager::setDefaultResourceGroup("GUI");
    CEGUI::WindowManager::setDefaultResourceGroup("GUI");

    CEGUI::SchemeManager::getSingleton().createFromFile("DrawingsLook.scheme");
    CEGUI::GUIContext& ctx = system.getDefaultGUIContext();
    ctx.getMouseCursor().setDefaultImage("DrawingsLook/MouseArrow");
    ctx.setDefaultFont("Trebuchet-10");
    ctx.getMouseCursor().setImage("DrawingsLook/MouseArrow");
    ctx.getMouseCursor().show();

    const bool czech = ConfigStore::getValue("Lang", "Game", kConfigFile) == "Cesky";
    CEGUI::Window* sheet =
        CEGUI::WindowManager::getSingleton().loadLayoutFromFile(czech ? "guicz.xml" : "guien.xml");
    ctx.setRootWindow(sheet);
    return sheet;
}

} // namespace korvane
