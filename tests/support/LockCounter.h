// Counts the blocking lock calls of the calling thread (pthread mutexes, read-write locks,
// condition waits, semaphores), so a test can prove that a code path (the audio path) never waits
// on a lock, including inside a dlopen'ed plug-in and the libraries it calls. Try-locks are not
// counted: they never wait.
//
// The replacements may exist once per executable: exactly one source file defines
// MIRELOW_LOCK_COUNTER_DEFINE before including this header, and the executable exports them
// (--export-dynamic-symbol, as tests/torture/CMakeLists.txt does) so that plug-ins loaded later
// call them too.
// Under AddressSanitizer and ThreadSanitizer nothing is replaced (the runtime has its own
// interceptors) and `installed` stays false.
//
//   lockcounter::Scope scope;
//   plugin.processReplacing(in, out, 512);
//   EXPECT_EQ(scope.count(), 0);
#pragma once

namespace lockcounter {

// Blocking lock calls of the innermost live Scope on this thread; null when none is live.
inline thread_local long* current = nullptr;
// Set when the replacements are linked into this executable.
inline bool installed = false;

class Scope {
  public:
    Scope() : previous(current) { current = &mine; }
    ~Scope() { current = previous; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    long count() const { return mine; }

  private:
    long mine = 0;
    long* previous;
};

} // namespace lockcounter

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MIRELOW_LOCK_COUNTER_UNAVAILABLE 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MIRELOW_LOCK_COUNTER_UNAVAILABLE 1
#endif
#endif

#if defined(MIRELOW_LOCK_COUNTER_DEFINE) && !defined(MIRELOW_LOCK_COUNTER_UNAVAILABLE)

#include <atomic>
#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

namespace lockcounter::detail {
inline void note() {
    if (current)
        ++*current;
}
// The C library's function of that name, looked up at its first use (static initialisers may
// lock before this file's own have run) and kept.
// The condition waits are asked for by version: unversioned, the look-up finds the old ones.
template <class F> F real(std::atomic<F>& slot, const char* name, const char* version = nullptr) {
    F f = slot.load(std::memory_order_acquire);
    if (!f) {
        f = reinterpret_cast<F>(version ? dlvsym(RTLD_NEXT, name, version)
                                        : dlsym(RTLD_NEXT, name));
        slot.store(f, std::memory_order_release);
    }
    return f;
}
inline std::atomic<int (*)(pthread_mutex_t*)> mutexLock{nullptr};
inline std::atomic<int (*)(pthread_rwlock_t*)> rdLock{nullptr}, wrLock{nullptr};
inline std::atomic<int (*)(pthread_cond_t*, pthread_mutex_t*)> condWait{nullptr};
inline std::atomic<int (*)(pthread_cond_t*, pthread_mutex_t*, const timespec*)> condTimedWait{
    nullptr};
inline std::atomic<int (*)(pthread_cond_t*, pthread_mutex_t*, clockid_t, const timespec*)>
    condClockWait{nullptr};
inline std::atomic<int (*)(pthread_mutex_t*, const timespec*)> mutexTimedLock{nullptr};
inline std::atomic<int (*)(sem_t*)> semWait{nullptr};
struct Installer {
    // Every one looked up before the test starts a thread.
    Installer() {
        installed = real(mutexLock, "pthread_mutex_lock") &&
                    real(rdLock, "pthread_rwlock_rdlock") &&
                    real(wrLock, "pthread_rwlock_wrlock") &&
                    real(condWait, "pthread_cond_wait", "GLIBC_2.3.2") &&
                    real(condTimedWait, "pthread_cond_timedwait", "GLIBC_2.3.2") &&
                    real(semWait, "sem_wait");
    }
};
inline Installer installer;
} // namespace lockcounter::detail

extern "C" {
int pthread_mutex_lock(pthread_mutex_t* m) {
    using namespace lockcounter::detail;
    note();
    return real(mutexLock, "pthread_mutex_lock")(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
    using namespace lockcounter::detail;
    note();
    return real(rdLock, "pthread_rwlock_rdlock")(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
    using namespace lockcounter::detail;
    note();
    return real(wrLock, "pthread_rwlock_wrlock")(l);
}
int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) {
    using namespace lockcounter::detail;
    note();
    return real(condWait, "pthread_cond_wait", "GLIBC_2.3.2")(c, m);
}
int pthread_cond_timedwait(pthread_cond_t* c, pthread_mutex_t* m, const timespec* t) {
    using namespace lockcounter::detail;
    note();
    return real(condTimedWait, "pthread_cond_timedwait", "GLIBC_2.3.2")(c, m, t);
}
int pthread_cond_clockwait(pthread_cond_t* c, pthread_mutex_t* m, clockid_t clock,
                           const timespec* t) {
    using namespace lockcounter::detail;
    note();
    return real(condClockWait, "pthread_cond_clockwait")(c, m, clock, t);
}
int pthread_mutex_timedlock(pthread_mutex_t* m, const timespec* t) {
    using namespace lockcounter::detail;
    note();
    return real(mutexTimedLock, "pthread_mutex_timedlock")(m, t);
}
int sem_wait(sem_t* s) {
    using namespace lockcounter::detail;
    note();
    return real(semWait, "sem_wait")(s);
}
}

#endif
