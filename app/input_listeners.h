#pragma once
// The game's input listeners, in the order the frame listener chains them: the GUI, the key
// commands, the camera, the board. The decisions they share live in input_chain.h.

#include "input_chain.h"

#include <functional>

namespace korvane {

class OrbitCamera;

// A GUI window (not the see-through root) lies under the window pixel.
bool guiWindowAt(float x, float y);
// An enabled, visible edit box has the keyboard: typed text and Home are the text's.
bool editBoxHasKeyboard();

// The GUI takes a key it handles, typed text while an edit box has the keyboard and the wheel
// over a window. The cursor's moves and the buttons it only watches: they go on down.
class GuiInput : public InputListener {
  public:
    // `game`: the listeners behind the GUI, which see a press before the GUI does.
    explicit GuiInput(InputListener& game) : game_(game) {}

    bool keyPressed(const SDL_KeyboardEvent& e) override;
    bool textInput(const SDL_TextInputEvent& e) override;
    bool mouseMoved(const SDL_MouseMotionEvent& e) override;
    bool mousePressed(const SDL_MouseButtonEvent& e) override;
    bool mouseReleased(const SDL_MouseButtonEvent& e) override;
    bool mouseWheelRolled(const SDL_MouseWheelEvent& e) override;

  private:
    InputListener& game_;
};

// Escape on the board and P (pause or resume a local game's clocks), and the commands of held
// keys, which the frame polls: Enter (connect or chat), Home, Print Screen and the quit chord
// Shift+Escape.
class KeyCommands : public InputListener {
  public:
    struct Actions {
        std::function<void()> deselect;
        // True when Enter did something; the key then rests for a moment before it repeats.
        std::function<bool()> enter;
        std::function<void()> home;
        std::function<void()> screenshot;
        std::function<void()> pause;
    };
    KeyCommands(const HeldKeys& keys, Actions actions)
        : keys_(keys), actions_(std::move(actions)) {}

    bool keyPressed(const SDL_KeyboardEvent& e) override;

    void tick(float seconds);
    void pollEnter();
    // Home, Print Screen and the quit chord, while the chat line is closed; false to quit.
    bool poll();

  private:
    const HeldKeys& keys_;
    Actions actions_;
    float repeatTimer_ = 0;
};

// The right or middle button drags the camera, the wheel zooms it, held keys orbit it.
class CameraInput : public InputListener {
  public:
    CameraInput(OrbitCamera& orbit, const HeldKeys& keys) : orbit_(orbit), keys_(keys) {}

    bool mouseMoved(const SDL_MouseMotionEvent& e) override;
    bool mousePressed(const SDL_MouseButtonEvent& e) override;
    bool mouseReleased(const SDL_MouseButtonEvent& e) override;
    bool mouseWheelRolled(const SDL_MouseWheelEvent& e) override;
    void focusLost() override { drag_.cancel(); }

    // The orbit keys held for `seconds`; true when the camera moved.
    bool steer(float seconds);

  private:
    OrbitCamera& orbit_;
    const HeldKeys& keys_;
    CameraDrag drag_;
};

// Only the left button plays; a right click that did not turn the camera drops the selection.
class BoardInput : public InputListener {
  public:
    BoardInput(std::function<void(int, int)> click, std::function<void()> deselect)
        : click_(std::move(click)), deselect_(std::move(deselect)) {}

    bool mousePressed(const SDL_MouseButtonEvent& e) override;
    bool mouseReleased(const SDL_MouseButtonEvent& e) override;

  private:
    std::function<void(int, int)> click_;
    std::function<void()> deselect_;
};

} // namespace korvane
