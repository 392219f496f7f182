#include "version_task.h"

#include <mutex>
#include <system_error>
#include <thread>

namespace korvane {

struct VersionQueryTask::Shared {
    std::mutex mutex;
    unsigned generation = 0;
    bool running = false;
    std::optional<std::string> answer;
};

VersionQueryTask::VersionQueryTask() : shared_(std::make_shared<Shared>()) {}

VersionQueryTask::~VersionQueryTask() {
    cancel();
}

bool VersionQueryTask::start(std::function<std::string()> query, std::function<void()> answered) {
    unsigned generation;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        generation = ++shared_->generation;
        shared_->answer.reset();
        shared_->running = true;
    }
    std::shared_ptr<Shared> shared = shared_;
    try {
        std::thread([shared, generation, query = std::move(query), answered = std::move(answered)] {
            std::string text = query();
            // The wakeup runs under the lock: once cancel() has returned (the owner is going
            // away, and what the wakeup touches may go with it) no wakeup is under way or to
            // come, and a loop it wakes always finds the answer.
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->generation != generation)
                return;
            shared->answer = std::move(text);
            shared->running = false;
            if (answered)
                answered();
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->running = false;
        return false;
    }
    return true;
}

std::optional<std::string> VersionQueryTask::poll() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    std::optional<std::string> answer = std::move(shared_->answer);
    shared_->answer.reset();
    return answer;
}

void VersionQueryTask::cancel() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    ++shared_->generation;
    shared_->answer.reset();
    shared_->running = false;
}

bool VersionQueryTask::running() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->running;
}

} // namespace korvane
