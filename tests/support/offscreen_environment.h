#pragma once

#include "tests/support/offscreen_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace korvane::testing {

// The engine for a whole test program, as a GoogleTest environment; the test's own
// globals receive the root and the window.
class OffscreenEnvironment : public ::testing::Environment {
  public:
    OffscreenEnvironment(std::string logFile, std::string title, unsigned width, unsigned height,
                         Ogre::Root*& root, Ogre::RenderWindow*& window)
        : logFile_(std::move(logFile)), title_(std::move(title)), width_(width), height_(height),
          root_(root), window_(window) {}
    void SetUp() override {
        engine_ = std::make_unique<OffscreenEngine>(logFile_, title_, width_, height_);
        root_ = engine_->root;
        window_ = engine_->window;
    }
    void TearDown() override {
        root_ = nullptr;
        window_ = nullptr;
        engine_.reset();
    }

  private:
    std::string logFile_, title_;
    unsigned width_, height_;
    Ogre::Root*& root_;
    Ogre::RenderWindow*& window_;
    std::unique_ptr<OffscreenEngine> engine_;
};

} // namespace korvane::testing
