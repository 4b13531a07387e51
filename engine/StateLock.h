// The lock around an effect's host-side state (program records, names, chunk images, the learn
// protocol), and the hand-over of parameter changes that the audio thread makes while a host call
// holds it. Host threads wait for the lock; the audio thread never does.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

class StateLock {
  public:
    static constexpr uint32_t kQueueSize = 256; // parameter changes the audio thread may leave

    // Host threads: waits (yielding) until no other call holds the state.
    void lock() {
        while (held_.exchange(true, std::memory_order_acquire))
            std::this_thread::yield();
    }

    // Lets go of the state. First every change the audio thread left meanwhile is handed to
    // apply(index, value), in the order it was made; a change left while letting go is taken
    // back and applied too, so none waits for the next host call.
    template <class Apply> void unlock(Apply&& apply) {
        for (;;) {
            drain(apply);
            held_.store(false, std::memory_order_seq_cst);
            if (head_.load(std::memory_order_seq_cst) == tail_.load(std::memory_order_seq_cst))
                return;
            if (held_.exchange(true, std::memory_order_seq_cst))
                return; // the new holder applies it
        }
    }

    // Audio thread: applies the change now when the state is free (and everything left before
    // it), else leaves it for the holder. Never waits. Answers false when the change had to be
    // dropped because kQueueSize changes were already waiting.
    template <class Apply> bool applyOrLeave(int index, float value, Apply&& apply) {
        if (!held_.exchange(true, std::memory_order_seq_cst)) {
            drain(apply);
            apply(index, value);
            unlock(apply);
            return true;
        }
        const bool kept = leave(index, value);
        // The holder may have let go between the failed attempt and the hand-over, after its
        // last look at the queue: then the change is this thread's to apply.
        if (!held_.exchange(true, std::memory_order_seq_cst))
            unlock(apply);
        return kept;
    }

    // The thread id the process calls run on, recorded by them; host calls made on that thread
    // take applyOrLeave instead of waiting.
    void noteAudioThread() { audio_.store(std::this_thread::get_id(), std::memory_order_relaxed); }
    bool onAudioThread() const {
        return audio_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

  private:
    struct Change {
        int index;
        float value;
    };

    // One producer (the audio thread), one consumer (the holder).
    bool leave(int index, float value) {
        const uint32_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kQueueSize)
            return false;
        queue_[tail % kQueueSize] = {index, value};
        tail_.store(tail + 1, std::memory_order_seq_cst);
        return true;
    }

    template <class Apply> void drain(Apply& apply) {
        uint32_t head = head_.load(std::memory_order_relaxed);
        while (head != tail_.load(std::memory_order_acquire)) {
            const Change c = queue_[head % kQueueSize];
            head_.store(++head, std::memory_order_release);
            apply(c.index, c.value);
        }
    }

    std::atomic<bool> held_{false};
    std::atomic<uint32_t> head_{0};
    std::atomic<uint32_t> tail_{0};
    std::array<Change, kQueueSize> queue_{};
    std::atomic<std::thread::id> audio_{};
};

// Holds a StateLock for a scope (host threads).
template <class Apply> class StateGuard {
  public:
    StateGuard(StateLock& lock, Apply apply) : lock_(lock), apply_(apply) { lock_.lock(); }
    ~StateGuard() { lock_.unlock(apply_); }
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

  private:
    StateLock& lock_;
    Apply apply_;
};
