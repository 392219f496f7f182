#pragma once
// Input as a chain of listeners: each SDL event goes down the list until a listener takes it.
// Nothing here knows the engine or the GUI toolkit, so the decisions below can be tested alone.

#include <SDL2/SDL_events.h>

#include <bitset>
#include <initializer_list>
#include <vector>

namespace korvane {

// Every handler answers whether it took the event; one that did ends the event's way down.
class InputListener {
  public:
    virtual ~InputListener() = default;
    virtual bool keyPressed(const SDL_KeyboardEvent&) { return false; }
    virtual bool textInput(const SDL_TextInputEvent&) { return false; }
    virtual bool mouseMoved(const SDL_MouseMotionEvent&) { return false; }
    virtual bool mousePressed(const SDL_MouseButtonEvent&) { return false; }
    virtual bool mouseReleased(const SDL_MouseButtonEvent&) { return false; }
    virtual bool mouseWheelRolled(const SDL_MouseWheelEvent&) { return false; }
    // The window lost the keyboard and the mouse; every listener hears it.
    virtual void focusLost() {}
};

// A chain is a listener too, so a listener can hand an event to the ones behind it first.
class InputListenerChain : public InputListener {
  public:
    InputListenerChain(std::initializer_list<InputListener*> listeners) : listeners_(listeners) {}

    // The event to the chain; false when nobody took it or it is none of the handlers' kinds.
    bool dispatch(const SDL_Event& e);

    bool keyPressed(const SDL_KeyboardEvent& e) override;
    bool textInput(const SDL_TextInputEvent& e) override;
    bool mouseMoved(const SDL_MouseMotionEvent& e) override;
    bool mousePressed(const SDL_MouseButtonEvent& e) override;
    bool mouseReleased(const SDL_MouseButtonEvent& e) override;
    bool mouseWheelRolled(const SDL_MouseWheelEvent& e) override;
    void focusLost() override;

  private:
    template <typename Event>
    bool passDown(bool (InputListener::*handler)(const Event&), const Event& e);

    std::vector<InputListener*> listeners_;
};

// The kinds of event that wake the frame pacing: input, the window, a worker's answer.
bool countsAsActivity(Uint32 eventType);

// Wheel notches, positive away from the player whatever the system's scrolling direction.
float wheelNotches(const SDL_MouseWheelEvent& e);

// Decodes UTF-8 into code points; a malformed sequence yields U+FFFD and moves on.
template <typename F> void forEachCodePoint(const char* s, F&& f) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        unsigned cp = *p;
        int extra = 0;
        if (cp >= 0xF0 && cp < 0xF8) {
            cp &= 0x07;
            extra = 3;
        } else if (cp >= 0xE0) {
            cp &= 0x0F;
            extra = 2;
        } else if (cp >= 0xC0) {
            cp &= 0x1F;
            extra = 1;
        } else if (cp >= 0x80) {
            f(0xFFFDu);
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
        }
        f(ok ? cp : 0xFFFDu);
    }
}

// The keys the frame's polled commands see as held: down now, or pressed and let go again
// since the last frame (a quick tap still counts once).
class HeldKeys {
  public:
    void newFrame() { pressedThisFrame_.reset(); }
    void notePress(const SDL_KeyboardEvent& e);
    bool held(int engineKey) const;

  private:
    std::bitset<512> pressedThisFrame_;
};

// The right or middle button held down over the board: once the cursor has moved a few
// pixels it turns the camera; the right one let go before that is a click.
class CameraDrag {
  public:
    // A hand never holds the mouse quite still: a few pixels still count as a click.
    static constexpr int kThreshold = 4;

    bool active() const { return button_ != 0; }
    // Starts a drag unless one is going on.
    void press(int button, int x, int y);
    // The cursor moved with `buttons` (SDL's state mask) held: true with the pixels to turn by
    // once the drag moves.
    bool motion(int x, int y, unsigned buttons, int& dx, int& dy);
    enum class Release { NotMine, Dragged, Click };
    Release release(int button);
    // The button's release may never come back to this window.
    void cancel() { *this = CameraDrag(); }

  private:
    int button_ = 0; // SDL button number, 0 when none is held
    int startX_ = 0, startY_ = 0, lastX_ = 0, lastY_ = 0;
    bool moving_ = false;
};

} // namespace korvane
