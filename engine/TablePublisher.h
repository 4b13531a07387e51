// Lock-free hand-over of a table the audio thread reads (gain law, tilt weights, threshold
// shapes, filter curves) from the threads that change it: tables are rebuilt into a spare slot
// and published whole, so a frame never reads one half-rebuilt.
#pragma once

#include <array>
#include <atomic>

// Three slots: the published one, the one the audio thread holds for its current frame, and one
// to build into. Only one thread builds at a time; a thread that finds another one building marks
// the table stale and leaves, and the builder rebuilds once more before it lets go, so the last
// parameter change always reaches the table and nobody waits.
template <class Table> class TablePublisher {
  public:
    // Any thread. `build(Table&)` fills a table from the current parameter values.
    template <class Build> void update(Build&& build) {
        stale_.store(true);
        while (stale_.load() && !building_.exchange(true)) {
            stale_.store(false);
            const int published = published_.load();
            const int held = held_.load();
            int spare = 0;
            while (spare == published || spare == held)
                ++spare;
            build(slots_[spare]);
            published_.store(spare);
            building_.store(false);
        }
    }

    // Audio thread (one reader), once per frame: the newest table, which stays intact until the
    // next call.
    const Table& acquire() {
        int slot;
        do {
            slot = published_.load();
            held_.store(slot);
        } while (slot != published_.load());
        return slots_[slot];
    }

    // Any thread: the newest table, for display and inspection (may be replaced at any time).
    const Table& latest() const { return slots_[published_.load()]; }

  private:
    std::array<Table, 3> slots_{};
    std::atomic<int> published_{0};
    std::atomic<int> held_{0};
    std::atomic<bool> building_{false};
    std::atomic<bool> stale_{false};
};
