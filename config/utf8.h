// UTF-8 checking shared by everything that takes text from outside: the settings file, the
// network and the GUI toolkit (whose decoder trusts its input and reads past a broken end).
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

inline const char* const kReplacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

// One step through UTF-8 text from byte i (i < size): a whole character, or the longest
// start of one that went wrong, which counts as one bad character so that a truncated
// sequence does not turn into several replacement characters.
struct Utf8Step {
    std::size_t length;
    bool valid;
};
Utf8Step nextUtf8Character(const std::string& text, std::size_t i);

// The text with every malformed sequence (overlong forms, surrogates, code points past
// U+10FFFF, stray continuation bytes, a cut-off end) replaced by U+FFFD. Valid text comes
// back unchanged; a name saved in an 8-bit code page keeps its ASCII letters.
std::string repairUtf8(const std::string& text);

} // namespace korvane
