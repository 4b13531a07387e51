// What a host that loads many plug-ins, or loads and unloads one again and again, must be able
// to rely on: through build/tidemill.so and build/wendle.so (in the simulator).
#include "PtSim.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

// Under a sanitizer the heap is the sanitizer's, and so is the count of bytes in use.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MIRELOW_HEAP_OWNED_BY_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MIRELOW_HEAP_OWNED_BY_SANITIZER 1
#endif
#endif
#ifdef MIRELOW_HEAP_OWNED_BY_SANITIZER
#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#else
// g++ ships the run-times but not their headers; both sanitizers' run-times define this.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif
#endif

namespace {
const std::string kTidemill = MIRELOW_BUILD_DIR "/tidemill.so";
const std::string kWendle = MIRELOW_BUILD_DIR "/wendle.so";

// Bytes of heap in use now, by whichever allocator owns the heap.
size_t heapInUse() {
#ifdef MIRELOW_HEAP_OWNED_BY_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

size_t mappedRegions() {
    std::ifstream maps("/proc/self/maps");
    size_t lines = 0;
    for (std::string line; std::getline(maps, line);)
        ++lines;
    return lines;
}

bool finite(const std::vector<float>& v) {
    for (float x : v)
        if (!std::isfinite(x))
            return false;
    return true;
}

void useTidemill(vsthost::Plugin& p) {
    p.dispatch(effMainsChanged, 0, 1);
    std::vector<float> in(512, 0.25f), out0(512), out1(512);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out0.data(), out1.data()};
    p.processReplacing(ins, outs, 512);
    ASSERT_TRUE(finite(out0) && finite(out1));
}

void useWendle(ptsim::Instance& x) {
    std::vector<float> in(512, 0.25f), out0(512), out1(512);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out0.data(), out1.data()};
    ASSERT_EQ(x.render(ins, outs, 512), kPINoErr);
    ASSERT_TRUE(finite(out0) && finite(out1));
}

// Loads, uses and unloads a plug-in 100 times after a first round (which may build what a
// process keeps for good, such as the FFT library's planner): the heap and the mappings end
// where they started.
template <class Cycle> void expectNoGrowth(Cycle cycle) {
    cycle();
    // The mappings are counted before the heap: the first reading of them leaves 16 KB in use
    // for good under ThreadSanitizer's allocator, which is not the plug-in's growth.
    const size_t regions = mappedRegions();
    const size_t heap = heapInUse();
    for (int i = 0; i < 100; ++i)
        cycle();
    // A lost planner alone would be 100 x 118 KB; a few KB is the allocators' own noise.
    EXPECT_LT(heapInUse(), heap + 16 * 1024);
#ifndef MIRELOW_HEAP_OWNED_BY_SANITIZER // a sanitizer's allocator maps as it pleases
    EXPECT_LE(mappedRegions(), regions + 2);
#else
    (void)regions;
#endif
}
} // namespace

TEST(HostLimits, TidemillLoadedAndUnloadedAHundredTimesDoesNotGrowTheProcess) {
    expectNoGrowth([] {
        vsthost::Plugin p(kTidemill);
        useTidemill(p);
    });
}

TEST(HostLimits, WendleLoadedAndUnloadedAHundredTimesDoesNotGrowTheProcess) {
    expectNoGrowth([] {
        ptsim::PlugIn plugin(kWendle);
        auto x = plugin.createInstance(2, 44100.0);
        useWendle(*x);
    });
}

// 64 instances of each effect live in one process at once: all are created, all process, and
// all close again; afterwards the heap is back where it was.
TEST(HostLimits, SixtyFourInstancesOfEachEffectRunSideBySide) {
    {
        vsthost::Plugin warm(kTidemill);
        ptsim::PlugIn plugin(kWendle);
        plugin.createInstance(2, 44100.0);
    }
    const size_t heap = heapInUse();
    {
        std::vector<std::unique_ptr<vsthost::Plugin>> vst;
        ptsim::PlugIn plugin(kWendle);
        std::vector<std::unique_ptr<ptsim::Instance>> pt;
        for (int i = 0; i < 64; ++i) {
            vst.push_back(std::make_unique<vsthost::Plugin>(kTidemill));
            pt.push_back(plugin.createInstance(i % 2 ? 1 : 2, 44100.0));
        }
        for (auto& p : vst)
            useTidemill(*p);
        for (auto& x : pt)
            if (x->channels() == 2)
                useWendle(*x);
        for (auto& p : vst)
            p->close();
    }
    EXPECT_LT(heapInUse(), heap + 64 * 1024);
}
