// What every fuzz target shares: reading choices from the fuzzer's bytes, buffers of exactly the
// size a host hands in (so that the address checker sees any access past them), the checks made
// after each call, and the seeds each target writes for its corpus.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// The fuzzer's input, read front to back; past its end every read answers 0.
class Input {
  public:
    Input(const uint8_t* data, size_t size) : p(data), n(size) {}
    bool empty() const { return n == 0; }
    size_t left() const { return n; }
    uint8_t u8() {
        if (!n)
            return 0;
        --n;
        return *p++;
    }
    uint16_t u16() { return static_cast<uint16_t>(u8() | u8() << 8); }
    uint32_t u32() { return u16() | static_cast<uint32_t>(u16()) << 16; }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    Bytes take(size_t k) {
        k = k < n ? k : n;
        Bytes out(p, p + k);
        p += k;
        n -= k;
        return out;
    }
    Bytes rest() { return take(n); }

  private:
    const uint8_t* p;
    size_t n;
};

// A property that must hold: a failure prints what broke and aborts, so that the fuzzer keeps
// the input that broke it.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz property broken at %s:%d: %s\n", file, line, what);
    std::abort();
}
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzz::fail(#cond, __FILE__, __LINE__);                                               \
    } while (0)

inline bool allFinite(const float* x, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!(x[i] - x[i] == 0.f))
            return false;
    return true;
}

// A text buffer of exactly n bytes on the heap, pre-filled so that a missing terminator shows.
struct TextBuffer {
    explicit TextBuffer(size_t size) : n(size), p(new char[size]) { std::memset(p.get(), 0x55, n); }
    char* data() { return p.get(); }
    bool terminated() const { return std::memchr(p.get(), 0, n) != nullptr; }
    bool untouched() const {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != 0x55)
                return false;
        return true;
    }
    size_t n;
    std::unique_ptr<char[]> p;
};

// Audio buffers of exactly `frames` samples per channel, each on the heap by itself.
struct AudioBuffers {
    AudioBuffers(int channels, size_t frames);
    float** pointers() { return ptrs.data(); }
    bool finite() const;
    std::vector<std::unique_ptr<float[]>> data;
    std::vector<float*> ptrs;
    size_t frames;
};

// A test signal from the input's first byte: noise, silence, denormals, or noise with NaN and
// infinite samples in it (which the plug-ins take as silence).
void fillSignal(AudioBuffers& in, uint8_t kind, uint32_t seed);

// The plug-ins in the build tree.
std::string builtPlugin(const char* file);

// The corpus seeds of the target linked with this file: written by the plug-ins themselves.
std::vector<Bytes> seeds();

// Writes seeds() into dir (one file each) and answers how many.
int writeSeeds(const std::string& dir);

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
