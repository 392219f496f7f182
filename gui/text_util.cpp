#include "text_util.h"

#include "utf8.h"

#include <CEGUI/String.h>

namespace korvane {

std::string utf8Prefix(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    // Step back over continuation bytes to the start of the character that straddles the cut.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

CEGUI::String toGui(const std::string& utf8) {
    // The toolkit's decoder trusts the lead byte and reads past the end of a cut-off
    // sequence; names and chat come from files and peers, so they are repaired first.
    const std::string valid = repairUtf8(utf8);
    return CEGUI::String(reinterpret_cast<const CEGUI::utf8*>(valid.c_str()));
}

std::string fromGui(const CEGUI::String& text) {
    return std::string(text.c_str());
}

} // namespace korvane
