// UTF-8 helpers: the game's texts are UTF-8 everywhere (settings file, network, layouts).
#pragma once

#include <cstddef>
#include <string>

namespace CEGUI {
class String;
}

namespace korvane {

inline constexpr std::size_t kMaxChatBytes = 150;

// The longest prefix of `text` of at most maxBytes bytes that does not end inside a
// multi-byte character. A malformed sequence is never extended past maxBytes either.
std::string utf8Prefix(const std::string& text, std::size_t maxBytes);

// CEGUI's String takes and gives UTF-8 only through its utf8 overloads. toGui repairs
// malformed UTF-8 (U+FFFD) on the way in.
CEGUI::String toGui(const std::string& utf8);
std::string fromGui(const CEGUI::String& text);

} // namespace korvane
