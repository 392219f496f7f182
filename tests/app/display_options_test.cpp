#include "app/display_options.h"
#include "app/input_keys.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

VideoSettings video(const std::string& rs) {
    VideoSettings v;
    v.rs = rs;
    v.w = "1024";
    v.h = "768";
    v.depth = "32";
    v.aa = "2";
    v.vsync = "Yes";
    v.fs = "No";
    return v;
}

OfferedOptions glOffered() {
    return {{"Full Screen", {"No", "Yes"}},
            {"VSync", {"No", "Yes"}},
            {"FSAA", {"0", "2", "4"}},
            {"Video Mode", {"800 x 600", "1280 x 1024"}}};
}

} // namespace

TEST(DisplayOptions, EachRenderSystemGetsItsOwnOptionLanguageInOrder) {
    OptionList gl = renderSystemOptions(video("OpenGL"));
    OptionList expectGl = {{"Colour Depth", "32"},
                           {"FSAA", "2"},
                           {"Video Mode", "1024 x 768"},
                           {"VSync", "Yes"},
                           {"Full Screen", "No"}};
    EXPECT_EQ(gl, expectGl);

    OptionList d3d = renderSystemOptions(video("Direct3D9"));
    OptionList expectD3d = {{"Anti aliasing", "Level 2"},
                            {"Video Mode", "1024 x 768 @ 32-bit colour"},
                            {"VSync", "Yes"},
                            {"Full Screen", "No"}};
    EXPECT_EQ(d3d, expectD3d);

    // A render system named by some other word gets only the two common options.
    OptionList other = renderSystemOptions(video("Vulkan"));
    OptionList expectOther = {{"VSync", "Yes"}, {"Full Screen", "No"}};
    EXPECT_EQ(other, expectOther);
    EXPECT_EQ(renderSystemName("OpenGL"), "OpenGL Rendering Subsystem");
}

TEST(DisplayOptions, ValidationAcceptsOfferedValuesAndWindowedSizesThatFit) {
    OptionList set = {
        {"FSAA", "2"}, {"Video Mode", "1024 x 768"}, {"VSync", "Yes"}, {"Full Screen", "No"}};
    EXPECT_EQ(validateOptions(glOffered(), set, 1280, 1024), "");
    // Not among the modes, but a window of that size fits the screen.
    set[1].second = "1000 x 700";
    EXPECT_EQ(validateOptions(glOffered(), set, 1280, 1024), "");
}

TEST(DisplayOptions, ValidationRejectsWhatTheRenderSystemCannotDo) {
    OptionList base = {
        {"FSAA", "2"}, {"Video Mode", "1024 x 768"}, {"VSync", "Yes"}, {"Full Screen", "No"}};
    auto with = [&](const std::string& name, const std::string& value) {
        OptionList s = base;
        for (auto& o : s)
            if (o.first == name)
                o.second = value;
        return validateOptions(glOffered(), s, 1280, 1024);
    };
    EXPECT_NE(with("Full Screen", "Maybe"), "");
    EXPECT_NE(with("VSync", "yes"), "");
    EXPECT_NE(with("FSAA", "3"), "");
    EXPECT_NE(with("Video Mode", "1920 x 1080"), ""); // larger than the screen
    EXPECT_NE(with("Video Mode", "1024x768"), "");
    EXPECT_NE(with("Video Mode", " x "), "");
    EXPECT_NE(with("Video Mode", "-5 x 768"), "");
    // Full screen needs one of the offered modes exactly.
    base[3].second = "Yes";
    EXPECT_NE(validateOptions(glOffered(), base, 1280, 1024), "");
    base[1].second = "800 x 600";
    EXPECT_EQ(validateOptions(glOffered(), base, 1280, 1024), "");
}

TEST(DisplayOptions, VideoModeParsing) {
    int w = 0, h = 0;
    EXPECT_TRUE(parseVideoMode("1024 x 768", w, h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_TRUE(parseVideoMode("800 x 600 @ 32-bit colour", w, h));
    EXPECT_EQ(h, 600);
    EXPECT_FALSE(parseVideoMode("0 x 600", w, h));
    EXPECT_FALSE(parseVideoMode("800 x 600x", w, h));
    EXPECT_FALSE(parseVideoMode("99999999999 x 600", w, h));
    EXPECT_FALSE(parseVideoMode("", w, h));
}

TEST(InputKeys, PhysicalKeysMapToTheEngineCodesBothWays) {
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_RETURN), 28);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_UP), 200);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_DOWN), 208);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_LEFT), 203);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_RIGHT), 205);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_KP_PLUS), 78);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_KP_MINUS), 74);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_ESCAPE), 1);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_LSHIFT), 42);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_PRINTSCREEN), 183);
    // SDL's Backspace shares its number with the engine's left Shift: it must not leak.
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_BACKSPACE), 14);
    EXPECT_EQ(engineKeyFromScancode(SDL_SCANCODE_RSHIFT), 54);
    for (int code = 1; code < 256; ++code) {
        SDL_Scancode sc = scancodeFromEngineKey(code);
        if (sc != SDL_SCANCODE_UNKNOWN) {
            EXPECT_EQ(engineKeyFromScancode(sc), code);
        }
    }
}
