// The latest-version query off the frame thread: the About window opens at once with "..."
// and the answer arrives a few frames later, while the game goes on drawing and serving the
// network. Only the newest query counts: an answer to one that was cancelled or replaced is
// dropped.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korvane {

class VersionQueryTask {
  public:
    VersionQueryTask();
    // Never waits for a running query: its worker finishes on its own and its answer is lost.
    ~VersionQueryTask();
    VersionQueryTask(const VersionQueryTask&) = delete;
    VersionQueryTask& operator=(const VersionQueryTask&) = delete;

    // Starts a query of `query` (called on a worker thread); `answered` runs on the worker
    // when the answer is ready, e.g. to wake the frame loop; it must be quick and must not call
    // back into the task. False when no thread could start.
    bool start(std::function<std::string()> query, std::function<void()> answered = {});
    // The answer of the newest query, once; nothing while it runs or after cancel().
    std::optional<std::string> poll();
    void cancel();
    bool running() const;

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace korvane
