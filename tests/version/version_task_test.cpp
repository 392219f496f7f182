// The query's worker: the newest answer is collected once, a cancelled or replaced query's
// answer never is, and the frame thread is never kept waiting.
#include "version_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace korvane;
using namespace std::chrono_literals;

namespace {

std::optional<std::string> waitAnswer(VersionQueryTask& task) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < end) {
        if (auto a = task.poll())
            return a;
        std::this_thread::sleep_for(1ms);
    }
    return std::nullopt;
}

// A query that blocks until released, like a silent service.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void release() {
        std::lock_guard<std::mutex> l(m);
        open = true;
        cv.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return open; });
    }
};

} // namespace

TEST(VersionQueryTask, TheNewestAnswerArrivesOnceAndWakesTheLoop) {
    VersionQueryTask task;
    std::atomic<int> wakes{0};
    ASSERT_TRUE(task.start([] { return std::string("1.05"); }, [&] { ++wakes; }));
    EXPECT_EQ(waitAnswer(task), std::optional<std::string>("1.05"));
    EXPECT_FALSE(task.poll());
    EXPECT_EQ(wakes, 1);
    EXPECT_FALSE(task.running());
}

TEST(VersionQueryTask, StaleAnswersAreDroppedAndNothingWaitsForAHungQuery) {
    auto gate = std::make_shared<Gate>();
    auto staleWakes = std::make_shared<std::atomic<int>>(0);
    VersionQueryTask task;
    ASSERT_TRUE(task.start(
        [gate] {
            gate->wait();
            return std::string("old!");
        },
        [staleWakes] { ++*staleWakes; }));
    EXPECT_TRUE(task.running());
    EXPECT_FALSE(task.poll());
    // The window closes and opens again: a second query replaces the hung one.
    task.cancel();
    ASSERT_TRUE(task.start([] { return std::string("2.17"); }));
    EXPECT_EQ(waitAnswer(task), std::optional<std::string>("2.17"));
    gate->release();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(task.poll());
    EXPECT_EQ(*staleWakes, 0);

    // Destroying a task whose query still hangs returns at once.
    auto hung = std::make_shared<Gate>();
    const auto before = std::chrono::steady_clock::now();
    {
        VersionQueryTask doomed;
        doomed.start([hung] {
            hung->wait();
            return std::string("late");
        });
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    hung->release();
}
