#pragma once
// Physical keys as the engine's key codes (the same numbers the GUI's key scan codes use).
// SDL numbers its scancodes differently (its Backspace, 42, is the engine's left Shift),
// so nothing passes through unmapped.

#include <SDL2/SDL_scancode.h>

namespace korvane {

enum EngineKey : int {
    KeyEscape = 1,
    KeyBackspace = 14,
    KeyTab = 15,
    KeyP = 25,
    KeyReturn = 28,
    KeyLeftShift = 42,
    KeyKeypadMinus = 74,
    KeyKeypadPlus = 78,
    KeyKeypadEnter = 156,
    KeyPrintScreen = 183,
    KeyHome = 199,
    KeyUp = 200,
    KeyLeft = 203,
    KeyRight = 205,
    KeyEnd = 207,
    KeyDown = 208,
    KeyDelete = 211,
};

// The engine key code of an SDL scancode, 0 for keys the game does not know.
int engineKeyFromScancode(SDL_Scancode sc);
// The SDL scancode of an engine key code, SDL_SCANCODE_UNKNOWN when there is none.
SDL_Scancode scancodeFromEngineKey(int key);

} // namespace korvane
