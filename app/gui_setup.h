#pragma once
namespace CEGUI {
class System;
class Window;
} // namespace CEGUI
namespace korvane {
// The GUI's resources, skin, cursor, font and the layout of the configured language;
// returns the GUI sheet.
CEGUI::Window* initialiseGui(CEGUI::System& system);
} // namespace korvane
