#include "input_chain.h"

#include "input_keys.h"

#include <SDL2/SDL_keyboard.h>
#include <SDL2/SDL_mouse.h>

#include <cstdlib>

namespace korvane {

template <typename Event>
bool InputListenerChain::passDown(bool (InputListener::*handler)(const Event&), const Event& e) {
    for (InputListener* listener : listeners_)
        if ((listener->*handler)(e))
            return true;
    return false;
}

bool InputListenerChain::keyPressed(const SDL_KeyboardEvent& e) {
    return passDown(&InputListener::keyPressed, e);
}

bool InputListenerChain::textInput(const SDL_TextInputEvent& e) {
    return passDown(&InputListener::textInput, e);
}

bool InputListenerChain::mouseMoved(const SDL_MouseMotionEvent& e) {
    return passDown(&InputListener::mouseMoved, e);
}

bool InputListenerChain::mousePressed(const SDL_MouseButtonEvent& e) {
    return passDown(&InputListener::mousePressed, e);
}

bool InputListenerChain::mouseReleased(const SDL_MouseButtonEvent& e) {
    return passDown(&InputListener::mouseReleased, e);
}

bool InputListenerChain::mouseWheelRolled(const SDL_MouseWheelEvent& e) {
    return passDown(&InputListener::mouseWheelRolled, e);
}

void InputListenerChain::focusLost() {
    for (InputListener* listener : listeners_)
        listener->focusLost();
}

bool InputListenerChain::dispatch(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
        return keyPressed(e.key);
    case SDL_TEXTINPUT:
        return textInput(e.text);
    case SDL_MOUSEMOTION:
        return mouseMoved(e.motion);
    case SDL_MOUSEBUTTONDOWN:
        return mousePressed(e.button);
    case SDL_MOUSEBUTTONUP:
        return mouseReleased(e.button);
    case SDL_MOUSEWHEEL:
        return mouseWheelRolled(e.wheel);
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            focusLost();
        return false;
    default:
        return false;
    }
}

bool countsAsActivity(Uint32 eventType) {
    switch (eventType) {
    case SDL_QUIT:
    case SDL_WINDOWEVENT:
    case SDL_KEYDOWN:
    // The GUI works on presses alone, but a release is the player's doing all the same.
    case SDL_KEYUP:
    // A worker's answer is waiting: the frame that takes it comes at once.
    case SDL_USEREVENT:
    case SDL_TEXTINPUT:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
        return true;
    default:
        return false;
    }
}

float wheelNotches(const SDL_MouseWheelEvent& e) {
    return e.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.preciseY : e.preciseY;
}

void HeldKeys::notePress(const SDL_KeyboardEvent& e) {
    if (e.keysym.scancode < SDL_NUM_SCANCODES)
        pressedThisFrame_.set(e.keysym.scancode);
}

bool HeldKeys::held(int engineKey) const {
    const SDL_Scancode sc = scancodeFromEngineKey(engineKey);
    if (sc == SDL_SCANCODE_UNKNOWN)
        return false;
    return SDL_GetKeyboardState(nullptr)[sc] != 0 || pressedThisFrame_[sc];
}

void CameraDrag::press(int button, int x, int y) {
    if (button_ != 0)
        return;
    button_ = button;
    startX_ = lastX_ = x;
    startY_ = lastY_ = y;
    moving_ = false;
}

bool CameraDrag::motion(int x, int y, unsigned buttons, int& dx, int& dy) {
    if (button_ == 0)
        return false;
    if (!(buttons & SDL_BUTTON(button_))) {
        // Let go where this window did not see it.
        cancel();
        return false;
    }
    if (!moving_) {
        if (std::abs(x - startX_) + std::abs(y - startY_) < kThreshold)
            return false;
        moving_ = true;
    }
    dx = x - lastX_;
    dy = y - lastY_;
    lastX_ = x;
    lastY_ = y;
    return true;
}

CameraDrag::Release CameraDrag::release(int button) {
    if (button_ == 0 || button != button_)
        return Release::NotMine;
    const bool click = !moving_;
    cancel();
    return click ? Release::Click : Release::Dragged;
}

} // namespace korvane
