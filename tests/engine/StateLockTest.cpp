// The host-side state lock: changes the audio thread makes while a host call holds the lock are
// applied by that call, in order, before it lets go; and the audio thread never waits.
#include "engine/StateLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

TEST(StateLock, ChangesLeftWhileHeldAreAppliedInOrderByTheHolder) {
    StateLock lock;
    std::vector<std::pair<int, float>> applied;
    auto apply = [&](int i, float v) { applied.emplace_back(i, v); };

    lock.lock();
    std::thread audio([&] {
        // Returns at once although the state is held.
        EXPECT_TRUE(lock.applyOrLeave(1, 0.5f, apply));
        EXPECT_TRUE(lock.applyOrLeave(2, 0.25f, apply));
    });
    audio.join();
    EXPECT_TRUE(applied.empty());
    lock.unlock(apply);
    EXPECT_EQ(applied, (std::vector<std::pair<int, float>>{{1, 0.5f}, {2, 0.25f}}));

    // Free, the change is the audio thread's own to apply, at once.
    EXPECT_TRUE(lock.applyOrLeave(3, 1.0f, apply));
    EXPECT_EQ(applied.back(), std::make_pair(3, 1.0f));

    // A full queue drops the change and says so.
    lock.lock();
    std::thread flood([&] {
        for (uint32_t i = 0; i < StateLock::kQueueSize; ++i)
            ASSERT_TRUE(lock.applyOrLeave(4, 0.0f, apply));
        EXPECT_FALSE(lock.applyOrLeave(5, 0.0f, apply));
    });
    flood.join();
    lock.unlock(apply);
    EXPECT_EQ(applied.size(), 3 + StateLock::kQueueSize);
}

TEST(StateLock, NoChangeIsLostWhileHostsAndTheAudioThreadContend) {
    StateLock lock;
    long sum = 0; // only ever touched under the lock
    auto apply = [&](int i, float) { sum += i; };
    constexpr int kRounds = 20000;
    std::atomic<bool> go{false};
    auto host = [&] {
        while (!go.load()) {
        }
        for (int r = 0; r < kRounds; ++r) {
            lock.lock();
            sum += 1;
            lock.unlock(apply);
        }
    };
    std::thread h1(host), h2(host);
    go = true;
    long dropped = 0;
    for (int r = 0; r < kRounds; ++r)
        if (!lock.applyOrLeave(1000, 0.0f, apply))
            ++dropped;
    h1.join();
    h2.join();
    lock.lock();
    EXPECT_EQ(sum, 2L * kRounds + 1000L * (kRounds - dropped));
    lock.unlock(apply);
}
