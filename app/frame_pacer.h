#pragma once
// Frame pacing: a busy frame (input, animation) may come at up to 60 per second; an idle game
// ticks a few times a second so it does not burn a core doing nothing.

#include <SDL2/SDL_events.h>

#include <functional>
#include <vector>

namespace korvane {

class FramePacer {
  public:
    // Benchmarks measure what a frame costs: KORVANE_UNCAPPED=1 switches the pacing off.
    FramePacer();

    static double now();
    // The pacing counts from here: the end of start-up.
    void start() { lastFrameEnd_ = lastActivity_ = now(); }

    bool paced() const { return paced_; }
    void noteActivity() { lastActivity_ = now(); }
    // The player acted within the last second, or something on the board moves.
    bool busy(bool somethingMoves) const { return now() - lastActivity_ < 1.0 || somethingMoves; }

    // Something besides input that may end an idle wait early: looked at every few
    // milliseconds, true once it has arrived. Empty when there is nothing to watch.
    using Arrival = std::function<bool()>;

    // Waits out the rest of the frame's period. An input event that ends the wait is put in
    // `held`, for the next frame to handle in its place in the order.
    void endFrame(bool busy, const Arrival& arrival, std::vector<SDL_Event>& held);

  private:
    void waitIdle(double seconds, bool wakeOnMotion, const Arrival& arrival,
                  std::vector<SDL_Event>& held);

    double lastFrameEnd_ = 0;
    double lastActivity_ = 0;
    bool paced_ = true;
};

} // namespace korvane
