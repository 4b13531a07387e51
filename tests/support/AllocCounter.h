// Counts heap traffic on the calling thread so a test can prove that a code path (the audio
// path) neither allocates nor frees. Counts global operator new/delete and the C heap
// (malloc, calloc, realloc, aligned allocation, free), including calls made inside a dlopen'ed
// plug-in.
//
// The replacement allocation functions may exist once per executable: exactly one source file
// of a test executable defines MIRELOW_ALLOC_COUNTER_DEFINE before including this header. Under
// AddressSanitizer and ThreadSanitizer the sanitizer owns the heap (its runtime intercepts every
// allocation function, and memory it did not hand out would confuse it), so nothing is replaced
// and the tests that need the counter skip themselves (MIRELOW_REQUIRE_ALLOC_COUNTER).
//
//   alloccounter::Scope scope;
//   plugin.processReplacing(in, out, 512);
//   EXPECT_EQ(scope.counts().total(), 0);
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace alloccounter {

struct Counts {
    long news = 0;    // operator new, any form
    long deletes = 0; // operator delete of a non-null pointer
    long mallocs = 0; // malloc, calloc, realloc, memalign, aligned_alloc, posix_memalign
    long frees = 0;   // free of a non-null pointer
    long total() const { return news + deletes + mallocs + frees; }
};

// Counts of the innermost live Scope on this thread; null when no scope is live.
inline thread_local Counts* current = nullptr;
// Set when the replacement functions are linked into this executable.
inline bool installed = false;

// Counts the heap traffic of this thread for its lifetime. Nests.
class Scope {
  public:
    Scope() : previous(current) { current = &mine; }
    ~Scope() { current = previous; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    const Counts& counts() const { return mine; }

  private:
    Counts mine;
    Counts* previous;
};

} // namespace alloccounter

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MIRELOW_ALLOC_COUNTER_UNAVAILABLE 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MIRELOW_ALLOC_COUNTER_UNAVAILABLE 1
#endif
#endif

// In a GoogleTest body: skip under a sanitizer, otherwise insist the counter is installed.
#ifdef MIRELOW_ALLOC_COUNTER_UNAVAILABLE
#define MIRELOW_REQUIRE_ALLOC_COUNTER() GTEST_SKIP() << "the heap belongs to the sanitizer"
#else
#define MIRELOW_REQUIRE_ALLOC_COUNTER() ASSERT_TRUE(alloccounter::installed)
#endif

#if defined(MIRELOW_ALLOC_COUNTER_DEFINE) && !defined(MIRELOW_ALLOC_COUNTER_UNAVAILABLE)

extern "C" {
// glibc's own entry points, which the replacements forward to.
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace alloccounter::detail {
inline void noteMalloc() {
    if (current)
        ++current->mallocs;
}
inline void noteFree(void* p) {
    if (current && p)
        ++current->frees;
}
inline void* allocate(size_t size, size_t alignment) {
    if (current)
        ++current->news;
    if (size == 0)
        size = 1;
    void* p = alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size)
                                                    : __libc_malloc(size);
    return p;
}
inline void release(void* p) {
    if (current && p)
        ++current->deletes;
    __libc_free(p);
}
struct Installer {
    Installer() { installed = true; }
};
inline Installer installer;
} // namespace alloccounter::detail

extern "C" {
void* malloc(size_t size) noexcept {
    alloccounter::detail::noteMalloc();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
    alloccounter::detail::noteMalloc();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) noexcept {
    alloccounter::detail::noteMalloc();
    return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size) noexcept {
    alloccounter::detail::noteMalloc();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    alloccounter::detail::noteMalloc();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) noexcept {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return 22; // EINVAL
    alloccounter::detail::noteMalloc();
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return 12; // ENOMEM
    *out = p;
    return 0;
}
void free(void* p) noexcept {
    alloccounter::detail::noteFree(p);
    __libc_free(p);
}
}

void* operator new(size_t size) {
    if (void* p = alloccounter::detail::allocate(size, 0))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = alloccounter::detail::allocate(size, 0))
        return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return alloccounter::detail::allocate(size, 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return alloccounter::detail::allocate(size, 0);
}
void* operator new(size_t size, std::align_val_t al) {
    if (void* p = alloccounter::detail::allocate(size, static_cast<size_t>(al)))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t al) {
    if (void* p = alloccounter::detail::allocate(size, static_cast<size_t>(al)))
        return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
    return alloccounter::detail::allocate(size, static_cast<size_t>(al));
}
void* operator new[](size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
    return alloccounter::detail::allocate(size, static_cast<size_t>(al));
}
void operator delete(void* p) noexcept {
    alloccounter::detail::release(p);
}
void operator delete[](void* p) noexcept {
    alloccounter::detail::release(p);
}
void operator delete(void* p, size_t) noexcept {
    alloccounter::detail::release(p);
}
void operator delete[](void* p, size_t) noexcept {
    alloccounter::detail::release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    alloccounter::detail::release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    alloccounter::detail::release(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    alloccounter::detail::release(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    alloccounter::detail::release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    alloccounter::detail::release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    alloccounter::detail::release(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    alloccounter::detail::release(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    alloccounter::detail::release(p);
}

#endif // MIRELOW_ALLOC_COUNTER_DEFINE
