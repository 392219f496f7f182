#include "input_listeners.h"

#include "input_keys.h"
#include "scene/orbit_camera.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

namespace {

CEGUI::GUIContext& gui() {
    return CEGUI::System::getSingleton().getDefaultGUIContext();
}

CEGUI::MouseButton guiButton(Uint8 sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_RIGHT:
        return CEGUI::RightButton;
    case SDL_BUTTON_MIDDLE:
        return CEGUI::MiddleButton;
    case SDL_BUTTON_X1:
        return CEGUI::X1Button;
    default:
        return CEGUI::LeftButton;
    }
}

} // namespace

bool guiWindowAt(float x, float y) {
    CEGUI::Window* root = gui().getRootWindow();
    return root && root->isEffectiveVisible() &&
           root->getTargetChildAtPosition(CEGUI::Vector2f(x, y)) != nullptr;
}

bool editBoxHasKeyboard() {
    CEGUI::Window* root = gui().getRootWindow();
    CEGUI::Window* active = root ? root->getActiveChild() : nullptr;
    return active && dynamic_cast<CEGUI::Editbox*>(active) && active->isEffectiveVisible() &&
           !active->isEffectiveDisabled();
}

// --- GUI ---------------------------------------------------------------------------------

bool GuiInput::keyPressed(const SDL_KeyboardEvent& e) {
    // The GUI never receives key releases: it works on presses alone.
    const int key = engineKeyFromScancode(e.keysym.scancode);
    return key && gui().injectKeyDown(static_cast<CEGUI::Key::Scan>(key));
}

bool GuiInput::textInput(const SDL_TextInputEvent& e) {
    // Typed text goes to the GUI only while an edit box has the keyboard, so keypad plus and
    // minus steer the camera without typing into a box that had it earlier. Text input itself
    // stays on: a box clicked in this very batch of events gets the letters that follow the
    // click.
    if (!editBoxHasKeyboard())
        return false;
    forEachCodePoint(e.text, [](unsigned cp) { gui().injectChar(cp); });
    return true;
}

bool GuiInput::mouseMoved(const SDL_MouseMotionEvent& e) {
    gui().injectMousePosition(float(e.x), float(e.y));
    return false;
}

bool GuiInput::mousePressed(const SDL_MouseButtonEvent& e) {
    gui().injectMousePosition(float(e.x), float(e.y));
    // The board and the camera see a press first: a left press on the board picks with the
    // GUI hidden for the off-screen render, and a press the GUI had already taken would be
    // cut short by that.
    game_.mousePressed(e);
    gui().injectMouseButtonDown(guiButton(e.button));
    return true;
}

bool GuiInput::mouseReleased(const SDL_MouseButtonEvent& e) {
    gui().injectMouseButtonUp(guiButton(e.button));
    return false;
}

bool GuiInput::mouseWheelRolled(const SDL_MouseWheelEvent& e) {
    // Over a window the wheel is the window's (a list scrolls); over the board it zooms.
    const CEGUI::Vector2f at = gui().getMouseCursor().getPosition();
    if (!guiWindowAt(at.d_x, at.d_y))
        return false;
    gui().injectMouseWheelChange(wheelNotches(e));
    return true;
}

// --- Key commands --------------------------------------------------------------------------

bool KeyCommands::keyPressed(const SDL_KeyboardEvent& e) {
    // Escape keeps whatever it means to the window that has the keyboard; on the board it
    // drops the selection.
    const int key = engineKeyFromScancode(e.keysym.scancode);
    if ((key != KeyEscape && key != KeyP) || e.repeat || editBoxHasKeyboard())
        return false;
    if (key == KeyP)
        actions_.pause();
    else
        actions_.deselect();
    return true;
}

void KeyCommands::tick(float seconds) {
    if (repeatTimer_ >= 0)
        repeatTimer_ -= seconds;
}

void KeyCommands::pollEnter() {
    if (keys_.held(KeyReturn) && repeatTimer_ <= 0 && actions_.enter())
        repeatTimer_ = 0.5f;
}

bool KeyCommands::poll() {
    // Home puts the camera back where a game starts it; in an edit box Home is the text's.
    if (keys_.held(KeyHome) && !editBoxHasKeyboard())
        actions_.home();
    if (keys_.held(KeyEscape) && keys_.held(KeyLeftShift))
        return false;
    if (keys_.held(KeyPrintScreen) && repeatTimer_ <= 0) {
        actions_.screenshot();
        repeatTimer_ = 0.5f;
    }
    return true;
}

// --- Camera --------------------------------------------------------------------------------

bool CameraInput::mouseMoved(const SDL_MouseMotionEvent& e) {
    int dx = 0, dy = 0;
    if (drag_.motion(e.x, e.y, e.state, dx, dy))
        orbit_.drag(float(dx), float(dy));
    return false;
}

bool CameraInput::mousePressed(const SDL_MouseButtonEvent& e) {
    // The right and middle buttons turn the camera when pressed over the board itself.
    if ((e.button == SDL_BUTTON_RIGHT || e.button == SDL_BUTTON_MIDDLE) && !drag_.active() &&
        !guiWindowAt(float(e.x), float(e.y)))
        drag_.press(e.button, e.x, e.y);
    return false;
}

bool CameraInput::mouseReleased(const SDL_MouseButtonEvent& e) {
    // Only a right click that did not turn the camera goes on to the board: a button pressed
    // over a window and let go over the board was no click on it.
    return !(drag_.release(e.button) == CameraDrag::Release::Click && e.button == SDL_BUTTON_RIGHT);
}

bool CameraInput::mouseWheelRolled(const SDL_MouseWheelEvent& e) {
    orbit_.zoom(wheelNotches(e));
    return true;
}

bool CameraInput::steer(float seconds) {
    OrbitKeys keys;
    keys.up = keys_.held(KeyUp);
    keys.down = keys_.held(KeyDown);
    keys.right = keys_.held(KeyRight);
    keys.left = keys_.held(KeyLeft);
    keys.zoomIn = keys_.held(KeyKeypadPlus);
    keys.zoomOut = keys_.held(KeyKeypadMinus);
    return orbit_.update(keys, seconds);
}

// --- Board ---------------------------------------------------------------------------------

bool BoardInput::mousePressed(const SDL_MouseButtonEvent& e) {
    if (e.button != SDL_BUTTON_LEFT)
        return false;
    click_(e.x, e.y);
    return true;
}

bool BoardInput::mouseReleased(const SDL_MouseButtonEvent& e) {
    if (e.button != SDL_BUTTON_RIGHT)
        return false;
    deselect_();
    return true;
}

} // namespace korvane
