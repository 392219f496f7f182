#include "display_options.h"

#include <algorithm>
#include <cctype>

namespace korvane {

std::string renderSystemName(const std::string& rs) {
    return rs + " Rendering Subsystem";
}

OptionList renderSystemOptions(const VideoSettings& v) {
    OptionList out;
    if (v.rs == "OpenGL") {
        out.emplace_back("Colour Depth", v.depth);
        out.emplace_back("FSAA", v.aa);
        out.emplace_back("Video Mode", v.w + " x " + v.h);
    } else if (v.rs == "Direct3D9") {
        out.emplace_back("Anti aliasing", "Level " + v.aa);
        out.emplace_back("Video Mode", v.w + " x " + v.h + " @ " + v.depth + "-bit colour");
    }
    out.emplace_back("VSync", v.vsync);
    out.emplace_back("Full Screen", v.fs);
    return out;
}

static bool parsePositive(const std::string& s, size_t& pos, int& out) {
    size_t start = pos;
    long value = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        value = value * 10 + (s[pos] - '0');
        if (value > 100000)
            return false;
        ++pos;
    }
    if (pos == start || value <= 0)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool parseVideoMode(const std::string& text, int& w, int& h) {
    size_t pos = 0;
    int pw = 0, ph = 0;
    if (!parsePositive(text, pos, pw))
        return false;
    if (text.compare(pos, 3, " x ") != 0)
        return false;
    pos += 3;
    if (!parsePositive(text, pos, ph))
        return false;
    if (pos != text.size() && text.compare(pos, 3, " @ ") != 0)
        return false;
    w = pw;
    h = ph;
    return true;
}

std::string validateOptions(const OfferedOptions& offered, const OptionList& set, int screenW,
                            int screenH) {
    bool fullScreen = false;
    for (const auto& [name, value] : set)
        if (name == "Full Screen")
            fullScreen = value == "Yes";
    for (const auto& [name, value] : set) {
        auto it = offered.find(name);
        if (it == offered.end())
            continue; // never set, so nothing to judge
        const auto& values = it->second;
        if (std::find(values.begin(), values.end(), value) != values.end())
            continue;
        if (name == "Video Mode" && !fullScreen) {
            int w = 0, h = 0;
            if (!parseVideoMode(value, w, h))
                return "Video Mode: '" + value + "' is not W x H";
            if (w > screenW || h > screenH)
                return "Video Mode: " + value + " does not fit the screen";
            continue;
        }
        return name + ": '" + value + "' is not offered";
    }
    return {};
}

} // namespace korvane
