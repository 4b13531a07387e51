// vstwinecheck: what a plug-in build must do the same on every platform, checked through the host
// harness. The Linux build writes a reference (a generated test signal and what the Linux plug-in
// made of it in one program); the Windows build of this program, run under Wine, loads a Windows
// DLL and checks it against that reference.
//
//   vstwinecheck --write-reference PLUGIN PROGRAM FILE    render the test signal in PROGRAM
//   vstwinecheck PLUGIN FILE                              check PLUGIN, compare with FILE
//
// The checks: both entry points exported and each gives an effect, the dispatcher answers (VST
// version, vendor, names), latency 1024, a fresh "Init" program gives its input back unchanged
// after the latency, and the reference program's output matches the reference. One line per
// check; the first failure ends the run with status 1.
#include "tools/vsthost/Library.h"
#include "tools/vsthost/VstHost.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr VstInt32 kLatency = 1024;
constexpr VstInt32 kBlock = 512;
constexpr float kRate = 44100.f;

// An "Init" program's round trip (window, transform, inverse, overlap-add) rounds each sample a
// little: measured 8.1e-6 at most on this signal (Linux and Windows alike); the bound is 2e-5.
constexpr double kInitTolerance = 2e-5;

// The Windows builds' transforms and maths library round differently from Debian's (another FFTW
// build, SSE2 codelets only; mingw's powf, expf, log10f). Measured against the Linux build on this
// signal: tidemill's "Noise Reduction" differs by 1.8e-7 at most (64-bit), the difference as a
// whole 140 dB below the signal. The bounds leave room for other compilers and CPUs while still
// catching a wrong gain, a shifted frame or a broken transform (each of which costs far more):
constexpr double kReferenceMaxDifference = 1e-5;    // of full scale, any sample
constexpr double kReferenceMinDifferenceDb = 100.0; // signal-to-difference ratio over the render

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void require(bool ok, const std::string& what) {
    if (!ok)
        throw Failure(what);
}

using Channels = std::vector<std::vector<float>>;

struct Reference {
    std::string program;
    Channels input;
    Channels output;
};

// File layout (little-endian): "MWR1", channels, frames, length of the program name (uint32
// each), the name, then the input and the output, planar float32.
void writeReference(const std::string& path, const Reference& ref) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    out.write("MWR1", 4);
    u32(static_cast<uint32_t>(ref.input.size()));
    u32(static_cast<uint32_t>(ref.input[0].size()));
    u32(static_cast<uint32_t>(ref.program.size()));
    out.write(ref.program.data(), static_cast<std::streamsize>(ref.program.size()));
    for (const Channels* set : {&ref.input, &ref.output})
        for (const auto& ch : *set)
            out.write(reinterpret_cast<const char*>(ch.data()),
                      static_cast<std::streamsize>(ch.size() * sizeof(float)));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Reference readReference(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    uint32_t channels = 0, frames = 0, nameLength = 0;
    in.read(magic, 4);
    in.read(reinterpret_cast<char*>(&channels), 4);
    in.read(reinterpret_cast<char*>(&frames), 4);
    in.read(reinterpret_cast<char*>(&nameLength), 4);
    if (!in || std::memcmp(magic, "MWR1", 4) != 0 || channels == 0 || channels > 2 || frames == 0 ||
        frames > 10'000'000 || nameLength > 64)
        throw std::runtime_error(path + " is not a reference file");
    Reference ref;
    ref.program.resize(nameLength);
    in.read(ref.program.data(), nameLength);
    for (Channels* set : {&ref.input, &ref.output}) {
        set->assign(channels, std::vector<float>(frames));
        for (auto& ch : *set)
            in.read(reinterpret_cast<char*>(ch.data()),
                    static_cast<std::streamsize>(frames * sizeof(float)));
    }
    if (!in)
        throw std::runtime_error(path + " is cut short");
    return ref;
}

// 3 s of stereo test signal: 0.5 s of white noise alone (about -26 dB RMS), then three tones in
// the same noise, different in each channel.
Channels testSignal() {
    const size_t frames = static_cast<size_t>(3 * kRate), lead = static_cast<size_t>(kRate / 2);
    Channels s(2, std::vector<float>(frames));
    uint32_t state = 0x12345678u;
    auto noise = [&] { // xorshift32, uniform in [-0.087, 0.087]
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (static_cast<float>(state) / 4294967296.f * 2.f - 1.f) * 0.087f;
    };
    const double pi = 3.14159265358979323846;
    const double tones[2][3] = {{440.0, 1250.0, 3100.0}, {330.0, 2000.0, 5200.0}};
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < 2; ++c) {
            double v = noise();
            if (i >= lead)
                for (double f : tones[c])
                    v += 0.2 * std::sin(2 * pi * f * static_cast<double>(i) / kRate);
            s[c][i] = static_cast<float>(v);
        }
    return s;
}

// A fresh instance in `program`, started as a host starts it.
void start(vsthost::Plugin& p, VstInt32 program) {
    p.dispatch(effOpen);
    p.dispatch(effSetSampleRate, 0, 0, nullptr, kRate);
    p.dispatch(effSetBlockSize, 0, kBlock);
    p.dispatch(effSetProgram, 0, program);
    p.dispatch(effMainsChanged, 0, 1);
}

VstInt32 programIndex(vsthost::Plugin& p, const std::string& name, bool prefix) {
    for (VstInt32 i = 0; i < p.numPrograms(); ++i) {
        char text[256] = {};
        p.dispatch(effGetProgramNameIndexed, i, -1, text);
        if (prefix ? std::strncmp(text, name.c_str(), name.size()) == 0 : name == text)
            return i;
    }
    throw Failure("no program named " + name + (prefix ? "…" : ""));
}

void check(const std::string& path, const std::string& referencePath) {
    const Reference ref = readReference(referencePath);

    // Entry points: both names exported, each gives a working effect.
    std::string why;
    void* library = vsthost::openLibrary(path, why);
    require(library != nullptr, "cannot load " + path + ": " + why);
    for (const char* name : {"VSTPluginMain", "main"}) {
        auto entry =
            reinterpret_cast<vsthost::Plugin::EntryProc>(vsthost::librarySymbol(library, name));
        require(entry != nullptr, std::string("no export named ") + name);
        vsthost::Plugin p(entry, path);
        require(p.dispatch(effGetVstVersion) == 2400, std::string(name) + ": VST version");
    }
    vsthost::closeLibrary(library);
    std::printf("ok: exports VSTPluginMain and main\n");

    // The dispatcher answers.
    {
        vsthost::Plugin p(path);
        require(p.vendorString() == "Mirelow", "vendor \"" + p.vendorString() + "\"");
        require(!p.effectName().empty() && !p.productString().empty(), "effect/product name");
        require(p.numInputs() == 2 && p.numOutputs() == 2, "two inputs and two outputs");
        require(p.numPrograms() > 0 && p.numParams() > 0, "programs and parameters");
        require(!p.paramName(p.numParams() - 1).empty(), "the last parameter has a name");
        std::printf("ok: dispatcher: \"%s\" by %s, %d programs, %d parameters\n",
                    p.effectName().c_str(), p.vendorString().c_str(), p.numPrograms(),
                    p.numParams());
        require(p.initialDelay() == kLatency,
                "latency " + std::to_string(p.initialDelay()) + ", not 1024");
        std::printf("ok: latency %d\n", p.initialDelay());
    }

    // A fresh "Init" program gives its input back after the latency.
    {
        vsthost::Plugin p(path);
        start(p, programIndex(p, "Init", true));
        const Channels out = p.render(ref.input, kBlock);
        double worst = 0;
        for (size_t c = 0; c < out.size(); ++c)
            for (size_t i = kLatency; i < out[c].size(); ++i)
                worst = std::max(
                    worst, std::fabs(static_cast<double>(out[c][i]) - ref.input[c][i - kLatency]));
        require(worst <= kInitTolerance,
                "\"Init\" changes its input by up to " + std::to_string(worst));
        std::printf("ok: \"Init\" gives its input back after 1024 samples (largest difference "
                    "%.3g)\n",
                    worst);
    }

    // The reference program matches the Linux build's output.
    {
        vsthost::Plugin p(path);
        start(p, programIndex(p, ref.program, false));
        const Channels out = p.render(ref.input, kBlock);
        double worst = 0, difference = 0, signal = 0;
        for (size_t c = 0; c < out.size(); ++c)
            for (size_t i = 0; i < out[c].size(); ++i) {
                const double d = static_cast<double>(out[c][i]) - ref.output[c][i];
                worst = std::max(worst, std::fabs(d));
                difference += d * d;
                signal += static_cast<double>(ref.output[c][i]) * ref.output[c][i];
            }
        const double ratioDb = difference > 0 ? 10 * std::log10(signal / difference) : INFINITY;
        require(worst <= kReferenceMaxDifference && ratioDb >= kReferenceMinDifferenceDb,
                "\"" + ref.program + "\" differs from the reference by up to " +
                    std::to_string(worst) + " (" + std::to_string(ratioDb) + " dB down)");
        std::printf("ok: \"%s\" matches the reference: largest difference %.3g, %.1f dB below "
                    "the signal\n",
                    ref.program.c_str(), worst, ratioDb);
    }
}

int usage() {
    std::fprintf(stderr, "usage: vstwinecheck PLUGIN REFERENCE\n"
                         "       vstwinecheck --write-reference PLUGIN PROGRAM REFERENCE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 5 && std::strcmp(argv[1], "--write-reference") == 0) {
            vsthost::Plugin p(argv[2]);
            start(p, programIndex(p, argv[3], false));
            Reference ref{argv[3], testSignal(), {}};
            ref.output = p.render(ref.input, kBlock);
            writeReference(argv[4], ref);
            return 0;
        }
        if (argc != 3)
            return usage();
        check(argv[1], argv[2]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vstwinecheck: %s: %s\n", argc > 1 ? argv[argc - 2] : "", e.what());
        return 1;
    }
}
