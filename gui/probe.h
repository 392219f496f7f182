// What the state probe reports about the GUI: one record per catalogue window.
#pragma once

#include <string>
#include <vector>

namespace korvane {

struct WindowProbe {
    std::string name;
    bool exists = false;
    bool visible = false;             // the window and all its ancestors
    bool enabled = false;             // likewise
    float x = 0, y = 0, w = 0, h = 0; // outer rectangle in window pixels
    std::string text;                 // UTF-8
};

// Every catalogue window in catalogue order; a window the layout lacks reports as hidden,
// disabled, empty.
std::vector<WindowProbe> probeWindows();

// The probe's "window <name> <visible> <enabled> <px> <py> <w> <h> <text>" lines, each ending
// in a newline; newlines inside a text are written as \n.
std::string formatWindowLines(const std::vector<WindowProbe>& windows);

// One entry of the LAN list and the window pixel of its centre.
struct LanEntry {
    std::string address;
    float x = 0, y = 0;
};
// The entries of "JoinGame/LANServersList" in list order.
std::vector<LanEntry> probeLanEntries();
// The probe's "lan <address> <px> <py>" lines.
std::string formatLanLines(const std::vector<LanEntry>& entries);

} // namespace korvane
