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

std::vector<LanEntry> probeLanEntries() {
    std::vector<LanEntry> result;
    auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("JoinGame/LANServersList"));
    if (!list)
        return result;
    const CEGUI::Rectf area = list->getListRenderArea();
    const CEGUI::Vector2f origin = list->getUnclippedOuterRect().get().getPosition();
    float top = area.top();
    if (CEGUI::Scrollbar* bar = list->getVertScrollbar())
        top -= bar->getScrollPosition();
    for (std::size_t i = 0; i < list->getItemCount(); ++i) {
        const CEGUI::ListboxItem* item = list->getListboxItemFromIndex(i);
        const float h = item->getPixelSize().d_height;
        LanEntry e;
        e.address = fromGui(item->getText());
        e.x = origin.d_x + (area.left() + area.right()) / 2;
        e.y = origin.d_y + top + h / 2;
        top += h;
        result.push_back(std::move(e));
    }
    return result;
}

std::string formatLanLines(const std::vector<LanEntry>& entries) {
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    for (const LanEntry& e : entries)
        out << "lan " << e.address << ' ' << e.x << ' ' << e.y << '\n';
    return out.str();
}

} // namespace korvane
