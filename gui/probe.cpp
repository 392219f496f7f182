#include "probe.h"

#include "catalogue.h"
#include "text_util.h"

#include <CEGUI/CEGUI.h>

#include <cmath>
#include <sstream>

namespace korvane {

std::vector<WindowProbe> probeWindows() {
    std::vector<WindowProbe> result;
    for (const CatalogueEntry& entry : windowCatalogue()) {
        WindowProbe p;
        p.name = entry.name;
        if (CEGUI::Window* w = findWindow(entry.name)) {
            p.exists = true;
            p.visible = w->isEffectiveVisible();
            p.enabled = !w->isEffectiveDisabled();
            const CEGUI::Rectf& r = w->getUnclippedOuterRect().get();
            p.x = r.left();
            p.y = r.top();
            p.w = r.getWidth();
            p.h = r.getHeight();
            p.text = fromGui(w->getText());
        }
        result.push_back(std::move(p));
    }
    return result;
}

std::string formatWindowLines(const std::vector<WindowProbe>& windows) {
    std::ostringstream out;
    for (const WindowProbe& p : windows) {
        out << "window " << p.name << ' ' << (p.visible ? 1 : 0) << ' ' << (p.enabled ? 1 : 0)
            << ' ' << std::lround(p.x) << ' ' << std::lround(p.y) << ' ' << std::lround(p.w) << ' '
            << std::lround(p.h) << ' ';
        for (char c : p.text) {
            if (c == '\n')
                out << "\\n";
            else if (c != '\r')
                out << c;
        }
        out << '\n';
    }
    return out.str();
}

} // namespace korvane
