#include "frame_pacer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace korvane {

FramePacer::FramePacer() {
    const char* uncapped = std::getenv("KORVANE_UNCAPPED");
    paced_ = !(uncapped && std::string(uncapped) == "1");
    start();
}

double FramePacer::now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void FramePacer::endFrame(bool busy, const Arrival& arrival, std::vector<SDL_Event>& held) {
    // Busy while the player acts or something moves; otherwise the loop ticks a few times a
    // second without drawing.
    if (!paced_)
        return;
    const double period = busy ? 1.0 / 60.0 : 1.0 / 4.0;
    const double wait = lastFrameEnd_ + period - now();
    // Either wait ends early for a click, a key or a packet, which the next frame then handles
    // and draws at once; while busy, mouse motion only waits for the frame it is due in.
    if (wait > 0)
        waitIdle(wait, !busy, arrival, held);
    lastFrameEnd_ = now();
}

void FramePacer::waitIdle(double seconds, bool wakeOnMotion, const Arrival& arrival,
                          std::vector<SDL_Event>& held) {
    // The wait ends at the first input event (left queued for the next frame) or the first
    // arrival, so neither a click nor a peer's move waits for the pace.
    const double end = now() + seconds;
    for (;;) {
        const double left = end - now();
        if (left <= 0)
            return;
        // What may arrive is looked at every few milliseconds; without it one wait does.
        const int slice = std::max(1, int((arrival ? std::min(left, 0.005) : left) * 1000.0));
        // The wait takes the event out of the queue: SDL 2.26 waiting with no event to fill
        // leaves a marker behind that makes the next poll miss what is queued, so a click or
        // a window close could sit unseen.
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, slice)) {
            held.push_back(event);
            if (wakeOnMotion || event.type != SDL_MOUSEMOTION)
                return;
            continue;
        }
        if (arrival && arrival())
            return;
    }
}

} // namespace korvane
