#pragma once
// The render-system option language: which options a [Video] section turns into, and
// the program's own validation of them (the GL render system validates nothing).

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

struct VideoSettings {
    std::string rs;    // [Video] "RS": "OpenGL", "Direct3D9", ...
    std::string w, h;  // window size in pixels, as stored
    std::string depth; // colour depth in bits, as stored
    std::string aa;    // anti-aliasing level, as stored
    std::string vsync; // "Yes" / "No"
    std::string fs;    // full screen, "Yes" / "No"
};

using OptionList = std::vector<std::pair<std::string, std::string>>;

// The engine name of the render system the setting asks for.
std::string renderSystemName(const std::string& rs);

// Options in the order they are set, in the option language of the chosen render
// system. Stored texts are joined without conversion: only validation judges them.
OptionList renderSystemOptions(const VideoSettings& v);

// What a render system offers: option name -> possible values.
using OfferedOptions = std::map<std::string, std::vector<std::string>>;

// Parses "W x H" (optionally followed by " @ ..."); false unless both are positive numbers.
bool parseVideoMode(const std::string& text, int& w, int& h);

// Checks the options that were set against what the render system offers. A value must
// be one of the option's possible values; a windowed "Video Mode" may be any W x H that
// fits on the screen. Returns an empty text when accepted, else the first complaint.
std::string validateOptions(const OfferedOptions& offered, const OptionList& set, int screenW,
                            int screenH);

} // namespace korvane
