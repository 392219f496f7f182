#include "app/input_chain.h"
#include "app/input_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

struct Recorder : InputListener {
    Recorder(std::string& log, char name, bool takes) : log(log), name(name), takes(takes) {}
    bool mousePressed(const SDL_MouseButtonEvent&) override {
        log += name;
        return takes;
    }
    void focusLost() override { log += name; }
    std::string& log;
    char name;
    bool takes;
};

TEST(InputChain, AnEventGoesDownUntilTakenAndFocusLossReachesEveryone) {
    std::string log;
    Recorder a(log, 'a', false), b(log, 'b', true), c(log, 'c', false);
    InputListenerChain inner{&b, &c};
    InputListenerChain chain{&a, &inner};
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    EXPECT_TRUE(chain.dispatch(press));
    EXPECT_EQ(log, "ab");
    log.clear();
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    EXPECT_FALSE(chain.dispatch(focus));
    EXPECT_EQ(log, "abc");
}

TEST(CameraDrag, AFewPixelsAreStillAClickAndMoreTurnFromTheLastPoint) {
    CameraDrag drag;
    int dx = 0, dy = 0;
    drag.press(SDL_BUTTON_RIGHT, 100, 100);
    drag.press(SDL_BUTTON_MIDDLE, 0, 0); // a second button does not take the drag over
    EXPECT_FALSE(drag.motion(102, 101, SDL_BUTTON_RMASK, dx, dy));
    EXPECT_EQ(drag.release(SDL_BUTTON_LEFT), CameraDrag::Release::NotMine);
    EXPECT_EQ(drag.release(SDL_BUTTON_RIGHT), CameraDrag::Release::Click);

    drag.press(SDL_BUTTON_RIGHT, 100, 100);
    ASSERT_TRUE(drag.motion(103, 101, SDL_BUTTON_RMASK, dx, dy));
    EXPECT_EQ(dx, 3);
    ASSERT_TRUE(drag.motion(104, 99, SDL_BUTTON_RMASK, dx, dy));
    EXPECT_EQ(dx, 1);
    EXPECT_EQ(dy, -2);
    EXPECT_EQ(drag.release(SDL_BUTTON_RIGHT), CameraDrag::Release::Dragged);

    // Let go outside the window: the next motion without the button ends the drag.
    drag.press(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_FALSE(drag.motion(50, 50, 0, dx, dy));
    EXPECT_FALSE(drag.active());
}

TEST(HeldKeys, AKeyTappedBetweenTwoFramesCountsForOneFrame) {
    HeldKeys keys;
    SDL_KeyboardEvent enter{};
    enter.keysym.scancode = SDL_SCANCODE_RETURN;
    keys.notePress(enter);
    EXPECT_TRUE(keys.held(KeyReturn));
    EXPECT_FALSE(keys.held(KeyHome));
    keys.newFrame();
    EXPECT_FALSE(keys.held(KeyReturn));
}

} // namespace
} // namespace korvane
